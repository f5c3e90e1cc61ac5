#include "board/position.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "board/fen.h"
#include "board/makemove.h"
#include "board/material.h"
#include "core/output.h"
#include "core/state.h"

namespace tarrock {

KeyTables keys;
EvalVariables evalVars;
SquareMaps squareMaps;

namespace {

// Additive lagged-Fibonacci generator: x[k] += x[j], both indices count down
// and wrap from -1 to 54.
constexpr uint32_t SeedTable[55] = {
    0x5414D5F4, 0xB3935330, 0xD0773E27, 0xAC62A182, 0x5DB20C92, 0xC1E618AC, 0xD003926A,
    0x171FA3B3, 0x9AD12101, 0x762172C1, 0xBC5D9DC3, 0x07B72A70, 0x6E5AC890, 0xF7BE54D1,
    0x0D6332FA, 0x56BA8FBE, 0xEBA585EC, 0x571421C5, 0x96B3C079, 0x12EB9B92, 0xC07C0978,
    0x0700C5BD, 0x31A43513, 0x74EBA4AA, 0x4EC55DB5, 0x2C91C2E9, 0x208771F6, 0x304EE204,
    0x1E004673, 0xF3AC22F9, 0xA8561FEB, 0xDED13435, 0xD03E7513, 0xDAE66BC2, 0x01C20BE1,
    0x46638997, 0xFB26CE62, 0x01F87FC3, 0xC0016099, 0x44429270, 0xB04F4481, 0xF31B8AD7,
    0x86DD7A46, 0x03E72091, 0x96A22589, 0x74DCB7D4, 0x12D0FC03, 0x474A16E8, 0x2FF5717C,
    0x54BDED92, 0x783A9487, 0xE767978C, 0x3052D5CD, 0x16ECA191, 0x8EAF6D15};

struct RandomState {
  uint32_t x[55];
  int j, k;
  bool seeded = false;
} rng;

constexpr PieceCode KeyOrder[12] = {WhitePawn, WhiteKnight, WhiteBishop, WhiteRook,
                                    WhiteQueen, WhiteKing,  BlackPawn,   BlackKnight,
                                    BlackBishop, BlackRook, BlackQueen,  BlackKing};

}  // namespace

void resetRandom() { rng.seeded = false; }

uint32_t random32() {
  if (!rng.seeded) {
    std::memcpy(rng.x, SeedTable, sizeof rng.x);
    rng.j = 23;
    rng.k = 54;
    rng.seeded = true;
  }
  rng.x[rng.k] += rng.x[rng.j];
  uint32_t result = rng.x[rng.k];
  if (--rng.j < 0) rng.j = 54;
  if (--rng.k < 0) rng.k = 54;
  return result;
}

uint64_t random64() {
  uint64_t r = 0;
  for (int shift = 56; shift >= 0; shift -= 8) r += uint64_t(random32()) << shift;
  return r;
}

void initKeys() {
  std::memset(&keys, 0, sizeof keys);
  for (int s = 0; s < 64; ++s)
    for (PieceCode code : KeyOrder) keys.pieceKeys[code][s] = random64();
  for (int s = 0; s < 64; ++s) {
    keys.unusedKeys[s] = random64();
    keys.epKeys[s] = random64();
  }
  keys.sideKey = random64();
}

void initSquareMaps() {
  for (int s = 0; s < 64; ++s) {
    int file = s & 7, rank = s >> 3;
    squareMaps.mapFiles[s] = uint8_t(file * 8 + rank);
  }
  // a1-h8 diagonals (constant rank - file), from rank - file = 7 down to -7,
  // squares in increasing file within each.
  int index = 0;
  for (int d = 7; d >= -7; --d)
    for (int file = 0; file < 8; ++file) {
      int rank = file + d;
      if (rank >= 0 && rank < 8) squareMaps.mapDiagA1H8[rank * 8 + file] = uint8_t(index++);
    }
  // h1-a8 diagonals (constant rank + file), from 14 down to 0, squares in
  // decreasing file within each.
  index = 0;
  for (int sum = 14; sum >= 0; --sum)
    for (int file = 7; file >= 0; --file) {
      int rank = sum - file;
      if (rank >= 0 && rank < 8) squareMaps.mapDiagH1A8[rank * 8 + file] = uint8_t(index++);
    }
}

void newGame(Position& pos) {
  pos.castleTop = pos.keyTop = pos.pawnKeyTop = pos.fiftyTop = pos.epTop = 0;
  setupFromFen(pos, "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -");
  pos.sideToMove = White;
  GameRecord& g = *pos.game;
  g.count = g.end = 0;
  g.engineRating = g.opponentRating = 0;
  g.drawScore = frontend.levelDrawScore;
  g.result = 4;
  pos.bookMisses = 0;
  pos.badScoreCount = 0;
  pos.unchangedScoreCount = 0;
  pos.gameInProgress = 1;
  pos.castleStack[pos.castleTop] = 15;
  rebuildBoardSets(pos);
  rebuildMaterial(pos);
  pos.epStack[pos.epTop] = 0;
  pos.fiftyStack[pos.fiftyTop] = 0;
  pos.keyStack[pos.keyTop] = computeKey(pos);
  pos.pawnKeyStack[pos.pawnKeyTop] = computePawnKey(pos);
}

void rebuildBoardSets(Position& pos) {
  for (int c = 0; c < 2; ++c) {
    pos.pieces[c] = pos.pawns[c] = pos.knights[c] = pos.bishops[c] = pos.rooks[c] = pos.queens[c] = 0;
    pos.bishopCount[c] = pos.knightCount[c] = pos.heavyCount[c] = pos.pawnCount[c] = pos.pieceUnits[c] = 0;
  }
  pos.occupied = pos.occupiedFiles = pos.occupiedDiagA1H8 = pos.occupiedDiagH1A8 = 0;
  for (Square s = 0; s < 64; ++s) {
    int code = pos.board[s];
    if (!code) continue;
    Colour c = colourOf(code);
    pos.occupied |= bit(s);
    pos.occupiedFiles |= bit(squareMaps.mapFiles[s]);
    pos.occupiedDiagA1H8 |= bit(squareMaps.mapDiagA1H8[s]);
    pos.occupiedDiagH1A8 |= bit(squareMaps.mapDiagH1A8[s]);
    pos.pieces[c] |= bit(s);
    switch (pieceType(code)) {
      case Pawn: pos.pawns[c] |= bit(s); pos.pawnCount[c]++; break;
      case Knight: pos.knights[c] |= bit(s); pos.knightCount[c]++; pos.pieceUnits[c] += 3; break;
      case Bishop: pos.bishops[c] |= bit(s); pos.bishopCount[c]++; pos.pieceUnits[c] += 3; break;
      case Rook: pos.rooks[c] |= bit(s); pos.heavyCount[c] += 1; pos.pieceUnits[c] += 5; break;
      case Queen: pos.queens[c] |= bit(s); pos.heavyCount[c] += 2; pos.pieceUnits[c] += 10; break;
      case King: pos.kingSquare[c] = s; break;
      default: break;
    }
  }
}

void rebuildMaterial(Position& pos) {
  pos.material[White] = pos.material[Black] = 0;
  for (int s = 0; s < 64; ++s) {
    int code = pos.board[s];
    if (code) pos.material[colourOf(code)] += evalVars.valueOf(pieceType(code));
  }
}

void checkMaterial(Position& pos) {
  int32_t before[2] = {pos.material[White], pos.material[Black]};
  rebuildMaterial(pos);
  if (before[White] != pos.material[White] || before[Black] != pos.material[Black]) fatalError("material");
}

HashKey computeKey(const Position& pos) {
  HashKey k = 0;
  for (int s = 0; s < 64; ++s)
    if (pos.board[s]) k ^= keys.pieceKeys[pos.board[s]][s];
  if (pos.epSquare()) k ^= keys.epKeys[pos.epSquare()];
  if (pos.sideToMove == White) k ^= keys.sideKey;
  return k;
}

HashKey computePawnKey(const Position& pos) {
  HashKey k = 0;
  for (int s = 0; s < 64; ++s)
    if (pos.board[s] == WhitePawn || pos.board[s] == BlackPawn) k ^= keys.pieceKeys[pos.board[s]][s];
  return k;
}

void setSideToMove(Position& pos, Colour side) {
  if (side != pos.sideToMove) pos.game->count = pos.game->end = 0;
  pos.sideToMove = side;
  pos.keyStack[pos.keyTop] = computeKey(pos);
}

void playMove(Position& pos, Move move) {
  GameRecord& g = *pos.game;
  makeMove(pos, move);
  g.moves[g.count++] = move;
  g.end = g.count;
}

Move takeBack(Position& pos) {
  GameRecord& g = *pos.game;
  if (g.count == 0) return 0;
  Move move = g.moves[--g.count];
  unmakeMove(pos, move);
  return move;
}

Move replayMove(Position& pos) {
  GameRecord& g = *pos.game;
  if (g.count >= g.end) return 0;
  Move move = g.moves[g.count++];
  makeMove(pos, move);
  return move;
}

Position* NewPosition() {
  Position* pos = new (std::nothrow) Position();
  GameRecord* game = new (std::nothrow) GameRecord();
  if (!pos || !game) fatalError("malloc: ran out of memory");
  pos->game = game;
  return pos;
}

void FreePosition(Position* pos) {
  if (!pos) return;
  delete pos->game;
  delete pos;
}

}  // namespace tarrock
