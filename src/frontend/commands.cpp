#include "board/print.h"
#include "frontend/commands.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "board/fen.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "book/learn.h"
#include "book/probe.h"
#include "core/config.h"
#include "core/numbers.h"
#include "core/output.h"
#include "core/state.h"
#include "eval/pawns.h"
#include "frontend/diagram.h"
#include "frontend/edit.h"
#include "frontend/engineturn.h"
#include "frontend/input.h"
#include "frontend/levels.h"
#include "frontend/replies.h"
#include "search/ponder.h"
#include "search/root.h"
#include "search/search.h"
#include "search/state.h"
#include "search/timecontrol.h"
#include "search/tt.h"
#include "tablebase/probe.h"

namespace tarrock {

namespace {

bool isSeparator(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

struct CommandContext {
  Position& pos;
  char** words;
  int argCount;     // words after the command
  const char* line;  // the whole line as received
  const char* word(int i) const { return i <= argCount ? words[i] : ""; }
  bool is(int i, const char* text) const { return i <= argCount && std::strcmp(words[i], text) == 0; }
};

// The game record and the undo stacks hold a bounded number of plies; a move
// beyond them (with room left for a search) is refused.
bool roomForMove(const Position& pos) {
  return pos.game->count < MaxGamePlies - 1 && pos.keyTop < MaxGamePlies - MaxPly - 4;
}

void interruptHandler(int) { search.pollCountdown = 0; }

// A search that UCI "go" asked for and that has not started yet: UCI answers
// every "go" with one "bestmove", even when "stop" or "ponderhit" comes
// before the search could.
bool uciSearchDue() {
  return frontend.protocolMode == Uci &&
         (frontend.engineToMove || (frontend.pondering && frontend.ponderEnabled && !frontend.noPonder));
}

// The move that is due is searched one ply deep and answered at once.
void answerDueMoveNow(Position& pos) {
  search.maxSearchDepth = OnePly;
  frontend.infiniteAnalysis = 0;
  frontend.pondering = 0;
  frontend.engineToMove = 1;
  ThinkStep(pos);
}

// After a command that sets up another position: an analysis goes on with the
// new position, a move the engine was about to choose is no longer due. (A
// UCI "go" is always answered, so UCI keeps its search.)
// An analysis (console or xboard) lasts until "exit": any other command lets
// it go on.
int analysisGoesOn() { return frontend.infiniteAnalysis && frontend.protocolMode != Uci ? 1 : 0; }

void positionChanged() {
  if (frontend.protocolMode == Uci) return;
  frontend.engineToMove = analysisGoesOn();
}

void clearForNewGame(bool clearHistory) {
  ClearHashTable();
  if (clearHistory) std::memset(search.history, 0, sizeof search.history);
  search.lastScore = 0;
  ponderState.ponderScore = 0;
  search.ponderMove = 0;
  frontend.ponderHit = 0;
}

void moveEntry(CommandContext& c) {
  Position& pos = c.pos;
  frontend.ponderHit = 0;
  Move m = parseMove(pos, c.words[0]);
  bool accepted = m && roomForMove(pos) && isLegalMove(pos, m) &&
                  pos.board[moveFrom(m)] && colourOf(pos.board[moveFrom(m)]) == pos.sideToMove;
  if (!accepted) {
    PrintBoard(pos);
    reportInvalidMove(pos, m);
    if (frontend.protocolMode == Xboard) SendIllegalMove(m, c.words[0]);
    frontend.engineToMove = 0;
    return;
  }
  playMove(pos, m);
  if (m == search.ponderMove) {
    PrintInfo("Predicted move!!\n");
    frontend.ponderHit = 1;
  }
  if (!frontend.forceMode) frontend.engineToMove = 1;
}

void cmdUndo(CommandContext& c) {
  takeBack(c.pos);
  if (frontend.infiniteAnalysis) frontend.engineToMove = 1;
  else positionChanged();
}

// xboard takes back a move of the user's with "remove": the user's move and
// the engine's reply.
void cmdRemove(CommandContext& c) {
  takeBack(c.pos);
  takeBack(c.pos);
  if (frontend.infiniteAnalysis) frontend.engineToMove = 1;
  else positionChanged();
}

void cmdXboard(CommandContext&) {
  std::signal(SIGINT, interruptHandler);
  frontend.protocolMode = Xboard;
  frontend.forceMode = 0;
  frontend.engineToMove = 0;
  frontend.printDiagram = 0;
  if (frontend.tablebasesEnabled && !config.tbPath.empty()) InitializeTablebases();
}

void cmdProtover(CommandContext& c) {
  frontend.xboardProtover = readNumber(c.word(1));
  std::printf("feature setboard=1\n");
  std::printf("feature analyze=1\n");
  std::printf("feature setboard=1\n");
  std::printf("feature myname=\"Tarrock %s\"\n", EngineVersion);
  std::printf("feature ics=1\n");
  std::printf("feature done=1\n");
  std::printf("feature ping=1\n");
  std::fflush(stdout);
}

void cmdNothing(CommandContext&) {}

void cmdPing(CommandContext& c) {
  std::printf("pong %s\n", c.word(1));
  std::fflush(stdout);
}

void cmdFritz(CommandContext&) {
  frontend.fritzMode = 1;
  frontend.xboardPost = 1;
}

void cmdLevel(CommandContext& c) {
  static char base[LineBufferSize];
  int mps = 0, inc = 0;
  int n = std::sscanf(c.line, "%*s %d %s %d", &mps, base, &inc);
  if (n >= 1) timeControl.movesPerControl = mps;
  if (n >= 3) timeControl.increment[White] = timeControl.increment[Black] = inc;
}

void cmdForce(CommandContext&) {
  frontend.forceMode = 1;
  frontend.engineToMove = analysisGoesOn();
}

void uciGo(CommandContext& c);

void cmdGo(CommandContext& c) {
  if (frontend.protocolMode == Uci) {
    uciGo(c);
    return;
  }
  frontend.forceMode = 0;
  frontend.engineToMove = 1;
}

void cmdReset(CommandContext& c) {
  ClearSearchTables(c.pos);
  clearForNewGame(true);
}

void cmdNew(CommandContext& c) {
  Position& pos = c.pos;
  if (!frontend.fritzMode) clearForNewGame(true);
  pos.game->drawScore = frontend.levelDrawScore;
  std::memset(pos.killer1, 0, sizeof pos.killer1);
  std::memset(pos.killer2, 0, sizeof pos.killer2);
  newGame(pos);
  frontend.engineToMove = analysisGoesOn();
  frontend.forceMode = 0;
  frontend.timeLeft = 30000;
  frontend.noPonder = 1;
}

void cmdName(CommandContext& c) { PrintInfo("Playing %s\n", c.word(1)); }

void cmdRating(CommandContext& c) {
  GameRecord& g = *c.pos.game;
  g.engineRating = readNumber(c.word(1));
  g.opponentRating = readNumber(c.word(2));
  if (int64_t(g.engineRating) > int64_t(g.opponentRating) + 150) g.drawScore = -30;
  PrintInfo("Rating %s %s %d\n", c.word(1), c.word(2), g.drawScore);
}

// A move still due is answered first, at once, as when "quit" stops a search.
void cmdQuit(CommandContext& c) {
  if (uciSearchDue() || (frontend.engineToMove && !frontend.infiniteAnalysis)) answerDueMoveNow(c.pos);
  CloseLog();
  std::fflush(stdout);
  std::exit(0);
}

void cmdWhite(CommandContext& c) {
  setSideToMove(c.pos, White);
  positionChanged();
}
void cmdBlack(CommandContext& c) {
  setSideToMove(c.pos, Black);
  positionChanged();
}

void cmdDisplay(CommandContext& c) {
  frontend.printDiagram++;
  DrawDiagram(stdout, c.pos);
  frontend.printDiagram--;
}

void cmdHard(CommandContext&) { frontend.ponderEnabled = 1; }
void cmdEasy(CommandContext&) { frontend.ponderEnabled = 0; }

void cmdBook(CommandContext& c) {
  if (c.argCount == 0) {
    Move m = frontend.bookEnabled ? BookProbe(c.pos) : 0;
    if (m) std::printf("Suggested move: %s\n", moveToSan(c.pos, m));
    else std::printf("No book move\n");
    return;
  }
  if (c.is(1, "on")) frontend.bookEnabled = 1;
  else if (c.is(1, "off")) frontend.bookEnabled = 0;
  std::printf("Book %s\n", frontend.bookEnabled ? "on" : "off");
}

void cmdPost(CommandContext&) { frontend.xboardPost = 1; }
void cmdNopost(CommandContext&) { frontend.xboardPost = 0; }

void cmdTime(CommandContext& c) {
  if (c.argCount == 1) frontend.timeLeft = readNumber(c.word(1));
}

void cmdOtim(CommandContext& c) {
  if (c.argCount == 1) frontend.opponentClock = readNumber(c.word(1));
}

void cmdDepth(CommandContext& c) {
  if (c.argCount != 1) return;
  int n = readNumber(c.word(1));
  search.maxSearchDepth = n == 0 ? 768 : DepthLimit(n);
}

void cmdSt(CommandContext& c) {
  if (c.argCount == 1) timeControl.fixedMoveTime = clampedProduct(readNumber(c.word(1)), 100);
}

void cmdEdit(CommandContext& c) {
  EditMode(c.pos);
  positionChanged();
}

void cmdSetboard(CommandContext& c) {
  const char* text = c.line;
  while (*text && isSeparator(*text)) ++text;
  text += std::strlen("setboard");
  setupFromFen(c.pos, text);
  positionChanged();
}

void cmdAnalyze(CommandContext&) {
  frontend.infiniteAnalysis = 1;
  frontend.timeLeft = 300000000;
  frontend.engineToMove = 1;
  frontend.xboardPost = 1;
  frontend.forceMode = 0;
}

void cmdBest(CommandContext& c) {
  if (c.argCount != 1) return;
  int lines = readNumber(c.word(1));
  if (lines < 1) lines = 1;
  if (!RefuseIllegalPosition(c.pos)) ThinkMultiPv(c.pos, lines);
}

void cmdPonder(CommandContext& c) {
  if (c.argCount != 1) return;
  if (c.is(1, "on")) {
    frontend.ponderEnabled = 1;
    return;
  }
  if (c.is(1, "off")) {
    frontend.ponderEnabled = 0;
    return;
  }
  Position& pos = c.pos;
  Move m = parseMove(pos, c.word(1));
  if (m && roomForMove(pos) && isLegalMove(pos, m)) {
    playMove(pos, m);
    if (!frontend.forceMode) frontend.engineToMove = 1;
    return;
  }
  PrintBoard(pos);
  PrintInfo("Cannot accept %s\n", c.word(1));
  if (frontend.protocolMode == Xboard) SendIllegalMove(m, c.word(1));
  else reportInvalidMove(pos, m);
  frontend.engineToMove = 0;
}

void cmdDraw(CommandContext& c) {
  if (c.pos.unchangedScoreCount >= 3) PrintOut("offer draw\n");
}

void cmdResult(CommandContext& c) {
  Position& pos = c.pos;
  pos.gameInProgress = 0;
  frontend.noPonder = 1;
  if (frontend.protocolMode != Uci && !frontend.infiniteAnalysis) frontend.engineToMove = 0;
  if (c.is(1, "1-0")) pos.game->result = 1;
  else if (c.is(1, "0-1")) pos.game->result = 2;
  else if (c.is(1, "1/2-1/2")) pos.game->result = 3;
  BookLearn(pos, search.rootSide);
}

void cmdExit(CommandContext&) {
  frontend.engineToMove = 0;
  frontend.infiniteAnalysis = 0;
}

// UCI words.

void cmdUci(CommandContext&) {
  frontend.protocolMode = Uci;
  frontend.ponderEnabled = 0;
  timeControl.movesPerControl = 0;
  std::printf("id name Tarrock %s\n", EngineVersion);
  std::printf("id author the Tarrock team\n");
  std::printf("option name Hash type spin min 1 max 2047 default 32\n");
  std::printf("option name MultiPV type spin min 1 max 20 default 1\n");
  std::printf("option name NalimovPath type string default c:\\chess\\tb\n");
  std::printf("option name NalimovCache type spin min 1 max 128 default 1\n");
  std::printf("option name Clear Hash type button\n");
  std::printf("option name Own opening book type check default true\n");
  std::printf("option name Play level type spin min 1 max 11 default 11\n");
  std::printf("uciok\n");
  std::fflush(stdout);
}

void cmdSetoption(CommandContext& c) {
  Position& pos = c.pos;
  if (c.is(2, "MultiPV") || c.is(2, "multipv")) {
    search.multiPv = readNumber(c.word(4));
  } else if (c.is(2, "Hash")) {
    config.hash = clampedProduct(readNumber(c.word(4)), 1048576);
    ResizeHashMemory(config.hash);
    AllocateHashTable(transTable.configuredEntries);
    AllocatePawnTable();
  } else if (c.is(2, "Clear") && c.is(3, "Hash")) {
    ClearHashTable();
  } else if (c.is(2, "Own") && c.is(3, "opening") && c.is(4, "book")) {
    frontend.bookEnabled = c.is(6, "false") ? 0 : 1;
  } else if (c.is(2, "Play") && c.is(3, "level")) {
    SetPlayLevel(pos, readNumber(c.word(5)));
  } else if (c.is(2, "NalimovPath")) {
    if (!frontend.tablebasesEnabled) return;
    std::string path;
    for (int i = 4; i <= c.argCount; ++i) {
      if (i > 4) path += ' ';
      path += c.words[i];
    }
    config.tbPath = path;
    if (!InitializeTablebases()) PrintInfo("No endgame tables found\n");
  } else if (c.is(2, "NalimovCache")) {
    if (!frontend.tablebasesEnabled) return;
    if (frontend.tbMaxMen == 0) {
      frontend.tablebasesEnabled = 0;
      return;
    }
    config.egtbHashSize = clampedProduct(readNumber(c.word(4)), 1048576);
    PrintInfo("Initializing tablebase cache: %s\n", FormatMemorySize(config.egtbHashSize));
    SetUpTablebaseCache(config.egtbHashSize);
  } else {
    PrintInfo("Ignored:");
    for (int i = 0; i <= c.argCount; ++i) PrintInfo(" %s", c.words[i]);
    PrintInfo("\n");
  }
}

void cmdIsready(CommandContext&) {
  std::printf("readyok\n");
  std::fflush(stdout);
}

// "stop" before the search started: the move is answered now.
void cmdStop(CommandContext& c) {
  if (uciSearchDue()) answerDueMoveNow(c.pos);
}

// "ponderhit" before the ponder search started: it starts as a normal search
// under the clock.
void cmdPonderhit(CommandContext&) {
  frontend.ponderHit = 1;
  if (uciSearchDue() && frontend.pondering) frontend.pondering = 0;
}

struct UciState {
  int previousMoveCount = 0;
};
UciState uciState;

void cmdPosition(CommandContext& c) {
  Position& pos = c.pos;
  int moves = 0;
  newGame(pos);
  if (c.is(1, "fen")) {
    std::string fen;
    for (int i = 2; i <= 5 && i <= c.argCount; ++i) {
      if (i > 2) fen += ' ';
      fen += c.words[i];
    }
    setupFromFen(pos, fen.c_str());
  }
  int first = 0;
  while (first <= c.argCount && std::strcmp(c.words[first], "moves") != 0) ++first;
  for (int i = first + 1; i <= c.argCount; ++i) {
    Move m = parseMove(pos, c.words[i]);
    if (!m || !isMoveValid(pos, m)) {
      PrintInfo("Illegal move %s\n", c.words[i]);
      CloseLog();
      std::fflush(stdout);
      std::exit(1);
    }
    if (!roomForMove(pos)) {
      PrintInfo("Game too long, moves from %s on are not played\n", c.words[i]);
      break;
    }
    makeMove(pos, m);
    ++moves;
  }
  if (c.is(1, "startpos")) {
    if (moves != uciState.previousMoveCount + 2) {
      PrintInfo("UCI New game\n");
      pos.game->drawScore = frontend.levelDrawScore;
      search.lastScore = 0;
    }
    uciState.previousMoveCount = moves;
  }
}

void uciGo(CommandContext& c) {
  Position& pos = c.pos;
  search.maxSearchDepth = 768;
  timeControl.movesToGo = 0;
  timeControl.fixedMoveTime = 0;
  frontend.infiniteAnalysis = 0;
  frontend.engineToMove = 1;
  pos.searchMoves[0] = 0;
  for (int i = 1; i <= c.argCount; ++i) {
    const char* w = c.words[i];
    bool hasValue = i + 1 <= c.argCount;
    auto value = [&]() { return readNumber(c.words[++i]); };
    if (!std::strcmp(w, "searchmoves")) {
      int n = 0;
      for (++i; i <= c.argCount && n < MaxRootMoves; ++i)
        if (Move m = parseMove(pos, c.words[i])) pos.searchMoves[n++] = m;
      pos.searchMoves[n] = 0;
      break;
    } else if (!std::strcmp(w, "ponder")) {
      frontend.pondering = 1;
      frontend.ponderHit = 0;
      frontend.ponderEnabled = 1;
      frontend.noPonder = 0;
      frontend.engineToMove = 0;
    } else if (!std::strcmp(w, "wtime") && hasValue) {
      int ms = value();
      if (pos.sideToMove == White) frontend.timeLeft = ms / 10;
    } else if (!std::strcmp(w, "btime") && hasValue) {
      int ms = value();
      if (pos.sideToMove == Black) frontend.timeLeft = ms / 10;
    } else if (!std::strcmp(w, "winc") && hasValue) {
      timeControl.increment[White] = value() / 1000;
    } else if (!std::strcmp(w, "binc") && hasValue) {
      timeControl.increment[Black] = value() / 1000;
    } else if (!std::strcmp(w, "movestogo") && hasValue) {
      timeControl.movesToGo = value();
    } else if (!std::strcmp(w, "depth") && hasValue) {
      search.maxSearchDepth = DepthLimit(value());
    } else if (!std::strcmp(w, "nodes") || !std::strcmp(w, "mate")) {
      PrintInfo("FIXME go ... %s\n", w);
    } else if (!std::strcmp(w, "movetime") && hasValue) {
      timeControl.fixedMoveTime = value() / 10;
    } else if (!std::strcmp(w, "infinite")) {
      frontend.infiniteAnalysis = 1;
      frontend.timeLeft = 300000000;
      frontend.engineToMove = 1;
    } else {
      PrintInfo("FIXME undefined command\n");
    }
  }
}

struct Command {
  const char* word;
  void (*run)(CommandContext&);
};

const Command commandTable[] = {
    {"undo", cmdUndo},       {"remove", cmdRemove},     {"xboard", cmdXboard},     {"protover", cmdProtover},
    {"accepted", cmdNothing}, {"ping", cmdPing},        {"fritz", cmdFritz},
    {"level", cmdLevel},     {"force", cmdForce},       {"go", cmdGo},
    {"reset", cmdReset},     {"new", cmdNew},           {"name", cmdName},
    {"rating", cmdRating},   {"ics", cmdNothing},       {"quit", cmdQuit},
    {"white", cmdWhite},     {"black", cmdBlack},       {"display", cmdDisplay},
    {"hard", cmdHard},       {"easy", cmdEasy},         {"book", cmdBook},
    {"post", cmdPost},       {"nopost", cmdNopost},     {"time", cmdTime},
    {"otim", cmdOtim},       {"sd", cmdDepth},          {"depth", cmdDepth},
    {"st", cmdSt},           {"edit", cmdEdit},         {"setboard", cmdSetboard},
    {"analyze", cmdAnalyze}, {"best", cmdBest},         {".", cmdNothing},
    {"?", cmdNothing},       {"computer", cmdNothing},  {"ponder", cmdPonder},
    {"draw", cmdDraw},       {"result", cmdResult},     {"exit", cmdExit},
    {"random", cmdNothing},  {"uci", cmdUci},           {"setoption", cmdSetoption},
    {"stop", cmdStop},    {"isready", cmdIsready},   {"ponderhit", cmdPonderhit},
    {"position", cmdPosition},
};

}  // namespace

int32_t DepthLimit(int plies) { return plies < 1 ? OnePly : clampedProduct(plies, OnePly); }

int SplitWords(char* line, char** words, int maxWords) {
  int count = 0;
  char* p = line;
  while (*p && count < maxWords) {
    while (*p && isSeparator(*p)) ++p;
    if (!*p) break;
    words[count++] = p;
    while (*p && !isSeparator(*p)) ++p;
    if (*p) *p++ = '\0';
  }
  return count;
}

namespace {
char executingLine[LineBufferSize];
}  // namespace

const char* CurrentCommandLine() { return executingLine; }

void ExecuteCommand(Position& pos) {
  // The line is copied and no longer pending: a line read by a search that
  // the command runs becomes the next pending line.
  char* const line = executingLine;
  std::snprintf(line, sizeof executingLine, "%s", frontend.pendingCommand ? frontend.pendingCommand : "");
  frontend.pendingCommand = nullptr;
  PrintInfo("[%s]\n", line);

  static char buffer[LineBufferSize];
  static char* words[MaxCommandWords];
  std::snprintf(buffer, sizeof buffer, "%s", line);
  int count = SplitWords(buffer, words, MaxCommandWords);
  if (count == 0) return;

  CommandContext context{pos, words, count - 1, line};
  const char* w = words[0];
  if (isLetter(w[0]) && isDigit(w[1]) && isLetter(w[2]) && isDigit(w[3])) {
    moveEntry(context);
    return;
  }
  for (const Command& command : commandTable) {
    if (std::strcmp(w, command.word) == 0) {
      command.run(context);
      return;
    }
  }
  PrintInfo("Unknown command, %s\n", line);
}

}  // namespace tarrock
