#include "board/makemove.h"

namespace tarrock {

// Placeholder until the incremental version lands.
void makeMove(Position&, Move) {}
void unmakeMove(Position&, Move) {}

}  // namespace tarrock
