#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "board/fen.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "board/position.h"
#include "core/output.h"
#include "core/state.h"
#include "eval/pawns.h"
#include "search/root.h"
#include "search/search.h"
#include "search/state.h"
#include "search/thinking.h"
#include "search/timecontrol.h"
#include "search/tt.h"
#include "test_support.h"

using namespace tarrock;

namespace {

class SearchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testutil::initSearchTables();
    pos = NewPosition();
    newGame(*pos);
  }
  void TearDown() override {
    FreePosition(pos);
    frontend.showOutput = 1;
    search.maxSearchDepth = 768;
  }
  // Searches the FEN to a fixed depth with no time limit; returns the score.
  int think(const char* fen, int plies) {
    newGame(*pos);
    setupFromFen(*pos, fen);
    ClearHashTable();
    ClearSearchTables(*pos);
    search.maxSearchDepth = plies * 12;
    search.lastScore = 0;
    timeControl.allocatedTime = timeControl.maximumTime = INT32_MAX;
    timeControl.fixedMoveTime = 0;
    return Think(*pos);
  }
  std::string best() { return moveToSan(*pos, pos->pv[0][0]); }
  Position* pos = nullptr;
};

}  // namespace

TEST_F(SearchTest, FindsMateInOneAndTwo) {
  EXPECT_EQ(think("6k1/5ppp/8/8/8/8/8/R5K1 w - -", 3), 32766);
  EXPECT_EQ(best(), "Ra8#");
  // Mate in two: 1. Re8+ Rxe8 2. Rxe8#.
  EXPECT_EQ(think("2r3k1/5ppp/8/8/8/8/4RPPP/4R1K1 w - -", 5), 32767 - 3);
  EXPECT_EQ(best(), "Re8+");
}

TEST_F(SearchTest, StalemateAndMateAtTheRoot) {
  // Neither search loops: both end at once with an empty root list.
  think("7k/5Q2/6K1/8/8/8/8/8 b - -", 3);
  EXPECT_EQ(pos->rootCount, 0);
  EXPECT_EQ(RootSearch(*pos, 15, -32767, 32767), 0);
  think("R6k/6pp/8/8/8/8/8/6K1 b - -", 3);
  EXPECT_EQ(pos->rootCount, 0);
  EXPECT_EQ(RootSearch(*pos, 15, -32767, 32767), -32767);
}

TEST_F(SearchTest, SelectionSortLeavesTiesTheSameWay) {
  Move moves[4] = {1, 2, 3, 4};
  int32_t keys[4] = {1, 2, 2, 0};
  SortMoves(moves, keys, 4);
  EXPECT_EQ(moves[0], 3u);
  EXPECT_EQ(moves[1], 2u);
  EXPECT_EQ(moves[2], 1u);
  EXPECT_EQ(moves[3], 4u);
}

TEST_F(SearchTest, MoveSortMatchesTheSharedSelectionSort) {
  // Lists with few distinct keys (many ties) and negative keys, of every
  // length a move list has: the move sort leaves them exactly as the
  // selection sort the root list uses.
  uint32_t seed = 12345;
  auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
  for (int trial = 0; trial < 2000; ++trial) {
    const int count = int(next() >> 16) % 230;
    const int spread = 1 + int(next() >> 16) % 6;
    Move moves[230], expectedMoves[230];
    int32_t keys[230], expectedKeys[230];
    for (int i = 0; i < count; ++i) {
      moves[i] = expectedMoves[i] = Move(i + 1);
      keys[i] = expectedKeys[i] = int32_t((next() >> 16) % spread) - 2;
    }
    SelectionSortDescending(
        count, [&](int i) { return expectedKeys[i]; },
        [&](int a, int b) {
          std::swap(expectedMoves[a], expectedMoves[b]);
          std::swap(expectedKeys[a], expectedKeys[b]);
        });
    SortMoves(moves, keys, count);
    for (int i = 0; i < count; ++i) {
      ASSERT_EQ(moves[i], expectedMoves[i]) << "trial " << trial << " index " << i;
      ASSERT_EQ(keys[i], expectedKeys[i]) << "trial " << trial << " index " << i;
    }
  }
}

TEST_F(SearchTest, RepetitionAndThreefold) {
  const char* cycle[] = {"Nf3", "Nf6", "Ng1", "Ng8"};
  for (const char* san : cycle) makeMove(*pos, parseMove(*pos, san));
  EXPECT_TRUE(IsRepetition(*pos));
  EXPECT_FALSE(IsThreefold(*pos));
  for (int round = 0; round < 2; ++round)
    for (const char* san : cycle) makeMove(*pos, parseMove(*pos, san));
  // The initial position now stands for the fourth time: three earlier ones.
  EXPECT_TRUE(IsThreefold(*pos));
}

TEST_F(SearchTest, QuiescenceGivesUpWhenAQueenCannotCatchUp) {
  setupFromFen(*pos, "4k3/8/8/8/8/8/qqq5/4K3 w - -");
  search.qsDepth = 0;
  search.qsDepthLimit = 5;
  uint64_t before = search.nodes;
  EXPECT_EQ(Quiesce(*pos, 1, 500, 501), 500);
  EXPECT_EQ(search.nodes, before + 1);
}

TEST(TimeControlTest, AllocationCases) {
  testutil::initEngineTables();
  Position* pos = NewPosition();
  newGame(*pos);
  frontend.showOutput = 0;
  struct Case {
    int timeLeft, movesPerControl, movesPlayed, increment, fixed;
    int allocated, maximum;
  };
  const Case cases[] = {
      {60000, 0, 0, 0, 0, 2400, 14400},        // sudden death, 600 s
      {60000, 40, 20, 0, 0, 2000, 12000},      // 10 whole moves played: 30 to go
      {60000, 40, 80, 0, 0, 1500, 9000},       // 40 played: the next control, 40 to go
      {499, 0, 0, 0, 0, 5, 30},                // 19 halved twice is 4, held at 5
      {199, 40, 0, 0, 0, 5, 30},               // halved three times
      {60000, 0, 0, 2, 0, 2550, 15300},        // increment 2 s adds 150
      {60000, 0, 0, 0, 500, 500, 500},         // fixed time per move wins
      // Absurd increments from "level": no overflow, no negative share
      // wrapped into a huge one.
      {60000, 40, 0, INT32_MAX, 0, 30000, 30000},  // held at half the clock
      {60000, 40, 0, -100, 0, 5, 30},              // negative: held at 5
      {60000, 0, 0, -100, 0, 5, 30},
  };
  for (const Case& c : cases) {
    frontend.timeLeft = c.timeLeft;
    timeControl.movesPerControl = c.movesPerControl;
    timeControl.movesToGo = 0;
    timeControl.increment[White] = c.increment;
    timeControl.fixedMoveTime = c.fixed;
    pos->game->count = c.movesPlayed;
    AllocateTime(*pos, White);
    EXPECT_EQ(timeControl.allocatedTime, c.allocated) << c.timeLeft << " " << c.movesPlayed;
    EXPECT_EQ(timeControl.maximumTime, c.maximum) << c.timeLeft << " " << c.movesPlayed;
  }
  timeControl = TimeControl();
  frontend.timeLeft = 30000;
  frontend.showOutput = 1;
  FreePosition(pos);
}

TEST(ThinkingOutput, TimeAndScoreTexts) {
  struct TimeCase { uint32_t t; const char* text; };
  for (TimeCase c : {TimeCase{0, "0.00"}, TimeCase{5999, "59.99"}, TimeCase{6000, "1:00"},
                     TimeCase{12345, "2:03"}})
    EXPECT_STREQ(FormatTime(0, c.t), c.text);
  struct ScoreCase { int score; const char* text; };
  for (ScoreCase c : {ScoreCase{32764, "#02"}, ScoreCase{-32764, "-#02"}, ScoreCase{32766, "#01"},
                      ScoreCase{150, "1.50"}, ScoreCase{-5, "-0.05"}, ScoreCase{0, "0.00"}})
    EXPECT_STREQ(FormatScore(c.score), c.text);
}

TEST(Bench, SignatureIsTheSameOnEveryRun) {
  auto signature = []() {
    testutil::RunResult r = testutil::runProgram(TARROCK_BENCH_BINARY, {"bench", "4"}, "", "");
    EXPECT_EQ(r.status, 0) << r.err;
    size_t at = r.out.find("Nodes searched: ");
    EXPECT_NE(at, std::string::npos) << r.out;
    return at == std::string::npos ? std::string() : r.out.substr(at, r.out.find('\n', at) - at);
  };
  std::string first = signature();
  EXPECT_FALSE(first.empty());
  EXPECT_EQ(signature(), first);
}

// The bench's node counts, best moves and signature are those recorded in
// tests/data/bench.txt: work on speed may change only the rate line.
TEST(Bench, OutputEqualsTheRecordedRun) {
  testutil::RunResult r = testutil::runProgram(TARROCK_BENCH_BINARY, {"bench"}, "", "");
  ASSERT_EQ(r.status, 0) << r.err;
  std::vector<std::string> expected = testutil::dataLines("bench.txt");
  std::vector<std::string> actual;
  std::istringstream lines(r.out);
  for (std::string line; std::getline(lines, line);)
    if (line.rfind("Nodes/second:", 0) != 0) actual.push_back(line);
  ASSERT_EQ(actual.size(), expected.size()) << r.out;
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(actual[i], expected[i]) << "line " << i + 1;
}

namespace {

// What PrintWrappedLine writes, caught through the log in xboard mode (where
// console lines reach only the log).
std::string wrappedLine(Position& pos, const Move* moves, int count, bool numbers) {
  FILE* log = std::tmpfile();
  LogState saved = logState;
  ProtocolMode mode = frontend.protocolMode;
  logState.logFile = log;
  frontend.protocolMode = Xboard;
  frontend.showOutput = 1;
  PrintWrappedLine(pos, moves, count, numbers);
  logState = saved;
  frontend.protocolMode = mode;
  return testutil::drainStream(log);
}

}  // namespace

TEST_F(SearchTest, PvLinesWrapAfterFortyNineCharacters) {
  const char* sans[] = {"e4", "e5", "Nf3", "Nc6", "Bb5", "a6", "Ba4", "Nf6", "O-O", "Be7", "Re1", "b5", "Bb3", "d6", "c3", "O-O"};
  Move line[16];
  for (int i = 0; i < 16; ++i) {
    line[i] = parseMove(*pos, sans[i]);
    makeMove(*pos, line[i]);
  }
  for (int i = 15; i >= 0; --i) unmakeMove(*pos, line[i]);
  const std::string indent = "\n" + std::string(24, ' ');

  frontend.moveNumbers = 0;
  EXPECT_EQ(wrappedLine(*pos, line, 16, true),
            " e4 e5 Nf3 Nc6 Bb5 a6 Ba4 Nf6 O-O Be7 Re1 b5 Bb3 d6" + indent + " c3 O-O");
  frontend.moveNumbers = 1;
  EXPECT_EQ(wrappedLine(*pos, line, 16, true),
            " 1. e4 e5 2. Nf3 Nc6 3. Bb5 a6 4. Ba4 Nf6 5. O-O Be7" + indent + " 6. Re1 b5 7. Bb3 d6 8. c3 O-O");
  // Black to move first: the line opens with the number and "...".
  makeMove(*pos, line[0]);
  EXPECT_EQ(wrappedLine(*pos, line + 1, 3, true), " 1. ... e5 2. Nf3 Nc6");
  frontend.moveNumbers = 0;
  EXPECT_EQ(wrappedLine(*pos, line + 1, 3, true), " ... e5 Nf3 Nc6");
  EXPECT_EQ(wrappedLine(*pos, line + 1, 3, false), " e5 Nf3 Nc6");
  unmakeMove(*pos, line[0]);
}

TEST_F(SearchTest, SingleLegalMoveStopsAfterTheThirdIteration) {
  // Black's king on a8 has only Kb8 (a7 and b7 are covered); a drawn ending.
  think("k7/8/1K6/8/8/8/8/8 b - -", 64);
  EXPECT_EQ(pos->rootCount, 1);
  EXPECT_EQ(search.iterationDepth, 48);  // the loop stepped past 36 and stopped
}

TEST_F(SearchTest, KingAndRookMateInTwo) {
  EXPECT_EQ(think("k7/8/2K5/8/8/8/8/7R w - -", 5), 32764);
}

TEST_F(SearchTest, NodeLimitEndsTheSearchWithAMove) {
  // A deep search of the opening stops at the budget and still has a move.
  search.nodeLimit = 5000;
  think("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -", 64);
  const uint64_t nodes = search.nodes;
  search.nodeLimit = 0;
  EXPECT_GE(nodes, 5000u);
  EXPECT_LT(nodes, 5100u);
  EXPECT_LT(search.iterationDepth, 64 * 12);
  EXPECT_NE(pos->pv[0][0], 0u);
}

TEST_F(SearchTest, NoMoveIsLegalAndNothingIsSearchedOnABoardThatCannotBePlayed) {
  struct Case {
    const char* fen;
    const char* move;  // a move the picker would offer there
  };
  const Case cases[] = {
      {"rnbrR3/8/8/8/8/8/8/8 w - -", "Re7"},                              // no kings
      {"2k5/pp5p/2p3q1/6BP/2nPr1Q1/8/PP3R1K/8 w - -", "Qxc8"},           // the king can be taken
      {"2k5/pp5p/2p3q1/6BP/2nPr1Q1/8/PP3R1K/8 w - -", "Kg1"},
  };
  for (const Case& c : cases) {
    setupFromFen(*pos, c.fen);
    Move m = parseMove(*pos, c.move);
    EXPECT_EQ(isLegalMove(*pos, m), 0) << c.fen << " " << c.move;
    pos->pvLength[0] = 3;
    EXPECT_EQ(think(c.fen, 3), 0) << c.fen;
    EXPECT_EQ(pos->pvLength[0], 0) << c.fen;
    EXPECT_EQ(pos->pv[0][0], 0u) << c.fen;
    EXPECT_EQ(ThinkMultiPv(*pos, 3), 0) << c.fen;
    EXPECT_EQ(pos->pv[0][0], 0u) << c.fen;
  }
  setupFromFen(*pos, "2k5/pp5p/2p3q1/6BP/2nPr1Q1/8/PP3R1K/8 b - -");  // Black to move, in check
  EXPECT_EQ(isLegalMove(*pos, parseMove(*pos, "Kb8")), 1);
}

namespace {

// What a call writes to standard output (where the UCI lines go).
template <class Call>
std::string printedBy(Call call) {
  std::fflush(stdout);
  FILE* caught = std::tmpfile();
  const int saved = dup(1);
  dup2(fileno(caught), 1);
  call();
  std::fflush(stdout);
  dup2(saved, 1);
  close(saved);
  return testutil::drainStream(caught);
}

}  // namespace

TEST_F(SearchTest, MultiPvLinesReplayLegallyAtEveryDepthAndWidth) {
  // Once a line was built from a child search that had not written one (a
  // fail low, or a quiescence child whose stand-pat did not raise alpha), and
  // the process ended with "Invalid pv move".
  const char* fens[] = {
      "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -",
      "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R4RK1 b kq -",
      "rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq -",
      "2r1r2k/1q3ppp/p2Rp3/2p1P3/6QB/p3P3/bP3PPP/3R2K1 w - -",
      "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -",
      "8/P6k/8/8/8/8/6p1/K7 w - -",
      "6k1/5ppp/8/8/8/8/8/R5K1 w - -",
      "4k3/8/8/8/8/8/3q4/4K3 w - -",  // in check, one reply
      "R6k/6pp/8/8/8/8/8/6K1 b - -",  // mated: no line, and no best move left over
      "7k/5Q2/6K1/8/8/8/8/8 b - -",   // stalemated
  };
  const ProtocolMode mode = frontend.protocolMode;
  frontend.protocolMode = Uci;
  frontend.showOutput = 1;
  for (const char* fen : fens) {
    for (int lines = 1; lines <= 5; ++lines) {
      newGame(*pos);
      setupFromFen(*pos, fen);
      ClearHashTable();
      ClearSearchTables(*pos);
      search.maxSearchDepth = 6 * 12;
      timeControl.allocatedTime = timeControl.maximumTime = INT32_MAX;
      const std::string out = printedBy([&] { ThinkMultiPv(*pos, lines); });
      const int legal = countLegalMoves(*pos);
      std::set<int> deepest;  // the lines shown at depth 6
      std::istringstream text(out);
      for (std::string line; std::getline(text, line);) {
        if (line.rfind("info multipv ", 0) != 0) continue;
        std::istringstream words(line);
        std::string word;
        int index = 0, depth = 0;
        words >> word >> word >> index >> word >> depth;
        EXPECT_LE(index, lines) << fen;
        if (depth == 6) deepest.insert(index);
        const size_t at = line.find(" pv ");
        ASSERT_NE(at, std::string::npos) << line;
        std::istringstream moves(line.substr(at + 4));
        std::vector<Move> made;
        for (std::string m; moves >> m;) {
          Move move = parseMove(*pos, m.c_str());
          ASSERT_EQ(isLegalMove(*pos, move), 1) << fen << " N=" << lines << ": " << line << " at " << m;
          makeMove(*pos, move);
          made.push_back(move);
        }
        EXPECT_FALSE(made.empty()) << line;
        while (!made.empty()) {
          unmakeMove(*pos, made.back());
          made.pop_back();
        }
      }
      EXPECT_EQ(int(deepest.size()), std::min(lines, legal)) << fen << " N=" << lines << "\n" << out;
      if (legal > 0) EXPECT_EQ(isLegalMove(*pos, pos->pv[0][0]), 1) << fen << " N=" << lines;
      else EXPECT_EQ(pos->pv[0][0], 0u) << fen;
    }
  }
  frontend.protocolMode = mode;
  frontend.showOutput = 0;
}

TEST_F(SearchTest, StorePvInHashProbesEveryPositionOfTheLine) {
  const Move e4 = parseMove(*pos, "e4");
  makeMove(*pos, e4);
  const Move e5 = parseMove(*pos, "e5"), c5 = parseMove(*pos, "c5");
  // After e4 the table holds another move, stored by a node with a threat.
  pos->threat[1] = 1;
  StoreHash(*pos, c5, 24, 1, 0, UpperBound);
  unmakeMove(*pos, e4);

  pos->pv[0][0] = e4;
  pos->pv[0][1] = e5;
  pos->pvLength[0] = 2;
  pos->threat[1] = 0;  // left over from elsewhere
  const uint32_t probes = transTable.probes;
  StorePvInHash(*pos);
  EXPECT_EQ(transTable.probes, probes + 2);

  // The line's move replaces c5, and the threat flag the probe read goes
  // back with it rather than the stale one.
  makeMove(*pos, e4);
  int alpha = -32767, beta = 32767;
  ProbeHash(*pos, 768, 1, alpha, beta);
  EXPECT_EQ(pos->hashMove[1], e5);
  EXPECT_EQ(pos->threat[1], 1);
  unmakeMove(*pos, e4);
}

namespace {

// At the end of the third iteration the clock runs out for the next one:
// its first root move is cut off at its first poll.
int iterationsSeen = 0;
void stopInTheNextPass() {
  if (++iterationsSeen != 3) return;
  timeControl.allocatedTime = timeControl.maximumTime = 0;
  search.pollCountdown = 0;
}

}  // namespace

TEST_F(SearchTest, InterruptedPassIsNoFailLow) {
  iterationsSeen = 0;
  search.testSuiteRunning = true;
  search.suiteIterationEnd = stopInTheNextPass;
  think("r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq -", 10);
  search.testSuiteRunning = false;
  search.suiteIterationEnd = nullptr;
  EXPECT_EQ(iterationsSeen, 4);  // the interrupted pass ends an iteration too
  EXPECT_EQ(search.iterationDepth, 60);
  // Flag 2: the first move failed low; an interrupted pass sets no flag.
  EXPECT_EQ(pos->rootList[0].flags & 3u, 0u);
  EXPECT_NE(pos->pv[0][0], 0u);
}
