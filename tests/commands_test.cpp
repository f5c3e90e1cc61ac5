// End-to-end tests of the command interpreter and edit mode: scripted
// sessions on a pipe, compared with the engine's replies and its log.
#include <gtest/gtest.h>

#include <string>

#include "test_support.h"

using namespace tarrock::testutil;

namespace {

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Runs the engine with a log and returns the log's contents; r gets stdout.
std::string runLogged(const std::string& input, RunResult& r, std::vector<std::string> args = {}) {
  ScratchDir dir;
  args.insert(args.begin(), {"-l", "t.log"});
  r = runEngine(args, input, dir.path());
  return dir.read("t.log");
}

}  // namespace

TEST(Commands, XboardRepliesOnStandardOutput) {
  struct Case {
    const char* input;
    const char* out;  // what standard output must contain
  };
  const Case cases[] = {
      {"xboard\nprotover 2\n",
       "feature setboard=1\nfeature analyze=1\nfeature setboard=1\nfeature myname=\"Tarrock 2.0.1\"\n"
       "feature ics=1\nfeature done=1\nfeature ping=1\n"},
      {"xboard\nping 7\n", "pong 7\n"},
      {"xboard\nping\n", "pong \n"},
      {"xboard\nbook\n", "No book move\n"},
      {"xboard\nbook off\n", "Book off\n"},
      {"xboard\nbook off\nbook maybe\n", "Book off\nBook off\n"},
      {"xboard\nbook on\n", "Book on\n"},
      {"xboard\nforce\ne2e4\ne7e5\ndisplay\n", "(1) White to move:\n"},
      {"xboard\nforce\ne7e5\n", "Illegal move: e7e5\n"},
      {"xboard\nforce\nz9z9\n", "Illegal move: z9z9\n"},
      {"xboard\nsetboard 4k3/8/8/8/8/8/8/4K2R w K -\ndisplay\n", "    1 |   |   |   |   | K |   |   | R |\n"},
      {"xboard\nforce\ne2e4\nundo\ndisplay\n", "(0) White to move:\n"},
      {"uci\n", "id name Tarrock 2.0.1\n"},
      {"uci\nisready\n", "option name Play level type spin min 1 max 11 default 11\nuciok\nreadyok\n"},
  };
  for (const Case& c : cases) {
    RunResult r;
    runLogged(c.input, r);
    EXPECT_EQ(r.status, 0) << c.input;
    EXPECT_TRUE(contains(r.out, c.out)) << c.input << "\n---\n" << r.out;
  }
}

TEST(Commands, LogRecordsEchoesAndInformation) {
  struct Case {
    const char* input;
    const char* log;  // what the log must contain
  };
  const Case cases[] = {
      {"xboard\nfoo bar\n", "[foo bar]\nUnknown command, foo bar\n"},
      {"xboard\nNf3\n", "Unknown command, Nf3\n"},
      {"name Kasparov\n", "Playing Kasparov\n"},
      {"rating 2500 2300\n", "Rating 2500 2300 -30\n"},
      {"rating 2400 2300\n", "Rating 2400 2300 0\n"},
      {"rating\n", "Rating   0\n"},
      {"name\n", "Playing \n"},
      {"uci\nucinewgame\n", "Unknown command, ucinewgame\n"},
      {"uci\nsetoption name Foo value 3\n", "Ignored: setoption name Foo value 3\n"},
      {"uci\nposition startpos\n", "UCI New game\n"},
      {"uci\ngo nodes 100\nstop\n", "FIXME go ... nodes\nFIXME undefined command\n"},
      {"uci\nsetoption name Play level value 12\n", "Level 12\nlevel out of range\n"},
  };
  for (const Case& c : cases) {
    RunResult r;
    std::string log = runLogged(c.input, r);
    EXPECT_EQ(r.status, 0) << c.input;
    EXPECT_TRUE(contains(log, c.log)) << c.input << "\n---\n" << log;
  }
}

TEST(Commands, MoveEntryAndRefusals) {
  // After e2e4 e7e5 g1f3 Black is to move: d2d4 parses but moves a white man.
  RunResult r = runEngine({"-e"}, "force\ne2e4\ne7e5\ng1f3\nd2d4\ndisplay\n");
  EXPECT_TRUE(contains(r.out, "Invalid move: d2-d4\n")) << r.out;
  EXPECT_TRUE(contains(r.out, "(2) Black to move:\n")) << r.out;
}

TEST(Commands, BadArgumentsAreHarmless) {
  const char* inputs[] = {
      "level\nlevel x y z\nlevel 40\nlevel 0 2:30 12\nlevel 40 5 0\n",
      "time\ntime 1 2\notim\nst\nst 1 2\nsd\nsd 1 2\ndepth\n",
      "result\nresult 1-0\nresult 1/2-1/2 {comment}\n",
      "ponder\nponder e2e4 e7e5\nponder z1\nbest\nbest 1 2\n",
      "setboard\nsetboard x\nsetboard 8/8/8/8/8/8/8/8 w - -\ndisplay\n",
      "uci\nsetoption\nsetoption name\nsetoption name Hash\nsetoption name Own opening\n"
      "setoption name NalimovPath value a b\nsetoption name MultiPV\n",
      "uci\ngo wtime\nstop\ngo searchmoves zz e2e4\nstop\n",
      "uci\nposition\nposition fen\nposition fen xyz\nposition fen 8/8/8/8/8/8/8/8 w\nposition startpos moves\n"
      "position fen 4k3/8/8/8/8/8/8/4K3 w - - 0 1 moves\ngo depth 1\n",
      "white\nblack\nwhite\ndisplay\n",
  };
  for (const char* input : inputs) {
    RunResult r = runEngine({"-e"}, input);
    EXPECT_EQ(r.status, 0) << input << "\n" << r.err;
  }
}

TEST(Commands, PositionWithAnIllegalMoveEndsWithStatusOne) {
  RunResult r;
  std::string log = runLogged("uci\nposition startpos moves e2e4 e2e4\n", r);
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(log, "Illegal move e2e4\n")) << log;
}

TEST(Commands, LongLinesAndManyWords) {
  std::string many;
  for (int i = 0; i < 3000; ++i) many += "e2e4 ";
  RunResult r = runEngine({"-e"}, "force\n" + many + "\n" + std::string(20000, 'e') + "\ndisplay\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(contains(r.out, "(1) Black to move:\n")) << r.out.substr(0, 2000);
}

TEST(EditMode, PlacementsCastlingAndFinish) {
  RunResult r = runEngine({"-e"}, "edit\n#\nKe1\nRa1\nc\nKe8\n+w00\nZz\n\n.\n");
  EXPECT_TRUE(contains(r.out, "Edit> Edit> ")) << r.out;
  EXPECT_TRUE(contains(r.out, "Uknown edit command\nEdit> Uknown edit command\n")) << r.out;

  // Only the long right survives: castling long is accepted, short is not.
  RunResult castle = runEngine({"-e"}, "edit\n#\nKe1\nRa1\nc\nKe8\n.\nforce\ne1c1\ndisplay\n");
  EXPECT_TRUE(contains(castle.out, "    1 |   |   | K | R |   |   |   |   |\n")) << castle.out;
  RunResult noShort = runEngine({"-e"}, "edit\n#\nKe1\nRa1\n+w00\nc\nKe8\n.\nforce\ne1g1\ndisplay\n");
  EXPECT_TRUE(contains(noShort.out, "Invalid move: e1-g1\n")) << noShort.out;
}

TEST(EditMode, OutsideTheBoardAndEndOfInput) {
  for (const char* input : {"edit\nPe9\n", "edit\nK\n", "edit\nQz1\n"}) {
    RunResult r = runEngine({}, input);
    EXPECT_EQ(r.status, 1) << input;
    EXPECT_TRUE(contains(r.out, "Edit outside board\n")) << input;
  }
  RunResult eof = runEngine({}, "edit\nKe1\n");
  EXPECT_EQ(eof.status, 0);
  RunResult longLines = runEngine({}, "edit\n" + std::string(1000, 'K') + "\n.\n");
  EXPECT_EQ(longLines.status, 1);  // "KK..." names no square
  RunResult xb = runEngine({}, "xboard\nedit\n#\nKe1\nc\nKe8\n.\n");
  EXPECT_FALSE(contains(xb.out, "Edit> ")) << xb.out;
}

TEST(Commands, UciSearchAnswersIsreadyAndStops) {
  // The lines arrive while the infinite search runs: "isready" is answered at
  // once, "stop" ends the search with a best move.
  RunResult r = runEngine({}, "uci\nposition startpos moves e2e4\ngo infinite\nisready\nstop\nquit\n");
  EXPECT_EQ(r.status, 0);
  size_t ready = r.out.find("readyok\n"), best = r.out.find("bestmove ");
  ASSERT_NE(ready, std::string::npos) << r.out;
  ASSERT_NE(best, std::string::npos) << r.out;
  EXPECT_LT(ready, best);
}

TEST(Commands, UciGoParametersSetTheClock) {
  struct Case {
    const char* input;
    const char* log;
  };
  const Case cases[] = {
      // Black to move: btime counts, in centiseconds; sudden death takes 1/25.
      {"uci\nposition startpos moves e2e4\ngo wtime 60000 btime 30000\n", "Time allocated: 1.20\n"},
      {"uci\nposition startpos\ngo movetime 2000\n", "Time allocated: 2.00\n"},
      // A later "go" with clock values is not bound by the earlier movetime.
      {"uci\nposition startpos\ngo movetime 2000\nposition startpos moves e2e4 e7e5\ngo wtime 10000 btime 10000 movestogo 10\n",
       "Time allocated: 1.00\n"},
      {"uci\nposition startpos\ngo depth 2\n", "bestmove"},
  };
  for (const Case& c : cases) {
    RunResult r;
    std::string log = runLogged(c.input, r);
    EXPECT_EQ(r.status, 0) << c.input;
    EXPECT_TRUE(contains(log + r.out, c.log)) << c.input << "\n---\n" << log;
  }
}

TEST(Commands, UciNewGameTest) {
  RunResult r;
  std::string log = runLogged(
      "uci\nposition startpos moves e2e4\nposition startpos moves e2e4 e7e5 g1f3\nposition startpos\n"
      "position fen 4k3/8/8/8/8/8/8/4K3 w - -\n",
      r);
  // The first position and the return to the start are new games; two more
  // moves of the same game and a FEN position are not.
  size_t first = log.find("UCI New game\n");
  ASSERT_NE(first, std::string::npos) << log;
  size_t second = log.find("UCI New game\n", first + 1);
  ASSERT_NE(second, std::string::npos) << log;
  EXPECT_EQ(log.find("UCI New game\n", second + 1), std::string::npos) << log;
  EXPECT_LT(log.find("[position startpos moves e2e4 e7e5 g1f3]"), second);
  EXPECT_GT(log.find("[position startpos]"), first);
}

TEST(Commands, UciPonderhitTurnsThePonderSearchIntoATimedOne) {
  RunResult r = runEngine({}, "uci\nposition startpos moves e2e4 e7e5\ngo ponder wtime 2000 btime 2000\nponderhit\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(contains(r.out, "bestmove ")) << r.out;
}

TEST(Commands, SideChangeThenUndoKeepsAConsistentPosition) {
  // "black"/"white" that change the side start a fresh record: "undo" has
  // nothing left to take back. Once the undo took back a move recorded with
  // the other side to move and the next search ended in "Lost hash key".
  struct Case {
    const char* input;
    const char* board;  // what "display" shows before the search
  };
  const Case cases[] = {
      {"force\ne2e4\ne7e5\nblack\nundo\ndisplay\ngo\n", "(0) Black to move:\n"},
      {"xboard\nforce\ne2e4\ne7e5\nblack\nundo\nundo\ndisplay\ngo\n", "(0) Black to move:\n"},
      {"force\ne2e4\nwhite\nundo\nblack\ndisplay\ngo\n", "(0) Black to move:\n"},
      // The side that is already to move: nothing changes, undo works.
      {"force\ne2e4\ne7e5\nwhite\nundo\ndisplay\ngo\n", "(1) Black to move:\n"},
  };
  for (const Case& c : cases) {
    RunResult r;
    std::string log = runLogged(std::string("sd 2\n") + c.input, r, {"-e"});
    EXPECT_EQ(r.status, 0) << c.input << "\n" << log;
    EXPECT_FALSE(contains(log, "Lost hash key")) << c.input;
    EXPECT_TRUE(contains(r.out + log, c.board)) << c.input << "\n" << r.out;
    EXPECT_TRUE(contains(log, "Best move: ")) << c.input << "\n" << log;
  }
}

TEST(Commands, UciMultiPvSearchEndsWithItsBestMove) {
  // Once "Invalid pv move" ended this session with status 1 and no reply.
  RunResult r = runEngine({}, "uci\nposition fen r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1 "
                              "moves e1g1\nsetoption name MultiPV value 3\ngo depth 2\n");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_TRUE(contains(r.out, "info multipv 3 depth 2 ")) << r.out;
  EXPECT_TRUE(contains(r.out, "bestmove ")) << r.out;
}
