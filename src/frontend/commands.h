// The command interpreter shared by the console dialogue, the xboard protocol
// and UCI: echoes each executed line to the log, splits it into words and runs
// the first matching command of its table.
#pragma once

#include <cstddef>
#include <cstdint>

#include "board/position.h"

namespace tarrock {

constexpr int MaxCommandWords = 1024;

// The search depth limit, in twelfths of a ply, for a limit of plies plies;
// a limit below one ply searches one ply, so a search always yields a move.
int32_t DepthLimit(int plies);

// Splits line (modified in place) at white space into at most maxWords words;
// returns the word count.
int SplitWords(char* line, char** words, int maxWords);

// Executes frontend.pendingCommand on the Position and clears it; a line
// that arrives during the command (a "best" search) is pending afterwards.
void ExecuteCommand(Position& pos);

// The line ExecuteCommand is running, or ran last (the fuzz harness tells by
// it which command ended the process).
const char* CurrentCommandLine();

}  // namespace tarrock
