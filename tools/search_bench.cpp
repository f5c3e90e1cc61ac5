#include "search_bench.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "board/fen.h"
#include "board/notation.h"
#include "board/position.h"
#include "core/config.h"
#include "core/output.h"
#include "core/state.h"
#include "eval/pawns.h"
#include "search/root.h"
#include "search/search.h"
#include "search/state.h"
#include "search/timecontrol.h"
#include "search/tt.h"

namespace tarrock {

namespace {

// Opening, middlegame, endgame and tactical positions from the public test
// suites, plus a few small endings.
const char* const BenchPositions[] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -",
    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq -",
    "r2q1rk1/pP1p2pp/Q4n2/bbp1p3/Np6/1B3NBn/pPPP1PPP/R3K2R b KQ -",
    "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ -",
    "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - -",
    "2rr3k/pp3pp1/1nnqbN1p/3pN3/2pP4/2P3Q1/PPB4P/R4RK1 w - -",
    "8/7p/5k2/5p2/p1p2P2/Pr1pPK2/1P1R3P/8 b - -",
    "5k2/6pp/p1qN4/1p1p4/3P4/2PKP2Q/PP3r2/3R4 b - -",
    "3q1rk1/p4pp1/2pb3p/3p4/6Pr/1PNQ4/P1PB1PP1/4RRK1 b - -",
    "5rk1/1b3p1p/pp3p2/3n1N2/1P6/P1qB1PP1/3Q3P/4R1K1 w - -",
    "r3r2k/2R3pp/pp1q1p2/8/3P3R/7P/PP3PP1/3Q2K1 w - -",
    "k4r2/1R4pb/1pQp1n1p/3P4/5p1P/3P2P1/r1q1R2K/8 w - -",
    "8/k1b5/P4p2/1Pp2p1p/K1P2P1P/8/3B4/8 w - -",
    "4r1k1/p1qr1p2/2pb1Bp1/1p5p/3P1n1R/1B3P2/PP3PK1/2Q4R w - -",
    "8/8/8/1p5r/p1p1k1pN/P2pBpP1/1P1K1P2/8 b - -",
    "1k1r4/pp1b1R2/3q2pp/4p3/2B5/4Q3/PPP2B2/2K5 b - -",
    "rnbqkb1r/p3pppp/1p6/2ppP3/3N4/2P5/PPP1QPPP/R1B1KB1R w KQkq -",
    "1nk1r1r1/pp2n1pp/4p3/q2pPp1N/b1pP1P2/B1P2R2/2P1B1PP/R2Q2K1 w - -",
    "3rr1k1/pp3pp1/1qn2np1/8/3p4/PP1R1P2/2P1NQPP/R1B3K1 b - -",
    "r2q1rk1/4bppp/p2p4/2pP4/3pP3/3Q4/PP1B1PPP/R3R1K1 w - -",
    "r1bqkb1r/4npp1/p1p4p/1p1pP1B1/8/1B6/PPPN1PPP/R2Q1RK1 w kq -",
    "3rr3/2pq2pk/p2p1pnp/8/2QBPP2/1P6/P5PP/4RRK1 b - -",
    "2r2rk1/1bqnbpp1/1p1ppn1p/pP6/N1P1P3/P2B1N1P/1B2QPP1/R2R2K1 b - -",
    "r1bqk2r/ppp2ppp/2n5/4P3/2Bp2n1/5N1P/PP1N1PP1/R2Q1RK1 b kq -",
    "rnbqr1k1/1p3pbp/p2p1np1/2pP4/4P3/2N5/PP1NBPPP/R1BQ1RK1 w - -",
    "r1b1kb1r/1pqpnppp/p1n1p3/8/3NP3/2N1B3/PPP1BPPP/R2QK2R w KQkq -",
    "2r2rk1/1p1bq3/p3p2p/3pPpp1/1P1Q4/P7/2P2PPP/2R1RBK1 b - -",
    "2r1k2r/2pn1pp1/1p3n1p/p3PP2/4q2B/P1P5/2Q1N1PP/R4RK1 w q -",
    "5k2/7R/4P2p/5K2/p1r2P1p/8/8/8 b - -",
    "2k5/p7/Pp1p1b2/1P1P1p2/2P2P1p/3K3P/5B2/8 w - -",
    "6k1/5ppp/8/8/8/8/8/R5K1 w - -",
    "8/8/8/4k3/8/8/8/4KR2 w - -",
    "8/8/4k3/8/8/4K3/4P3/8 w - -",
};

}  // namespace

const char* const* benchPositions(int& count) {
  count = int(sizeof BenchPositions / sizeof BenchPositions[0]);
  return BenchPositions;
}

int runSearchBench(int argc, char** argv) {
  int depth = argc > 0 ? std::atoi(argv[0]) : 6;
  if (depth < 1) depth = 6;

  frontend.showOutput = 0;
  search.inputPolling = false;
  ResizeHashMemory(Configuration().hash);
  AllocateHashTable(transTable.configuredEntries);
  AllocatePawnTable();

  Position* pos = NewPosition();
  uint64_t totalNodes = 0;
  // Only the searches are timed: clearing the tables between positions
  // would otherwise dominate short runs.
  std::chrono::steady_clock::duration searchTime{};
  int count = 0;
  const char* const* fens = benchPositions(count);
  for (int i = 0; i < count; ++i) {
    newGame(*pos);
    setupFromFen(*pos, fens[i]);
    ClearHashTable();
    ClearSearchTables(*pos);
    ClearPawnTable();
    NewSearchGeneration();
    search.lastScore = 0;
    pos->game->drawScore = 0;
    search.maxSearchDepth = depth * 12;
    timeControl.allocatedTime = timeControl.maximumTime = INT32_MAX;
    timeControl.fixedMoveTime = 0;
    auto start = std::chrono::steady_clock::now();
    Think(*pos);
    searchTime += std::chrono::steady_clock::now() - start;
    Move best = pos->pvLength[0] > 0 ? pos->pv[0][0] : 0;
    std::printf("%2d %-60s nodes %10llu best %s\n", i + 1, fens[i], (unsigned long long)search.nodes,
                best ? moveToSan(*pos, best) : "none");
    totalNodes += search.nodes;
  }
  double seconds = std::chrono::duration<double>(searchTime).count();
  std::printf("Nodes searched: %llu\n", (unsigned long long)totalNodes);
  std::printf("Nodes/second: %.0f\n", seconds > 0 ? double(totalNodes) / seconds : 0.0);
  FreePosition(pos);
  return 0;
}

}  // namespace tarrock
