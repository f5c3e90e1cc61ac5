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

}  // namespace tarrock
