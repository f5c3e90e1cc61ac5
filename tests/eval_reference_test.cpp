// The evaluation against recorded reference values: every position of the
// EPD suites and the positions of capture-heavy random games played from
// them, evaluated under many windows, lazy margins and root sides with and
// without the piece-term cache. The values returned, the margins left behind
// and the final contents of the pawn-structure table, the shelter cache and
// the piece-term cache are folded into one checksum that was recorded from
// the evaluation as first written. Any change of a value, of a side effect or
// of what the tables hold (and therefore of later results) changes it.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "board/attacks.h"
#include "board/fen.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "eval/evaluate.h"
#include "eval/pawns.h"
#include "test_support.h"

using namespace tarrock;

namespace {

struct Checksum {
  uint64_t h = 1469598103934665603ull;
  void add(int64_t v) {
    for (int i = 0; i < 8; ++i) {
      h ^= uint64_t(v >> (8 * i)) & 0xff;
      h *= 1099511628211ull;
    }
  }
};

// A small fixed generator, so the games and windows never depend on the
// engine's own random numbers.
struct Lcg {
  uint64_t state = 0x9e3779b97f4a7c15ull;
  uint32_t next() {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return uint32_t(state >> 33);
  }
  int below(int n) { return int(next() % uint32_t(n)); }
};

struct Counts {
  int positions = 0, calls = 0, bounds = 0;
};

// Several evaluations of the current position, each folded with the margin
// it leaves.
void evaluateUnderWindows(const Position& pos, Lcg& rng, Checksum& sum, Counts& counts) {
  static const int margins[] = {InitialLazyMargin, InitialLazyMargin, 140, 260, 600};
  static const int widths[] = {1, 1, 2, 30, 120};
  ++counts.positions;
  evalState.rootSide = Colour(rng.below(2));
  evalState.lazyMargin = margins[rng.below(5)];
  const int full = Evaluate(pos, -32767, 32767);
  sum.add(full);
  sum.add(evalState.lazyMargin);
  KingShelterResult sh = KingShelter(pos);
  sum.add(sh.value);
  sum.add(sh.shelter[White] * 256 + sh.shelter[Black]);
  for (int i = 0; i < 6; ++i) {
    if (rng.below(3) != 0) evalState.lazyMargin = margins[rng.below(5)];
    if (rng.below(4) == 0) evalState.rootSide = Colour(evalState.rootSide ^ 1);
    const int centre = full + rng.below(501) - 250;
    const int width = widths[rng.below(5)];
    const int alpha = centre - width, beta = centre;
    const bool cached = rng.below(3) != 0;
    const int value = cached ? EvaluateCached(pos, alpha, beta) : Evaluate(pos, alpha, beta);
    ++counts.calls;
    if (value == alpha || value == beta) ++counts.bounds;
    sum.add(value);
    sum.add(evalState.lazyMargin);
  }
}

void addTables(Checksum& sum) {
  for (uint64_t i = 0; i < pawnTable.count; ++i) {
    const PawnEntry& e = pawnTable.entries[i];
    sum.add(int64_t(e.key));
    sum.add(int64_t(e.passed[White]));
    sum.add(int64_t(e.passed[Black]));
    sum.add(e.weakFiles[White] | e.weakFiles[Black] << 8 | e.pawnFiles[White] << 16 | e.pawnFiles[Black] << 24);
    sum.add(e.score);
  }
  for (const ShelterEntry& e : pawnTable.shelter) {
    sum.add(int64_t(e.key));
    sum.add(e.shelter[White] * 256 + e.shelter[Black]);
  }
  for (const PieceTermEntry& e : pieceTermCache.entries) {
    sum.add(int64_t(e.key));
    sum.add(e.terms);
  }
}

}  // namespace

TEST(EvalReference, SuitesAndRandomGamesMatchTheRecordedChecksum) {
  testutil::initEngineTables();
  SetPawnTableEntries(1024);  // small, so that entries are replaced often
  AllocatePawnTable();
  const HashKey phaseKeys[4] = {0x243f6a8885a308d3ull, 0x13198a2e03707344ull, 0xa4093822299f31d0ull,
                                0x082efa98ec4e6c89ull};
  for (int i = 0; i < 4; ++i) pawnTable.phaseKeys[i] = phaseKeys[i];
  evalState = EvalState{};

  std::vector<std::string> lines;
  for (const char* name : {"wac.epd", "sts.epd", "bk.epd", "kaufman.epd", "lct2.epd", "perft.epd", "perftsuite.epd"})
    for (const std::string& line : testutil::dataLines(name))
      if (!line.empty()) lines.push_back(line);
  ASSERT_GT(lines.size(), 2000u);

  Position* pos = NewPosition();
  Lcg rng;
  Checksum sum;
  Counts counts;
  Move moves[MaxMoves], captureList[MaxMoves];
  for (const std::string& line : lines) {
    newGame(*pos);
    ASSERT_TRUE(setupFromFen(*pos, line.c_str())) << line;
    evaluateUnderWindows(*pos, rng, sum, counts);
    if (positionFault(*pos)) continue;
    // A game that takes whenever it can, three times in four, so that it
    // reaches endings with few men.
    for (int ply = 0; ply < 30; ++ply) {
      int n = filterLegal(*pos, moves, generateAll(*pos, moves));
      if (n == 0) break;
      int captures = 0;
      for (int i = 0; i < n; ++i)
        if (pos->board[moveTo(moves[i])] != 0) captureList[captures++] = moves[i];
      Move move = captures > 0 && rng.below(4) != 0 ? captureList[rng.below(captures)] : moves[rng.below(n)];
      makeMove(*pos, move);
      evaluateUnderWindows(*pos, rng, sum, counts);
    }
  }
  addTables(sum);
  FreePosition(pos);

  // The run must exercise both exits: lazy bounds and full values.
  EXPECT_GT(counts.bounds, counts.calls / 10);
  EXPECT_LT(counts.bounds, counts.calls * 9 / 10);
  EXPECT_EQ(sum.h, 0x5cf227758ebd99b0ull)
      << "positions " << counts.positions << ", calls " << counts.calls << ", bounds " << counts.bounds;

  evalState = EvalState{};
  SetPawnTableEntries(DefaultPawnEntries);
  AllocatePawnTable();
}
