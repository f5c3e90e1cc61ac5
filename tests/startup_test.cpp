// End-to-end tests of start-up, the command line and the main loop: the engine
// binary runs in a scratch directory with a script on a pipe.
#include <gtest/gtest.h>

#include <string>

#include "test_support.h"

using namespace tarrock::testutil;

namespace {

const std::string Usage =
    "usage: tarrock [options]\n"
    "   Book options:\n"
    "   -B FILE       Use FILE as opening book\n"
    "   -I PGN-file   Build opening book from PGN-file\n"
    "   -D DEPTH      Cut book lines at DEPTH\n"
    "   -P MINPLAYED  Add moves played more then n-times\n"
    "   -o            Disable opening book\n"
    "\n   Output options:\n"
    "   -v            Print the version number and exit\n"
    "   -d            Print diagram\n"
    "   -n            Print move number before whites move\n"
    "   -H            Print hash usage\n"
    "   -q            Suppress all output\n"
    "   -l FILE       Send log output to FILE\n"
    "\n   Search options:\n"
    "   -a            Start in analyze mode\n"
    "   -N MOVES      Start in analyze mode and analyze N-best moves\n"
    "   -e            Disable Pondering\n"
    "   -m DEPTH      Max depth\n"
    "\n   Other options:\n"
    "   -c FILE       Configuration file\n"
    "   -C            Print default configuration\n"
    "   -h SIZE       Hash size (xxM, xxK or bytes)\n"
    "   -b FEN        Load FEN position\n"
    "   -x            Disable endgame tables\n"
    "\n   Test suite:\n"
    "   -T FILE       Run an epd test suite from FILE\n"
    "   -t SEC        Test time (default 10 seconds)\n"
    "   -p PLY        Extra test ply (default 3)\n";

const std::string DefaultConfig =
    "RESIGN 700\n"
    "HASH 32M\n"
    "LOGFNAME \"\"\n"
    "BOOK \"tarrock.bok\"\n"
    "EGTB_HASH_SIZE 1M\n"
    "TB_PATH \"c:\\chess\\tb\"\n";

const std::string InitialDiagram =
    "(0) White to move:\n"
    "      +---+---+---+---+---+---+---+---+\n"
    "    8 | *r| *n| *b| *q| *k| *b| *n| *r|\n"
    "      +---+---+---+---+---+---+---+---+\n"
    "    7 | *p| *p| *p| *p| *p| *p| *p| *p|\n"
    "      +---+---+---+---+---+---+---+---+\n"
    "    6 |   |   |   |   |   |   |   |   |\n"
    "      +---+---+---+---+---+---+---+---+\n"
    "    5 |   |   |   |   |   |   |   |   |\n"
    "      +---+---+---+---+---+---+---+---+\n"
    "    4 |   |   |   |   |   |   |   |   |\n"
    "      +---+---+---+---+---+---+---+---+\n"
    "    3 |   |   |   |   |   |   |   |   |\n"
    "      +---+---+---+---+---+---+---+---+\n"
    "    2 | P | P | P | P | P | P | P | P |\n"
    "      +---+---+---+---+---+---+---+---+\n"
    "    1 | R | N | B | Q | K | B | N | R |\n"
    "      +---+---+---+---+---+---+---+---+\n"
    "        a   b   c   d   e   f   g   h\n\n";

// What a run without options prints before its first prompt, with the date
// line taken out, in a directory without a book (and none installed): the
// missing default book is reported in the log only.
const std::string Banner = "Tarrock 2.0.1\nfeature done=0\nTotal hash size 32M\nOpen book: tarrock.bok\n";

std::string withoutDateLine(std::string out) {
  size_t start = out.find("Logfile: ");
  if (start != std::string::npos) out.erase(start, out.find('\n', start) + 1 - start);
  return out;
}

}  // namespace

TEST(CommandLine, OptionsThatPrintAndExit) {
  struct Case {
    std::vector<std::string> args;
    std::string out;
  };
  const Case cases[] = {
      {{"-v"}, "Tarrock 2.0.1\n"},
      {{"-q", "-v"}, ""},
      {{"-C"}, DefaultConfig},
      {{"-h", "64M", "-C"}, "Hash size 67108864\n" + DefaultConfig.substr(0, 11) + "HASH 64M\n" +
                                DefaultConfig.substr(20)},
      {{"-h", "512", "-l", "x.log", "-B", "my.bok", "-C"},
       "Hash size 512\nRESIGN 700\nHASH 0K\nLOGFNAME \"x.log\"\nBOOK \"my.bok\"\n"
       "EGTB_HASH_SIZE 1M\nTB_PATH \"c:\\chess\\tb\"\n"},
      {{"-h", "1536K", "-C"}, "Hash size 1572864\n" + DefaultConfig.substr(0, 11) + "HASH 1M\n" +
                                  DefaultConfig.substr(20)},
      {{"-L", "x"}, Usage},
  };
  for (const Case& c : cases) {
    RunResult r = runEngine(c.args, "");
    EXPECT_EQ(r.status, 0) << c.args[0];
    EXPECT_EQ(r.out, c.out) << c.args[0];
  }
}

TEST(CommandLine, UnknownOptionReportsAndPrintsUsage) {
  RunResult r = runEngine({"-z"}, "");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, Usage);
  EXPECT_NE(r.err.find("-- 'z'"), std::string::npos) << r.err;
}

TEST(MainLoop, ConsoleSessionOverPipe) {
  // Trailing carriage returns go; a trailing blank stays part of the line.
  RunResult r = runEngine({}, "display\r\nfoo \nquit\ndisplay\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(withoutDateLine(r.out), Banner + "tarrock: [display]\n" + InitialDiagram +
                       "tarrock: [foo ]\nUnknown command, foo \ntarrock: [quit]\n");
  // The default configuration file is optional: its absence is not reported.
  EXPECT_EQ(r.err, "");
  RunResult named = runEngine({"-c", "missing.cfg"}, "");
  EXPECT_NE(named.err.find("missing.cfg: No such file or directory"), std::string::npos) << named.err;
}

TEST(MainLoop, EndOfInputEndsWithStatusZero) {
  for (const std::string input : {"", "display", "\n\n\n"}) {
    RunResult r = runEngine({"-q"}, input);
    EXPECT_EQ(r.status, 0) << input;
  }
}

TEST(MainLoop, LinesLongerThanTheBufferAreReadInPieces) {
  std::string huge(30000, 'x');
  std::string words;
  for (int i = 0; i < 3000; ++i) words += "w ";
  RunResult r = runEngine({}, huge + "\n" + words + "\ndisplay\n");
  EXPECT_EQ(r.status, 0);
  // 30000 characters arrive as three lines of 10239 and the rest.
  EXPECT_NE(r.out.find("Unknown command, " + std::string(10239, 'x') + "\n"), std::string::npos);
  EXPECT_NE(r.out.find("Unknown command, " + std::string(30000 - 2 * 10239, 'x') + "\n"),
            std::string::npos);
  EXPECT_NE(r.out.find(InitialDiagram), std::string::npos);
}

TEST(MainLoop, FenOptionSetsUpThePosition) {
  RunResult r = runEngine({"-b", "4k3/8/8/8/8/8/8/4K2R b K -"}, "display\n");
  EXPECT_NE(r.out.find("(0) Black to move:\n"), std::string::npos);
  EXPECT_NE(r.out.find("    1 |   |   |   |   | K |   |   | R |\n"), std::string::npos);
}

TEST(LogFile, RecordsDateEchoesPromptsAndDiagrams) {
  ScratchDir dir;
  RunResult r = runEngine({"-l", "run.log"}, "display\nbogus\n", dir.path());
  ASSERT_EQ(r.status, 0);
  std::string log = dir.read("run.log");
  EXPECT_EQ(log.rfind("Logfile: ", 0), 0u) << log;  // the version line precedes the log
  EXPECT_NE(log.find("tarrock: [display]\n"), std::string::npos);
  EXPECT_NE(log.find("[bogus]\nUnknown command, bogus\n"), std::string::npos);
  // "display" draws on standard output only.
  EXPECT_EQ(log.find("+---+"), std::string::npos);
  // The missing default book is told to the log, not to a GUI on the screen.
  EXPECT_NE(log.find("Open book: tarrock.bok\nCannot open opening book: tarrock.bok: No such file or directory\n"),
            std::string::npos);
  EXPECT_EQ(r.out.find("Cannot open opening book"), std::string::npos);

  // A second run appends.
  runEngine({"-l", "run.log"}, "again\n", dir.path());
  std::string both = dir.read("run.log");
  EXPECT_EQ(both.rfind(log, 0), 0u);
  EXPECT_NE(both.find("[again]"), std::string::npos);
}

TEST(LogFile, QuietRunLogsNoEchoes) {
  ScratchDir dir;
  RunResult r = runEngine({"-q", "-l", "q.log"}, "display\nbogus\n", dir.path());
  EXPECT_EQ(r.out, "feature done=0\n" + InitialDiagram);
  EXPECT_EQ(dir.read("q.log"), "");
}

TEST(LogFile, UnopenableLogIsReportedAndTheEngineRuns) {
  ScratchDir dir;
  RunResult r = runEngine({"-l", "no/such/dir/x.log"}, "display\n", dir.path());
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.err.find("no/such/dir/x.log: No such file or directory"), std::string::npos) << r.err;
  EXPECT_NE(r.out.find(InitialDiagram), std::string::npos);
}

TEST(ConfigFile, FileSettingsAndCommandLinePrecedence) {
  ScratchDir dir;
  dir.write("my.cfg", "# engine settings\nHASH 64M\nLOGFNAME \"from-file.log\"\nFOO 12\n");
  RunResult r = runEngine({"-h", "16M", "-c", "my.cfg"}, "x\n", dir.path());
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.rfind("Hash size 16777216\nTarrock 2.0.1\nfeature done=0\n"
                        "Loading configuration: my.cfg\n"
                        "Warning: unknown symbol: FOO\nWarning: unknown symbol: 12\n",
                        0),
            0u)
      << r.out;
  EXPECT_NE(dir.read("from-file.log").find("[x]"), std::string::npos);
}

TEST(MainLoop, AnalysisFromTheCommandLineHearsPipedInput) {
  // "-a" analyses at once; the piped "exit" ends the analysis, "quit" the run.
  RunResult r = runEngine({"-a"}, "exit\nquit\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("{exit}\n"), std::string::npos) << r.out;
}
