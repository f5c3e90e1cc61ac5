// End-to-end tests of the engine's turn: game-end announcements, repetition,
// resignation and draw offers, played over a pipe in xboard mode.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"

using namespace tarrock::testutil;

namespace {

// An xboard session without pondering, with a shallow depth limit. Lines
// waiting when a turn is due are executed before it, as from a GUI, so each
// "go" waits for the engine's move or a result before the next lines go out.
RunResult xboardSession(const std::string& lines) {
  std::vector<SessionStep> steps;
  std::string pending = "xboard\nprotover 2\nsd 2\n";
  for (size_t at = 0; at < lines.size();) {
    size_t end = lines.find('\n', at);
    end = end == std::string::npos ? lines.size() : end + 1;
    std::string line = lines.substr(at, end - at);
    pending += line;
    at = end;
    if (line == "go\n") {
      steps.push_back({pending, {"move ", "1-0 {", "0-1 {", "1/2-1/2 {"}});
      pending.clear();
    }
  }
  steps.push_back({pending + "quit\n"});
  return runSession({"-e"}, steps);
}

}  // namespace

TEST(GameEnd, MateAndStalemateAreAnnounced) {
  struct Case { const char* fen; const char* line; };
  for (Case c : {Case{"R6k/6pp/8/8/8/8/8/6K1 b - -", "1-0 {White mates}\n"},
                 Case{"6k1/8/8/8/8/8/5PPP/r5K1 w - -", "0-1 {Black mates}\n"},
                 Case{"7k/5Q2/6K1/8/8/8/8/8 b - -", "1/2-1/2 {Stalemate}\n"}}) {
    RunResult r = xboardSession(std::string("force\nsetboard ") + c.fen + "\ngo\n");
    EXPECT_EQ(occurrences(r.out, c.line), 1) << c.fen << "\n" << r.out;
    EXPECT_EQ(occurrences(r.out, "move "), 0) << r.out;
  }
}

TEST(GameEnd, RepetitionOnTheFourthOccurrenceNotTheThird) {
  const std::string cycle = "g1f3\ng8f6\nf3g1\nf6g8\n";
  RunResult third = xboardSession("new\nforce\n" + cycle + cycle + "go\n");
  EXPECT_EQ(occurrences(third.out, "{Drawn by repetition}"), 0) << third.out;
  EXPECT_EQ(occurrences(third.out, "move "), 1) << third.out;
  RunResult fourth = xboardSession("new\nforce\n" + cycle + cycle + cycle + "go\n");
  EXPECT_EQ(occurrences(fourth.out, "1/2-1/2 {Drawn by repetition}\n"), 1) << fourth.out;
  EXPECT_EQ(occurrences(fourth.out, "move "), 0) << fourth.out;
}

TEST(GameEnd, ResignsAfterThreeLosingSearchesWithTimeOnTheOpponentsClock) {
  // White has a lone king against queen and rook: each search is far below
  // the resign threshold, but no mate is in sight at depth 2.
  const std::string lost = "force\nsetboard 1r5k/q7/8/8/4K3/8/8/8 w - -\ngo\n";
  RunResult resigns = xboardSession("otim 300\n" + lost + lost + lost);
  EXPECT_EQ(occurrences(resigns.out, "0-1 {White resigns}\n"), 1) << resigns.out;
  EXPECT_EQ(occurrences(resigns.out, "move "), 2) << resigns.out;
  RunResult playsOn = xboardSession("otim 200\n" + lost + lost + lost);
  EXPECT_EQ(occurrences(playsOn.out, "resigns"), 0) << playsOn.out;
  EXPECT_EQ(occurrences(playsOn.out, "move "), 3) << playsOn.out;
}

TEST(GameEnd, DrawOfferedEveryThirdDrawnSearch) {
  const std::string drawn = "force\nsetboard 8/8/4k3/8/8/4K3/8/8 w - -\ngo\n";
  std::string lines;
  for (int i = 0; i < 6; ++i) lines += drawn;
  RunResult r = xboardSession(lines);
  EXPECT_EQ(occurrences(r.out, "move "), 6) << r.out;
  EXPECT_EQ(occurrences(r.out, "offer draw\n"), 2) << r.out;
  // The offers come after the third and the sixth move.
  size_t third = 0;
  for (int i = 0; i < 3; ++i) third = r.out.find("move ", third + 1);
  EXPECT_LT(r.out.find("offer draw"), r.out.find("move ", third + 1));
}

TEST(IllegalPosition, RefusedWithAMessageInEveryFrontEnd) {
  // Boards without a king, or with the side not to move in check: each once
  // ended the process with a stack overflow in the exchange evaluation.
  const std::string inCheck = "setboard 2k5/pp5p/2p3q1/6BP/2nPr1Q1/8/PP3R1K/8 w - -\n";
  struct Case {
    const char* name;
    std::string input;
    const char* expected;
  };
  const Case cases[] = {
      {"console move", "setboard rnbrR w\ne8e7\ngo\n", "Illegal position: no white king\n"},
      {"console best", "sd 2\nsetboard 8/8/8/8/8/8/8/8 w - -\nbest 3\n", "Illegal position: no white king\n"},
      {"console analyze", "setboard 4k3/8/8/8/8/8/8/8 b - -\nanalyze\nexit\n", "Illegal position: no white king\n"},
      {"xboard go", "xboard\nprotover 2\n" + inCheck + "go\n",
       "tellusererror Illegal position: the side not to move is in check\n"},
      {"xboard capture of the king", "xboard\nforce\n" + inCheck + "g4c8\n", "Illegal move: g4c8\n"},
      {"uci go", "uci\nposition startpos moves e2e4 f7f6 d1h5 g7g5\ngo depth 2\n",
       "info string Illegal position: the side not to move is in check\nbestmove 0000\n"},
      {"uci multipv", "uci\nsetoption name MultiPV value 3\nposition fen 8/8/8/8/8/8/8/8 w - -\ngo depth 2\n",
       "bestmove 0000\n"},
  };
  for (const Case& c : cases) {
    RunResult r = runEngine({"-e"}, c.input);
    EXPECT_EQ(r.status, 0) << c.name << "\n" << r.out;
    EXPECT_EQ(occurrences(r.out, c.expected), 1) << c.name << "\n" << r.out;
    EXPECT_EQ(occurrences(r.out, "mates"), 0) << c.name << "\n" << r.out;
    EXPECT_EQ(occurrences(r.out, "\nmove "), 0) << c.name << "\n" << r.out;
    EXPECT_EQ(occurrences(r.out, "bestmove "), occurrences(r.out, "bestmove 0000\n")) << c.name << "\n" << r.out;
  }
}

TEST(IllegalPosition, UciMoveListTakingTheKingIsAnIllegalMove) {
  ScratchDir dir;
  RunResult r = runEngine({"-l", "t.log"}, "uci\nposition startpos moves e2e4 f7f6 d1h5 g7g5 h5e8\ngo depth 2\n",
                          dir.path());
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(dir.read("t.log").find("Illegal move h5e8\n"), std::string::npos);
  EXPECT_EQ(r.out.find("bestmove"), std::string::npos) << r.out;
}

TEST(IllegalPosition, TestSuiteLineWithoutKings) {
  ScratchDir dir;
  dir.write("k.epd", "b2rQ bm \n6k1/5ppp/8/8/8/8/8/R5K1 w - - bm Ra8#;\n");
  RunResult r = runEngine({"-T", "k.epd", "-t", "1"}, "", dir.path());
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(occurrences(r.out, "Illegal position: no white king\n"), 1) << r.out;
  EXPECT_EQ(occurrences(r.out, "Summary: 1/2\n"), 1) << r.out;
}
