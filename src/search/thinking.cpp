#include "search/thinking.h"

#include <cstdio>
#include <cstring>

#include "board/makemove.h"
#include "board/notation.h"
#include "board/print.h"
#include "core/output.h"
#include "core/state.h"
#include "search/root.h"
#include "search/state.h"
#include "search/timecontrol.h"
#include "search/tt.h"
#include "tablebase/probe.h"

namespace tarrock {

namespace {

constexpr int WrapColumn = 49;
constexpr const char* WrapBreak = "\n                        ";

int fullMoveNumber(const Position& pos) { return pos.game->count / 2 + 1; }

// Mate distance in moves for UCI, 0 when the score is not a mate score.
int uciMate(int score) {
  if (score > 30000) return (32768 - score) / 2;
  if (score < -30000) return -((score + 32768) / 2);
  return 0;
}

bool afterOneSecond() { return Elapsed() >= 100; }

const char* elapsedText() { return FormatTime(timeControl.searchStartTicks, Ticks()); }

// The xboard form of a line: SAN moves, numbers only with move numbers on.
void printXboardMoves(Position& pos, const Move* moves, int count) {
  int number = fullMoveNumber(pos);
  if (frontend.moveNumbers && pos.sideToMove == Black) std::printf(" %d.", number);
  if (pos.sideToMove == Black) std::printf(" ...");
  int made = 0;
  for (int i = 0; i < count; ++i) {
    if (frontend.moveNumbers && pos.sideToMove == White) std::printf(" %d.", number);
    std::printf(" %s", moveToSan(pos, moves[i]));
    if (pos.sideToMove == Black) ++number;
    makeMove(pos, moves[i]);
    ++made;
  }
  while (made > 0) unmakeMove(pos, moves[--made]);
}

void printUciMoves(const Move* moves, int count) {
  std::printf(" pv");
  for (int i = 0; i < count; ++i) std::printf(" %s", moveToCoordinate(moves[i]));
}

}  // namespace

const char* FormatScore(int score) {
  static char text[32];
  if (score > 30000) std::snprintf(text, sizeof text, "#%02d", (32768 - score) / 2);
  else if (score < -30000) std::snprintf(text, sizeof text, "-#%02d", (score + 32768) / 2);
  else std::snprintf(text, sizeof text, "%.2f", score / 100.0);
  return text;
}

void PrintWrappedLine(Position& pos, const Move* moves, int count, bool moveNumberRules) {
  const bool numbers = moveNumberRules && frontend.moveNumbers;
  int number = fullMoveNumber(pos);
  int printed = 0;
  if (pos.sideToMove == Black && numbers) printed += PrintInfo(" %d.", number);
  if (pos.sideToMove == Black && moveNumberRules) printed += PrintInfo(" ...");
  int made = 0;
  for (int i = 0; i < count; ++i) {
    bool whiteNumber = numbers && pos.sideToMove == White;
    if (printed >= WrapColumn || (whiteNumber && printed + 4 >= WrapColumn)) {
      PrintInfo("%s", WrapBreak);
      printed = 0;
    }
    if (whiteNumber) printed += PrintInfo(" %d.", number);
    printed += PrintInfo(" %s", moveToSan(pos, moves[i]));
    if (pos.sideToMove == Black) ++number;
    makeMove(pos, moves[i]);
    ++made;
  }
  while (made > 0) unmakeMove(pos, moves[--made]);
}

void PrintSearchHeader(const Position& pos) {
  PrintInfo("\n");
  PrintPositionLine(pos);
  PrintInfo("\n");
  PrintInfo("  Depth   Time  Score    Best line\n");
}

void PrintPvLine(Position& pos, int depth, int score) {
  ExtendPvFromHash(pos);
  if (!frontend.showOutput) return;
  if (frontend.protocolMode != Uci && !frontend.infiniteAnalysis && !afterOneSecond()) return;
  const int plies = depth / 12;
  const Move* line = pos.pv[0];
  const int length = pos.pvLength[0];
  if (frontend.protocolMode == Uci) {
    std::printf("info depth %d seldepth %d nodes %ld", plies, search.selDepth, long(search.nodes));
    std::printf(" nps %d time %d", NodesPerSecond(), int(Elapsed() * 10));
    if (int m = uciMate(score)) std::printf(" score mate %d", m);
    else std::printf(" score cp %d", score);
    printUciMoves(line, length);
    std::printf("\n");
    std::fflush(stdout);
  } else if (frontend.protocolMode == Xboard && frontend.xboardPost) {
    std::printf("%d %d %d %ld ", plies, score, int(Elapsed()), long(search.nodes));
    printXboardMoves(pos, line, length);
    std::printf("\n");
    std::fflush(stdout);
  }
  PrintInfo("  %2d/%-2d %6s %6s   ", plies, search.selDepth, elapsedText(), FormatScore(score));
  PrintWrappedLine(pos, line, length, true);
  PrintInfo("\n");
}

namespace {

void printBound(Position& pos, int depth, int score, bool high) {
  if (!frontend.showOutput || !afterOneSecond()) return;
  const int plies = depth / 12;
  const Move move = pos.pv[0][0];
  if (frontend.protocolMode == Uci) {
    std::printf("info depth %d seldepth %d", plies, search.selDepth);
    std::printf(" nodes %ld", long(search.nodes));
    std::printf(high ? " score cp %d lowerbound" : " score cp %d upperbound", score);
    std::printf(" nps %d", NodesPerSecond());
    std::printf(" pv %s\n", moveToCoordinate(move));
    std::fflush(stdout);
    return;
  }
  if (frontend.protocolMode == Xboard && frontend.xboardPost) {
    std::printf("%d %d %d %ld %s\n", plies, score, int(Elapsed()), long(search.nodes), moveToSan(pos, move));
    if (frontend.infiniteAnalysis) std::printf(high ? "++\n" : "--\n");
    std::fflush(stdout);
  }
  PrintInfo(high ? "  %2d/%-2d %6s     ++   " : "  %2d/%-2d %6s     --   ", plies, search.selDepth,
            elapsedText());
  PrintInfo(pos.sideToMove == Black ? " ... %s" : " %s", moveToSan(pos, move));
  PrintInfo(high ? "    \n" : "     \n");
}

}  // namespace

void PrintFailHigh(Position& pos, int depth, int score) { printBound(pos, depth, score, true); }
void PrintFailLow(Position& pos, int depth, int score) { printBound(pos, depth, score, false); }

void PrintNewBestComing(Position& pos, int depth, Move move) {
  if (!frontend.showOutput || !afterOneSecond()) return;
  PrintInfo("  %2d/%-2d %6s   x.xx   ", depth / 12, search.selDepth, elapsedText());
  PrintInfo(pos.sideToMove == Black ? " ... %s" : " %s", moveToSan(pos, move));
  PrintInfo("    \n");
}

void PrintIterationEnd(Position& pos, int depth, int score) {
  if (!frontend.showOutput || !afterOneSecond()) return;
  PrintInfo("  %2d--> %6s %6s   ", depth / 12, elapsedText(), FormatScore(score));
  PrintWrappedLine(pos, pos.pv[0], pos.pvLength[0], true);
  if (pos.pvLength[0] > 2) PrintInfo("\n");
  else {
    PrintInfo("   ");
    PrintInfo("\n");
  }
}

void PrintCurrentMove(Position& pos, int depth, Move move) {
  const int plies = depth / 12;
  if (afterOneSecond()) {
    if (frontend.protocolMode == Uci) {
      std::printf("info depth %d seldepth %d nodes %ld", plies, search.selDepth, long(search.nodes));
      std::printf(" hashfull %d nps %d", HashFull(), NodesPerSecond());
      std::printf(" currmove %s currmovenumber %d\n", moveToCoordinate(move), search.currentRootIndex + 1);
    } else if (frontend.protocolMode == Console && frontend.showOutput) {
      PrintInfo(plies >= 10 ? "  %d..." : "   %d...", plies);
      PrintInfo(" %6s  %2d/%-2d    %s   \r", elapsedText(), search.currentRootIndex + 1, pos.rootCount,
                moveToSan(pos, move));
    }
  }
  std::fflush(stdout);
}

void PrintAnalysisStatus(const Position& pos) {
  if (!frontend.showOutput) return;
  std::printf("stat01: %d %ld %d %d %d", int(Elapsed()), long(search.nodes), search.iterationDepth / 12,
              pos.rootCount - search.currentRootIndex - 1, pos.rootCount);
  if (frontend.xboardProtover >= 2 && search.currentRootIndex < pos.rootCount)
    std::printf(" %s\n", search.currentRootSan);
  else
    std::printf("\n");
  std::fflush(stdout);
}

void PrintSearchStatistics() {
  uint32_t ticks = Ticks() - timeControl.searchStartTicks;
  double cpu = ticks ? double(ProcessCpuTime() - timeControl.searchStartCpu) * 100.0 / ticks : 0.0;
  if (frontend.protocolMode == Uci && frontend.showOutput) {
    std::printf("info nps %d nodes %ld cpuload %d tbhits %lu\n", NodesPerSecond(), long(search.nodes),
                int(cpu) * 10, (unsigned long)tablebases.tbHits);
    std::fflush(stdout);
  }
  PrintInfo("\n\nTime: %s, cpu %2.2f%%, nodes %ld, nps %d\n", elapsedText(), cpu, long(search.nodes),
            NodesPerSecond());
  PrintHashStatistics();
  PrintTablebaseStatistics();
  PrintInfo("\n");
}

}  // namespace tarrock
