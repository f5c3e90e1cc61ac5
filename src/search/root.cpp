#include "search/root.h"

#include <cstdio>
#include <cstring>

#include "board/attacks.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "core/output.h"
#include "core/state.h"
#include "eval/evaluate.h"
#include "search/search.h"
#include "search/state.h"
#include "search/thinking.h"
#include "search/timecontrol.h"
#include "search/tt.h"
#include "tablebase/probe.h"

namespace tarrock {

namespace {

constexpr uint32_t FailedHigh = 1, FirstFailedLow = 2, Searched = 4;

bool restrictedAway(const Position& pos, Move move) {
  if (!pos.searchMoves[0]) return false;
  for (const Move* m = pos.searchMoves; *m; ++m)
    if (*m == move) return false;
  return true;
}

bool bareKings(const Position& pos) { return popCount(pos.occupied) == 2; }

// The move the table holds for the current position, 0 if none.
Move storedMove(const Position& pos) {
  HashKey key = pos.key();
  if (!transTable.entries || key == 0) return 0;
  const HashEntry* bucket = transTable.entries + 2 * (uint32_t(key) & (transTable.bucketCount - 1));
  if (bucket[0].key == key) return bucket[0].move;
  if (bucket[1].key == key) return bucket[1].move;
  return 0;
}

bool leavesKingSafe(Position& pos, Move move) {
  Colour mover = pos.sideToMove;
  makeMove(pos, move);
  bool safe = !inCheck(pos, mover);
  unmakeMove(pos, move);
  return safe;
}

// A position without its two kings, or with a king that can be taken, is
// not searched: the search would take kings. The line is left empty.
bool refuseSearch(Position& pos) {
  const char* fault = positionFault(pos);
  if (!fault) return false;
  PrintInfo("Illegal position: %s\n", fault);
  pos.pv[0][0] = 0;
  pos.pvLength[0] = 0;
  pos.rootCount = 0;
  search.nodes = 0;
  search.rootScore = 0;
  search.ponderMove = 0;
  timeControl.searchStartTicks = Ticks();
  return true;
}

bool timeStopsAllowed() {
  return !search.testSuiteRunning && !frontend.infiniteAnalysis && !frontend.pondering;
}

}  // namespace

void StartSearch(Position& pos) {
  search.thinking = true;
  search.nodes = 0;
  ResetHashStatistics();
  tablebases.tbProbes = 0;
  tablebases.tbHits = 0;
  search.abortSearch = 0;
  timeControl.searchStartTicks = Ticks();
  timeControl.searchStartCpu = ProcessCpuTime();
  evalState.lazyMargin = InitialLazyMargin;
  evalState.rootSide = pos.sideToMove;
  pos.pvLength[0] = 0;
  pos.threat[0] = 0;
  pos.laterMove[0] = 0;
  pos.extFlags[0] = 0;
  search.qsDepth = 0;
  pos.plyInCheck[0] = inCheck(pos, pos.sideToMove);
  search.ponderMove = 0;
  search.selDepth = 0;
  search.drawValue[pos.sideToMove] = pos.game->drawScore;
  search.drawValue[pos.sideToMove ^ 1] = -pos.game->drawScore;
}

void buildRootList(Position& pos) {
  int a = -32767, b = 32767;
  ProbeHash(pos, 768, 0, a, b);
  ResetRootPicker(pos);
  pos.rootCount = 0;
  const Colour mover = pos.sideToMove;
  for (Move move = StartMovePicker(pos, 0); move; move = PickNextMove(pos, 0)) {
    makeMove(pos, move);
    bool legal = !inCheck(pos, mover);
    unmakeMove(pos, move);
    if (!legal || restrictedAway(pos, move) || pos.rootCount >= MaxRootMoves) continue;
    pos.rootList[pos.rootCount++] = RootMove{move, 0, 0};
  }
}

int isLegalMove(Position& pos, Move move) {
  // Nothing is legal in a position without its two kings or with a king that
  // can be taken: a move there could take a king or leave none on the board.
  if (!move || positionFault(pos)) return 0;
  pos.hashMove[0] = 0;
  pos.plyInCheck[0] = inCheck(pos, pos.sideToMove);
  ResetRootPicker(pos);
  Move found = 0;
  for (Move m = StartMovePicker(pos, 0); m; m = PickNextMove(pos, 0))
    if (m == move) {
      found = m;
      break;
    }
  if (!found) return 0;
  return leavesKingSafe(pos, found) ? 1 : 0;
}

void MoveToFront(Position& pos, int index) {
  RootMove chosen = pos.rootList[index];
  std::memmove(pos.rootList + 1, pos.rootList, size_t(index) * sizeof(RootMove));
  pos.rootList[0] = chosen;
}

void SortRootMoves(Position& pos) {
  RootMove* list = pos.rootList;
  SelectionSortDescending(
      pos.rootCount, [list](int i) { return list[i].score; },
      [list](int a, int b) { std::swap(list[a], list[b]); });
}

void ExtendPvFromHash(Position& pos) {
  int length = pos.pvLength[0];
  if (length > MaxPly) length = MaxPly;
  int made = 0;
  for (; made < length; ++made) {
    Move m = pos.pv[0][made];
    if (!isMoveValid(pos, m)) fatalError("Invalid pv move");
    makeMove(pos, m);
  }
  while (length < MaxPly && pos.keyTop + 1 < MaxGamePlies) {
    Move m = storedMove(pos);
    if (!m || !isMoveValid(pos, m) || !leavesKingSafe(pos, m)) break;
    bool repeated = false;
    for (int i = 0; i < length; ++i)
      if (pos.pv[0][i] == m) repeated = true;
    if (repeated) break;
    pos.pv[0][length++] = m;
    makeMove(pos, m);
    ++made;
  }
  pos.pvLength[0] = length;
  while (made > 0) unmakeMove(pos, pos.pv[0][--made]);
}

void StorePvInHash(Position& pos) {
  int savedAbort = search.abortSearch;
  search.abortSearch = 0;
  int made = 0;
  int length = pos.pvLength[0] < MaxPly ? pos.pvLength[0] : MaxPly;
  for (int k = 0; k < length; ++k) {
    Move m = pos.pv[0][k];
    if (!isMoveValid(pos, m)) break;
    // A real probe: it also sets threat[k], which the store writes back.
    int alpha = -Infinity, beta = Infinity;
    ProbeHash(pos, 0, k, alpha, beta);
    if (pos.hashMove[k] != m) StoreHash(pos, m, 0, k, -32766, LowerBound);
    makeMove(pos, m);
    ++made;
  }
  while (made > 0) unmakeMove(pos, pos.pv[0][--made]);
  search.abortSearch = savedAbort;
}

int RootSearch(Position& pos, int depth, int alpha, int beta) {
  pos.keyStack[pos.keyTop] = computeKey(pos);
  search.nodes++;
  search.rootAlpha = alpha;
  search.rootBeta = beta;
  pos.moveStackTop[1] = 0;
  if (depth < 24) buildRootList(pos);

  const int entryAlpha = alpha;
  const bool firstIterations = search.iterationDepth < 36 || search.randomness;
  int bestIndex = -1;
  search.tbRootCount = 0;
  bool aborted = false;

  for (int i = 0; i < pos.rootCount; ++i) {
    RootMove& record = pos.rootList[i];
    search.currentRootIndex = i;
    if (!search.rootTrouble && i >= 1 && !search.testSuiteRunning &&
        Elapsed() > uint32_t(timeControl.allocatedTime) / 2 && alpha + 5 >= search.lastScore &&
        !timeControl.fixedMoveTime && !frontend.infiniteAnalysis && !frontend.pondering) {
      search.abortSearch = 1;
      return alpha;
    }
    if (record.flags & Searched) continue;
    record.flags |= Searched;

    const Move move = record.move;
    pos.currentMove[0] = move;
    std::snprintf(search.currentRootSan, sizeof search.currentRootSan, "%s", moveToSan(pos, move));
    PrintCurrentMove(pos, depth, move);
    makeMove(pos, move);

    int score;
    bool resolved = false;
    if (TablebaseCandidate(pos)) {
      int s = 0;
      if (bareKings(pos)) {
        unmakeMove(pos, move);
        resolved = true;
        score = 0;
      } else if (ProbeTablebase(pos, s)) {
        unmakeMove(pos, move);
        resolved = true;
        // Seen from the root a won child value loses one point per ply, as
        // the search does at ply 1: a mate in n scores 32768 - 2n.
        s = -s;
        score = s > 0 ? s - 1 : s;
      }
    }
    if (resolved) {
      search.tbRootCount++;
      if (score > alpha) {
        pos.pv[0][0] = move;
        pos.pvLength[0] = 1;
        search.ponderMove = 0;
        if (score > 0) frontend.noPonder = 1;
        bestIndex = i;
        if (score >= beta) {
          if (bareKings(pos)) search.rootTrouble = 1;
          PrintFailHigh(pos, depth, score);
          MoveToFront(pos, i);
          return score;
        }
        PrintPvLine(pos, depth, score);
        alpha = score;
      }
      continue;
    }

    const Colour toMove = pos.sideToMove;
    const int givesCheck = inCheck(pos, toMove);
    pos.plyInCheck[1] = givesCheck;
    int extension = 0;
    if (givesCheck) extension += 12;
    if (pawnToSeventh(move)) extension += 12;
    if (extension > 12) extension = 12;
    const int newDepth = depth - OnePly + extension;

    if (firstIterations) {
      score = newDepth < OnePly ? -Quiesce(pos, 1, -Infinity, Infinity)
                                : -Search(pos, newDepth, 1, -Infinity, Infinity, 1);
      if (search.randomness && score <= MateBound && score >= -MateBound)
        score += int(random32() % uint32_t(search.randomness)) - search.randomness / 2;
      record.score = score;
    } else if (i > 0) {
      search.rootTrouble++;
      pos.laterMove[0] = 0;
      score = -Search(pos, newDepth, 1, -alpha - 1, -alpha, 1);
      if (!search.abortSearch && score > alpha && score < beta) {
        unmakeMove(pos, move);
        PrintNewBestComing(pos, depth, move);
        makeMove(pos, move);
        score = -Search(pos, newDepth, 1, -beta, -alpha, 1);
      }
      search.rootTrouble--;
    } else {
      pos.laterMove[0] = 0;
      score = -Search(pos, newDepth, 1, -beta, -alpha, 1);
    }
    unmakeMove(pos, move);
    if (search.abortSearch) {
      aborted = true;
      break;
    }

    if (score <= alpha) {
      if (i > 0) continue;
      search.rootTrouble = 1;
      PrintFailLow(pos, depth, score);
      return score;
    }
    alpha = score;
    bestIndex = i;
    UpdatePv(pos, move, 0);
    search.ponderMove = pos.pvLength[0] > 1 ? pos.pv[0][1] : 0;
    if (score >= beta) {
      RecordGoodMove(pos, move, depth, 0);
      search.rootTrouble = 1;
      PrintFailHigh(pos, depth, score);
      MoveToFront(pos, i);
      return score;
    }
    PrintPvLine(pos, depth, score);
    if (search.testSuiteRunning && search.suiteNewBest) search.suiteNewBest();
  }

  if (pos.rootCount == 0) return pos.plyInCheck[0] ? -Infinity : 0;
  if (alpha > entryAlpha && bestIndex >= 0) {
    RecordGoodMove(pos, pos.pv[0][0], depth, 0);
    MoveToFront(pos, bestIndex);
    if (!aborted && !search.abortSearch) PrintIterationEnd(pos, depth, alpha);
  }
  if (depth >= 36 && pos.rootCount == 1 && !frontend.infiniteAnalysis && !frontend.pondering)
    search.abortSearch = 1;
  if (alpha > entryAlpha && search.tbRootCount == pos.rootCount) search.abortSearch = 1;
  if (firstIterations) SortRootMoves(pos);
  return alpha;
}

int Think(Position& pos) {
  if (refuseSearch(pos)) return 0;
  if (search.multiPv > 1) return ThinkMultiPv(pos, search.multiPv);
  StartSearch(pos);
  PrintSearchHeader(pos);
  search.rootScore = 0;
  search.easyMove = 0;
  int s = 0;
  for (search.iterationDepth = OnePly;
       search.iterationDepth <= search.maxSearchDepth && !search.abortSearch;
       search.iterationDepth += OnePly) {
    search.qsDepthLimit = (search.iterationDepth / OnePly) / 4 + 5;
    search.rootTrouble = 0;
    for (RootMove& record : pos.rootList) record.flags = 0;
    int alpha = -Infinity, beta = Infinity;
    if (search.iterationDepth > OnePly) {
      alpha = s - 35;
      beta = s + 35;
    }
    if (search.rootScore + 40 < search.lastScore && search.lastScore > -200) search.rootTrouble = 1;

    while (!search.abortSearch) {
      s = RootSearch(pos, search.iterationDepth + 3, alpha, beta);
      if (s > alpha) search.rootScore = s;
      // An interrupted pass did not fail low or high: its first move keeps
      // its flags, so a ponder result cut short by the opponent's move stays
      // usable.
      if (search.abortSearch) break;
      if (s > alpha && s < beta) break;
      if (s <= alpha) {
        if (alpha <= -Infinity) break;
        for (RootMove& record : pos.rootList) record.flags &= ~Searched;
        pos.rootList[0].flags |= FirstFailedLow;
        alpha = -Infinity;
      } else {
        if (beta >= Infinity) break;
        pos.rootList[0].flags |= FailedHigh;
        pos.rootList[0].flags &= ~Searched;
        beta = Infinity;
        if (search.testSuiteRunning && search.suiteFailHigh) search.suiteFailHigh();
      }
    }

    if ((s > MateBound || s < -MateBound) && !frontend.infiniteAnalysis) search.abortSearch = 1;
    StorePvInHash(pos);
    if (search.testSuiteRunning && search.suiteIterationEnd) search.suiteIterationEnd();

    if (!timeStopsAllowed() || search.abortSearch) continue;
    const uint32_t elapsed = Elapsed();
    const uint32_t allocated = uint32_t(timeControl.allocatedTime);
    if (search.iterationDepth == 24 && pos.rootCount >= 2 && pos.rootList[0].score - 100 > pos.rootList[1].score)
      search.easyMove = pos.rootList[0].move;
    if (search.iterationDepth >= 24 && search.easyMove && pos.pv[0][0] == search.easyMove &&
        s + 10 >= pos.rootList[0].score && elapsed > allocated / 8 && !timeControl.fixedMoveTime) {
      search.abortSearch = 1;
      continue;
    }
    const GameRecord& game = *pos.game;
    Move last = game.count > 0 ? game.moves[game.count - 1] : 0;
    if (!search.rootTrouble && last && moveCaptured(last) && moveTo(pos.pv[0][0]) == moveTo(last) &&
        s >= search.lastScore && !timeControl.fixedMoveTime) {
      if (elapsed > allocated / 4) search.abortSearch = 1;
      continue;
    }
    CheckTimeAfterIteration();
  }
  search.thinking = false;
  PrintSearchStatistics();
  return search.rootScore;
}

}  // namespace tarrock

namespace tarrock {

namespace {

// One root move of a multi-line analysis with its own window and line.
struct PvLineRecord {
  Move move;
  int score;
  Move line[MaxPly];
  int length;
  int depth;  // iteration depth, twelfths of a ply
  int alpha, beta;
  uint32_t time;
};

PvLineRecord pvLines[MaxRootMoves];

void sortLines(int count) {
  SelectionSortDescending(
      count, [](int i) { return pvLines[i].score; },
      [](int a, int b) { std::swap(pvLines[a], pvLines[b]); });
}

void printSeparator() { PrintInfo("  ------------------------------------------------------------------------\n"); }

void printBestLines(Position& pos, int count, int wanted) {
  int shown = count < wanted ? count : wanted;
  for (int r = 0; r < shown; ++r) {
    const PvLineRecord& record = pvLines[r];
    if (frontend.protocolMode == Uci && frontend.showOutput) {
      std::printf("info multipv %d depth %d seldepth %d", r + 1, record.depth / OnePly, search.selDepth);
      std::printf(" time %d", int(record.time * 10));
      std::printf(" score cp %d", record.score);
      std::printf(" nodes %ld nps %d", long(search.nodes), NodesPerSecond());
      std::printf(" pv");
      for (int k = 0; k < record.length; ++k) std::printf(" %s", moveToCoordinate(record.line[k]));
      std::printf("\n");
      std::fflush(stdout);
    }
    PrintInfo("  %2d/%-2d %6s ", record.depth / OnePly, search.selDepth, FormatTime(0, record.time));
    PrintInfo("%6s   ", FormatScore(record.score));
    PrintWrappedLine(pos, record.line, record.length, false);
    PrintInfo("\n");
  }
}

}  // namespace

int ThinkMultiPv(Position& pos, int lines) {
  if (refuseSearch(pos)) return 0;
  pos.plyInCheck[0] = inCheck(pos, pos.sideToMove);
  buildRootList(pos);
  const int count = pos.rootCount;
  for (int i = 0; i < count; ++i) {
    PvLineRecord& record = pvLines[i];
    record.move = pos.rootList[i].move;
    record.score = 0;
    record.length = 0;
    record.depth = 0;
    record.alpha = -Infinity;
    record.beta = Infinity;
    record.time = 0;
  }
  PrintSearchHeader(pos);
  StartSearch(pos);
  pos.pvLength[0] = 0;
  if (search.maxSearchDepth < OnePly || count == 0) {
    // With no legal move nothing is left behind: pv[0][0] would still hold
    // the best move of an earlier search, not a move of this position.
    pos.pv[0][0] = count > 0 ? pvLines[0].move : 0;
    pos.pvLength[0] = count > 0 ? 1 : 0;
    search.thinking = false;
    PrintSearchStatistics();
    return 0;
  }

  for (search.iterationDepth = OnePly;
       search.iterationDepth <= search.maxSearchDepth && !search.abortSearch;
       search.iterationDepth += OnePly) {
    search.qsDepthLimit = (search.iterationDepth / OnePly) / 4 + 5;
    search.selDepth = 0;
    for (int i = 0; i < count && !search.abortSearch; ++i) {
      sortLines(i);
      PvLineRecord& record = pvLines[i];
      if (i >= lines) {
        record.beta = pvLines[lines - 1].score;
        record.alpha = record.beta - 1;
      }
      int alpha = record.alpha, beta = record.beta;
      search.currentRootIndex = i;
      std::snprintf(search.currentRootSan, sizeof search.currentRootSan, "%s", moveToSan(pos, record.move));
      int score = 0;
      for (;;) {
        PrintCurrentMove(pos, search.iterationDepth, record.move);
        search.rootAlpha = alpha;
        search.rootBeta = beta;
        pos.currentMove[0] = record.move;
        makeMove(pos, record.move);
        pos.threat[0] = 0;
        const int givesCheck = inCheck(pos, pos.sideToMove);
        pos.plyInCheck[1] = givesCheck;
        int extension = (givesCheck ? 12 : 0) + (pawnToSeventh(record.move) ? 12 : 0);
        if (extension > 12) extension = 12;
        const int newDepth = 3 + search.iterationDepth + extension - OnePly;
        pos.moveStackTop[1] = 0;
        score = newDepth < OnePly ? -Quiesce(pos, 1, -beta, -alpha) : -Search(pos, newDepth, 1, -beta, -alpha, 1);
        unmakeMove(pos, record.move);
        if (search.abortSearch) break;
        if (score > alpha && score < beta) break;
        if (score <= alpha) {
          if (i >= lines || alpha <= -Infinity) break;
          alpha = -Infinity;
        } else {
          if (beta >= Infinity) break;
          beta = Infinity;
        }
      }
      if (search.abortSearch) break;

      record.time = Elapsed();
      record.alpha = score - 35;
      record.beta = score + 35;
      record.depth = search.iterationDepth;
      bool improves = !(i >= lines && score <= pvLines[lines - 1].score);
      // The child's line belongs to this move only when its score fell inside
      // the window: a child that failed high or low, or a quiescence child
      // whose stand-pat did not raise alpha, leaves pv[1] as an earlier
      // search wrote it, possibly for another root move.
      const bool exact = score > alpha && score < beta;
      record.score = score;
      pos.pv[0][0] = record.move;
      int childLength = exact ? pos.pvLength[1] : 1;
      int length = 1;
      for (int k = 1; k < childLength && k < MaxPly; ++k) pos.pv[0][length++] = pos.pv[1][k];
      pos.pvLength[0] = length;
      ExtendPvFromHash(pos);
      record.length = pos.pvLength[0];
      std::memcpy(record.line, pos.pv[0], size_t(record.length) * sizeof(Move));

      if (improves && search.iterationDepth >= 24) {
        sortLines(i + 1);
        if (i > 0) printSeparator();
        printBestLines(pos, i + 1, lines);
      }
    }
    if (!search.abortSearch) {
      sortLines(count);
      printSeparator();
      printBestLines(pos, count, lines);
      PrintInfo("  ========================================================================\n");
    }
  }
  pos.pv[0][0] = pvLines[0].move;
  pos.pvLength[0] = 1;
  search.thinking = false;
  PrintSearchStatistics();
  return pvLines[0].score;
}

}  // namespace tarrock
