// The root of the search: iterative deepening with aspiration windows over
// the list of root moves, the early stops (easy move, recapture, time), the
// principal variation lengthened from and stored back into the hash table,
// and the multi-line analysis of the N best moves.
#pragma once

#include "board/position.h"

namespace tarrock {

void StartSearch(Position& pos);
// Searches the position for the side to move; the best line is left in
// pv[0], the expected reply in search.ponderMove. Returns the score. A
// position that cannot be played (positionFault) is not searched: the line
// is left empty and the score is 0.
int Think(Position& pos);
// The N best root moves, each with its own line; pv[0] gets the best move.
int ThinkMultiPv(Position& pos, int lines);
int RootSearch(Position& pos, int depth, int alpha, int beta);

// Fills the root move list with the legal moves in move-picker order,
// restricted to pos.searchMoves when that list is not empty.
void buildRootList(Position& pos);
// 1 when the move is one the move picker offers here and it leaves the
// mover's king safe; always 0 in a position that cannot be played.
int isLegalMove(Position& pos, Move move);

void ExtendPvFromHash(Position& pos);
void StorePvInHash(Position& pos);
void MoveToFront(Position& pos, int index);
void SortRootMoves(Position& pos);

}  // namespace tarrock
