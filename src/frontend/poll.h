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

// Reads the next line (blocking) and handles it as a line arriving during a
// search; for a reply held back until the interface asks for it. Ends the
// process at the end of input.
int ReadHeldInput(Position& pos);

// Closes the log and ends the process with status 0, as at the end of input.
[[noreturn]] void EndAtEndOfInput();

}  // namespace tarrock
