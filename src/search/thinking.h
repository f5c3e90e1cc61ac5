// Thinking output: the lines the engine prints about its search, in the form
// of the protocol in force, and the xboard analysis status line.
#pragma once

#include "board/position.h"

namespace tarrock {

// The xboard "stat01" line, answered to "." during an analysis.
void PrintAnalysisStatus(const Position& pos);

}  // namespace tarrock
