#include <gtest/gtest.h>

#include "board/attacks.h"
#include "board/fen.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "core/output.h"
#include "board_test_util.h"
#include "test_support.h"

#include <string>

using namespace tarrock;

namespace {

struct AttacksTest : ::testing::Test {
  Position* pos = nullptr;
  void SetUp() override {
    testutil::initEngineTables();
    pos = NewPosition();
    newGame(*pos);
  }
  void TearDown() override { FreePosition(pos); }
  void setup(const char* fen) { ASSERT_TRUE(setupFromFen(*pos, fen)) << fen; }
};

}  // namespace

TEST_F(AttacksTest, AttackersOfSeesNoXRays) {
  setup("4k3/8/8/8/8/8/4Q3/4R1K1 w - -");
  EXPECT_EQ(attackersOf(*pos, E4, White), bit(E2));
  EXPECT_EQ(attackersOf(*pos, E4, Black), 0u);
}

TEST_F(AttacksTest, AttackersOfCollectsEveryKind) {
  // d5 is attacked by the pawns c4 and e4, knights b6 and f4, bishop a8, rook
  // d1 (through the empty file), queen h5 along the rank and the king on e6.
  setup("B7/8/1N2K3/7Q/2P1PN2/8/8/3R3k w - -");
  EXPECT_EQ(attackersOf(*pos, D5, White), bit(C4) | bit(E4) | bit(B6) | bit(F4) | bit(A8) | bit(D1) |
                                             bit(H5) | bit(E6));
  // Black pawns attack downward: e5 and c5 attack d4; a black pawn on d5 does not.
  setup("4k3/8/8/2ppp3/8/8/8/4K3 w - -");
  EXPECT_EQ(attackersOf(*pos, D4, Black), bit(C5) | bit(E5));
}

TEST_F(AttacksTest, IsAttackedAndInCheck) {
  setup("4k3/8/8/8/8/8/8/R3K3 b - -");
  EXPECT_EQ(isAttackedByBlack(*pos, E8), 1);  // the king's own square counts
  EXPECT_EQ(isAttackedByBlack(*pos, F7), 1);
  EXPECT_EQ(isAttackedByBlack(*pos, F6), 0);
  EXPECT_EQ(isAttackedByWhite(*pos, A8), 1);
  EXPECT_EQ(isAttackedByWhite(*pos, B2), 0);
  EXPECT_EQ(inCheck(*pos, Black), 0);
  setup("R3k3/8/8/8/8/8/8/4K3 b - -");
  EXPECT_EQ(inCheck(*pos, Black), 1);
  EXPECT_EQ(inCheck(*pos, White), 0);
  setup("4k3/8/8/8/8/8/3p4/4K3 w - -");
  EXPECT_EQ(inCheck(*pos, White), 1);
  setup("4k3/8/8/8/8/8/4p3/4K3 w - -");
  EXPECT_EQ(inCheck(*pos, White), 0);
  setup("4k3/8/8/8/8/5n2/8/4K3 w - -");
  EXPECT_EQ(inCheck(*pos, White), 1);
  setup("4k3/8/8/b7/8/8/8/4K3 w - -");
  EXPECT_EQ(inCheck(*pos, White), 1);
  setup("4k3/8/8/b7/8/2P5/8/4K3 w - -");
  EXPECT_EQ(inCheck(*pos, White), 0);
}

namespace {

// Every move of the positions within `depth` plies: the tests after a move
// must agree with the full test whenever their condition holds (the mover's
// king was not attacked before, for the exposure test; neither king was, for
// the check test). Returns the number of moves compared.
int compareMoveTests(Position& pos, int depth, const std::string& fen) {
  const Colour mover = pos.sideToMove;
  const bool moverInCheck = inCheck(pos, mover), otherInCheck = inCheck(pos, mover ^ 1);
  Move moves[MaxMoves];
  const int count = moverInCheck ? generateEvasions(pos, moves) : generateAll(pos, moves);
  int compared = 0;
  for (int i = 0; i < count; ++i) {
    const Move m = moves[i];
    makeMove(pos, m);
    const int exposed = inCheck(pos, mover);
    if (!moverInCheck) {
      EXPECT_EQ(moveExposedKing(pos, m, mover), exposed) << fen << " " << testutil::coordinate(m);
      if (!otherInCheck) {
        EXPECT_EQ(moveGaveCheck(pos, m, mover), inCheck(pos, mover ^ 1)) << fen << " " << testutil::coordinate(m);
      }
      ++compared;
    }
    if (!exposed && depth > 1) compared += compareMoveTests(pos, depth - 1, fen);
    unmakeMove(pos, m);
  }
  return compared;
}

}  // namespace

TEST_F(AttacksTest, TestsAfterAMoveAgreeWithTheFullTest) {
  // Discovered checks and pins on every line, en passant opening a rank,
  // checks by promotion to each piece, castling with a checking rook, a king
  // missing from the board, and the perft suite's positions.
  std::vector<std::string> fens = {
      "4k3/8/8/8/8/8/4B3/K3R3 w - -",           "4k3/8/2b5/8/4N3/8/8/K6B w - -",
      "8/8/8/K2pP2r/8/8/8/7k w - d6",           "k7/8/8/1K1pP2r/8/8/8/8 w - d6",
      "K7/8/8/3pP3/8/8/6b1/7k w - d6",          "k7/8/8/3pP3/8/8/6B1/7K w - d6",
      "r3k3/1P6/8/8/8/8/8/4K3 w - -",           "3k4/1P6/8/8/8/8/8/4K3 w - -",
      "5k2/8/8/8/8/8/8/4K2R w K -",             "8/8/8/8/8/2k5/8/R3K3 w Q -",
      "8/8/8/3q4/8/8/3R4/8 w - -",              "3r4/8/8/8/8/8/3Q4/3K4 w - -",
      "4k3/4r3/8/8/4B3/8/8/4K3 w - -",          "7k/8/8/3b4/8/1N6/8/K7 w - -"};
  for (const std::string& line : testutil::dataLines("perftsuite.epd")) fens.push_back(line.substr(0, line.find(';')));
  int compared = 0;
  for (const std::string& fen : fens) {
    newGame(*pos);
    ASSERT_TRUE(setupFromFen(*pos, fen.c_str())) << fen;
    compared += compareMoveTests(*pos, 3, fen);
  }
  EXPECT_GT(compared, 100000);
}

TEST_F(AttacksTest, PositionFaultNamesWhatCannotBePlayed) {
  struct Case {
    const char* fen;
    const char* fault;  // null: the position can be played
  };
  const Case cases[] = {
      {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -", nullptr},
      {"4k3/8/8/8/8/8/8/R3K3 b - -", nullptr},  // the side to move may be in check
      {"rnbrR3/8/8/8/8/8/8/8 w - -", "no white king"},
      {"4k3/8/8/8/8/8/8/8 w - -", "no white king"},
      {"8/8/8/8/8/8/8/4K3 b - -", "no black king"},
      {"4k3/8/8/8/8/8/8/3KK3 w - -", "more than one white king"},
      {"4k2k/8/8/8/8/8/8/4K3 w - -", "more than one black king"},
      {"2k5/pp5p/2p3q1/6BP/2nPr1Q1/8/PP3R1K/8 w - -", "the side not to move is in check"},
      {"4k3/8/8/8/8/8/8/R3K3 w - -", nullptr},
      {"R3k3/8/8/8/8/8/8/4K3 w - -", "the side not to move is in check"},
  };
  for (const Case& c : cases) {
    setupFromFen(*pos, c.fen);
    const char* fault = positionFault(*pos);
    if (!c.fault) EXPECT_EQ(fault, nullptr) << c.fen << ": " << fault;
    else EXPECT_STREQ(fault, c.fault) << c.fen;
  }
}
