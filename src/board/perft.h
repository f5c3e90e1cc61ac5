// Perft: the number of leaf nodes of the legal move tree to a fixed depth,
// counted with the engine's own generators (evasions when in check, else
// captures and non-captures) and make/unmake, legality by testing the mover's
// king after each move (on the last ply, by the pins on the board where that
// settles it, without making the move). The checked variant also verifies at every node
// that the incremental keys and derived fields equal a rebuild and that
// unmake restores the record exactly.
#pragma once

#include <cstdint>

#include "board/position.h"

namespace tarrock {

uint64_t perft(Position& pos, int depth);

struct PerftFault {
  const char* what = nullptr;  // null while nothing went wrong
  Move move = 0;               // the move after which it was seen
  int depth = 0;               // remaining depth where it was seen
};

// Same count as perft; stops at the first fault and reports it.
uint64_t perftChecked(Position& pos, int depth, PerftFault& fault);

}  // namespace tarrock
