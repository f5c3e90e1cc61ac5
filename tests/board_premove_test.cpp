#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "board/attacks.h"
#include "board/fen.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/premove.h"
#include "board_test_util.h"
#include "test_support.h"

using namespace tarrock;

namespace {

// The board part of an EPD or perft line (its first four fields).
std::string boardPart(const std::string& line) {
  std::istringstream in(line);
  std::string field, fen;
  for (int i = 0; i < 4 && in >> field; ++i) fen += (i ? " " : "") + field;
  return fen;
}

// The moves the unmade tests are meant for: no castling, no en passant, no
// promotions.
bool coveredMove(const Position& pos, Move m) {
  const int type = pieceType(movePiece(m));
  if (isCastle(m) || movePromotion(m)) return false;
  return !(type == Pawn && moveCaptured(m) && moveTo(m) == pos.epSquare());
}

struct Tally {
  int moves = 0, exposed = 0, checks = 0;
};

// Compares both unmade tests with the tests after makeMove for every covered
// move of the position (side to move not in check).
void compareAllMoves(Position& pos, Tally& tally, const std::string& where) {
  const Colour us = pos.sideToMove;
  if (inCheck(pos, us) || positionFault(pos)) return;
  Move moves[256];
  const int count = generateAll(pos, moves);
  for (int i = 0; i < count; ++i) {
    const Move m = moves[i];
    if (!coveredMove(pos, m)) continue;
    const bool king = pieceType(movePiece(m)) == King;
    const bool exposed = king ? kingStepExposedUnmade(pos, m, us) : exposesKingUnmade(pos, m, us);
    const bool checks = king ? kingStepGivesCheckUnmade(pos, m, us) : givesCheckUnmade(pos, m, us);
    makeMove(pos, m);
    const bool exposedAfter = moveExposedKing(pos, m, us);
    EXPECT_EQ(exposed, exposedAfter) << where << " " << testutil::coordinate(m);
    if (!exposedAfter) {
      EXPECT_EQ(checks, bool(moveGaveCheck(pos, m, us))) << where << " " << testutil::coordinate(m);
    }
    unmakeMove(pos, m);
    tally.moves++;
    tally.exposed += exposedAfter;
    tally.checks += !exposedAfter && checks;
  }
}

}  // namespace

// Every covered move of the test-suite positions and of positions reached
// from them by a fixed sequence of pseudo-random legal moves.
TEST(UnmadeMoveTests, AgreeWithTheTestsAfterTheMove) {
  testutil::initEngineTables();
  Position* pos = NewPosition();
  Tally tally;
  uint32_t seed = 12345;
  auto nextRandom = [&seed]() { return (seed = seed * 1103515245u + 12345u) >> 8; };
  for (const char* file : {"wac.epd", "bk.epd", "kaufman.epd", "perftsuite.epd"}) {
    for (const std::string& line : testutil::dataLines(file)) {
      const std::string fen = boardPart(line);
      newGame(*pos);
      if (!setupFromFen(*pos, fen.c_str())) continue;
      for (int ply = 0; ply < 12; ++ply) {
        compareAllMoves(*pos, tally, fen + " after " + std::to_string(ply) + " plies");
        Move moves[256];
        const int legal = filterLegal(*pos, moves, generateAll(*pos, moves));
        if (legal == 0) break;
        makeMove(*pos, moves[nextRandom() % legal]);
      }
    }
  }
  FreePosition(pos);
  // The positions hold both answers of both tests often enough to mean something.
  EXPECT_GT(tally.moves, 50000);
  EXPECT_GT(tally.exposed, 100);
  EXPECT_GT(tally.checks, 1000);
}
