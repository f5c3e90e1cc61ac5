// Move generation for the side to move, in three kinds: captures (with every
// promotion), non-captures (with castling) and check evasions. Captures and
// non-captures are pseudo-legal; evasions leave out what the generator can see
// to be illegal. The order in which each generator writes its moves is fixed,
// because the search's move ordering keeps equal scores in that order. Also
// the cheap validity test of a stored move and the pin test.
#pragma once

#include "board/position.h"

namespace tarrock {

// Room every caller gives a move list.
constexpr int MaxMoves = 256;

// Each writes the moves to the array and returns their number.
int generateCaptures(const Position& pos, Move* moves);
int generateNonCaptures(const Position& pos, Move* moves);
// Only for a side to move that is in check.
int generateEvasions(const Position& pos, Move* moves);
// Captures followed by non-captures.
int generateAll(const Position& pos, Move* moves);

// Number of legal moves; 0 for mate and stalemate.
int countLegalMoves(Position& pos);

// 1 when a Move stored elsewhere (hash table, killer slot, outside text) can
// be made here without corrupting the Position: the man, the captured man,
// the geometry, the promotion and castling conditions all fit the board, and
// the move does not take a king. King safety is not tested.
int isMoveValid(const Position& pos, Move move);

// 1 when the man on `from` shields the king on `king` from an enemy slider
// on the far side. The enemy is the colour opposite the man on `from`.
int isPinned(const Position& pos, Square from, Square king);

// 1 when the Position's en-passant square can be taken on: on the right rank
// for the side to move, empty, with an enemy pawn directly behind it. A FEN
// may name any square; only such a square produces en-passant captures.
int hasRealEnPassant(const Position& pos);

}  // namespace tarrock
