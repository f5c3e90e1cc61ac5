#include "search/epd.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "board/fen.h"
#include "board/notation.h"
#include "board/position.h"
#include "board/print.h"
#include "core/output.h"
#include "core/state.h"
#include "search/root.h"
#include "search/search.h"
#include "search/state.h"
#include "search/thinking.h"
#include "search/timecontrol.h"
#include "search/tt.h"

namespace tarrock {

namespace {

constexpr size_t MaxSuiteLine = 65536;
constexpr int MaxSolutions = 32;

struct SuiteState {
  Position* pos = nullptr;
  Move solutions[MaxSolutions];
  int solutionCount = 0;
  bool avoidMode = false;
  bool solved = false;
  int solvedIterations = 0;
  uint32_t solvedAt = 0;
  int extraPly = 3;
} suite;

std::string tempDirectory() {
  const char* dir = std::getenv("TMPDIR");
  return (dir && *dir) ? dir : "/tmp";
}

FILE* openReported(const std::string& name, const char* mode) {
  FILE* f = std::fopen(name.c_str(), mode);
  if (!f) std::fprintf(stderr, "%s: %s\n", name.c_str(), std::strerror(errno));
  return f;
}

// Reads one line without its newline; false at end of file. Lines longer
// than the limit are read whole and reported as too long.
bool readLine(FILE* f, std::string& line, bool& tooLong) {
  line.clear();
  tooLong = false;
  int c;
  bool any = false;
  while ((c = std::fgetc(f)) != EOF) {
    any = true;
    if (c == '\n') break;
    if (line.size() < MaxSuiteLine) line += char(c);
    else tooLong = true;
  }
  return any;
}

// The test's name: the text after "id " up to the ";", quotes dropped; both
// forms keep their blanks. Without "id ", "test N".
std::string testName(const std::string& line, int number) {
  size_t at = line.find("id ");
  if (at == std::string::npos) return "test " + std::to_string(number);
  size_t start = at + 3;
  while (start < line.size() && line[start] == ' ') ++start;
  std::string name;
  if (start < line.size() && line[start] == '"') {
    size_t close = line.find('"', start + 1);
    name = line.substr(start + 1, close == std::string::npos ? std::string::npos : close - start - 1);
  } else {
    size_t end = line.find(';', start);
    name = line.substr(start, end == std::string::npos ? std::string::npos : end - start);
    size_t quote = name.rfind('"');
    if (quote != std::string::npos) name.erase(quote);
    while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.pop_back();
  }
  return name;
}

bool printable(char c) { return static_cast<unsigned char>(c) >= 0x20 && c != 0x7F; }

// Parses the moves of the operation starting at text; ends the program on a
// move that does not parse. The list ends at ';', at the end of the line or
// at the first character that is not printable.
void readSolutions(Position& pos, const std::string& line, size_t at) {
  suite.solutionCount = 0;
  size_t i = at;
  while (i < line.size() && printable(line[i]) && line[i] != ';') {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i >= line.size() || line[i] == ';') break;
    size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != ';') ++i;
    std::string text = line.substr(start, i - start);
    Move m = text.size() < 32 ? parseMove(pos, text.c_str()) : 0;
    if (!m) {
      int saved = frontend.printDiagram;
      frontend.printDiagram = 1;
      if (boardHooks.drawDiagram) boardHooks.drawDiagram(stdout, pos);
      frontend.printDiagram = saved;
      std::printf("Invalid move: %s\n", text.c_str());
      std::fflush(stdout);
      std::exit(1);
    }
    if (suite.solutionCount < MaxSolutions) suite.solutions[suite.solutionCount++] = m;
  }
}

void onIterationEnd() { EpdCheckSolution(true); }
void onBestMove() { EpdCheckSolution(false); }

}  // namespace

std::string SuiteResultsPath() { return tempDirectory() + "/tarrock.test"; }
std::string SuiteFailuresPath() { return tempDirectory() + "/failed.epd"; }

void EpdCheckSolution(bool iterationFinished) {
  if (!suite.pos) return;
  Move best = suite.pos->pv[0][0];
  bool listed = false;
  for (int i = 0; i < suite.solutionCount; ++i)
    if (suite.solutions[i] == best) listed = true;
  suite.solved = suite.avoidMode ? !listed : listed;
  if (!suite.solved) {
    suite.solvedIterations = 0;
    suite.solvedAt = 0;
    return;
  }
  if (iterationFinished) suite.solvedIterations++;
  if (suite.solvedAt == 0) suite.solvedAt = Ticks();
  if (!suite.avoidMode && suite.solvedIterations == suite.extraPly) search.abortSearch = 1;
}

void RunTestSuite(const char* file, int seconds, int extraPly) {
  const uint32_t start = Ticks();
  PrintInfo("Testing %s, %d seconds, extra ply %d\n", file, seconds, extraPly);
  FILE* results = openReported(SuiteResultsPath(), "a");
  FILE* failures = openReported(SuiteFailuresPath(), "w");
  FILE* in = openReported(file, "r");
  if (!in) {
    if (results) std::fclose(results);
    if (failures) std::fclose(failures);
    return;
  }
  Position* pos = NewPosition();
  newGame(*pos);
  suite.pos = pos;
  suite.extraPly = extraPly;
  if (results) std::fprintf(results, "Testing %s (%d seconds)\n", file, seconds);
  search.testSuiteRunning = true;
  search.suiteFailHigh = onBestMove;
  search.suiteNewBest = onBestMove;
  search.suiteIterationEnd = onIterationEnd;

  int tests = 0, solvedCount = 0;
  uint64_t totalNodes = 0;
  uint32_t timeSum = 0;
  char average[32] = "0.00";
  std::string line;
  bool tooLong;
  while (readLine(in, line, tooLong)) {
    if (!line.empty() && line[0] == '*') continue;
    if (tooLong) {
      PrintInfo("Line too long, skipped\n");
      continue;
    }
    size_t op = line.find("bm ");
    bool avoid = false;
    if (op == std::string::npos) {
      op = line.find("am ");
      avoid = op != std::string::npos;
    }
    if (op == std::string::npos) {
      if (line.find_first_not_of(" \t\r") != std::string::npos)
        PrintInfo("No bm or am operation, skipped: %s\n", line.c_str());
      continue;
    }
    ++tests;
    std::string name = testName(line, tests);
    newGame(*pos);
    setupFromFen(*pos, line.c_str());
    suite.avoidMode = avoid;
    readSolutions(*pos, line, op + 2);

    PrintInfo("Testing: %s   %s:", name.c_str(), avoid ? "Avoid" : "Solution");
    for (int i = 0; i < suite.solutionCount; ++i) PrintInfo(" %s", moveToSan(*pos, suite.solutions[i]));
    PrintInfo("\n");

    ClearHashTable();
    pos->keyStack[pos->keyTop] = computeKey(*pos);
    ClearSearchTables(*pos);
    PrintBoard(*pos);
    search.abortSearch = 0;
    timeControl.allocatedTime = timeControl.maximumTime = seconds * 100;
    suite.solvedIterations = 0;
    suite.solvedAt = 0;
    suite.solved = false;
    Think(*pos);

    totalNodes += search.nodes;
    const uint32_t now = Ticks();
    if (suite.solved) {
      ++solvedCount;
      timeSum += suite.solvedAt - timeControl.searchStartTicks;
    } else {
      timeSum += now - timeControl.searchStartTicks;
    }
    std::snprintf(average, sizeof average, "%s", FormatTime(0, timeSum / uint32_t(tests)));
    Move best = pos->pvLength[0] > 0 ? pos->pv[0][0] : 0;
    std::string bestText = best ? moveToSan(*pos, best) : "none";
    PrintInfo("Best move: %s (%s)  %s ", bestText.c_str(), FormatScore(search.rootScore),
              suite.solved ? "Solved" : "Not solved");
    PrintInfo("(%d/%d)\n", solvedCount, tests);
    if (results) {
      std::fprintf(results, " %s: %ld nodes %s %s %s\n", name.c_str(), long(search.nodes),
                   FormatTime(timeControl.searchStartTicks, suite.solved ? suite.solvedAt : now),
                   bestText.c_str(), suite.solved ? "Solved" : "Failed");
      std::fflush(results);
    }
    if (!suite.solved && failures) {
      std::fprintf(failures, "%s\n", line.c_str());
      std::fflush(failures);
    }
    PrintInfo("\n");
  }
  search.testSuiteRunning = false;
  search.suiteFailHigh = search.suiteNewBest = search.suiteIterationEnd = nullptr;
  suite.pos = nullptr;
  std::fclose(in);
  if (tests > 0) {
    uint32_t now = Ticks();
    uint32_t e = now - start;
    if (e < 1) e = 1;
    PrintInfo("Time: %s, ", FormatTime(start, now));
    PrintInfo("Average: %s, Nodes: %lu, nps: %d\n", average, (unsigned long)totalNodes,
              int((totalNodes / e) * 100));
    PrintInfo("Summary: %d/%d\n", solvedCount, tests);
  }
  if (results) std::fclose(results);
  if (failures) std::fclose(failures);
  FreePosition(pos);
}

}  // namespace tarrock
