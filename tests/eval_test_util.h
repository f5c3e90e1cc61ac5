// A fixture for the evaluation tests: one Position, a cleared pawn table and
// fresh search inputs for each test, and evaluation of a FEN with the full
// window.
#pragma once

#include <gtest/gtest.h>

#include "board/fen.h"
#include "core/output.h"
#include "eval/evaluate.h"
#include "eval/pawns.h"
#include "test_support.h"

namespace tarrock::testutil {

constexpr int FullAlpha = -32767, FullBeta = 32767;

class EvalFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    initEngineTables();
    ClearPawnTable();
    evalState = EvalState{};
    pos = NewPosition();
    newGame(*pos);
  }
  void TearDown() override {
    FreePosition(pos);
    evalState = EvalState{};
  }
  void setup(const char* fen) { ASSERT_TRUE(setupFromFen(*pos, fen)) << fen; }
  int evaluate(const char* fen) {
    setup(fen);
    return Evaluate(*pos, FullAlpha, FullBeta);
  }
  Position* pos = nullptr;
};

}  // namespace tarrock::testutil
