// Process-wide state of the search: limits and settings the front end sets,
// the abort flag and input-poll countdown, node counts, the root search's
// bookkeeping, the draw values and the history table.
#pragma once

#include <cstdint>

#include "board/types.h"

namespace tarrock {

struct Position;

constexpr int OnePly = 12;
constexpr int Infinity = 32767;
constexpr int MateBound = 30000;
constexpr int PollInterval = 8000;

struct SearchState {
  int maxSearchDepth = 768;  // twelfths of a ply
  int multiPv = 1;
  volatile int abortSearch = 0;
  volatile int pollCountdown = 0;
  bool inputPolling = true;  // off for benchmarks
  // The front end's input poll, installed at start-up: reads a waiting line,
  // answers it or leaves it pending and sets abortSearch.
  int (*pollInput)(Position& pos) = nullptr;
  bool thinking = false;     // a search is running
  uint64_t nodes = 0;
  // When non-zero, a search stops once it has counted this many nodes (the
  // fuzz harnesses bound every search with it); 0: no limit.
  uint64_t nodeLimit = 0;
  int selDepth = 0;
  int qsDepth = 0;
  int qsDepthLimit = 5;
  int rootAlpha = -Infinity;
  int rootBeta = Infinity;
  int iterationDepth = 0;
  int rootScore = 0;
  int lastScore = 0;
  int rootTrouble = 0;
  int currentRootIndex = 0;
  int randomness = 0;
  int tbRootCount = 0;
  Move ponderMove = 0;
  Move easyMove = 0;
  char currentRootSan[16] = "";  // SAN of the root move being searched
  int drawValue[2] = {0, 0};
  Colour rootSide = 0;  // the side the engine last moved or searched for
  // The EPD runner's hook: told of fail highs, new best moves and iteration
  // ends while a test suite runs.
  bool testSuiteRunning = false;
  void (*suiteFailHigh)() = nullptr;
  void (*suiteNewBest)() = nullptr;
  void (*suiteIterationEnd)() = nullptr;
  int32_t history[2 * 4096] = {};
};

extern SearchState search;

}  // namespace tarrock
