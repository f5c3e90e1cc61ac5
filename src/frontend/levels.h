// Play levels 1..11: each sets the piece values, the king-safety weight, the
// depth limit, the randomness of root scores and the draw score of new games.
// Level 11 is the engine's full strength.
#pragma once

#include "board/position.h"

namespace tarrock {

void SetPlayLevel(Position& pos, int level);

}  // namespace tarrock
