// Looking at the input while the engine thinks (and between commands): a
// waiting line is read whole; a few words are answered on the spot and the
// search goes on, any other line is left for the main loop and stops the
// search.
#pragma once

#include "board/position.h"

namespace tarrock {

// 1 when a line was read and left in frontend.pendingCommand, 0 otherwise.
int PollInput(Position& pos);
int HandleSearchInput(Position& pos, char* line);

}  // namespace tarrock
