#include <gtest/gtest.h>

#include "board/attacks.h"
#include "board/fen.h"
#include "board/tables.h"
#include "core/output.h"
#include "test_support.h"

using namespace tarrock;

namespace {

using testutil::squares;

// Squares reached from s by repeated steps until the edge or the first
// occupied square (included).
Bitboard walk(Square s, Bitboard occupied, int fileStep, int rankStep) {
  Bitboard set = 0;
  for (int f = fileOf(s) + fileStep, r = rankOf(s) + rankStep; f >= 0 && f < 8 && r >= 0 && r < 8;
       f += fileStep, r += rankStep) {
    set |= bit(makeSquare(f, r));
    if (occupied & bit(makeSquare(f, r))) break;
  }
  return set;
}

// Sets the occupancy and its three rotated images the way the Position keeps them.
void setOccupancy(Position& pos, Bitboard occupied) {
  pos.occupied = occupied;
  pos.occupiedFiles = pos.occupiedDiagA1H8 = pos.occupiedDiagH1A8 = 0;
  for (Square s = 0; s < 64; ++s)
    if (occupied & bit(s)) {
      pos.occupiedFiles |= bit(squareMaps.mapFiles[s]);
      pos.occupiedDiagA1H8 |= bit(squareMaps.mapDiagA1H8[s]);
      pos.occupiedDiagH1A8 |= bit(squareMaps.mapDiagH1A8[s]);
    }
}

}  // namespace

TEST(BoardTables, SlidingSetsMatchARayWalkForEveryOccupancyPattern) {
  testutil::initEngineTables();
  Position* pos = NewPosition();
  uint64_t state = 0x9E3779B97F4A7C15ull;
  for (int round = 0; round < 3000; ++round) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    // Sparse and dense boards both.
    Bitboard occupied = round % 2 ? state : state & (state >> 21) & (state << 5);
    setOccupancy(*pos, occupied);
    for (Square s = 0; s < 64; ++s) {
      ASSERT_EQ(rankAttackSet(*pos, s), walk(s, occupied, 1, 0) | walk(s, occupied, -1, 0));
      ASSERT_EQ(fileAttackSet(*pos, s), walk(s, occupied, 0, 1) | walk(s, occupied, 0, -1));
      ASSERT_EQ(diagA1H8AttackSet(*pos, s), walk(s, occupied, 1, 1) | walk(s, occupied, -1, -1));
      ASSERT_EQ(diagH1A8AttackSet(*pos, s), walk(s, occupied, -1, 1) | walk(s, occupied, 1, -1));
      ASSERT_EQ(boardTables.rankMobility[s][rankIndex(*pos, s)], popCount(rankAttackSet(*pos, s)));
      ASSERT_EQ(boardTables.diagH1A8Mobility[s][diagH1A8Index(*pos, s)],
                2 * popCount(diagH1A8AttackSet(*pos, s)));
    }
  }
  FreePosition(pos);
}

TEST(BoardTables, LineTablesAtTheCorners) {
  testutil::initEngineTables();
  const BoardTables& t = boardTables;
  EXPECT_EQ(t.rankAttacks[A1][0], squares({B1, C1, D1, E1, F1, G1, H1}));
  EXPECT_EQ(t.fileAttacks[A1][0], squares({A2, A3, A4, A5, A6, A7, A8}));
  for (int x = 0; x < LineIndexCount; ++x) EXPECT_EQ(t.diagA1H8Attacks[H1][x], 0u) << x;
  EXPECT_EQ(t.diagH1A8Attacks[H1][0], squares({G2, F3, E4, D5, C6, B7, A8}));
  EXPECT_EQ(t.rankMobility[A1][0], 7);
  EXPECT_EQ(t.rankMobility[A1][1], 1);  // b1 occupied
  EXPECT_EQ(t.diagA1H8Mobility[A1][0], 14);

  struct Shift { Square s; int a1h8, h1a8; };
  for (Shift c : {Shift{A1, 28, 63}, Shift{B1, 36, 61}, Shift{H1, 63, 28}, Shift{A8, 0, 28},
                  Shift{H8, 28, 0}}) {
    EXPECT_EQ(t.diagShiftA1H8[c.s], c.a1h8) << c.s;
    EXPECT_EQ(t.diagShiftH1A8[c.s], c.h1a8) << c.s;
  }
}

TEST(BoardTables, StepAttacksMasksAndValues) {
  testutil::initEngineTables();
  const BoardTables& t = boardTables;
  EXPECT_EQ(t.knightAttacks[A1], squares({B3, C2}));
  EXPECT_EQ(popCount(t.knightAttacks[D4]), 8);
  EXPECT_EQ(t.kingAttacks[H8], squares({G8, G7, H7}));
  EXPECT_EQ(t.whitePawnAttacks[A2], squares({B3}));
  EXPECT_EQ(t.whitePawnAttacks[E4], squares({D5, F5}));
  EXPECT_EQ(t.whitePawnAttacks[E8], 0u);
  EXPECT_EQ(t.blackPawnAttacks[H7], squares({G6}));
  EXPECT_EQ(t.blackPawnAttacks[E1], 0u);
  EXPECT_EQ(t.fileMask[C5], Bitboard(0x0404040404040404));
  EXPECT_EQ(t.rankMask[C5], Bitboard(0xFF) << 32);
  EXPECT_TRUE(t.darkSquares & bit(A1));
  EXPECT_FALSE(t.darkSquares & bit(H1));
  EXPECT_EQ(t.lightSquares, ~t.darkSquares);
  EXPECT_EQ(popCount(t.darkSquares), 32);
  EXPECT_EQ(t.castleShortPath[White], squares({F1, G1}));
  EXPECT_EQ(t.castleLongPath[Black], squares({B8, C8, D8}));
  EXPECT_EQ(t.pieceValue[WhiteQueen], 1000);
  EXPECT_EQ(t.pieceValue[BlackKing], 10000);
  EXPECT_EQ(t.pieceValue[BlackKnight], 300);
  EXPECT_EQ(t.pieceValue[0], 0);
}

TEST(BoardTables, RaysDirectionAndBetween) {
  testutil::initEngineTables();
  const BoardTables& t = boardTables;
  EXPECT_EQ(t.northRay[E6], squares({E7, E8}));
  EXPECT_EQ(t.westRay[C3], squares({A3, B3}));
  EXPECT_EQ(t.southEastRay[F2], squares({G1}));
  EXPECT_EQ(t.northWestRay[A1], 0u);
  struct Case { Square a, b; int step; Bitboard between; };
  for (Case c : {Case{E1, E8, 8, squares({E2, E3, E4, E5, E6, E7})}, Case{E8, E1, -8, squares({E2, E3, E4, E5, E6, E7})},
                 Case{A1, D4, 9, squares({B2, C3})}, Case{H1, A8, 7, squares({G2, F3, E4, D5, C6, B7})},
                 Case{G7, H6, -7, 0}, Case{C3, A1, -9, squares({B2})}, Case{H4, A4, -1, squares({B4, C4, D4, E4, F4, G4})},
                 Case{A1, B3, 0, 0}, Case{C3, C3, 0, 0}, Case{H1, A2, 0, 0}}) {
    EXPECT_EQ(t.direction[c.a][c.b], c.step) << c.a << " " << c.b;
    EXPECT_EQ(t.between[c.a][c.b], c.between) << c.a << " " << c.b;
  }
}

TEST(BoardTables, EmptyBoardReachAndRotatedBitsOfEverySquare) {
  testutil::initEngineTables();
  const BoardTables& t = boardTables;
  for (Square s = 0; s < 64; ++s) {
    EXPECT_EQ(t.diagonalReach[s],
              walk(s, 0, 1, 1) | walk(s, 0, -1, -1) | walk(s, 0, -1, 1) | walk(s, 0, 1, -1));
    EXPECT_EQ(t.straightReach[s],
              walk(s, 0, 1, 0) | walk(s, 0, -1, 0) | walk(s, 0, 0, 1) | walk(s, 0, 0, -1));
    EXPECT_EQ(t.rotatedBits[s].files, bit(squareMaps.mapFiles[s]));
    EXPECT_EQ(t.rotatedBits[s].diagA1H8, bit(squareMaps.mapDiagA1H8[s]));
    EXPECT_EQ(t.rotatedBits[s].diagH1A8, bit(squareMaps.mapDiagH1A8[s]));
  }
}
