// The 110 material classes of the endgame tablebase files: their numbers,
// names, the built-in file lengths for each side to move, and the index
// function that maps a position of the class to its byte in the file. The
// index functions and their enumeration tables live with this table.
#pragma once

#include <cstdint>

namespace tarrock {

constexpr int TbClassCount = 110;
constexpr int TbNoEnPassant = 127;

// The squares of one colour role: slots 0-2 pawns, 3-5 knights, 6-8 bishops,
// 9-11 rooks, 12-14 queens (ascending squares within a kind), 15 the king.
// Unused slots are ignored.
using TbIndexFunction = uint32_t (*)(const int* whiteRole, const int* blackRole, int epSquare, int invert);

struct TbClassInfo {
  int id;
  const char* name;              // up to 7 letters, "kqkr"
  uint32_t length[2];            // file bytes, White / Black to move
  TbIndexFunction index[2];      // White / Black to move
};

// Record 0 ("kk") holds no class; records 1..110 in class-number order.
extern const TbClassInfo tbClassInfo[TbClassCount + 1];

// Builds the king-pair numbers, placement tables and base offsets the index
// functions read; idempotent.
void TbInitIndexing();

}  // namespace tarrock
