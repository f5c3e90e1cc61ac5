// Learning from a finished game: the book records of the positions the
// engine's own moves led to gain 10% of learning factor and the mark "won"
// after a win, lose 10% and get the mark "lost" after a loss (held between
// 0.25 and 4.0); draws, missing results and games against much stronger or
// weaker opponents change nothing.
#pragma once

#include "board/position.h"

namespace tarrock {

// engineColour is the side the engine played. The Position holds the final
// position of the game, and holds it again on return.
void BookLearn(Position& pos, Colour engineColour);

}  // namespace tarrock
