// Small helpers shared by the board tests: a fixture holding one Position,
// moves written as "e2e4"/"b7a8q" and built from such text.
#pragma once

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "board/attacks.h"
#include "board/fen.h"
#include "board/makemove.h"
#include "board/movegen.h"
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

// Calls visit(pos) on every position of the EPD suites in tests/data and on
// the positions of a random game of up to `plies` legal moves from each
// (fixed seed, so every run sees the same positions). Returns their number.
template <typename Visit>
int forEachSuitePosition(Position& pos, int plies, Visit visit) {
  static const char* const suites[] = {"bk.epd", "kaufman.epd", "lct2.epd", "perft.epd",
                                       "perftsuite.epd", "sts.epd", "wac.epd"};
  std::mt19937 random(20261210);
  int visited = 0;
  for (const char* suite : suites)
    for (const std::string& line : dataLines(suite)) {
      // The first four FEN fields; the rest are counters or EPD operations.
      std::string fen;
      size_t start = 0;
      for (int field = 0; field < 4 && start < line.size(); ++field) {
        size_t end = line.find(' ', start);
        if (end == std::string::npos) end = line.size();
        fen += (field ? " " : "") + line.substr(start, end - start);
        start = end + 1;
      }
      newGame(pos);
      if (!setupFromFen(pos, fen.c_str())) continue;
      Move played[256];
      int count = 0;
      for (;; ++count) {
        visit(pos);
        ++visited;
        Move moves[MaxMoves];
        const int legal = count < plies ? filterLegal(pos, moves, generateAll(pos, moves)) : 0;
        if (legal == 0) break;
        played[count] = moves[random() % unsigned(legal)];
        makeMove(pos, played[count]);
      }
      while (count > 0) unmakeMove(pos, played[--count]);
    }
  return visited;
}

}  // namespace tarrock::testutil
