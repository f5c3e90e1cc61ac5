#include "eval_bench.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "board/fen.h"
#include "board/position.h"
#include "core/output.h"
#include "eval/evaltables.h"
#include "eval/evaluate.h"
#include "eval/pawns.h"

namespace tarrock {

namespace {

// Forgets the cached pawn structure of the position, so that the next
// evaluation misses the table.
void forgetPawnEntry(const Position& pos) {
  HashKey pawnKey = pos.pawnKey();
  if (pawnKey == 0) return;
  HashKey key = pawnKey ^ pawnTable.phaseKeys[GamePhase(pos)];
  pawnTable.entries[key & (pawnTable.count - 1)].key = 0;
}

struct Timing {
  double seconds;
  long long checksum;
};

Timing timeEvaluations(const std::vector<Position*>& positions, int rounds, bool cold) {
  long long checksum = 0;
  auto start = std::chrono::steady_clock::now();
  for (int round = 0; round < rounds; ++round)
    for (const Position* pos : positions) {
      if (cold) forgetPawnEntry(*pos);
      checksum += Evaluate(*pos, -32767, 32767);
    }
  std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  return {elapsed.count(), checksum};
}

}  // namespace

int runEvalBench(int argc, char** argv) {
  if (argc < 2) {
    std::puts("usage: tarrock-bench evalbench FILE [ROUNDS]");
    return 1;
  }
  int rounds = argc > 2 ? std::atoi(argv[2]) : 20;
  if (rounds < 1) rounds = 1;

  resetRandom();
  InitEvalTables();
  initKeys();
  AllocatePawnTable();

  std::ifstream in(argv[1]);
  if (!in) {
    std::printf("evalbench: cannot open %s\n", argv[1]);
    return 1;
  }
  std::vector<Position*> positions;
  for (std::string line; std::getline(in, line);) {
    if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
    Position* pos = NewPosition();
    newGame(*pos);
    if (setupFromFen(*pos, line.c_str())) {
      positions.push_back(pos);
    } else {
      FreePosition(pos);
    }
  }
  if (positions.empty()) {
    std::printf("evalbench: no positions in %s\n", argv[1]);
    return 1;
  }

  evalState = EvalState{};
  timeEvaluations(positions, 1, false);  // fills the pawn table
  Timing warm = timeEvaluations(positions, rounds, false);
  Timing cold = timeEvaluations(positions, rounds, true);
  double count = double(positions.size()) * rounds;
  std::printf("evalbench: %zu positions x %d rounds\n", positions.size(), rounds);
  std::printf("pawn table warm: %.0f evaluations/s\n", count / warm.seconds);
  std::printf("pawn table cold: %.0f evaluations/s\n", count / cold.seconds);
  std::printf("checksum %lld\n", warm.checksum / rounds);

  for (Position* pos : positions) FreePosition(pos);
  return 0;
}

}  // namespace tarrock
