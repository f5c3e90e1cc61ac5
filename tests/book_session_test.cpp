// The opening book through the engine binary: the default book that the
// build makes, the "book" command, book moves in xboard and UCI games,
// learning on "result", "-o", building with "-I", and a build killed half-way.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "test_support.h"

using namespace tarrock::testutil;

namespace {

// A scratch directory holding a copy of the default book as tarrock.bok.
struct BookDir {
  BookDir() { dir.write("tarrock.bok", readFile(TARROCK_DEFAULT_BOOK)); }
  ScratchDir dir;
};

}  // namespace

TEST(DefaultBook, IsBuiltFromTheShippedGames) {
  const std::string bytes = readFile(TARROCK_DEFAULT_BOOK);
  ASSERT_GT(bytes.size(), 68u + 32u * 10000u);
  EXPECT_EQ(bytes.substr(0, 4), std::string("0.3\0", 4));
  EXPECT_EQ((bytes.size() - 68) % 32, 0u);
  BookDir b;
  RunResult r = runEngine({}, "book\nquit\n", b.dir.path());
  EXPECT_NE(r.out.find("Open book: tarrock.bok\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Suggested move: "), std::string::npos) << r.out;
}

TEST(BookCommand, OnOffAndTheOption) {
  BookDir b;
  RunResult r = runEngine({}, "book off\nbook\nbook on\nbook maybe\nbook\nquit\n", b.dir.path());
  EXPECT_NE(r.out.find("Book off\ntarrock: [book]\nNo book move\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Book on\n"), std::string::npos) << r.out;
  EXPECT_EQ(occurrences(r.out, "Book on\n"), 2) << r.out;
  EXPECT_EQ(occurrences(r.out, "Suggested move: "), 1) << r.out;
  // After the first moves of a game the book still answers; -o turns it off.
  r = runEngine({}, "force\ne2e4\nc7c5\nbook\nquit\n", b.dir.path());
  EXPECT_NE(r.out.find("Suggested move: "), std::string::npos) << r.out;
  r = runEngine({"-o"}, "book\nquit\n", b.dir.path());
  EXPECT_EQ(r.out.find("Open book"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("No book move\n"), std::string::npos) << r.out;
}

TEST(BookGames, XboardPlaysFromBookAndLearnsFromTheResult) {
  BookDir b;
  const std::string original = b.dir.read("tarrock.bok");
  // The result comes after the engine's move, as from a GUI.
  SessionResult r = runSession({"-l", "game.log"},
                               {{"xboard\nprotover 2\nnew\nname Someone\nrating 2400 2300\nics -\ngo\n", {"move "}},
                                {"result 1-0 {White wins}\nquit\n"}},
                               30, b.dir.path());
  EXPECT_EQ(occurrences(r.out, "move "), 1) << r.out;
  const std::string log = b.dir.read("game.log");
  EXPECT_NE(log.find("Book: cache "), std::string::npos) << log;
  EXPECT_NE(log.find("Playing Someone\n"), std::string::npos) << log;
  EXPECT_NE(log.find("Learning from result\nLearning: "), std::string::npos) << log;
  EXPECT_NE(log.find("! (1.00==>1.10)"), std::string::npos) << log;
  EXPECT_EQ(log.find("Thinking"), std::string::npos);
  EXPECT_NE(b.dir.read("tarrock.bok"), original);
  // One record changed in place: the file keeps its size.
  EXPECT_EQ(b.dir.read("tarrock.bok").size(), original.size());
}

TEST(BookGames, UciAnswersFromBookWithoutSearching) {
  BookDir b;
  RunResult r = runEngine({}, "uci\nisready\nposition startpos moves e2e4\ngo wtime 60000 btime 60000\nquit\n",
                          b.dir.path());
  EXPECT_EQ(occurrences(r.out, "bestmove "), 1) << r.out;
  EXPECT_EQ(r.out.find("info "), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find(" ponder "), std::string::npos) << r.out;
  // With the option off the engine searches.
  r = runEngine({}, "uci\nsetoption name Own opening book value false\nposition startpos\ngo depth 2\nquit\n",
                b.dir.path());
  EXPECT_NE(r.out.find("info "), std::string::npos) << r.out;
  EXPECT_EQ(occurrences(r.out, "bestmove "), 1) << r.out;
}

TEST(BookBuilding, CommandLineBuildAndOptions) {
  ScratchDir dir;
  dir.write("games.pgn",
            "[Result \"1-0\"]\n1.e4 e5 2.Nf3 Nc6 1-0\n[Result \"1-0\"]\n1.e4 e5 2.Nf3 Nf6 1-0\n"
            "[Result \"0-1\"]\n1.d4 d5 0-1\n");
  RunResult r = runEngine({"-I", "games.pgn", "-B", "my.bok", "-D", "2", "-P", "2"}, "", dir.path());
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("Removing moves played lesser then 2 times\n"), std::string::npos) << r.out;
  const std::string bytes = dir.read("my.bok");
  ASSERT_EQ(bytes.size(), 68u + 2 * 32u);  // after e4 and after e5, cut at 2 plies
  EXPECT_EQ(int(bytes[64]), 2);            // the depth
  // The new book is found and used.
  r = runEngine({"-B", "my.bok"}, "book\nquit\n", dir.path());
  EXPECT_NE(r.out.find("2 book moves, depth=2\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Suggested move: e4\n"), std::string::npos) << r.out;
  // A missing PGN file is reported and ends normally; a bad result fails.
  r = runEngine({"-I", "none.pgn"}, "", dir.path());
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.err.find("none.pgn: No such file or directory"), std::string::npos) << r.err;
  dir.write("bad.pgn", "[Result \"1-1\"]\n1.e4 1-1\n");
  r = runEngine({"-I", "bad.pgn", "-B", "my.bok"}, "", dir.path());
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("Parse error: \"1-1\"]\n"), std::string::npos) << r.out;
  EXPECT_EQ(dir.read("my.bok"), bytes);
}

TEST(BookBuilding, KilledBuildLeavesTheOldBookIntact) {
  ScratchDir dir;
  const std::string old = "the previous book";
  dir.write("tarrock.bok", old);
  // Three copies of the shipped games: several seconds of work.
  const std::string games = readFile(TARROCK_SHIPPED_PGN);
  ASSERT_FALSE(games.empty());
  dir.write("big.pgn", games + games + games);
  pid_t pid = fork();
  if (pid == 0) {
    if (chdir(dir.path().c_str()) != 0) _exit(126);
    freopen("/dev/null", "w", stdout);
    execl(TARROCK_BINARY, TARROCK_BINARY, "-I", "big.pgn", static_cast<char*>(nullptr));
    _exit(127);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  int status = 0;
  if (waitpid(pid, &status, WNOHANG) == pid) GTEST_SKIP() << "the build ended before it could be killed";
  kill(pid, SIGKILL);
  waitpid(pid, &status, 0);
  EXPECT_EQ(dir.read("tarrock.bok"), old);
  // The next build is not confused by what the killed one left, and replaces
  // the book whole.
  dir.write("small.pgn", "[Result \"1-0\"]\n1.e4 e5 1-0\n[Result \"1-0\"]\n1.e4 e5 1-0\n");
  RunResult r = runEngine({"-I", "small.pgn"}, "", dir.path());
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(dir.read("tarrock.bok").size(), 68u + 2 * 32u);
}
