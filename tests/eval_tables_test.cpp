// The evaluation's start-up tables: derived pawn masks, outside-pawn flags,
// the square of a passed pawn, trapped-rook squares and the per-colour copies
// of the square and rank tables.
#include <gtest/gtest.h>

#include "board/tables.h"
#include "eval/evaltables.h"
#include "eval/params.h"
#include "test_support.h"

using namespace tarrock;

namespace {

using testutil::squares;

}  // namespace

TEST(EvalTables, DerivedTablesEdgeCases) {
  testutil::initEngineTables();
  const EvalTables& t = evalTables;
  EXPECT_EQ(t.outsidePawnFlags[255][255], 0);
  EXPECT_EQ(t.outsidePawnFlags[1][240], 33);
  EXPECT_EQ(t.outsidePawnFlags[0][1], 0);
  // White a- and e-pawns against a black e-pawn: White has the outside pawn.
  EXPECT_EQ(t.outsidePawnFlags[0x11][0x10], 1);
  // Queen-side majority: White a, b against Black a.
  EXPECT_EQ(t.outsidePawnFlags[0x03][0x01], 4);
  // King-side majority for Black, but not when the union holds both e and f.
  EXPECT_EQ(t.outsidePawnFlags[0x80][0xC0], 128);
  EXPECT_EQ(t.outsidePawnFlags[0x90][0xE0], 0);

  // The double step makes a2 as fast as a3: out of reach from more than 5
  // king steps away from a8 with White to move, 6 with Black to move.
  Bitboard far5 = 0, far6 = 0;
  for (Square k = 0; k < 64; ++k) {
    if (kingDistance(k, A8) > 5) far5 |= bit(k);
    if (kingDistance(k, A8) > 6) far6 |= bit(k);
  }
  EXPECT_EQ(t.outsideSquare[White][0][A2], far5);
  EXPECT_EQ(t.outsideSquare[White][1][A2], far6);
  Bitboard farFromH1 = 0;
  for (Square k = 0; k < 64; ++k)
    if (kingDistance(k, H1) > 6) farFromH1 |= bit(k);
  EXPECT_EQ(t.outsideSquare[Black][0][H7], farFromH1);

  EXPECT_EQ(t.passedMask[White][E4], t.passedMask[White][E4] & ~boardTables.rankMask[E4]);
  EXPECT_EQ(t.passedMask[White][A6], squares({A7, A8, B7, B8}));
  EXPECT_EQ(t.passedMask[Black][H3], squares({H2, H1, G2, G1}));
  EXPECT_EQ(t.adjacentAhead[D4], squares({C5, C6, C7, E5, E6, E7}));
  EXPECT_EQ(t.adjacentBehind[D4], squares({C3, C2, E3, E2}));
  EXPECT_EQ(t.rookTrap[F1], squares({G1, H1, H2}));
  EXPECT_EQ(t.rookTrap[C8], squares({A8, A7, B8}));
  EXPECT_EQ(t.rookTrap[E1], 0u);
}

TEST(EvalTables, PerColourTablesReadTheGridFromEachSide) {
  testutil::initEngineTables();
  const EvalTables& t = evalTables;
  // Grids are printed eighth rank first; Black's e7 is White's e2.
  EXPECT_EQ(t.pstKnight[White][0][E2], 2);
  EXPECT_EQ(t.pstKnight[Black][0][E7], 2);
  EXPECT_EQ(t.pstKnight[White][3][A1], -22);
  EXPECT_EQ(t.pstPawn[White][2][D6], 18);
  EXPECT_EQ(t.pstPawn[White][1][D6], 16);
  EXPECT_EQ(t.pstPawn[Black][3][H2], 30);
  EXPECT_EQ(t.pstQueen[White][0][C1], -1);
  EXPECT_EQ(t.pstQueen[White][1][C1], 0);
  EXPECT_EQ(t.pstQueen[White][2][B3], -2);
  EXPECT_EQ(t.pstQueen[White][3][B3], 0);
  EXPECT_EQ(t.pstQueen[Black][3][C7], 2);
  EXPECT_EQ(t.pstKing[White][2][D1], 15);
  EXPECT_EQ(t.pstKing[Black][3][E8], 0);
  EXPECT_EQ(t.kingEndgameKingside[White][H8], -30);
  EXPECT_EQ(t.kingEndgameQueenside[White][A8], -30);
  EXPECT_EQ(t.kingEndgameQueenside[White][C4], 30);
  EXPECT_EQ(t.kingShelterBase[Black][B8], 0);
  EXPECT_EQ(t.outpostValue[White][D6], 3);
  EXPECT_EQ(t.outpostValue[Black][E3], 3);
  EXPECT_EQ(t.passedBonus[White][3][5], 100);
  EXPECT_EQ(t.passedBonus[Black][3][2], 100);
  EXPECT_EQ(t.blockedPasser[Black][0][1], 70);
  EXPECT_EQ(t.kingSupportsPasser[Black][1], 100);
  EXPECT_EQ(boardTables.pieceValue[WhiteQueen], 1000);
  EXPECT_EQ(evalVars.queenValue, 970);
}
