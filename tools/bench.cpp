// Developer tools over the engine library, one subcommand per job:
//   perft DEPTH [FEN]             leaf count of the legal move tree
//   divide DEPTH [FEN]            the same, split by first move
//   perft-suite FILE [MAXDEPTH]   checks every "FEN ;D1 n ;D2 n ..." line
//   bench [DEPTH]                 node-count signature of the search
//   evalbench FILE [ROUNDS]       evaluations per second over a suite
//   bookbench BOOK [ROUNDS]       time of a book probe, cold and warm
//   tbgen CLASS|all3|all4 DIR     writes tablebase files of 3- and 4-man classes
// "--debug" anywhere after the subcommand also checks at every node that the
// incremental fields and keys equal a rebuild and that unmake restores the
// record. New subcommands go into the table at the bottom.
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "board/attacks.h"
#include "board/fen.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "board/perft.h"
#include "board/position.h"
#include "board/tables.h"
#include "book/bookfile.h"
#include "book/probe.h"
#include "book/state.h"
#include "core/output.h"
#include "core/state.h"
#include "eval/evaltables.h"
#include "eval_bench.h"
#include "search_bench.h"
#include "tablebase/classes.h"
#include "tablebase/generate.h"

using namespace tarrock;

namespace {

struct Arguments {
  std::vector<const char*> words;  // after the subcommand, options removed
  bool debug = false;
};

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A whole non-negative number no larger than limit.
bool readNumber(const char* text, uint64_t limit, uint64_t& value) {
  if (!text || !*text) return false;
  value = 0;
  for (const char* p = text; *p; ++p) {
    if (*p < '0' || *p > '9') return false;
    value = value * 10 + uint64_t(*p - '0');
    if (value > limit) return false;
  }
  return true;
}

constexpr uint64_t MaxDepth = 30;

// Depth and optional FEN (one word or several) for perft and divide.
bool readDepthAndPosition(const Arguments& args, Position& pos, int& depth) {
  uint64_t d;
  if (args.words.empty() || !readNumber(args.words[0], MaxDepth, d)) {
    std::fprintf(stderr, "depth must be a number from 0 to %" PRIu64 "\n", MaxDepth);
    return false;
  }
  depth = int(d);
  newGame(pos);
  if (args.words.size() > 1) {
    std::string fen;
    for (size_t i = 1; i < args.words.size(); ++i) {
      if (i > 1) fen += ' ';
      fen += args.words[i];
    }
    if (!setupFromFen(pos, fen.c_str())) return false;
  }
  return true;
}

uint64_t countNodes(Position& pos, int depth, bool debug, PerftFault& fault) {
  return debug ? perftChecked(pos, depth, fault) : perft(pos, depth);
}

void reportFault(const PerftFault& fault) {
  std::printf("Fault: %s wrong after %s with %d plies to go\n", fault.what, moveToCoordinate(fault.move),
              fault.depth);
}

int runPerft(const Arguments& args) {
  Position* pos = NewPosition();
  int depth = 0;
  if (!readDepthAndPosition(args, *pos, depth)) {
    FreePosition(pos);
    return 2;
  }
  PerftFault fault;
  auto start = std::chrono::steady_clock::now();
  uint64_t nodes = countNodes(*pos, depth, args.debug, fault);
  double seconds = secondsSince(start);
  if (fault.what) reportFault(fault);
  std::printf("perft %d: %" PRIu64 " nodes in %.3f s, %.0f nodes per second\n", depth, nodes, seconds,
              seconds > 0 ? double(nodes) / seconds : 0.0);
  std::printf("%" PRIu64 "\n", nodes);
  FreePosition(pos);
  return fault.what ? 1 : 0;
}

int runDivide(const Arguments& args) {
  Position* pos = NewPosition();
  int depth = 0;
  if (!readDepthAndPosition(args, *pos, depth) || depth < 1) {
    FreePosition(pos);
    return 2;
  }
  Move moves[MaxMoves];
  const int n = inCheck(*pos, pos->sideToMove) ? generateEvasions(*pos, moves) : generateAll(*pos, moves);
  const Colour mover = pos->sideToMove;
  uint64_t total = 0;
  PerftFault fault;
  for (int i = 0; i < n && !fault.what; ++i) {
    makeMove(*pos, moves[i]);
    if (!inCheck(*pos, mover)) {
      uint64_t nodes = countNodes(*pos, depth - 1, args.debug, fault);
      std::printf("%s %" PRIu64 "\n", moveToCoordinate(moves[i]), nodes);
      total += nodes;
    }
    unmakeMove(*pos, moves[i]);
  }
  if (fault.what) reportFault(fault);
  std::printf("%" PRIu64 "\n", total);
  FreePosition(pos);
  return fault.what ? 1 : 0;
}

// One ";Dn count" field; false when it does not read as one.
bool readDepthField(const std::string& field, int& depth, uint64_t& count) {
  size_t i = 0;
  while (i < field.size() && (field[i] == ' ' || field[i] == '\t')) ++i;
  if (i >= field.size() || field[i] != 'D') return false;
  size_t end = field.find_first_of(" \t", i);
  if (end == std::string::npos) return false;
  uint64_t d;
  if (!readNumber(field.substr(i + 1, end - i - 1).c_str(), MaxDepth, d) || d == 0) return false;
  size_t start = field.find_first_not_of(" \t", end);
  if (start == std::string::npos) return false;
  size_t stop = field.find_first_of(" \t\r", start);
  std::string number = field.substr(start, stop == std::string::npos ? std::string::npos : stop - start);
  if (!readNumber(number.c_str(), UINT64_MAX / 10 - 10, count)) return false;
  depth = int(d);
  return true;
}

int runPerftSuite(const Arguments& args) {
  if (args.words.empty()) {
    std::fprintf(stderr, "perft-suite needs a file\n");
    return 2;
  }
  uint64_t maxDepth = MaxDepth;
  if (args.words.size() > 1 && !readNumber(args.words[1], MaxDepth, maxDepth)) {
    std::fprintf(stderr, "MAXDEPTH must be a number from 0 to %" PRIu64 "\n", MaxDepth);
    return 2;
  }
  std::ifstream in(args.words[0]);
  if (!in) {
    std::fprintf(stderr, "cannot open %s\n", args.words[0]);
    return 2;
  }
  Position* pos = NewPosition();
  std::string line;
  int lineNumber = 0, positions = 0, checked = 0, mismatches = 0;
  uint64_t totalNodes = 0;
  auto start = std::chrono::steady_clock::now();
  while (std::getline(in, line)) {
    ++lineNumber;
    if (line.find_first_not_of(" \t\r") == std::string::npos || line[0] == '#') continue;
    size_t semicolon = line.find(';');
    std::string fen = line.substr(0, semicolon);
    newGame(*pos);
    if (semicolon == std::string::npos || !setupFromFen(*pos, fen.c_str())) {
      std::printf("Line %d: not a position with counts\n", lineNumber);
      ++mismatches;
      continue;
    }
    ++positions;
    size_t at = semicolon;
    while (at != std::string::npos) {
      size_t next = line.find(';', at + 1);
      std::string field = line.substr(at + 1, next == std::string::npos ? std::string::npos : next - at - 1);
      at = next;
      if (field.find_first_not_of(" \t\r") == std::string::npos) continue;  // "...;" at the end
      int depth;
      uint64_t expected;
      if (!readDepthField(field, depth, expected)) {
        std::printf("Line %d: cannot read \"%s\"\n", lineNumber, field.c_str());
        ++mismatches;
        continue;
      }
      if (uint64_t(depth) > maxDepth) continue;
      PerftFault fault;
      uint64_t nodes = countNodes(*pos, depth, args.debug, fault);
      totalNodes += nodes;
      ++checked;
      if (fault.what) {
        std::printf("Line %d: %s depth %d: ", lineNumber, fen.c_str(), depth);
        reportFault(fault);
        ++mismatches;
      } else if (nodes != expected) {
        std::printf("Line %d: %s depth %d: expected %" PRIu64 ", counted %" PRIu64 "\n", lineNumber,
                    fen.c_str(), depth, expected, nodes);
        ++mismatches;
      }
    }
  }
  double seconds = secondsSince(start);
  FreePosition(pos);
  std::printf("%d positions, %d counts checked, %d mismatches\n", positions, checked, mismatches);
  std::printf("Total nodes: %" PRIu64 "\n", totalNodes);
  std::printf("Nodes per second: %.0f\n", seconds > 0 ? double(totalNodes) / seconds : 0.0);
  if (checked == 0) {
    std::printf("Nothing was checked\n");
    return 1;
  }
  return mismatches ? 1 : 0;
}

// The search and evaluation benchmarks take plain argument vectors.
int runBench(const Arguments& args) {
  std::vector<char*> words;
  for (const char* w : args.words) words.push_back(const_cast<char*>(w));
  return runSearchBench(int(words.size()), words.data());
}

int runEvalTiming(const Arguments& args) {
  std::vector<char*> words{const_cast<char*>("evalbench")};
  for (const char* w : args.words) words.push_back(const_cast<char*>(w));
  return runEvalBench(int(words.size()), words.data());
}

// One probe right after the book is opened (empty key cache), then the
// average of ROUNDS probes of the same position and of the position after
// 1.e4; the probes' own table output is off.
int runBookBench(const Arguments& args) {
  if (args.words.empty()) return 2;
  uint64_t rounds = 1000;
  if (args.words.size() > 1 && !readNumber(args.words[1], 10000000, rounds)) return 2;
  if (rounds == 0) rounds = 1;
  Position* pos = NewPosition();
  newGame(*pos);
  frontend.showOutput = 0;
  if (OpenBook(args.words[0]) != 0) {
    std::fprintf(stderr, "cannot open %s\n", args.words[0]);
    return 1;
  }
  auto start = std::chrono::steady_clock::now();
  Move first = BookProbe(*pos);
  double cold = secondsSince(start);
  start = std::chrono::steady_clock::now();
  for (uint64_t i = 0; i < rounds; ++i) BookProbe(*pos);
  double warm = secondsSince(start) / double(rounds);
  makeMove(*pos, parseMove(*pos, "e4"));
  start = std::chrono::steady_clock::now();
  for (uint64_t i = 0; i < rounds; ++i) BookProbe(*pos);
  double afterE4 = secondsSince(start) / double(rounds);
  std::printf("records %d, first move %s\n", book.count, first ? moveToCoordinate(first) : "none");
  std::printf("cold probe %.1f us, warm probe %.1f us, after 1.e4 %.1f us, cache hits %.2f%%\n", cold * 1e6,
              warm * 1e6, afterE4 * 1e6, book.cacheProbes ? book.cacheHits * 100.0 / book.cacheProbes : 0.0);
  FreePosition(pos);
  return 0;
}

// Generates the files of one class, or of every 3-man (all3) or 4-man (all4)
// class, into DIR with the classes they capture or promote into.
int runTablebaseGeneration(const Arguments& args) {
  if (args.words.size() != 2) {
    std::fprintf(stderr, "tbgen needs a class (kqkr, all3 or all4) and a directory\n");
    return 2;
  }
  const std::string which = args.words[0];
  std::vector<int> classes;
  if (which == "all3") {
    for (int id = 1; id <= 5; ++id) classes.push_back(id);
  } else if (which == "all4") {
    for (int id = 6; id <= 35; ++id) classes.push_back(id);
  } else if (int id = TbGeneratorClass(which.c_str())) {
    classes.push_back(id);
  } else {
    std::fprintf(stderr, "tbgen: %s is not a class of 3 or 4 men\n", which.c_str());
    return 2;
  }
  auto start = std::chrono::steady_clock::now();
  std::string error;
  if (!TbGenerate(classes, args.words[1], stdout, error)) {
    std::fprintf(stderr, "tbgen: %s\n", error.c_str());
    return 1;
  }
  std::printf("tbgen %s: %.2f s\n", which.c_str(), secondsSince(start));
  return 0;
}

struct Subcommand {
  const char* name;
  const char* usage;
  int (*run)(const Arguments&);
};

const Subcommand subcommands[] = {
    {"perft", "perft DEPTH [FEN]", runPerft},
    {"divide", "divide DEPTH [FEN]", runDivide},
    {"perft-suite", "perft-suite FILE [MAXDEPTH]", runPerftSuite},
    {"bench", "bench [DEPTH]", runBench},
    {"evalbench", "evalbench FILE [ROUNDS]", runEvalTiming},
    {"bookbench", "bookbench BOOK [ROUNDS]", runBookBench},
    {"tbgen", "tbgen CLASS|all3|all4 DIR", runTablebaseGeneration},
};

int usage() {
  std::fprintf(stderr, "usage: tarrock-bench SUBCOMMAND [--debug] ...\n");
  for (const Subcommand& c : subcommands) std::fprintf(stderr, "  %s\n", c.usage);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return usage();
  for (const Subcommand& c : subcommands) {
    if (std::strcmp(argv[1], c.name) != 0) continue;
    Arguments args;
    for (int i = 2; i < argc; ++i) {
      if (std::strcmp(argv[i], "--debug") == 0)
        args.debug = true;
      else
        args.words.push_back(argv[i]);
    }
    InitEvalTables();
    initKeys();
    return c.run(args);
  }
  return usage();
}
