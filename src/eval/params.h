// Every number the static evaluation uses. The evaluation variables (piece
// values behind the material sums and the king-safety weight, in
// board/material.h because make/unmake keeps the sums) are writable: the play
// levels overwrite them at run time and everything else reads them. The named
// weights and the colour-free short tables are compile-time
// constants. The tables given per colour (short rank tables and square tables)
// are listed here once, from White's point of view with the eighth rank first,
// in namespace `source`; InitEvalTables (eval/evaltables.h) turns them into
// the per-colour copies that the evaluation reads.
#pragma once

#include <cstdint>

#include "board/material.h"

namespace tarrock {


// Named weights, in centipawns.
constexpr int RookOpenFile = 35;
constexpr int RookOpenFileDoubled = 5;  // another rook of the colour ahead on the open file
constexpr int RookHalfOpenFile = 5;
constexpr int RookHalfOpenWeakPawn = 5;
constexpr int RookOnSeventh = 32;
constexpr int MajorsOnSeventhExtra = 10;
constexpr int RookSeventhEndgame = 20;
constexpr int RookBehindPasser = 20;
constexpr int RookTrapped = 50;
constexpr int KnightOutpostFactor = 5;
constexpr int BishopOutpostFactor = 2;
constexpr int BadBishopPawn = 5;
constexpr int BishopTrapped = 110;
constexpr int Fianchetto = 3;
constexpr int MinorMajority = 140;
constexpr int PawnDuo = 1;
constexpr int DoubledPawn = 5;
constexpr int DoubledIsolatedExtra = 4;
constexpr int BackwardBase = 0;
constexpr int SafeAdvance = 1;
constexpr int DefendedPasser = 5;
constexpr int PawnEndingPasser = 70;
constexpr int Backward0 = 6;
constexpr int Backward1 = 12;
constexpr int Backward2 = 13;
constexpr int AllPawnsKept = 20;
constexpr int PawnEndingOutside = 60;
constexpr int KingHole = 20;
constexpr int KingWingPawnEnding = 140;
// Passed pawns on both wings in the endgame (pawn structure).
constexpr int PassersOnBothWings = 50;
// The side ahead in an ending of opposite bishops with one rook each.
constexpr int OppositeBishopsRookEnding = 70;

// By game phase 0..3.
inline constexpr int OutsidePasser[4] = {10, 10, 20, 35};

// Colour-free short tables.
inline constexpr int isolatedByFile[8] = {10, 12, 14, 16, 16, 14, 12, 10};
inline constexpr int isolatedCountPenalty[9] = {0, 0, 2, 8, 22, 36, 41, 46, 0};
// By the number of pawns on the board, 0..16: 40 - 2n.
inline constexpr int bishopPairBonus[17] = {40, 38, 36, 34, 32, 30, 28, 26, 24,
                                            22, 20, 18, 16, 14, 12, 10, 8};
// By king distance (rook: file distance) from the enemy king.
inline constexpr int knightTropism[8] = {0, 3, 3, 2, 1, 0, 0, 0};
inline constexpr int bishopTropism[8] = {0, 3, 3, 2, 1, 0, 0, 0};
inline constexpr int queenTropism[8] = {0, 8, 7, 4, 2, 1, 0, 0};
inline constexpr int rookFileTropism[8] = {4, 3, 2, 0, 0, 0, 0, 0};
// Scale of a tropism sum 0..63 (larger sums use the last entry).
inline constexpr int kingAttackScale[64] = {
    0,  1,  2,  3,  5,  8,  10, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 23, 24, 25, 26, 27,
    28, 29, 30, 32, 33, 34, 34, 34, 34, 34, 34, 34, 34, 34, 34, 34, 34, 34, 34, 34, 34, 34,
    34, 34, 34, 34, 34, 34, 34, 34, 34, 34, 34, 34, 34, 34, 34, 34, 34, 34, 34, 34};

// White's rows of the tables kept per colour; Black's entry for rank r is
// White's entry for rank 7 - r, and Black's square value on s is the grid
// entry for s where White's is the entry for s XOR 56.
namespace source {

// By phase and rank.
inline constexpr int passedBonus[4][8] = {
    {0, 10, 10, 30, 50, 80, 120, 0},
    {0, 10, 10, 30, 50, 80, 120, 0},
    {0, 20, 20, 30, 50, 90, 140, 0},
    {0, 20, 20, 30, 60, 100, 140, 0},
};
// By rank (the same in every phase).
inline constexpr int blockedPasser[8] = {0, 10, 10, 15, 30, 50, 70, 0};
inline constexpr int unstoppablePasser[8] = {0, 14, 14, 22, 30, 40, 54, 0};
inline constexpr int kingSupportsPasser[8] = {0, 0, 0, 0, 0, 50, 100, 0};
inline constexpr int connectedPasser[8] = {0, 0, 0, 10, 20, 30, 40, 0};

// Square tables, eighth rank first; phase-indexed ones have four layers.
extern const int8_t pstPawn[4][64];
extern const int8_t pstKnight[64];
extern const int8_t pstBishop[64];
extern const int8_t pstRook[4][64];
extern const int8_t pstQueen[4][64];
extern const int8_t pstKing[4][64];
extern const int8_t kingEndgameKingside[64];
extern const int8_t kingEndgameQueenside[64];
extern const int8_t kingEndgameCentre[64];
extern const int8_t kingShelterBase[64];
extern const int8_t outpostValue[64];

}  // namespace source

}  // namespace tarrock
