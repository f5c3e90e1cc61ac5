#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "board/fen.h"
#include "board/perft.h"
#include "core/output.h"
#include "test_support.h"

using namespace tarrock;

namespace {

struct PerftLine {
  std::string fen;
  std::vector<std::pair<int, uint64_t>> counts;  // depth, nodes
};

std::vector<PerftLine> readPerftFile(const std::string& name) {
  std::vector<PerftLine> lines;
  for (const std::string& text : testutil::dataLines(name)) {
    size_t semicolon = text.find(';');
    if (semicolon == std::string::npos) continue;
    PerftLine line{text.substr(0, semicolon), {}};
    std::istringstream fields(text.substr(semicolon));
    std::string field;
    while (std::getline(fields, field, ';')) {
      int depth;
      unsigned long long nodes;
      if (std::sscanf(field.c_str(), " D%d %llu", &depth, &nodes) == 2) line.counts.push_back({depth, nodes});
    }
    lines.push_back(line);
  }
  return lines;
}

// Every count of the file up to the node budget, plain and checked.
void checkFile(const std::string& name, uint64_t budget, uint64_t checkedBudget, size_t minimumLines) {
  testutil::initEngineTables();
  std::vector<PerftLine> lines = readPerftFile(name);
  ASSERT_GE(lines.size(), minimumLines) << name;
  Position* pos = NewPosition();
  int checked = 0;
  for (const PerftLine& line : lines) {
    newGame(*pos);
    ASSERT_TRUE(setupFromFen(*pos, line.fen.c_str())) << line.fen;
    for (auto [depth, expected] : line.counts) {
      if (expected > budget) continue;
      EXPECT_EQ(perft(*pos, depth), expected) << line.fen << " depth " << depth;
      ++checked;
      if (expected <= checkedBudget) {
        PerftFault fault;
        EXPECT_EQ(perftChecked(*pos, depth, fault), expected) << line.fen << " depth " << depth;
        EXPECT_EQ(fault.what, nullptr) << line.fen << " depth " << depth << ": " << fault.what;
      }
    }
  }
  EXPECT_GT(checked, 0);
  FreePosition(pos);
}

std::string runBench(const std::string& arguments, int& status) {
  std::string command = std::string(TARROCK_BENCH_BINARY) + " " + arguments + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  std::string output;
  if (!pipe) return output;
  std::array<char, 512> buffer;
  while (std::fgets(buffer.data(), int(buffer.size()), pipe)) output += buffer.data();
  status = pclose(pipe);
  return output;
}

std::string lastLine(const std::string& text) {
  size_t end = text.find_last_not_of('\n');
  if (end == std::string::npos) return "";
  size_t start = text.rfind('\n', end);
  return text.substr(start == std::string::npos ? 0 : start + 1, end - (start == std::string::npos ? 0 : start + 1) + 1);
}

}  // namespace

TEST(Perft, ReferencePositions) { checkFile("perft.epd", 5000000, 20000, 7); }

TEST(Perft, SuiteOfSpecialPositions) { checkFile("perftsuite.epd", 200000, 20000, 150); }

TEST(Perft, HandCountedTraps) {
  testutil::initEngineTables();
  // En passant that would expose the king, castling through or into attacked
  // squares, promotions giving check, and en-passant squares a FEN names
  // although no capture can take place there.
  struct Case {
    const char* fen;
    int depth;
    uint64_t nodes;
  };
  const Case cases[] = {
      {"8/8/8/8/k2Pp2Q/8/8/3K4 b - d3", 1, 6},   // exd3 opens the rank to the queen
      {"8/1k6/8/8/3Pp3/8/8/4K2B b - d3", 1, 8},  // the e-pawn is pinned on the long diagonal
      {"4k3/8/8/K2pP2r/8/8/8/8 w - d6", 1, 6},   // exd6 opens the fifth rank to the rook
      {"4k3/8/8/8/2b5/8/8/R3K2R w KQ -", 1, 23}, // f1 attacked: no short castling
      {"4k3/8/8/8/8/7n/8/R3K2R w KQ -", 1, 19},  // g1 attacked: short castling lands in check
      {"2r1k3/8/8/8/8/8/8/R3K2R w KQ -", 1, 25}, // c1 attacked: long castling lands in check
      {"1r2k3/8/8/8/8/8/8/R3K2R w KQ -", 1, 26}, // b1 attacked: long castling still legal
      {"4k3/1P6/8/8/8/8/8/4K3 w - -", 1, 9},
      {"4k3/1P6/8/8/8/8/8/4K3 w - -", 2, 40},
      {"4k3/8/4p3/3P4/8/8/8/4K3 w - e6", 1, 7},  // named square occupied: dxe6 is a plain capture
      {"4k3/8/8/8/3p4/8/2P5/4K3 w - d3", 1, 7},  // named square on the wrong rank
      {"4k3/8/8/3P4/8/8/8/4K3 w - e6", 1, 6},    // no pawn behind the named square
  };
  Position* pos = NewPosition();
  for (const Case& c : cases) {
    newGame(*pos);
    ASSERT_TRUE(setupFromFen(*pos, c.fen)) << c.fen;
    EXPECT_EQ(perft(*pos, c.depth), c.nodes) << c.fen;
    // Deeper, every node checked: the named squares must never corrupt the record.
    PerftFault fault;
    EXPECT_EQ(perftChecked(*pos, c.depth + 2, fault), perft(*pos, c.depth + 2)) << c.fen;
    EXPECT_EQ(fault.what, nullptr) << c.fen << ": " << fault.what;
  }
  FreePosition(pos);
}

TEST(BenchTool, PerftPrintsTheBareCountLastAndTakesASplitFen) {
  int status = -1;
  std::string output = runBench("perft 3", status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(lastLine(output), "8902");
  output = runBench("perft 2 r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", status);
  EXPECT_EQ(lastLine(output), "2039");
  output = runBench("perft 2 \"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -\"", status);
  EXPECT_EQ(lastLine(output), "2039");
  output = runBench("perft --debug 3 8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -", status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(lastLine(output), "2812");
  runBench("perft x", status);
  EXPECT_NE(status, 0);
  runBench("perft", status);
  EXPECT_NE(status, 0);
}

TEST(BenchTool, PerftSuiteReportsMismatchesAndFailsOnThem) {
  std::string good = testing::TempDir() + "tarrock_suite_good.epd";
  std::string bad = testing::TempDir() + "tarrock_suite_bad.epd";
  std::string empty = testing::TempDir() + "tarrock_suite_empty.epd";
  {
    std::ofstream(good) << "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1 ;D1 20 ;D2 400 ;D3 8902\n"
                        << "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -;D1 14; D2 191;\r\n";
    std::ofstream(bad) << "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1 ;D1 20 ;D2 401\n"
                       << "garbage line without counts\n"
                       << "8/8/8/8/8/8/8/8 w - - ;D1 x\n";
    std::ofstream(empty) << "\n";
  }
  int status = -1;
  std::string output = runBench("perft-suite " + good, status);
  EXPECT_EQ(status, 0) << output;
  EXPECT_NE(output.find("2 positions, 5 counts checked, 0 mismatches"), std::string::npos) << output;
  EXPECT_NE(output.find("Total nodes: 9527"), std::string::npos) << output;
  EXPECT_NE(output.find("Nodes per second"), std::string::npos) << output;

  output = runBench("perft-suite " + good + " 1 --debug", status);
  EXPECT_EQ(status, 0) << output;
  EXPECT_NE(output.find("2 counts checked"), std::string::npos) << output;

  output = runBench("perft-suite " + bad, status);
  EXPECT_NE(status, 0);
  EXPECT_NE(output.find("expected 401, counted 400"), std::string::npos) << output;
  EXPECT_NE(output.find("Line 2"), std::string::npos) << output;
  EXPECT_NE(output.find("Line 3"), std::string::npos) << output;

  runBench("perft-suite " + empty, status);
  EXPECT_NE(status, 0);
  runBench("perft-suite /nonexistent/file.epd", status);
  EXPECT_NE(status, 0);
}
