// Start-up tables of the evaluation: the pawn-structure masks derived from
// the geometry of the board (neighbouring files, passed-pawn fronts, the
// square of a passed pawn, outside-pawn flags, wing masks, trapped-rook
// squares) and the per-colour copies of the square and rank tables of
// eval/params.h. InitEvalTables builds the board's tables first, then these;
// it runs once at start-up and everything is read-only afterwards.
#pragma once

#include <cstdint>

#include "board/types.h"

namespace tarrock {

struct EvalTables {
  Bitboard adjacentAhead[64];   // on the files next to s's file, ranks rank(s) + 1 .. 6
  Bitboard adjacentBehind[64];  // on the same files, ranks rank(s) - 1 .. 1
  Bitboard passedMask[2][64];   // the files of s and its neighbours ahead of s, per colour
  // [colour of the pawn][side to move][s]: the king squares outside the
  // pawn's square, from which the king cannot catch the pawn.
  Bitboard outsideSquare[2][2][64];
  Bitboard filesAToC, filesAToD, filesFToH, filesEToH;
  Bitboard innerSecondRank[2];  // b2-g2 for White, b7-g7 for Black
  Bitboard rookTrap[64];        // by king square: where a rook is shut in by its own king

  // Per-colour copies: [colour][phase][square] or [colour][square] or
  // [colour][phase][rank] / [colour][rank].
  int8_t pstPawn[2][4][64];
  int8_t pstKnight[2][4][64];
  int8_t pstBishop[2][4][64];
  int8_t pstRook[2][4][64];
  int8_t pstQueen[2][4][64];
  int8_t pstKing[2][4][64];
  int8_t kingEndgameKingside[2][64];
  int8_t kingEndgameQueenside[2][64];
  int8_t kingEndgameCentre[2][64];
  int8_t kingShelterBase[2][64];
  int8_t outpostValue[2][64];
  int16_t passedBonus[2][4][8];
  int16_t blockedPasser[2][4][8];
  int16_t unstoppablePasser[2][8];
  int16_t kingSupportsPasser[2][8];
  int16_t connectedPasser[2][8];

  uint8_t distance[64][64];  // king steps between two squares

  // By White's and Black's pawn-file sets: bits 0/1 White has a pawn two
  // files nearer the a-/h-file than every black pawn, bits 4/5 the same for
  // Black; bits 2/3 and 6/7 queen- and king-side majorities. Last: large,
  // and only a few of its lines are read in one search.
  uint8_t outsidePawnFlags[256][256];
};

extern EvalTables evalTables;

// Rank counted from the colour's own side: 0 is its first rank, 7 its last.
constexpr int relativeRank(Colour c, Square s) { return c == White ? rankOf(s) : 7 - rankOf(s); }

// The number of king steps between two squares.
constexpr int kingDistance(Square a, Square b) {
  int df = fileOf(a) - fileOf(b), dr = rankOf(a) - rankOf(b);
  df = df < 0 ? -df : df;
  dr = dr < 0 ? -dr : dr;
  return df > dr ? df : dr;
}

// Builds the board tables and then the evaluation tables. Idempotent.
void InitEvalTables();

}  // namespace tarrock
