// Thinking on the opponent's time: after its move the engine guesses the
// reply, plays it on the board and searches on as if it were its own turn;
// when the guess comes true and the ponder search ran long enough, its result
// is played at once.
#pragma once

#include <cstdint>

#include "board/position.h"

namespace tarrock {

struct PonderState {
  Move ponderReply = 0;  // the ponder search's own expected reply
  int ponderScore = 0;
  uint32_t ponderTime = 0;
};
extern PonderState ponderState;

void Ponder(Position& pos);
// True when the ponder search's move is played without a new search.
bool UsePonderResult(Position& pos);

}  // namespace tarrock
