// The board-editing dialogue ("edit"): reads its own lines until ".",
// placing and removing men and setting castling rights, then makes the
// Position consistent again. The side to move is left as it was.
#pragma once

#include "board/position.h"

namespace tarrock {

void EditMode(Position& pos);

}  // namespace tarrock
