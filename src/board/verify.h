// Consistency checks of a Position for the tests and the bench tool's debug
// mode: every derived field and both keys against a rebuild from the board,
// and snapshots that tell whether make followed by unmake restored the record.
#pragma once

#include <cstddef>

#include "board/position.h"

namespace tarrock {

// Null when the sets, counts, material, king squares and both keys agree with
// what the rebuild operations compute from board, side, rights and
// en-passant square; otherwise the name of the first field that differs.
const char* positionProblem(const Position& pos);

// Everything make and unmake may touch: the board and its derived fields, the
// stack tops with the entries up to them, and the side to move.
struct PositionSnapshot {
  unsigned char fixed[offsetof(Position, keyStack)];
  int castleTop, keyTop, pawnKeyTop, fiftyTop, epTop;
  HashKey key, pawnKey;
  uint32_t castle, fifty, ep;
  Colour sideToMove;
};

void takeSnapshot(const Position& pos, PositionSnapshot& snap);
// Null when the Position matches the snapshot, else the first field that differs.
const char* snapshotDifference(const Position& pos, const PositionSnapshot& snap);

}  // namespace tarrock
