// The book probe: every legal move is weighed by the book record of the
// position it leads to (draws plus twice the mover's wins, scaled by the
// learning factor, the annotation and the last learned result), one move is
// drawn at random in proportion to the weights, and a table of the weighted
// candidates is printed.
#pragma once

#include <cstdint>

#include "board/position.h"
#include "book/bookfile.h"

namespace tarrock {

// The chosen book move, or 0; the Position is unchanged on return. Nothing is
// printed when no book is open or the side to move has no legal move.
Move BookProbe(Position& pos);

// The weight of a move whose record is entry; mover is the colour that
// played the move. Prints "corrupted book file" for an unknown last result.
int32_t BookMoveWeight(const BookEntry& entry, Colour mover);
// The first candidate whose running sum of weights exceeds r.
int ChooseBookCandidate(const int32_t* weights, int count, uint64_t r);

}  // namespace tarrock
