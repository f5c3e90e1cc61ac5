// Board tables built once at start-up and read-only afterwards: single-square
// and line masks, the fixed attack sets of knights, kings and pawns, the
// sliding attack sets indexed by square and a 6-bit occupancy pattern of the
// line (taken from the rotated occupancy sets of the Position), the mobility
// counts of those sets, the eight rays, the step between two squares on a
// line, the squares strictly between them, the castling paths and the fixed
// piece values used by the search and the exchange evaluation.
#pragma once

#include <cstdint>

#include "board/types.h"

namespace tarrock {

// A line's occupancy index holds the six squares after the line's first
// one: the first and the last square of a line end every walk along it
// whether they are occupied or not, so they never change an attack set.
constexpr int LineIndexCount = 64;

struct BoardTables {
  Bitboard squareMask[64];
  Bitboard darkSquares;   // a1 is dark
  Bitboard lightSquares;
  Bitboard fileMask[64];  // every square of the square's file
  Bitboard rankMask[64];  // every square of the square's rank

  Bitboard knightAttacks[64];
  Bitboard kingAttacks[64];
  Bitboard whitePawnAttacks[64];  // squares a white pawn on the square attacks
  Bitboard blackPawnAttacks[64];

  // Sliding attacks by square and occupancy index of the line (see the
  // index functions below). Blocking squares are included.
  Bitboard rankAttacks[64][LineIndexCount];
  Bitboard fileAttacks[64][LineIndexCount];
  Bitboard diagA1H8Attacks[64][LineIndexCount];
  Bitboard diagH1A8Attacks[64][LineIndexCount];
  // Bit index in occupiedDiagA1H8 / occupiedDiagH1A8 of the lowest square of
  // the square's diagonal.
  uint8_t diagShiftA1H8[64];
  uint8_t diagShiftH1A8[64];
  // The square's bit in each rotated occupancy set (occupiedFiles,
  // occupiedDiagA1H8, occupiedDiagH1A8), so that a move updates them with
  // one load per set.
  struct RotatedBits {
    Bitboard files, diagA1H8, diagH1A8;
  } rotatedBits[64];

  // Squares a bishop and a rook on the square reach on an empty board.
  Bitboard diagonalReach[64];
  Bitboard straightReach[64];

  // Squares in the sliding sets: one per square on ranks and files, two per
  // square on diagonals.
  int8_t rankMobility[64][LineIndexCount];
  int8_t fileMobility[64][LineIndexCount];
  int8_t diagA1H8Mobility[64][LineIndexCount];
  int8_t diagH1A8Mobility[64][LineIndexCount];

  // Squares reached from the square by repeating one step to the board edge
  // (north = higher rank, east = higher file).
  Bitboard northRay[64], southRay[64], eastRay[64], westRay[64];
  Bitboard northEastRay[64], northWestRay[64], southEastRay[64], southWestRay[64];

  // Step (+-1, +-7, +-8, +-9) leading from the first square toward the
  // second along their common line; 0 when they share none or are equal.
  int8_t direction[64][64];
  // Squares strictly between two squares on a common line; empty otherwise.
  Bitboard between[64][64];

  Bitboard castleShortPath[2];  // f1 g1 / f8 g8
  Bitboard castleLongPath[2];   // b1 c1 d1 / b8 c8 d8

  // Fixed values by piece code (pawn 100 .. queen 1000, king 10000), distinct
  // from the adjustable material values of the evaluation.
  int32_t pieceValue[39];
};

extern BoardTables boardTables;

// The occupancy index of the line through s, from the matching occupancy
// set (the plain one for ranks, the rotated ones for files and diagonals).
inline int rankLineIndex(Bitboard occupied, Square s) { return int(occupied >> ((s & 56) + 1)) & 63; }
inline int fileLineIndex(Bitboard files, Square s) { return int(files >> (((s & 7) << 3) + 1)) & 63; }
// Two shifts: the one-square diagonal at bit 63 would otherwise need a
// shift by 64.
inline int diagA1H8LineIndex(Bitboard diagonals, Square s) {
  return int((diagonals >> boardTables.diagShiftA1H8[s]) >> 1) & 63;
}
inline int diagH1A8LineIndex(Bitboard diagonals, Square s) {
  return int((diagonals >> boardTables.diagShiftH1A8[s]) >> 1) & 63;
}

// Builds every table above (and the square maps of the rotated sets first).
void initBoardTables();

}  // namespace tarrock
