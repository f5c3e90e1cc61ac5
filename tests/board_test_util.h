// Small helpers shared by the board tests: a fixture holding one Position,
// moves written as "e2e4"/"b7a8q" and built from such text.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "board/fen.h"
#include "board/position.h"
#include "core/output.h"
#include "test_support.h"

namespace tarrock::testutil {

inline std::string coordinate(Move m) {
  std::string text = std::string(squareNames[moveFrom(m)]) + squareNames[moveTo(m)];
  if (movePromotion(m)) text += " nbrq"[movePromotion(m) >> 12];
  return text;
}

inline std::vector<std::string> coordinates(const Move* moves, int count) {
  std::vector<std::string> texts;
  for (int i = 0; i < count; ++i) texts.push_back(coordinate(moves[i]));
  return texts;
}

inline Square squareNamed(const char* name) { return makeSquare(name[0] - 'a', name[1] - '1'); }

struct BoardTest : ::testing::Test {
  Position* pos = nullptr;
  void SetUp() override {
    initEngineTables();
    pos = NewPosition();
    newGame(*pos);
  }
  void TearDown() override { FreePosition(pos); }
  void setup(const char* fen) { ASSERT_TRUE(setupFromFen(*pos, fen)) << fen; }
  // A move as the board shows it: piece and captured codes read from the board.
  Move boardMove(const char* from, const char* to, uint32_t promotion = 0) const {
    Square f = squareNamed(from), t = squareNamed(to);
    return buildMove(f, t, pos->board[f], pos->board[t], promotion);
  }
};

}  // namespace tarrock::testutil
