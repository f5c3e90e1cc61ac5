#include "eval/evaltables.h"

#include <algorithm>

#include "board/tables.h"
#include "eval/params.h"

namespace tarrock {

EvalTables evalTables;

namespace {

Bitboard filesMask(int first, int last) {
  Bitboard b = 0;
  for (int s = 0; s < 64; ++s)
    if (fileOf(s) >= first && fileOf(s) <= last) b |= bit(s);
  return b;
}

// Squares of file f from rank `from` to rank `to` inclusive (empty if from > to).
Bitboard fileSpan(int f, int from, int to) {
  Bitboard b = 0;
  if (f < 0 || f > 7) return 0;
  for (int r = std::max(from, 0); r <= std::min(to, 7); ++r) b |= bit(makeSquare(f, r));
  return b;
}

void buildPawnMasks(EvalTables& t) {
  for (int s = 0; s < 64; ++s) {
    int f = fileOf(s), r = rankOf(s);
    t.adjacentAhead[s] = fileSpan(f - 1, r + 1, 6) | fileSpan(f + 1, r + 1, 6);
    t.adjacentBehind[s] = fileSpan(f - 1, 1, r - 1) | fileSpan(f + 1, 1, r - 1);
    t.passedMask[White][s] = fileSpan(f - 1, r + 1, 7) | fileSpan(f, r + 1, 7) | fileSpan(f + 1, r + 1, 7);
    t.passedMask[Black][s] = fileSpan(f - 1, 0, r - 1) | fileSpan(f, 0, r - 1) | fileSpan(f + 1, 0, r - 1);
  }
}

// The king squares from which a king cannot reach the promotion square of a
// pawn on s in time. A pawn on its starting rank counts as one rank further
// on (the double step); the side to move gains or loses one tempo.
void buildOutsideSquares(EvalTables& t) {
  for (int s = 0; s < 64; ++s) {
    int f = fileOf(s), r = rankOf(s);
    int whiteQueening = makeSquare(f, 7), blackQueening = makeSquare(f, 0);
    int whiteMoves = r == 1 ? 5 : 7 - r;
    int blackMoves = r == 6 ? 5 : r;
    for (int m = 0; m < 2; ++m) {
      t.outsideSquare[White][m][s] = 0;
      t.outsideSquare[Black][m][s] = 0;
    }
    for (int k = 0; k < 64; ++k) {
      int dw = kingDistance(whiteQueening, k), db = kingDistance(blackQueening, k);
      if (dw > whiteMoves) t.outsideSquare[White][0][s] |= bit(k);
      if (dw - 1 > whiteMoves) t.outsideSquare[White][1][s] |= bit(k);
      if (db - 1 > blackMoves) t.outsideSquare[Black][0][s] |= bit(k);
      if (db > blackMoves) t.outsideSquare[Black][1][s] |= bit(k);
    }
  }
}

int lowestBit(int x) { return __builtin_ctz(unsigned(x)); }
int highestBit(int x) { return 31 - __builtin_clz(unsigned(x)); }

uint8_t outsideFlags(int a, int b) {
  if (a == 0 || b == 0) return 0;
  int flags = 0;
  if (lowestBit(a) + 1 < lowestBit(b)) flags |= 1;
  if (lowestBit(b) + 1 < lowestBit(a)) flags |= 16;
  if (highestBit(b) < highestBit(a) - 1) flags |= 2;
  if (highestBit(a) < highestBit(b) - 1) flags |= 32;
  int both = a | b;
  if ((both & 12) != 12 && (a & 7) && (b & 7)) {
    int wq = __builtin_popcount(unsigned(a & 7)), bq = __builtin_popcount(unsigned(b & 7));
    if (!(flags & 1) && wq > bq) flags |= 4;
    if (!(flags & 16) && bq > wq) flags |= 64;
  }
  if ((both & 48) != 48 && (a & 224) && (b & 224)) {
    int wk = __builtin_popcount(unsigned(a & 224)), bk = __builtin_popcount(unsigned(b & 224));
    if (!(flags & 2) && wk > bk) flags |= 8;
    if (!(flags & 32) && bk > wk) flags |= 128;
  }
  return uint8_t(flags);
}

void buildRookTraps(EvalTables& t) {
  for (Bitboard& b : t.rookTrap) b = 0;
  t.rookTrap[G1] = bit(H1) | bit(H2);
  t.rookTrap[F1] = bit(G1) | bit(H1) | bit(H2);
  t.rookTrap[B1] = bit(A1) | bit(A2);
  t.rookTrap[C1] = bit(A1) | bit(A2) | bit(B1);
  t.rookTrap[G8] = bit(H8) | bit(H7);
  t.rookTrap[F8] = bit(G8) | bit(H8) | bit(H7);
  t.rookTrap[B8] = bit(A8) | bit(A7);
  t.rookTrap[C8] = bit(A8) | bit(A7) | bit(B8);
}

// White reads the grid (eighth rank first) at s XOR 56, Black at s.
void copySquares(int8_t (&to)[2][64], const int8_t (&from)[64]) {
  for (int s = 0; s < 64; ++s) {
    to[White][s] = from[s ^ 56];
    to[Black][s] = from[s];
  }
}

void copyLayers(int8_t (&to)[2][4][64], const int8_t (&from)[4][64]) {
  for (int phase = 0; phase < 4; ++phase)
    for (int s = 0; s < 64; ++s) {
      to[White][phase][s] = from[phase][s ^ 56];
      to[Black][phase][s] = from[phase][s];
    }
}

void copyLayers(int8_t (&to)[2][4][64], const int8_t (&from)[64]) {
  for (int phase = 0; phase < 4; ++phase)
    for (int s = 0; s < 64; ++s) {
      to[White][phase][s] = from[s ^ 56];
      to[Black][phase][s] = from[s];
    }
}

// White's row by rank; Black's entry for rank r is White's for 7 - r.
void copyRanks(int16_t (&to)[2][8], const int (&from)[8]) {
  for (int r = 0; r < 8; ++r) {
    to[White][r] = int16_t(from[r]);
    to[Black][r] = int16_t(from[7 - r]);
  }
}

void buildColourTables(EvalTables& t) {
  copyLayers(t.pstPawn, source::pstPawn);
  copyLayers(t.pstKnight, source::pstKnight);
  copyLayers(t.pstBishop, source::pstBishop);
  copyLayers(t.pstRook, source::pstRook);
  copyLayers(t.pstQueen, source::pstQueen);
  copyLayers(t.pstKing, source::pstKing);
  copySquares(t.kingEndgameKingside, source::kingEndgameKingside);
  copySquares(t.kingEndgameQueenside, source::kingEndgameQueenside);
  copySquares(t.kingEndgameCentre, source::kingEndgameCentre);
  copySquares(t.kingShelterBase, source::kingShelterBase);
  copySquares(t.outpostValue, source::outpostValue);
  for (int phase = 0; phase < 4; ++phase)
    for (int r = 0; r < 8; ++r) {
      t.passedBonus[White][phase][r] = int16_t(source::passedBonus[phase][r]);
      t.passedBonus[Black][phase][r] = int16_t(source::passedBonus[phase][7 - r]);
      t.blockedPasser[White][phase][r] = int16_t(source::blockedPasser[r]);
      t.blockedPasser[Black][phase][r] = int16_t(source::blockedPasser[7 - r]);
    }
  copyRanks(t.unstoppablePasser, source::unstoppablePasser);
  copyRanks(t.kingSupportsPasser, source::kingSupportsPasser);
  copyRanks(t.connectedPasser, source::connectedPasser);
}

}  // namespace

void InitEvalTables() {
  initBoardTables();
  EvalTables& t = evalTables;
  buildPawnMasks(t);
  buildOutsideSquares(t);
  for (int a = 0; a < 64; ++a)
    for (int b = 0; b < 64; ++b) t.distance[a][b] = uint8_t(kingDistance(a, b));
  for (int a = 0; a < 256; ++a)
    for (int b = 0; b < 256; ++b) t.outsidePawnFlags[a][b] = outsideFlags(a, b);
  t.filesAToC = filesMask(0, 2);
  t.filesAToD = filesMask(0, 3);
  t.filesFToH = filesMask(5, 7);
  t.filesEToH = filesMask(4, 7);
  t.innerSecondRank[White] = bit(B2) | bit(C2) | bit(D2) | bit(E2) | bit(F2) | bit(G2);
  t.innerSecondRank[Black] = bit(B7) | bit(C7) | bit(D7) | bit(E7) | bit(F7) | bit(G7);
  buildRookTraps(t);
  buildColourTables(t);
}

}  // namespace tarrock
