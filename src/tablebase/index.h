// Position indexing of the tablebase files: the king-pair numbers, the
// placement tables of the six piece kinds, the base offsets per king pair and
// the one family of index functions that every material class uses. Each
// function folds the squares by the board's symmetries, numbers the two kings,
// places the other men by enumeration and puts en-passant positions behind the
// ordinary ones, so that the byte offsets match the Nalimov file layout.
#pragma once

#include <cstdint>

#include "board/position.h"
#include "tablebase/classes.h"

namespace tarrock {

// The index function of class id for side (0 White, 1 Black to move); the
// class table holds one instance per class and side.
uint32_t TbComputeIndex(int id, int side, const int* whiteRole, const int* blackRole, int epSquare, int invert);
template <int Id, int Side>
uint32_t TbIndex(const int* whiteRole, const int* blackRole, int epSquare, int invert) {
  return TbComputeIndex(Id, Side, whiteRole, blackRole, epSquare, invert);
}

// What an index function returns for men it cannot place (two kings next to
// each other, a piece giving contact check to the king not to move): larger
// than every file length.
constexpr uint32_t TbNoIndex = 0xFFFFFFFFu;

// The number of indices the enumeration of the class spans for the side:
// the file length, or a little more where the file stops early because its
// last indices belong only to impossible positions. 0 for an unknown id.
uint64_t TbRegionSize(int id, int side);

// Material of a class read from its name: the stronger side's pieces (one or
// two, strongest first) and the other side's piece, as piece types 1..5
// (pawn .. queen), 0 for none.
struct TbMaterial {
  int white[2];
  int whiteCount;
  int black;  // 0 for a bare king
  bool pawns;
};
TbMaterial TbClassMaterial(int id);

// The piece lists of the position as the index functions take them, one per
// colour (slots 0-2 pawns .. 12-14 queens in ascending squares, 15 the king),
// and the men of each kind, counts[colour * 5 + type - 1] for pawn .. queen.
// False when a colour has more than three men of a kind: no class holds that.
bool TbPieceLists(const Position& pos, int lists[2][16], int counts[10]);

}  // namespace tarrock
