#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "board/fen.h"
#include "board/position.h"
#include "core/output.h"
#include "core/state.h"
#include "frontend/diagram.h"
#include "test_support.h"

using namespace tarrock;

namespace {

std::string diagramOf(const Position& pos) {
  FILE* f = std::tmpfile();
  DrawDiagram(f, pos);
  return testutil::drainStream(f);
}

}  // namespace

TEST(Diagram, HeadingCountsFullMovesAndFlagGatesOutput) {
  testutil::initEngineTables();
  Position* pos = NewPosition();
  newGame(*pos);
  setupFromFen(*pos, "4k3/8/8/8/8/8/8/4K3 b - -");
  frontend.printDiagram = 0;
  EXPECT_EQ(diagramOf(*pos), "");
  frontend.printDiagram = 1;
  struct Case { int count; const char* heading; };
  for (Case c : {Case{0, "(0) Black to move:\n"}, Case{1, "(1) Black to move:\n"},
                 Case{2, "(1) Black to move:\n"}, Case{6, "(3) Black to move:\n"}}) {
    pos->game->count = c.count;
    EXPECT_EQ(diagramOf(*pos).rfind(c.heading, 0), 0u) << c.count;
  }
  std::string text = diagramOf(*pos);
  EXPECT_NE(text.find("    8 |   |   |   |   | *k|   |   |   |\n"), std::string::npos);
  EXPECT_NE(text.find("    1 |   |   |   |   | K |   |   |   |\n"), std::string::npos);
  frontend.printDiagram = 0;
  FreePosition(pos);
}
