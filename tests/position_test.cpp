#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "board/fen.h"
#include "board/notation.h"
#include "board/position.h"
#include "core/output.h"
#include "test_support.h"

using namespace tarrock;

namespace {

// Golden values from the shared test data: "name v1 v2 ..." lines in hex.
std::vector<uint64_t> goldenValues(const std::string& name) {
  for (const std::string& line : testutil::dataLines("keys.txt")) {
    std::istringstream words(line);
    std::string key, value;
    words >> key;
    if (key != name) continue;
    std::vector<uint64_t> values;
    while (words >> value) values.push_back(std::stoull(value, nullptr, 16));
    return values;
  }
  ADD_FAILURE() << "keys.txt has no line " << name;
  return {};
}

}  // namespace

TEST(Random, FirstOutputsAndKeyDrawOrderMatchGolden) {
  resetRandom();
  std::vector<uint64_t> expected = goldenValues("random32");
  ASSERT_EQ(expected.size(), 5u);
  for (uint64_t value : expected) EXPECT_EQ(random32(), value);

  resetRandom();
  initKeys();
  EXPECT_EQ(keys.sideKey, goldenValues("sideKey").at(0));
  // The first draw is the white pawn on a1, the second the white knight on a1.
  resetRandom();
  uint64_t first = random64(), second = random64();
  EXPECT_EQ(keys.pieceKeys[WhitePawn][A1], first);
  EXPECT_EQ(keys.pieceKeys[WhiteKnight][A1], second);
  testutil::initEngineTables();
}

TEST(Position, NewGameMatchesGoldenKeysAndCounts) {
  testutil::initEngineTables();
  Position* pos = NewPosition();
  newGame(*pos);
  EXPECT_EQ(pos->key(), goldenValues("initial-key").at(0));
  EXPECT_EQ(pos->pawnKey(), goldenValues("initial-pawnkey").at(0));
  EXPECT_EQ(computeKey(*pos), pos->key());
  for (Colour c : {White, Black}) {
    EXPECT_EQ(pos->pieceUnits[c], 32);
    EXPECT_EQ(pos->heavyCount[c], 4);
    EXPECT_EQ(pos->pawnCount[c], 8);
    EXPECT_EQ(pos->bishopCount[c], 2);
    EXPECT_EQ(pos->knightCount[c], 2);
    EXPECT_EQ(pos->material[c], 3970);
  }
  EXPECT_EQ(pos->castleRights(), 15u);
  EXPECT_EQ(pos->epSquare(), 0u);
  EXPECT_EQ(pos->kingSquare[White], E1);
  EXPECT_EQ(pos->kingSquare[Black], E8);
  EXPECT_EQ(pos->game->result, 4);
  FreePosition(pos);
}

TEST(Position, KeyIgnoresCastlingAndDiffersBySideKey) {
  testutil::initEngineTables();
  Position* a = NewPosition();
  Position* b = NewPosition();
  newGame(*a);
  newGame(*b);
  setupFromFen(*a, "r3k2r/8/8/8/8/8/8/R3K2R w KQkq -");
  setupFromFen(*b, "r3k2r/8/8/8/8/8/8/R3K2R w - -");
  EXPECT_NE(a->castleRights(), b->castleRights());
  EXPECT_EQ(a->key(), b->key());
  setupFromFen(*b, "r3k2r/8/8/8/8/8/8/R3K2R b KQkq -");
  EXPECT_EQ(a->key() ^ b->key(), keys.sideKey);
  FreePosition(a);
  FreePosition(b);
}

TEST(Position, SquareMapsPlaceCornersAsDocumented) {
  testutil::initEngineTables();
  struct Case { Square s; int files, a1h8, h1a8; };
  for (Case c : {Case{A1, 0, 28, 63}, Case{H1, 56, 63, 28}, Case{A8, 7, 0, 35}, Case{H8, 63, 35, 0},
                 Case{B1, 8, 36, 61}, Case{H7, 62, 42, 1}}) {
    EXPECT_EQ(squareMaps.mapFiles[c.s], c.files) << squareNames[c.s];
    EXPECT_EQ(squareMaps.mapDiagA1H8[c.s], c.a1h8) << squareNames[c.s];
    EXPECT_EQ(squareMaps.mapDiagH1A8[c.s], c.h1a8) << squareNames[c.s];
  }
}

TEST(GameRecord, TakeBackOnEmptyRecordReturnsZero) {
  testutil::initEngineTables();
  Position* pos = NewPosition();
  newGame(*pos);
  HashKey before = pos->key();
  EXPECT_EQ(takeBack(*pos), 0u);
  EXPECT_EQ(replayMove(*pos), 0u);
  EXPECT_EQ(pos->key(), before);
  FreePosition(pos);
}

TEST(GameRecord, PlayTakeBackReplayAndDiscardedRedo) {
  testutil::initEngineTables();
  Position* pos = NewPosition();
  newGame(*pos);
  const HashKey start = pos->key();
  Move e4 = parseMove(*pos, "e4");
  playMove(*pos, e4);
  Move e5 = parseMove(*pos, "e5");
  playMove(*pos, e5);
  EXPECT_EQ(pos->game->count, 2);
  EXPECT_EQ(takeBack(*pos), e5);
  EXPECT_EQ(takeBack(*pos), e4);
  EXPECT_EQ(pos->key(), start);
  EXPECT_EQ(replayMove(*pos), e4);
  // A new move after taking back discards the redo tail.
  Move c5 = parseMove(*pos, "c5");
  playMove(*pos, c5);
  EXPECT_EQ(replayMove(*pos), 0u);
  EXPECT_EQ(pos->game->end, 2);
  EXPECT_EQ(computeKey(*pos), pos->key());
  FreePosition(pos);
}

TEST(GameRecord, ChangingTheSideStartsAFreshRecord) {
  testutil::initEngineTables();
  Position* pos = NewPosition();
  newGame(*pos);
  playMove(*pos, parseMove(*pos, "e4"));
  playMove(*pos, parseMove(*pos, "e5"));
  // The same side again: the record stays and a move can be taken back.
  setSideToMove(*pos, White);
  EXPECT_EQ(pos->game->count, 2);
  EXPECT_EQ(computeKey(*pos), pos->key());

  // The other side: the recorded moves were made with White to move here, so
  // nothing is left to take back or replay, and the key stays right.
  setSideToMove(*pos, Black);
  EXPECT_EQ(pos->sideToMove, Black);
  EXPECT_EQ(computeKey(*pos), pos->key());
  const std::string before = fenString(*pos);
  EXPECT_EQ(takeBack(*pos), 0u);
  EXPECT_EQ(replayMove(*pos), 0u);
  EXPECT_EQ(fenString(*pos), before);
  EXPECT_EQ(computeKey(*pos), pos->key());
  // Play goes on from there and can be taken back as usual.
  Move nf6 = parseMove(*pos, "Nf6");
  playMove(*pos, nf6);
  EXPECT_EQ(takeBack(*pos), nf6);
  EXPECT_EQ(computeKey(*pos), pos->key());
  EXPECT_EQ(fenString(*pos), before);
  FreePosition(pos);
}
