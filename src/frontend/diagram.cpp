#include "frontend/diagram.h"

#include "core/state.h"

namespace tarrock {

namespace {

const char* cellText(int code) {
  static const char* const white[7] = {"   |", " P |", " N |", " B |", " R |", " Q |", " K |"};
  static const char* const black[7] = {"   |", " *p|", " *n|", " *b|", " *r|", " *q|", " *k|"};
  int type = pieceType(code);
  if (type > 6) type = 0;
  return isBlackPiece(code) ? black[type] : white[type];
}

}  // namespace

void DrawDiagram(FILE* stream, const Position& pos) {
  if (!frontend.printDiagram) return;
  static const char frame[] = "      +---+---+---+---+---+---+---+---+\n";
  std::fprintf(stream, "(%d) %s to move:\n", (pos.game->count + 1) / 2,
               pos.sideToMove == White ? "White" : "Black");
  std::fputs(frame, stream);
  for (int rank = 7; rank >= 0; --rank) {
    std::fprintf(stream, "    %d |", rank + 1);
    for (int file = 0; file < 8; ++file) std::fputs(cellText(pos.board[rank * 8 + file]), stream);
    std::fputs("\n", stream);
    std::fputs(frame, stream);
  }
  std::fputs("        a   b   c   d   e   f   g   h\n\n", stream);
  std::fflush(stream);
}

}  // namespace tarrock
