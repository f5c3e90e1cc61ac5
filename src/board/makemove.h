// Making and unmaking a move on the Position, keeping every derived set,
// count, material sum and both hash keys up to date incrementally; undo
// information lives in the Position's per-ply stacks.
#pragma once

#include "board/position.h"

namespace tarrock {

void makeMove(Position& pos, Move move);
void unmakeMove(Position& pos, Move move);

}  // namespace tarrock
