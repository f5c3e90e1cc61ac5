// Printing a Position through the output routes: the board diagram (drawn by
// the front end's diagram routine, installed at start-up) and the FEN line.
// Both go to the screen in console mode and to the log, nowhere with "-q".
#pragma once

#include <cstdio>

#include "board/position.h"

namespace tarrock {

struct BoardHooks {
  // Draws the diagram of a Position on a stream; no diagram while unset.
  void (*drawDiagram)(FILE* stream, const Position& pos) = nullptr;
};
extern BoardHooks boardHooks;

void PrintBoard(const Position& pos);
void PrintPositionLine(const Position& pos);

}  // namespace tarrock
