// Pawn structure: the values, passed pawns and weak files of each colour,
// the root side's penalty for keeping all pawns, the race of pure pawn
// endings and the sizing of the pawn-structure table. Expected values are
// worked out by hand from the rules.
#include <gtest/gtest.h>

#include "board/fen.h"
#include "core/output.h"
#include "eval/evaluate.h"
#include "eval/params.h"
#include "eval/pawns.h"
#include "eval_test_util.h"
#include "test_support.h"

using namespace tarrock;

namespace {

using testutil::FullAlpha;
using testutil::FullBeta;

using PawnsTest = testutil::EvalFixture;

}  // namespace

TEST_F(PawnsTest, PawnStructureValuesAndFields) {
  struct Case {
    const char* fen;
    int white, black;
    Bitboard passedWhite, passedBlack;
    int weakWhite, weakBlack;
  } cases[] = {
      // Isolated d-pawns facing each other: half the isolated penalty.
      {"4k3/8/3p4/8/3P4/8/8/4K3 w - -", 3, -3, 0, 0, 8, 8},
      // Free d-file ahead: full isolated penalty, and a passed pawn.
      {"4k3/p7/8/8/3P4/8/8/4K3 w - -", 25, 11, bit(D4), bit(A7), 8, 1},
      // Doubled isolated pawns: 5 + 4 each, and two isolated pawns cost 2.
      {"4k3/8/8/8/8/3P4/3P4/4K3 w - -", -27, 0, bit(D3), 0, 8, 0},
      // d3 is backward (c5 guards d4); e4 is a defended passer.
      {"4k3/8/8/2p5/4P3/3P4/8/4K3 w - -", 38, -6, bit(E4), 0, 8, 4},
  };
  evalState.rootSide = Black;
  for (const Case& c : cases) {
    setup(c.fen);
    PawnEntry entry{};
    int phase = GamePhase(*pos);
    EXPECT_EQ(EvaluatePawns(*pos, White, phase, entry), c.white) << c.fen;
    EXPECT_EQ(EvaluatePawns(*pos, Black, phase, entry), c.black) << c.fen;
    EXPECT_EQ(entry.passed[White], c.passedWhite) << c.fen;
    EXPECT_EQ(entry.passed[Black], c.passedBlack) << c.fen;
    EXPECT_EQ(entry.weakFiles[White], c.weakWhite) << c.fen;
    EXPECT_EQ(entry.weakFiles[Black], c.weakBlack) << c.fen;
  }

  // A pawn on c2 is held back by a black pawn on b7.
  PawnEntry entry{};
  setup("4k3/pp6/8/8/8/8/PPP5/4K3 w - -");
  EvaluatePawns(*pos, White, 3, entry);
  EXPECT_EQ(entry.passed[White], 0u);
  setup("4k3/p7/8/8/8/8/PPP5/4K3 w - -");
  EvaluatePawns(*pos, White, 3, entry);
  EXPECT_EQ(entry.passed[White], bit(C2));
  EXPECT_EQ(entry.pawnFiles[White], 7);
}

TEST_F(PawnsTest, AllPawnsKeptCostsOnlyTheRootSide) {
  setup("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -");
  PawnEntry entry{};
  evalState.rootSide = White;
  int whiteAsRoot = EvaluatePawns(*pos, White, 0, entry), blackNotRoot = EvaluatePawns(*pos, Black, 0, entry);
  evalState.rootSide = Black;
  EXPECT_EQ(EvaluatePawns(*pos, White, 0, entry), whiteAsRoot + AllPawnsKept);
  EXPECT_EQ(EvaluatePawns(*pos, Black, 0, entry), blackNotRoot - AllPawnsKept);
}

TEST_F(PawnsTest, PawnRace) {
  struct Case {
    const char* fen;
    int value;
  } cases[] = {
      {"7k/8/8/8/8/8/P7/4K3 w - -", (970 - 500) / 2},  // a2 needs 5 moves
      {"7k/8/8/8/8/8/P7/4K3 b - -", (970 - 500) / 2},
      {"7k/8/8/8/8/K7/P7/8 w - -", (970 - 600) / 2},   // its own king in the way
      {"7k/8/8/P7/8/7p/8/K7 w - -", -50},              // Black queens one move earlier
      {"7k/8/8/P7/8/7p/8/K7 b - -", -(770 / 2)},
      {"7k/8/P7/8/8/7p/8/K7 w - -", 50},               // equal race, the side to move first
      {"7k/8/P7/8/8/7p/8/K7 b - -", -50},
      {"k7/2K5/1P6/8/8/8/8/8 w - -", (970 - 200) / 2}, // escorted by its king
      {"k7/8/1P6/8/8/8/8/4K3 w - -", 0},               // caught
  };
  evalState.rootSide = White;
  for (const Case& c : cases) {
    setup(c.fen);
    PawnEntry entry{};
    EvaluatePawns(*pos, White, 3, entry);
    EvaluatePawns(*pos, Black, 3, entry);
    EXPECT_EQ(PawnRace(*pos, entry), c.value) << c.fen;
  }
}

TEST_F(PawnsTest, PawnTableSizing) {
  SetPawnTableEntries(1000);
  AllocatePawnTable();
  EXPECT_EQ(pawnTable.count, 512u);
  SetPawnTableEntries(0);
  AllocatePawnTable();
  EXPECT_EQ(pawnTable.count, 1u);
  // A table of one entry still evaluates correctly.
  evalState.rootSide = White;
  EXPECT_EQ(evaluate("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -"), -20);
  SetPawnTableEntries(DefaultPawnEntries);
  AllocatePawnTable();
  EXPECT_EQ(pawnTable.count, DefaultPawnEntries);
}
