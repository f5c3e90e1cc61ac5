// Static exchange evaluation: the material outcome of a capture sequence on
// one square, both sides recapturing with their least valuable man while it
// pays, worked out on local copies of the occupancy without making moves.
// Values are the fixed piece values of the board tables (pawn 100 .. king
// 10000).
#pragma once

#include "board/position.h"

namespace tarrock {

// Expected gain for the side of the man on `from` when it goes to `to`;
// 32767 when a king stands on `to`. The Position is only read.
int staticExchange(const Position& pos, Square from, Square to);

// Square of the colour's cheapest man attacking s among those still in
// `occupied` (the king included, when it stands on its square), 64 when
// there is none. Within one kind White takes the lowest square, Black the
// highest. Every man found leaves `occupied` in the exchange, so the
// exchange ends whatever the position, even one without kings.
Square leastValuableAttacker(const Position& pos, Square s, Colour colour);

}  // namespace tarrock
