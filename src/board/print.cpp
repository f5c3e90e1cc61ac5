#include "board/print.h"

#include "board/fen.h"
#include "core/output.h"

namespace tarrock {

BoardHooks boardHooks;

void PrintBoard(const Position& pos) {
  if (!boardHooks.drawDiagram) return;
  PrintRouted([](FILE* stream, const void* what) { boardHooks.drawDiagram(stream, *static_cast<const Position*>(what)); },
              &pos);
}

void PrintPositionLine(const Position& pos) {
  PrintRouted([](FILE* stream, const void* what) { writeFen(stream, *static_cast<const Position*>(what)); }, &pos);
}

}  // namespace tarrock
