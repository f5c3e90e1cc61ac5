// The evaluation: game phase, king shelter, the endgame draw rules, whole
// positions worked out term by term, the lazy exit and its margin, and the
// pawn-structure table as the evaluation uses it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "board/fen.h"
#include "core/output.h"
#include "eval/evaltables.h"
#include "eval/evaluate.h"
#include "eval/params.h"
#include "eval/pawns.h"
#include "eval_test_util.h"
#include "test_support.h"

using namespace tarrock;

namespace {

using testutil::FullAlpha;
using testutil::FullBeta;

using EvalTest = testutil::EvalFixture;

}  // namespace

TEST_F(EvalTest, GamePhaseFollowsUnitsAndMaterial) {
  struct Case {
    const char* fen;
    int phase;
  } cases[] = {
      {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -", 0},
      {"r2qk2r/pppppp2/8/8/8/8/PPPPPP2/R2QK2R w KQkq -", 1},       // 2570 each
      {"r2qk2r/8/8/8/8/8/8/R2QK2R w KQkq -", 2},                   // 1970 each
      {"rn1qk2r/pppppppp/8/8/8/8/PPPPPPPP/4K3 w - -", 2},          // one side low, 23 units
      {"1n2k2r/pppppppp/8/8/8/8/PPPPPPPP/3QK2R w - -", 2},         // 23 units
      {"1n2k1n1/pppppppp/8/8/8/8/PPPPPPPP/3QK2R w - -", 3},        // 21 units
  };
  for (const Case& c : cases) {
    setup(c.fen);
    EXPECT_EQ(GamePhase(*pos), c.phase) << c.fen;
  }
}

TEST_F(EvalTest, KingShelterCountsMissingShieldAndOpenCentre) {
  setup("4k3/8/8/8/8/6P1/5P1P/6K1 w - -");
  KingShelterResult sh = KingShelter(*pos);
  // White: g1 base 0, g-pawn on g3 costs 4. Black: e8 base 8, d- and e-pawns
  // missing with the enemy king on a wing, 4 x 8.
  EXPECT_EQ(sh.shelter[White], 4);
  EXPECT_EQ(sh.shelter[Black], 40);
  EXPECT_EQ(sh.value, (40 - 4) * 4);
}

TEST_F(EvalTest, InitialPositionIsMinusTwentyForTheRootSide) {
  evalState.rootSide = White;
  EXPECT_EQ(evaluate("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -"), -20);
  EXPECT_EQ(GamePhase(*pos), 0);
}

TEST_F(EvalTest, EndgameDrawRules) {
  struct Case {
    const char* fen;
    bool draw;
  } cases[] = {
      {"8/8/4k3/8/8/8/8/4K3 w - -", true},
      {"8/8/4k3/8/8/2n5/8/2B1K3 w - -", true},     // equal minor pieces
      {"8/8/4k3/8/8/8/8/1N2K3 b - -", true},       // lone knight
      {"8/8/4k3/8/3pp3/8/8/2B1K3 w - -", true},    // bishop against two pawns
      {"8/8/4k3/8/2ppp3/8/8/2B1K3 w - -", false},  // three pawns
      {"r7/8/4k3/8/4P3/8/8/R3K3 w - -", true},     // defending king in front of the pawn
      {"r7/8/3k4/8/4P3/8/8/R3K3 w - -", false},    // on the next file
      {"k7/8/8/8/P7/8/8/2B1K3 w - -", true},       // wrong bishop
      {"8/1k6/8/8/P7/8/8/2B1K3 b - -", true},
      {"k7/8/8/8/P7/8/8/3BK3 w - -", false},       // the right bishop
      {"8/k7/8/8/P7/8/8/4K3 w - -", true},         // rook pawn, king in front
      {"8/8/8/8/P7/8/k7/4K3 w - -", false},
  };
  evalState.rootSide = White;
  for (const Case& c : cases) {
    int value = evaluate(c.fen);
    if (c.draw)
      EXPECT_EQ(value, 0) << c.fen;
    else
      EXPECT_NE(value, 0) << c.fen;
  }
}

TEST_F(EvalTest, PawnEndingWithOutsidePasser) {
  // White a5 and e4 against e5: outside pawn flag bit 0 (60 in the pawn
  // ending, 35 more as an outside passer). Worked out term by term:
  // material 100, centre king tables 0, pawn structure 56 - 2, passer 70,
  // outside 60, race (970 - 300) / 2, outside passer 35, unstoppable 30.
  evalState.rootSide = White;
  int value = evaluate("8/8/4k3/P3p3/4P3/4K3/8/8 w - -");
  EXPECT_EQ(evalTables.outsidePawnFlags[0x11][0x10] & 1, 1);
  EXPECT_EQ(value, 100 + 54 + 70 + 60 + 335 + 35 + 30);
}

TEST_F(EvalTest, HandWorkedPositions) {
  struct Case {
    const char* fen;
    int value;
  } cases[] = {
      // Phase 2. Material 1270, pawns 6 - 4, rook on d7: 5 + 7 mobility + 3
      // square + 35 open file + 32 seventh; knight 6 (no outpost: f7 covers
      // it); black rook 13 + 35; king safety: shelter 0 / 4 (g6), weighted
      // 16 x 23 / 256 = 1, plus queen-doubled 2 x 23 x 8 / 256 = 1.
      {"r5k1/3R1p1p/6p1/4N3/8/8/5PPP/3Q2K1 w - -", 1270 + 2 + 82 + 6 - 48 + 1 + 1},
      // Phase 2. Material -170, pawns 64 - 6, outside passer 20, minor
      // majority 140; rook h1 2, knight outpost d6 8 + 30 + 15 + 15, bishop
      // g2 2 + 4 + 14; black rook 10 + 35; trapped rook -50, fianchetto 3;
      // shelter 4 / 0: -16 x 26 / 256 = -1.
      {"r2q2k1/5ppp/3N4/2P1P3/8/6P1/5PBP/6KR w - -", -170 + 58 + 20 + 140 + 2 + 68 + 20 - 45 - 50 + 3 - 1},
      // Phase 3. Material 400, centre king tables 20 + 30, pawns 127 - 9,
      // outside flags both ways, minor majority 140; rook b1 12 + 20 behind
      // the passer, bishop e3 18; black rook 13 + 35; b6 unstoppable 40,
      // supported by the king 50, rook behind 20; bad bishop 2 x 5.
      {"r5k1/6p1/1PK5/8/3P4/4B3/8/1R6 w - -", 400 + 50 + 118 + 140 + 32 + 18 - 48 + 110 - 10},
  };
  evalState.rootSide = White;
  for (const Case& c : cases) EXPECT_EQ(evaluate(c.fen), c.value) << c.fen;
}

TEST_F(EvalTest, LazyExitReturnsTheBoundAndKeepsTheMargin) {
  setup("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -");
  evalState.rootSide = White;
  // The cheap part is -20 (the root side's pawn penalty), the margin 100.
  EXPECT_EQ(Evaluate(*pos, 5000, 6000), 5000);
  EXPECT_EQ(Evaluate(*pos, -6000, -5000), -5000);
  EXPECT_EQ(Evaluate(*pos, 80, 200), 80);
  EXPECT_EQ(Evaluate(*pos, 79, 200), -20);
  EXPECT_EQ(Evaluate(*pos, -300, -120), -120);
  EXPECT_EQ(Evaluate(*pos, -300, -119), -20);
  EXPECT_EQ(evalState.lazyMargin, 100);
}

TEST_F(EvalTest, LazyMarginGrowsToTheLargestPieceSwing) {
  evalState.rootSide = White;
  // Two rooks on the seventh rank and open files: far more than 100.
  int full = evaluate("6k1/RR3ppp/8/8/8/8/5PPP/6K1 w - -");
  int margin = evalState.lazyMargin;
  EXPECT_GT(margin, 100);
  EXPECT_GT(full, 1000);
  // A quiet position does not lower the margin, nor does a smaller swing.
  evaluate("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -");
  EXPECT_EQ(evalState.lazyMargin, margin);
  evalState.lazyMargin = 5000;
  evaluate("6k1/RR3ppp/8/8/8/8/5PPP/6K1 w - -");
  EXPECT_EQ(evalState.lazyMargin, 5000);
}

TEST_F(EvalTest, SecondCallHitsThePawnTable) {
  evalState.rootSide = White;
  int first = evaluate("r1bqkb1r/pp3ppp/2n2n2/3pp3/3P4/2N1PN2/PP3PPP/R1BQKB1R w KQkq -");
  HashKey key = pos->pawnKey() ^ pawnTable.phaseKeys[GamePhase(*pos)];
  PawnEntry& entry = pawnTable.entries[key & (pawnTable.count - 1)];
  ASSERT_EQ(entry.key, key);
  EXPECT_EQ(Evaluate(*pos, FullAlpha, FullBeta), first);
  // The second call reads the stored value instead of recomputing it.
  entry.score = int16_t(entry.score + 7);
  EXPECT_EQ(Evaluate(*pos, FullAlpha, FullBeta), first + 7);
  ClearPawnTable();
  EXPECT_EQ(Evaluate(*pos, FullAlpha, FullBeta), first);
}

TEST_F(EvalTest, PawnEntriesAreSharedBetweenRootSides) {
  setup("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -");
  evalState.rootSide = White;
  EXPECT_EQ(Evaluate(*pos, FullAlpha, FullBeta), -20);
  evalState.rootSide = Black;
  EXPECT_EQ(Evaluate(*pos, FullAlpha, FullBeta), -20);
  ClearPawnTable();
  EXPECT_EQ(Evaluate(*pos, FullAlpha, FullBeta), 20);
}

TEST_F(EvalTest, CachedShelterEqualsAFreshOne) {
  // Same pawns, kings on other squares: each pair must get its own values.
  // Then a suite pass: values read from a table filled by every other
  // position equal values computed on an empty table.
  std::vector<std::string> fens = {"4k3/8/8/8/8/6P1/5P1P/6K1 w - -", "4k3/8/8/8/8/6P1/5P1P/7K w - -",
                                   "6k1/8/8/8/8/6P1/5P1P/6K1 w - -", "1k6/8/8/8/8/6P1/5P1P/6K1 w - -"};
  std::vector<std::string> suite = testutil::dataLines("sts.epd");
  for (size_t i = 0; i < suite.size() && i < 200; ++i) fens.push_back(suite[i]);
  std::vector<KingShelterResult> fresh;
  for (const std::string& fen : fens) {
    setup(fen.c_str());
    ClearPawnTable();
    fresh.push_back(KingShelter(*pos));
  }
  ClearPawnTable();
  for (int pass = 0; pass < 2; ++pass)
    for (size_t i = 0; i < fens.size(); ++i) {
      setup(fens[i].c_str());
      KingShelterResult cached = KingShelter(*pos);
      EXPECT_EQ(cached.value, fresh[i].value) << fens[i];
      EXPECT_EQ(cached.shelter[White], fresh[i].shelter[White]) << fens[i];
      EXPECT_EQ(cached.shelter[Black], fresh[i].shelter[Black]) << fens[i];
    }
  EXPECT_NE(fresh[0].shelter[White], fresh[1].shelter[White]);
  EXPECT_NE(fresh[0].shelter[Black], fresh[2].shelter[Black]);
}

TEST_F(EvalTest, CachedEvaluationEqualsTheFullOne) {
  // Each suite position under several windows and lazy margins: the value
  // and the raised margin of the cached evaluation, on a miss and on a hit,
  // equal those of the uncached one; a new king-safety weight takes effect
  // once the tables are cleared, as a new play level clears them.
  struct Window {
    int alpha, beta, margin;
  };
  const Window windows[] = {{FullAlpha, FullBeta, InitialLazyMargin}, {-50, 50, InitialLazyMargin}, {-1, 0, 300},
                            {200, 201, 100}};
  std::vector<std::string> suite = testutil::dataLines("sts.epd");
  int full = 0;
  for (size_t i = 0; i < suite.size() && i < 300; ++i) {
    setup(suite[i].c_str());
    for (const Window& w : windows) {
      evalState.lazyMargin = w.margin;
      const int expected = Evaluate(*pos, w.alpha, w.beta);
      const int expectedMargin = evalState.lazyMargin;
      for (int round = 0; round < 2; ++round) {
        evalState.lazyMargin = w.margin;
        EXPECT_EQ(EvaluateCached(*pos, w.alpha, w.beta), expected) << suite[i] << " round " << round;
        EXPECT_EQ(evalState.lazyMargin, expectedMargin) << suite[i] << " round " << round;
      }
      if (expected != w.alpha && expected != w.beta) ++full;
    }
  }
  EXPECT_GT(full, 300);

  setup("r1bq1rk1/pp3ppp/2n2n2/3pp3/3P4/2N1PN2/PP3PPP/R1BQKB1R w KQ -");
  const int before = EvaluateCached(*pos, FullAlpha, FullBeta);
  const int weight = evalVars.kingSafetyWeight;
  evalVars.kingSafetyWeight = weight + 5;
  ClearPawnTable();
  const int after = Evaluate(*pos, FullAlpha, FullBeta);
  EXPECT_NE(after, before);
  EXPECT_EQ(EvaluateCached(*pos, FullAlpha, FullBeta), after);
  evalVars.kingSafetyWeight = weight;
  ClearPawnTable();
}
