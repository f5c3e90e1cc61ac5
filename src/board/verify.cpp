#include "board/verify.h"

#include <cstring>

namespace tarrock {

const char* positionProblem(const Position& pos) {
  static Position rebuilt;  // large; one copy serves every call
  std::memcpy(rebuilt.board, pos.board, sizeof pos.board);
  rebuilt.kingSquare[White] = pos.kingSquare[White];
  rebuilt.kingSquare[Black] = pos.kingSquare[Black];
  rebuildBoardSets(rebuilt);
  rebuildMaterial(rebuilt);
  struct Field {
    const char* name;
    bool same;
  };
  const Field fields[] = {
      {"pieces", !std::memcmp(rebuilt.pieces, pos.pieces, sizeof pos.pieces)},
      {"pawns", !std::memcmp(rebuilt.pawns, pos.pawns, sizeof pos.pawns)},
      {"knights", !std::memcmp(rebuilt.knights, pos.knights, sizeof pos.knights)},
      {"bishops", !std::memcmp(rebuilt.bishops, pos.bishops, sizeof pos.bishops)},
      {"rooks", !std::memcmp(rebuilt.rooks, pos.rooks, sizeof pos.rooks)},
      {"queens", !std::memcmp(rebuilt.queens, pos.queens, sizeof pos.queens)},
      {"occupied", rebuilt.occupied == pos.occupied},
      {"occupiedFiles", rebuilt.occupiedFiles == pos.occupiedFiles},
      {"occupiedDiagA1H8", rebuilt.occupiedDiagA1H8 == pos.occupiedDiagA1H8},
      {"occupiedDiagH1A8", rebuilt.occupiedDiagH1A8 == pos.occupiedDiagH1A8},
      {"kingSquare", !std::memcmp(rebuilt.kingSquare, pos.kingSquare, sizeof pos.kingSquare)},
      {"material", !std::memcmp(rebuilt.material, pos.material, sizeof pos.material)},
      {"bishopCount", !std::memcmp(rebuilt.bishopCount, pos.bishopCount, sizeof pos.bishopCount)},
      {"knightCount", !std::memcmp(rebuilt.knightCount, pos.knightCount, sizeof pos.knightCount)},
      {"heavyCount", !std::memcmp(rebuilt.heavyCount, pos.heavyCount, sizeof pos.heavyCount)},
      {"pawnCount", !std::memcmp(rebuilt.pawnCount, pos.pawnCount, sizeof pos.pawnCount)},
      {"pieceUnits", !std::memcmp(rebuilt.pieceUnits, pos.pieceUnits, sizeof pos.pieceUnits)},
      {"key", computeKey(pos) == pos.key()},
      {"pawn key", computePawnKey(pos) == pos.pawnKey()},
  };
  for (const Field& f : fields)
    if (!f.same) return f.name;
  return nullptr;
}

void takeSnapshot(const Position& pos, PositionSnapshot& snap) {
  std::memcpy(snap.fixed, &pos, sizeof snap.fixed);
  snap.castleTop = pos.castleTop;
  snap.keyTop = pos.keyTop;
  snap.pawnKeyTop = pos.pawnKeyTop;
  snap.fiftyTop = pos.fiftyTop;
  snap.epTop = pos.epTop;
  snap.key = pos.key();
  snap.pawnKey = pos.pawnKey();
  snap.castle = pos.castleRights();
  snap.fifty = pos.fifty();
  snap.ep = pos.epSquare();
  snap.sideToMove = pos.sideToMove;
}

const char* snapshotDifference(const Position& pos, const PositionSnapshot& snap) {
  if (std::memcmp(snap.fixed, pos.board, sizeof pos.board)) return "board";
  // The tops and the side lie inside the fixed part: named before it.
  if (snap.castleTop != pos.castleTop || snap.keyTop != pos.keyTop || snap.pawnKeyTop != pos.pawnKeyTop ||
      snap.fiftyTop != pos.fiftyTop || snap.epTop != pos.epTop)
    return "stack tops";
  if (snap.sideToMove != pos.sideToMove) return "side to move";
  if (std::memcmp(snap.fixed, &pos, sizeof snap.fixed)) return "derived fields";
  if (snap.key != pos.key()) return "key";
  if (snap.pawnKey != pos.pawnKey()) return "pawn key";
  if (snap.castle != pos.castleRights()) return "castling rights";
  if (snap.fifty != pos.fifty()) return "fifty counter";
  if (snap.ep != pos.epSquare()) return "en-passant square";
  if (snap.sideToMove != pos.sideToMove) return "side to move";
  return nullptr;
}

}  // namespace tarrock
