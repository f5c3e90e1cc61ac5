// Process-wide state of the search that the front end reads and writes: the
// depth limit, the number of principal variations, the abort flag and the
// countdown to the next input poll, the node counter, the expected reply to
// ponder on and the last score.
#pragma once

#include <cstdint>

#include "board/types.h"

namespace tarrock {

struct SearchState {
  int maxSearchDepth = 768;  // twelfths of a ply
  int multiPv = 1;
  volatile int abortSearch = 0;
  volatile int pollCountdown = 0;
  uint64_t nodes = 0;
  Move ponderMove = 0;
  int lastScore = 0;
};

extern SearchState search;

}  // namespace tarrock
