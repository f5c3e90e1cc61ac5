// The recursive alpha-beta search below the root with its staged move picker,
// killer and history tables, principal-variation bookkeeping and repetition
// test, and the quiescence search that resolves captures below the horizon.
#pragma once

#include <cstdint>
#include <utility>

#include "board/position.h"

namespace tarrock {

int Search(Position& pos, int depth, int ply, int alpha, int beta, int allowNull);

// A pawn step onto the mover's seventh rank (the search extends it).
inline bool pawnToSeventh(Move move) {
  const int piece = movePiece(move);
  return (piece == WhitePawn && rankOf(moveTo(move)) == 6) || (piece == BlackPawn && rankOf(moveTo(move)) == 1);
}
int Quiesce(Position& pos, int ply, int alpha, int beta);

// With futileQuiets, the quiet moves are dropped unmade when each of them is
// illegal or one the futility test drops (see PickerState).
Move StartMovePicker(Position& pos, int ply, bool futileQuiets = false);
Move PickNextMove(Position& pos, int ply);
// Resets the ply-0 move list (for the root list and the legality test).
void ResetRootPicker(Position& pos);

void UpdatePv(Position& pos, Move move, int ply);
void RecordGoodMove(Position& pos, Move move, int depth, int ply);
bool IsRepetition(const Position& pos);
bool IsThreefold(const Position& pos);
void ClearSearchTables(Position& pos);
// Clears the killers and divides every history counter by 256.
void AgeSearchTables(Position& pos);

// Selection sort, highest key first: for each position i from the last down
// to the second, the first of the smallest keys among positions 0..i moves to
// i (position i stays when no earlier key is strictly smaller). The move
// picker, the quiescence search and the root list all sort this way, so that
// ties fall the same way everywhere.
template <class KeyAt, class Swap>
void SelectionSortDescending(int count, KeyAt keyAt, Swap swap) {
  for (int i = count - 1; i >= 1; --i) {
    int smallest = i;
    int32_t key = keyAt(i);
    for (int j = 0; j < i; ++j)
      if (keyAt(j) < key) {
        key = keyAt(j);
        smallest = j;
      }
    if (smallest != i) swap(smallest, i);
  }
}

// Sorts moves[0..count) with their keys[0..count), highest key first.
void SortMoves(Move* moves, int32_t* keys, int count);

// Plays and takes back the search's null move.
void MakeNullMove(Position& pos);
void UnmakeNullMove(Position& pos);

}  // namespace tarrock
