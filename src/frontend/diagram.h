// The ASCII board diagram printed for a person at the console, for the log,
// after a refused move, after edit mode and on "display".
#pragma once

#include <cstdio>

#include "board/position.h"

namespace tarrock {

// Writes the diagram and flushes; nothing when diagrams are switched off.
void DrawDiagram(FILE* stream, const Position& pos);

}  // namespace tarrock
