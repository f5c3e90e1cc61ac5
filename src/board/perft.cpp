#include "board/perft.h"

#include "board/attacks.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/tables.h"
#include "board/verify.h"

namespace tarrock {

namespace {

inline int generateFor(const Position& pos, Move* moves) {
  return inCheck(pos, pos.sideToMove) ? generateEvasions(pos, moves) : generateAll(pos, moves);
}

// Whether the move leaves the mover's king unattacked, for a mover not in
// check, without making it where the board shows the answer: a move that is
// neither a king move nor a pawn capture onto the en-passant square exposes
// the king only when its man was pinned and leaves the line of the pin.
inline bool legalMove(Position& pos, Move move, Colour mover) {
  const Square from = moveFrom(move), to = moveTo(move), king = pos.kingSquare[mover];
  const int type = pieceType(movePiece(move));
  if (type == King || (type == Pawn && moveCaptured(move) && to == pos.epSquare())) {
    makeMove(pos, move);
    const bool legal = !inCheck(pos, mover);
    unmakeMove(pos, move);
    return legal;
  }
  const int step = boardTables.direction[king][from];
  return !step || boardTables.direction[king][to] == step || !isPinned(pos, from, king);
}

}  // namespace

uint64_t perft(Position& pos, int depth) {
  if (depth <= 0) return 1;
  Move moves[MaxMoves];
  const Colour mover = pos.sideToMove;
  const bool checked = inCheck(pos, mover);
  const int n = checked ? generateEvasions(pos, moves) : generateAll(pos, moves);
  if (depth == 1 && !checked) {
    // The last ply only counts legal moves: none needs to be played.
    uint64_t legal = 0;
    for (int i = 0; i < n; ++i) legal += legalMove(pos, moves[i], mover);
    return legal;
  }
  uint64_t nodes = 0;
  for (int i = 0; i < n; ++i) {
    makeMove(pos, moves[i]);
    const bool exposed = checked ? inCheck(pos, mover) : moveExposedKing(pos, moves[i], mover);
    if (!exposed) nodes += depth == 1 ? 1 : perft(pos, depth - 1);
    unmakeMove(pos, moves[i]);
  }
  return nodes;
}

uint64_t perftChecked(Position& pos, int depth, PerftFault& fault) {
  if (depth <= 0) return 1;
  Move moves[MaxMoves];
  const int n = generateFor(pos, moves);
  const Colour mover = pos.sideToMove;
  PositionSnapshot before;
  takeSnapshot(pos, before);
  uint64_t nodes = 0;
  for (int i = 0; i < n && !fault.what; ++i) {
    const Move m = moves[i];
    makeMove(pos, m);
    if (const char* problem = positionProblem(pos)) {
      fault = {problem, m, depth};
    } else if (!inCheck(pos, mover)) {
      nodes += perftChecked(pos, depth - 1, fault);
    }
    unmakeMove(pos, m);
    if (!fault.what) {
      if (const char* difference = snapshotDifference(pos, before)) fault = {difference, m, depth};
    }
  }
  return nodes;
}

}  // namespace tarrock
