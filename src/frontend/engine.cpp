#include "frontend/engine.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "board/fen.h"
#include "board/position.h"
#include "board/print.h"
#include "book/bookfile.h"
#include "book/build.h"
#include "core/config.h"
#include "core/numbers.h"
#include "core/output.h"
#include "core/state.h"
#include "eval/evaltables.h"
#include "eval/pawns.h"
#include "frontend/commands.h"
#include "frontend/diagram.h"
#include "frontend/engineturn.h"
#include "frontend/input.h"
#include "frontend/poll.h"
#include "search/epd.h"
#include "search/state.h"
#include "search/tt.h"
#include "tablebase/probe.h"

namespace tarrock {

namespace {

// Command-line values used only during start-up.
struct StartupOptions {
  const char* configFile = "tarrock.cfg";
  bool configNamed = false;  // -c given
  const char* fen = nullptr;
  const char* testFile = nullptr;
  int testSeconds = 10;
  int testExtraPlies = 3;
  const char* pgnFile = nullptr;
  int bookCutDepth = 60;
  int bookMinCount = 2;
};

const char* const UsageText =
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

[[noreturn]] void PrintUsage() {
  std::fputs(UsageText, stdout);
  std::fflush(stdout);
  std::exit(0);
}

void scanOptions(int argc, char** argv, StartupOptions& options) {
  int c;
  while ((c = getopt(argc, argv, "qdnHL:m:c:CaN:b:h:exT:t:p:B:I:D:oP:l:v")) != -1) {
    switch (c) {
      case 'q': frontend.showOutput = 0; break;
      case 'd': frontend.printDiagram = 1; break;
      case 'n': frontend.moveNumbers = 1; break;
      case 'H': frontend.printHashUsage = 1; break;
      case 'm': search.maxSearchDepth = DepthLimit(readNumber(optarg)); break;
      case 'c':
        options.configFile = optarg;
        options.configNamed = true;
        break;
      case 'C':
        PrintConfiguration();
        std::exit(0);
      case 'a':
        frontend.infiniteAnalysis = 1;
        frontend.engineToMove = 1;
        break;
      case 'N':
        frontend.infiniteAnalysis = 1;
        frontend.engineToMove = 1;
        search.multiPv = readNumber(optarg);
        break;
      case 'b': options.fen = optarg; break;
      case 'h':
        SetSymbol("HASH", optarg);
        std::printf("Hash size %d\n", config.hash);
        std::fflush(stdout);
        break;
      case 'e': frontend.ponderEnabled = 0; break;
      case 'x': frontend.tablebasesEnabled = 0; break;
      case 'T': options.testFile = optarg; break;
      case 't': options.testSeconds = readNumber(optarg); break;
      case 'p': options.testExtraPlies = readNumber(optarg); break;
      case 'B': SetSymbol("BOOK", optarg); break;
      case 'I':
        options.pgnFile = optarg;
        frontend.tablebasesEnabled = 0;
        break;
      case 'D': options.bookCutDepth = readNumber(optarg); break;
      case 'o': frontend.bookEnabled = 0; break;
      case 'P': options.bookMinCount = readNumber(optarg); break;
      case 'l': SetSymbol("LOGFNAME", optarg); break;
      case 'v':
        PrintInfo("Tarrock %s\n", EngineVersion);
        std::exit(0);
      default: PrintUsage();  // -L and unknown letters
    }
  }
}

}  // namespace

// One cycle after another until the input ends. A line read by a poll is
// executed before the engine's turn starts; a command that should cancel the
// turn (a move, "force", "new", a new position) does so itself.
void RunMainLoop(Position& pos) {
  static char lineBuffer[LineBufferSize];
  while (!InputAtEnd()) {
    bool readOrExecute = false;
    if (!PollInput(pos) && !frontend.pendingCommand) {
      if (frontend.engineToMove) {
        ThinkStep(pos);
        continue;
      }
      readOrExecute = frontend.forceMode || PollInput(pos);
    }
    if (frontend.pendingCommand) {
      // A line read by a search (of "best", or one stopped by the line)
      // is executed in the next cycle.
      ExecuteCommand(pos);
      std::fflush(stdout);
      continue;
    }
    if (readOrExecute || !frontend.ponderEnabled || frontend.noPonder) {
      if (frontend.protocolMode == Console) PrintInfo("tarrock: ");
      if (!ReadInputLine(lineBuffer, sizeof lineBuffer)) EndAtEndOfInput();
      TrimLineEnd(lineBuffer);
      if (*lineBuffer) {
        frontend.pendingCommand = lineBuffer;
        ExecuteCommand(pos);
      }
      std::fflush(stdout);
      continue;
    }
    ThinkStep(pos);
  }
  CloseLog();
  std::fflush(stdout);
}

void InstallFrontendHooks() {
  boardHooks.drawDiagram = DrawDiagram;
  search.pollInput = PollInput;
}

int EngineMain(int argc, char** argv) {
  Position* pos = NewPosition();
  StartupOptions options;
  scanOptions(argc, argv, options);
  InstallFrontendHooks();

  PrintInfo("Tarrock %s\n", EngineVersion);
  std::printf("feature done=0\n");
  std::fflush(stdout);
  LoadConfiguration(options.configFile, !options.configNamed);
  OpenLog(config.logFileName.c_str());
  std::time_t now = std::time(nullptr);
  PrintInfo("Logfile: %s", std::ctime(&now));

  InitEvalTables();
  ResizeHashMemory(config.hash);
  initKeys();
  AllocateHashTable(transTable.configuredEntries);
  AllocatePawnTable();
  newGame(*pos);
  frontend.timeLeft = 30000;
  if (options.fen) setupFromFen(*pos, options.fen);
  if (frontend.tablebasesEnabled && !config.tbPath.empty() && InputIsTerminal()) {
    InitializeTablebases();
  }

  if (options.testFile) {
    RunTestSuite(options.testFile, options.testSeconds, options.testExtraPlies);
    CloseLog();
    FreePosition(pos);
    return 0;
  }

  if (options.pgnFile) {
    BookBuildOptions build;
    build.cutDepth = options.bookCutDepth;
    build.minPlayed = options.bookMinCount;
    int status = BuildBook(options.pgnFile, config.book.c_str(), build);
    CloseLog();
    FreePosition(pos);
    return status;
  }
  if (frontend.bookEnabled)
    OpenBook(ChooseBookFile(config.book, SymbolGiven("BOOK"), InstalledBookPaths()).c_str(), !SymbolGiven("BOOK"));

  search.nodes = 0;
  RunMainLoop(*pos);
  FreePosition(pos);
  return 0;
}

}  // namespace tarrock
