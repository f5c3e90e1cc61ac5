// The EPD runner on a small suite of its own with known answers.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "test_support.h"

using namespace tarrock::testutil;

namespace {

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Runs the suite with the results files sent to the scratch directory.
RunResult runSuite(ScratchDir& dir, std::vector<std::string> args) {
  const char* saved = std::getenv("TMPDIR");
  std::string old = saved ? saved : "";
  setenv("TMPDIR", dir.path().c_str(), 1);
  RunResult r = runEngine(args, "", dir.path());
  if (saved) setenv("TMPDIR", old.c_str(), 1);
  else unsetenv("TMPDIR");
  return r;
}

}  // namespace

TEST(EpdRunner, SolvesCountsAndWritesBothFiles) {
  ScratchDir dir;
  const std::string blunder = "4k3/8/8/8/6p1/5p2/8/4KQ2 w - - bm Qxf3; id \"blunder\";";
  dir.write("suite.epd",
            "* a comment line, not a test\n"
            "6k1/5ppp/8/8/8/8/8/R5K1 w - - bm Ra8#; id \"mate1\";\n"
            "4k3/8/8/8/6p1/5p2/8/4KQ2 w - - am Qxf3; id \"avoid\";\n"
            "4k3/8/8/3q4/8/8/8/3RK3 w - - bm Rxd5; id queen;\n" +
                blunder + "\n" +
                "4k3/8/8/8/8/8/8/4K3 w - - id \"no operation\";\n" + std::string(400, 'x') + " bm e4;\n");
  RunResult r = runSuite(dir, {"-T", "suite.epd", "-t", "1", "-p", "2"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(contains(r.out, "Testing suite.epd, 1 seconds, extra ply 2\n")) << r.out;
  EXPECT_TRUE(contains(r.out, "Testing: mate1   Solution: Ra8#\n")) << r.out;
  EXPECT_TRUE(contains(r.out, "Testing: avoid   Avoid: Qxf3\n")) << r.out;
  EXPECT_TRUE(contains(r.out, "Testing: queen   Solution: Rxd5\n")) << r.out;
  EXPECT_TRUE(contains(r.out, "Best move: Ra8# (#01)  Solved (1/1)\n")) << r.out;
  EXPECT_TRUE(contains(r.out, "Summary: 3/5\n")) << r.out;
  EXPECT_TRUE(contains(r.out, "No bm or am operation, skipped")) << r.out;

  std::string results = dir.read("tarrock.test");
  EXPECT_TRUE(contains(results, "Testing suite.epd (1 seconds)\n")) << results;
  EXPECT_TRUE(contains(results, " mate1: ")) << results;
  EXPECT_TRUE(contains(results, " blunder: ")) << results;
  std::string failed = dir.read("failed.epd");
  EXPECT_TRUE(contains(failed, blunder + "\n")) << failed;
  EXPECT_FALSE(contains(failed, "mate1")) << failed;

  // The failures file is itself a suite the runner reads.
  dir.write("again.epd", failed);
  RunResult again = runSuite(dir, {"-T", "again.epd", "-t", "1", "-p", "2"});
  EXPECT_TRUE(contains(again.out, "Summary: 0/")) << again.out;
  EXPECT_TRUE(contains(dir.read("tarrock.test"), "Testing suite.epd (1 seconds)\n"));  // appended
}

TEST(EpdRunner, NamesKeepTheirBlanksAndABlankEndsTheSolutions) {
  ScratchDir dir;
  dir.write("names.epd",
            "6k1/5ppp/8/8/8/8/8/R5K1 w - - bm Ra8# ; id WAC 001;\n"
            "6k1/5ppp/8/8/8/8/8/R5K1 w - - bm Ra8#; id \"quoted name\"; c0 \"x\";\n");
  RunResult r = runSuite(dir, {"-T", "names.epd", "-t", "1", "-p", "1"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(contains(r.out, "Testing: WAC 001   Solution: Ra8#\n")) << r.out;
  EXPECT_TRUE(contains(r.out, "Testing: quoted name   Solution: Ra8#\n")) << r.out;
  EXPECT_TRUE(contains(r.out, "Summary: 2/2\n")) << r.out;
}

TEST(EpdRunner, MissingSuiteAndBadSolutionMove) {
  ScratchDir dir;
  RunResult missing = runSuite(dir, {"-T", "no-such.epd", "-t", "1"});
  EXPECT_EQ(missing.status, 0);
  EXPECT_TRUE(contains(missing.err, "no-such.epd: No such file or directory")) << missing.err;

  dir.write("bad.epd", "4k3/8/8/8/8/8/8/4K3 w - - bm Qh5; id \"bad\";\n");
  RunResult bad = runSuite(dir, {"-T", "bad.epd", "-t", "1"});
  EXPECT_EQ(bad.status, 1);
  EXPECT_TRUE(contains(bad.out, "Invalid move: Qh5\n")) << bad.out;
  EXPECT_TRUE(contains(bad.out, "+---+")) << bad.out;
}
