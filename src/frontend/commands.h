// The command interpreter shared by the console dialogue, the xboard protocol
// and UCI: echoes each executed line to the log, splits it into words and runs
// the first matching command of its table.
#pragma once

#include <cstddef>

#include "board/position.h"

namespace tarrock {

constexpr int MaxCommandWords = 1024;

// Splits line (modified in place) at white space into at most maxWords words;
// returns the word count.
int SplitWords(char* line, char** words, int maxWords);

// Executes frontend.pendingCommand on the Position.
void ExecuteCommand(Position& pos);

}  // namespace tarrock
