// End-to-end tests of the main loop and the input poll in timed sessions:
// lines that arrive together or during a search, partial lines, the end of
// input, the UCI reply contract and the xboard analysis mode.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"

using namespace tarrock::testutil;

namespace {

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

const char* const UciStart = "uci\n";

// A session without the opening book: every move is searched.
SessionResult session(std::vector<std::string> args, const std::vector<SessionStep>& steps, double timeout) {
  args.insert(args.begin(), "-o");
  return runSession(args, steps, timeout);
}

}  // namespace

TEST(Sessions, DepthLimitBelowOnePlySearchesOnePly) {
  struct Case {
    std::vector<std::string> args;
    std::string input;
    const char* expected;
  };
  const Case cases[] = {
      {{"-m", "0"}, "go\n", "Best move: "},
      {{"-m", "abc"}, "go\n", "Best move: "},
      {{"-m", "-5"}, "go\n", "Best move: "},
      {{}, "uci\nposition startpos\ngo depth 0\n", "bestmove "},
      {{}, "uci\nposition startpos\ngo depth -3\n", "bestmove "},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"-e", "-o"});
    RunResult r = runEngine(args, c.input);
    EXPECT_EQ(r.status, 0) << c.input;
    EXPECT_TRUE(contains(r.out, c.expected)) << c.input << r.out;
    EXPECT_FALSE(contains(r.out, "Nomove")) << c.input << r.out;
    EXPECT_FALSE(contains(r.out, "Illegal move")) << c.input << r.out;
  }
  // xboard: two moves under "sd -1", each a real move that keeps the
  // position sound.
  const std::vector<std::string> moveOrEnd = {"move ", "Illegal", "{"};
  SessionResult xb = session({"-e", "-l", "x.log"}, {{"xboard\nprotover 2\nsd -1\ngo\n", moveOrEnd},
                                                        {"go\n", moveOrEnd},
                                                        {"quit\n"}},
                        30);
  EXPECT_EQ(xb.status, 0) << xb.out;
  EXPECT_EQ(occurrences(xb.out, "move "), 2) << xb.out;
  EXPECT_FALSE(contains(xb.out, "move a1a1")) << xb.out;
}

TEST(Sessions, LineTypedDuringABestSearchIsExecuted) {
  // "best 3" runs within the 2 seconds "st 2" allotted; the ping stops it.
  SessionResult r = session({"-l", "t.log"}, {{"xboard\nprotover 2\nst 2\ngo\n", {"move "}},
                                                 {"force\nbest 3\n", {}, 0.5},
                                                 {"ping 5\n", {"pong 5\n"}},
                                                 {"quit\n"}},
                               15);
  EXPECT_TRUE(contains(r.out, "pong 5\n")) << r.out;
  EXPECT_EQ(r.status, 0);
}

TEST(Sessions, WaitingLinesRunFirstAndKeepTheEnginesTurn) {
  struct Case {
    const char* name;
    std::vector<SessionStep> steps;
    const char* first;   // expected in the output
    const char* second;  // expected after it (empty: none)
    const char* absent;  // never in the output (empty: no such text)
    int bestmoves;
  };
  const std::vector<std::string> moved = {"move ", "bestmove "};
  const Case cases[] = {
      {"uci stop waiting behind go infinite",
       {{std::string(UciStart) + "position startpos\ngo depth 3\n", {"bestmove "}},
        {"go infinite\nstop\n", {"bestmove "}}},
       "bestmove ", "bestmove ", "", 2},
      {"uci ponderhit waiting behind go ponder",
       {{std::string(UciStart) + "position startpos moves e2e4\ngo ponder wtime 500 btime 500\nponderhit\n",
         {"bestmove "}}},
       "bestmove ", "", "", 1},
      {"xboard ping waiting behind go",
       {{"xboard\nprotover 2\nsd 3\n", {"feature done=1"}}, {"go\nping 1\n", moved}},
       "pong 1\n", "move ", "", 0},
      {"uci quit waiting behind go: the move is answered at once",
       {{std::string(UciStart) + "position startpos\ngo wtime 600000 btime 600000\nquit\n", {"bestmove "}}},
       "bestmove ", "", "", 1},
      {"xboard force cancels a waiting go",
       {{"xboard\nprotover 2\nsd 3\n", {"feature done=1"}}, {"go\nforce\nping 2\n", {"pong 2\n"}}, {"", {}, 0.3}},
       "pong 2\n", "", "move ", 0},
  };
  for (const Case& c : cases) {
    std::vector<SessionStep> steps = c.steps;
    steps.push_back({"quit\n"});
    SessionResult r = session({"-e"}, steps, 15);
    EXPECT_EQ(r.status, 0) << c.name;
    size_t first = r.out.find(c.first);
    ASSERT_NE(first, std::string::npos) << c.name << "\n" << r.out;
    if (*c.second) {
      EXPECT_NE(r.out.find(c.second, first + 1), std::string::npos) << c.name << "\n" << r.out;
    }
    if (*c.absent) {
      EXPECT_FALSE(contains(r.out, c.absent)) << c.name << "\n" << r.out;
    }
    if (c.bestmoves) {
      EXPECT_EQ(occurrences(r.out, "bestmove "), c.bestmoves) << c.name << "\n" << r.out;
    }
  }
}

TEST(Sessions, PartialLineDoesNotHoldUpTheSearch) {
  // The move is due after 1 second; the rest of the line comes much later.
  SessionResult r = session({"-e"}, {{"xboard\nprotover 2\nst 1\ngo\n", {}, 0.2},
                                        {"pi", {"move "}},
                                        {"", {}, 0.5},
                                        {"ng 1\n", {"pong 1\n"}},
                                        {"quit\n"}},
                               20);
  ASSERT_EQ(r.waited.size(), 5u);
  EXPECT_LT(r.waited[1], 4.0) << r.out;
  EXPECT_TRUE(contains(r.out, "pong 1\n")) << r.out;
  EXPECT_EQ(r.status, 0);
}

TEST(Sessions, EndOfInputEndsASearchWithoutTimeLimit) {
  struct Case {
    const char* name;
    std::vector<SessionStep> steps;
  };
  const Case cases[] = {
      {"uci go infinite", {{std::string(UciStart) + "position startpos\ngo infinite\n", {}, 0.3}}},
      {"uci go ponder", {{std::string(UciStart) + "position startpos moves e2e4\ngo ponder\n", {}, 0.3}}},
      {"console analyze", {{"analyze\n", {}, 0.3}}},
      {"xboard analyze", {{"xboard\nanalyze\n", {}, 0.3}}},
      {"xboard pondering", {{"xboard\nhard\nsd 2\ne2e4\n", {"move "}}, {"", {}, 0.3}}},
  };
  for (const Case& c : cases) {
    SessionResult r = session({}, c.steps, 8);
    EXPECT_FALSE(r.timedOut) << c.name;
    EXPECT_EQ(r.status, 0) << c.name;
  }
}

TEST(Sessions, UciAnswersEveryGoOnceWithAMove) {
  struct Case {
    const char* position;
    const char* go;
    const char* text;      // game-end text before the reply
    const char* bestmove;  // the reply, or its start
  };
  const Case cases[] = {
      {"fen R6k/6pp/8/8/8/8/8/6K1 b - -", "go wtime 1000 btime 1000", "1-0 {White mates}\n", "bestmove 0000\n"},
      {"fen 7k/5Q2/6K1/8/8/8/8/8 b - -", "go infinite", "1/2-1/2 {Stalemate}\n", "bestmove 0000\n"},
      {"startpos moves g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1 f6g8", "go depth 3",
       "1/2-1/2 {Drawn by repetition}\n", "bestmove "},
  };
  for (const Case& c : cases) {
    SessionResult r = session(
        {"-e"}, {{std::string(UciStart) + "position " + c.position + "\n" + c.go + "\n", {}, 0.3},
                 {"stop\n", {}, 0.3},
                 {"quit\n"}},
        15);
    size_t text = r.out.find(c.text);
    ASSERT_NE(text, std::string::npos) << c.position << "\n" << r.out;
    EXPECT_NE(r.out.find(c.bestmove, text), std::string::npos) << c.position << "\n" << r.out;
    EXPECT_EQ(occurrences(r.out, "bestmove "), 1) << c.position << "\n" << r.out;
    // A drawn position with legal moves gets a real move.
    if (std::string(c.bestmove) == "bestmove ") {
      EXPECT_FALSE(contains(r.out, "bestmove 0000")) << r.out;
    }
    EXPECT_FALSE(contains(r.out, "Nomove")) << r.out;
  }
}

TEST(Sessions, UciInfiniteAndPonderRepliesWaitForStopOrPonderhit) {
  struct Case {
    const char* position;
    const char* go;
    const char* release;
    const char* bestmove;
  };
  // A bare-kings search reaches its depth limit at once; a mate in one is
  // found at once.
  const Case cases[] = {
      {"fen 8/8/4k3/8/8/4K3/8/8 w - -", "go infinite", "stop\n", "bestmove "},
      {"fen 6k1/5ppp/8/8/8/8/8/R5K1 w - -", "go infinite", "stop\n", "bestmove a1a8\n"},
      {"fen 6k1/5ppp/8/8/8/8/8/R5K1 w - -", "go ponder wtime 1000 btime 1000", "ponderhit\n", "bestmove a1a8"},
      {"fen 6k1/5ppp/8/8/8/8/8/R5K1 w - -", "go ponder wtime 1000 btime 1000", "stop\n", "bestmove a1a8"},
  };
  for (const Case& c : cases) {
    SessionResult r = session({"-e"}, {{std::string(UciStart) + "position " + c.position + "\n" + c.go + "\n", {}, 0.5},
                                          {"isready\n", {"readyok\n"}},
                                          {c.release, {"bestmove "}},
                                          {"quit\n"}},
                                 15);
    size_t ready = r.out.find("readyok\n");
    ASSERT_NE(ready, std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("bestmove "), r.out.find(c.bestmove, ready)) << c.go << "\n" << r.out;
    EXPECT_EQ(occurrences(r.out, "bestmove "), 1) << r.out;
  }
}

TEST(Sessions, XboardRemoveTakesBackTwoMoves) {
  RunResult r = runEngine({"-l", "t.log"}, "xboard\nforce\ne2e4\ne7e5\ng1f3\nremove\ndisplay\nremove\nremove\ndisplay\n");
  EXPECT_EQ(r.status, 0);
  size_t first = r.out.find("(1) Black to move:\n");
  ASSERT_NE(first, std::string::npos) << r.out;
  EXPECT_NE(r.out.find("    4 |   |   |   |   | P |   |   |   |\n", first), std::string::npos) << r.out;
  // Taking back more moves than the game has leaves the initial position.
  EXPECT_NE(r.out.find("(0) White to move:\n", first), std::string::npos) << r.out;
}

TEST(Sessions, XboardAnalysisGoesOnAfterEveryCommandButExit) {
  // "." is answered with a status line only while a search runs.
  const char* const commands[] = {"ping 1\n", "?\n", "undo\n", "e2e4\n", "new\n", "hard\n", "force\n",
                                  "setboard 4k3/8/8/8/8/8/8/4K2R w K -\n"};
  std::vector<SessionStep> steps = {{"xboard\nprotover 2\npost\nanalyze\n", {}, 0.3}};
  for (const char* command : commands) {
    steps.push_back({command, {}, 0.3});
    steps.push_back({".\n", {"stat01: "}});
  }
  steps.push_back({"exit\n", {}, 0.3});
  steps.push_back({".\n", {}, 0.3});
  steps.push_back({"quit\n"});
  SessionResult r = session({"-e"}, steps, 40);
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(contains(r.out, "pong 1\n")) << r.out;
  EXPECT_EQ(occurrences(r.out, "stat01: "), int(std::size(commands))) << r.out;
}
