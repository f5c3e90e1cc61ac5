#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "tablebase_test_util.h"
#include "test_support.h"

using namespace tarrock::testutil;

namespace {

// Runs the engine in run with TB_PATH set to the tablebase folder and the
// input lines; the log file's text is returned in log.
RunResult runWithTables(const ScratchDir& run, const std::string& tbPath, const std::string& input,
                        std::string& log, std::vector<std::string> args = {}) {
  run.write("tarrock.cfg", "TB_PATH \"" + tbPath + "\"\n");
  args.push_back("-l");
  args.push_back(run.file("engine.log"));
  RunResult r = runEngine(args, input, run.path());
  log = run.read("engine.log");
  return r;
}

std::string bytes(size_t n, char c = 0) { return std::string(n, c); }

}  // namespace

TEST(TablebaseEngine, RegistrationFaultsEndTheEngineWithTheirMessage) {
  const EncodedFile good = encodeTablebase(bytes(25629), {1, 2});
  struct Case {
    const char* what;
    const char* name;
    std::function<std::string()> content;
    std::string before, after;  // the message around the file's path
  } cases[] = {
      {"plain file of the wrong length", "kqk.nbw", [] { return bytes(25628); }, "*** ", " corrupted"},
      {"compressed file of the wrong length", "kqk.nbw.emd",
       [] { return encodeTablebase(bytes(25630), {1}).bytes; }, "*** ", " corrupted"},
      {"a header of zeros", "kqk.nbb.emd", [] { return bytes(300); }, "*** Unable to read ", " - file broken"},
      {"a file shorter than the fixed header fields", "kqknbb.emd", [] { return bytes(50); },
       "*** Unable to read ", " - read error"},
      {"checksum mismatch", "kqk.nbw.emd",
       [&] {
         std::string s = good.bytes;
         s[good.headerLength - 1] ^= 1;
         return s;
       },
       "*** Unable to read ", " - error 4"},
      {"blocks of 4 KB", "kqk.nbw.emd", [] { return encodeTablebase(bytes(25629), {1}, 12).bytes; }, "*** ",
       ": Unsupported block size 4096"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchDir run, tb;
    tb.write(c.name, c.content());
    std::string log;
    RunResult r = runWithTables(run, tb.path(), "xboard\nquit\n", log);
    EXPECT_EQ(r.status, 1);
    const std::string path = tb.file(c.name);
    EXPECT_NE(log.find(c.before + path + c.after + "\n"), std::string::npos) << log;
  }
}

TEST(TablebaseEngine, SoundFilesAndOddPathsLetTheEngineRun) {
  ScratchDir tb;
  tb.write("kqk.nbw", bytes(25629));
  tb.write("kqk.nbb.emd", encodeTablebase(bytes(28644, 3), {1, 2}).bytes);
  std::filesystem::create_directory(tb.file("krk.nbw"));  // not a file: passed over
  struct Case {
    const char* what;
    std::string path;
    std::string input;
    std::vector<std::string> args;
    std::string expected;
    bool present = true;
  } cases[] = {
      {"xboard registers", tb.path(), "xboard\nquit\n", {}, "Initializing tablebases: " + tb.path() + "\n"},
      {"UCI registers", "", "uci\nsetoption name NalimovPath value " + tb.path() + "\nisready\nquit\n", {},
       "Initializing tablebases: " + tb.path() + "\n"},
      {"nothing on the path", ";;" + std::string(3000, 'd') + ",/missing", "uci\nsetoption name NalimovPath value ;;,/x\nquit\n",
       {}, "No endgame tables found\n"},
      {"-x keeps the tables shut", tb.path(), "xboard\nquit\n", {"-x"}, "Initializing tablebases", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchDir run;
    std::string log;
    RunResult r = runWithTables(run, c.path, c.input, log, c.args);
    EXPECT_EQ(r.status, 0) << log;
    EXPECT_EQ(log.find(c.expected) != std::string::npos, c.present) << log;
  }
}

TEST(TablebaseEngine, SearchStatisticsReportTheTables) {
  ScratchDir run, quiet, tb;
  tb.write("kqk.nbw", bytes(25629));
  tb.write("kqk.nbb", bytes(28644));
  std::string log;
  runWithTables(run, tb.path(), "xboard\nforce\nsd 2\nsetboard 8/8/8/3k4/8/8/1Q6/K7 w - -\ngo\nquit\n", log);
  EXPECT_NE(log.find("EGTB: probs "), std::string::npos) << log;
  runWithTables(quiet, tb.path(), "xboard\nforce\nsd 2\ngo\nquit\n", log, {"-x"});
  EXPECT_NE(log.find("EGTB: disabled\n"), std::string::npos) << log;
}
