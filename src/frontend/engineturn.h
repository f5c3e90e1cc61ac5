// The engine's turn: detects a game already over (mate, stalemate,
// repetition), tries the opening book, allocates time, uses the ponder result
// or searches, and keeps the counters behind resignation and draw offers.
#pragma once

#include "board/position.h"

namespace tarrock {

void EngineTurn(Position& pos);

// What the main loop does when the engine is to think: analyse, ponder, or
// choose, announce and play its move.
void ThinkStep(Position& pos);

// True, after saying so in the form of the protocol in force, when the
// position cannot be searched: a king missing or one too many, or the side
// not to move in check. The best line is then left empty.
bool RefuseIllegalPosition(Position& pos);

}  // namespace tarrock
