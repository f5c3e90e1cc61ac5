// End-to-end test of the installation: the install rules of the build run
// into a scratch DESTDIR, then the installed engine is started from another
// directory as a GUI would start it, and the installed manual page is rendered.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "test_support.h"

using namespace tarrock::testutil;

namespace {

namespace fs = std::filesystem;

class Installed : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    destdir = new ScratchDir;
    // Installing the component by name writes its own manifest, so the one
    // that `make uninstall` reads stays as `make install` left it.
    result = new RunResult(runProgram("/usr/bin/env",
                                      {"DESTDIR=" + destdir->path(), TARROCK_CMAKE, "--install",
                                       TARROCK_BUILD_DIR, "--component", "Unspecified"},
                                      "", destdir->path()));
  }
  static void TearDownTestSuite() {
    delete result;
    delete destdir;
  }
  void SetUp() override { ASSERT_EQ(result->status, 0) << result->out << result->err; }

  static std::string installed(const std::string& path) {
    return destdir->path() + TARROCK_INSTALL_PREFIX + "/" + path;
  }
  static std::string engine() { return installed("games/tarrock"); }

  static ScratchDir* destdir;
  static RunResult* result;
};

ScratchDir* Installed::destdir = nullptr;
RunResult* Installed::result = nullptr;

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST_F(Installed, PutsEachFileInPlace) {
  EXPECT_EQ(access(engine().c_str(), X_OK), 0) << engine();
  EXPECT_TRUE(fs::is_regular_file(installed("share/man/man6/tarrock.6")));
  EXPECT_EQ(readFile(installed("share/games/plugins/xboard/tarrock.eng")),
            std::string(TARROCK_XBOARD_PLUGIN_HEADER) + "\n" + TARROCK_INSTALL_PREFIX + "/games/tarrock\nchess\n");
  const std::string builtBook = std::string(TARROCK_BUILD_DIR) + "/tarrock.bok";
  if (fs::exists(builtBook)) {
    EXPECT_EQ(readFile(installed("share/games/tarrock/tarrock.bok")), readFile(builtBook));
  }
}

TEST_F(Installed, EngineStartsFromAnotherDirectory) {
  struct Case {
    std::string input;
    std::vector<std::string> replies;
  };
  const Case cases[] = {
      {"quit\n", {}},
      {"uci\nisready\nquit\n", {"id name Tarrock 2.0.1\n", "uciok\n", "readyok\n"}},
      {"xboard\nprotover 2\nping 7\nquit\n", {"feature done=1\n", "pong 7\n"}},
  };
  for (const Case& c : cases) {
    ScratchDir elsewhere;
    RunResult r = runProgram(engine(), {}, c.input, elsewhere.path());
    EXPECT_EQ(r.status, 0) << c.input;
    EXPECT_EQ(r.out.rfind("Tarrock 2.0.1\nfeature done=0\n", 0), 0u) << r.out;
    for (const std::string& reply : c.replies) EXPECT_TRUE(contains(r.out, reply)) << reply << r.out;
    EXPECT_EQ(r.err, "") << c.input;
  }
}

// Started from a directory without a book, the engine opens the installed
// one, which it finds beside its own binary; a book named on the command
// line is looked for under that name only.
TEST_F(Installed, EngineFindsInstalledBook) {
  if (!fs::exists(installed("share/games/tarrock/tarrock.bok"))) {
    GTEST_SKIP() << "the build has no book to install";
  }
  ScratchDir elsewhere;
  RunResult r = runProgram(engine(), {}, "quit\n", elsewhere.path());
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(contains(r.out, "Book version 0.3 created ")) << r.out;
  EXPECT_FALSE(contains(r.out, "Cannot open opening book")) << r.out;

  r = runProgram(engine(), {"-B", "tarrock.bok"}, "quit\n", elsewhere.path());
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(contains(r.out, "Cannot open opening book: tarrock.bok: ")) << r.out;
}

// The page renders without a warning and names every option of the usage
// text and every symbol of the configuration file.
TEST_F(Installed, ManualPageRendersAndCoversOptions) {
  if (access("/usr/bin/man", X_OK) != 0) GTEST_SKIP() << "man is not installed";
  RunResult page = runProgram("/usr/bin/env",
                              {"LC_ALL=C.UTF-8", "MANWIDTH=80", "man", "--warnings=w", "-l",
                               installed("share/man/man6/tarrock.6")},
                              "", destdir->path());
  EXPECT_EQ(page.status, 0);
  EXPECT_EQ(page.err, "");
  EXPECT_TRUE(contains(page.out, "tarrock - chess engine")) << page.out;

  RunResult usage = runProgram(engine(), {"-L", "x"}, "", destdir->path());
  std::istringstream usageLines(usage.out);
  int options = 0;
  for (std::string line; std::getline(usageLines, line);) {
    if (line.rfind("   -", 0) != 0) continue;
    std::string option = line.substr(3, line.find_first_of(' ', 3) - 3);
    EXPECT_TRUE(contains(page.out, "\n       " + option)) << option;
    ++options;
  }
  EXPECT_EQ(options, 23);

  RunResult settings = runProgram(engine(), {"-C"}, "", destdir->path());
  std::istringstream settingLines(settings.out);
  int symbols = 0;
  for (std::string line; std::getline(settingLines, line); ++symbols) {
    std::string symbol = line.substr(0, line.find(' '));
    EXPECT_TRUE(contains(page.out, "\n       " + symbol + " ")) << symbol;
  }
  EXPECT_EQ(symbols, 6);
}

}  // namespace
