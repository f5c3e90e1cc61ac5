#include "frontend/edit.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board/fen.h"
#include "board/print.h"
#include "core/output.h"
#include "core/state.h"
#include "frontend/input.h"

namespace tarrock {

namespace {

struct CastleEdit {
  const char* text;
  uint32_t right;
  bool set;
};

constexpr CastleEdit CastleEdits[] = {
    {"+w00", WhiteShort, true},  {"+w000", WhiteLong, true},  {"-w00", WhiteShort, false},
    {"-w000", WhiteLong, false}, {"+b00", BlackShort, true},  {"+b000", BlackLong, true},
    {"-b00", BlackShort, false}, {"-b000", BlackLong, false},
};

int placementType(char c) {
  switch (c) {
    case 'P': case 'p': return Pawn;
    case 'N': case 'n': return Knight;
    case 'B': case 'b': return Bishop;
    case 'R': case 'r': return Rook;
    case 'Q': case 'q': return Queen;
    case 'K': case 'k': return King;
    case 'X': case 'x': return 0;
    default: return -1;
  }
}

}  // namespace

void EditMode(Position& pos) {
  pos.epStack[pos.epTop] = 0;
  pos.game->count = 0;
  pos.castleStack[pos.castleTop] = 15;
  Colour colour = White;
  char line[64];
  for (;;) {
    if (frontend.protocolMode != Xboard) {
      std::printf("Edit> ");
      std::fflush(stdout);
    }
    if (!ReadInputLine(line, sizeof line)) {
      // End of input: leave a consistent Position behind all the same.
      finishSetup(pos);
      return;
    }
    TrimLineEnd(line);  // a carriage return before the newline is no part of the command
    if (std::strcmp(line, ".") == 0) break;
    if (std::strcmp(line, "#") == 0) {
      std::memset(pos.board, 0, sizeof pos.board);
      continue;
    }
    if (std::strcmp(line, "c") == 0) {
      colour = Black;
      continue;
    }
    bool castleEdit = false;
    for (const CastleEdit& edit : CastleEdits)
      if (std::strcmp(line, edit.text) == 0) {
        uint32_t& rights = pos.castleStack[pos.castleTop];
        rights = edit.set ? (rights | edit.right) : (rights & ~edit.right);
        castleEdit = true;
      }
    if (castleEdit) continue;
    int type = placementType(line[0]);
    if (type >= 0) {
      char file = line[1], rank = file ? line[2] : '\0';
      if (file < 'a' || file > 'h' || rank < '1' || rank > '8') {
        std::printf("Edit outside board\n");
        std::fflush(stdout);
        CloseLog();
        std::exit(1);
      }
      pos.board[(rank - '1') * 8 + (file - 'a')] = type ? makePiece(colour, type) : 0;
      continue;
    }
    std::printf("Uknown edit command\n");
    std::fflush(stdout);
  }
  finishSetup(pos);
  PrintBoard(pos);
}

}  // namespace tarrock
