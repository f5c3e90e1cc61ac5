// Text forms of a Move: coordinate text for the protocols ("e2e4" in UCI,
// "e2-e4" otherwise), standard algebraic notation for people and files
// ("Nbd7", "exd5", "e8=Q+", "O-O"), and one reader that takes either form.
// The two writers return a static buffer that the next call overwrites.
#pragma once

#include "board/position.h"

namespace tarrock {

const char* moveToCoordinate(Move move);

// The Move must belong to the side to move; the Position is left unchanged.
const char* moveToSan(Position& pos, Move move);

// Reads coordinate or SAN text; 0 when the text cannot be turned into a Move.
// The result is not tested for legality. Texts longer than 31 characters are
// refused.
Move parseMove(Position& pos, const char* text);

// Prints the board and "Invalid move: ..." with the coordinate text.
void reportInvalidMove(const Position& pos, Move move);

}  // namespace tarrock
