#include <gtest/gtest.h>

#include "board/fen.h"
#include "board/position.h"
#include "core/output.h"
#include "search/state.h"
#include "search/tt.h"
#include "test_support.h"

using namespace tarrock;

namespace {

class HashTable : public ::testing::Test {
 protected:
  void SetUp() override {
    testutil::initEngineTables();
    pos = NewPosition();
    newGame(*pos);
    AllocateHashTable(1024);
    transTable.age = 1;
  }
  void TearDown() override { FreePosition(pos); }
  Position* pos = nullptr;
};

// Sets the position's key directly: the table only looks at the key.
void useKey(Position& pos, HashKey key) { pos.keyStack[pos.keyTop] = key; }

}  // namespace

TEST(HashSizing, DefaultAndRoundedSizes) {
  struct Case { int64_t bytes; uint32_t entries, pawnEntries; };
  for (Case c : {Case{33554432, 1048576, 262144}, Case{67108864, 2097152, 524288},
                 Case{50000000, 2097152, 262144}, Case{1048576, 32768, 8192}}) {
    ResizeHashMemory(c.bytes);
    EXPECT_EQ(transTable.configuredEntries, c.entries) << c.bytes;
    EXPECT_EQ(transTable.configuredPawnEntries, c.pawnEntries) << c.bytes;
  }
  EXPECT_STREQ(FormatMemorySize(33554432), "32M");
  EXPECT_STREQ(FormatMemorySize(1536), "1K");
  EXPECT_STREQ(FormatMemorySize(512), "512");
}

TEST_F(HashTable, ExactMateScoresAreStoredRelativeToTheNode) {
  useKey(*pos, 0x123456789ULL);
  StoreHash(*pos, 0, 60, 3, 32760, Exact);
  EXPECT_EQ(transTable.entries[2 * (0x23456789 & (transTable.bucketCount - 1))].score, 32763);
  int alpha = -100, beta = 100;
  EXPECT_EQ(ProbeHash(*pos, 12, 5, alpha, beta), 0);
  EXPECT_EQ(alpha, 32758);
}

TEST_F(HashTable, ReplacementKeepsDeepEntriesOfThisSearch) {
  const HashKey a = 0x1000000005ULL, b = 0x2000000005ULL;  // same bucket
  useKey(*pos, a);
  StoreHash(*pos, 0, 120, 1, 10, LowerBound);
  int usage = transTable.usage[1];
  StoreHash(*pos, 0, 120, 1, 12, LowerBound);  // same key again: same slot, same usage
  EXPECT_EQ(transTable.usage[1], usage);
  useKey(*pos, b);
  StoreHash(*pos, 0, 24, 1, 5, LowerBound);  // shallower: goes to slot 1
  HashEntry* bucket = transTable.entries + 2 * (5 & (transTable.bucketCount - 1));
  EXPECT_EQ(bucket[0].key, a);
  EXPECT_EQ(bucket[1].key, b);

  // In a later search the deep entry is pushed to slot 1 and replaced.
  NewSearchGeneration();
  const HashKey c = 0x3000000005ULL;
  useKey(*pos, c);
  StoreHash(*pos, 0, 24, 1, 7, LowerBound);
  EXPECT_EQ(bucket[0].key, c);
  EXPECT_EQ(bucket[1].key, a);
}

TEST_F(HashTable, ProbeResultsAndNullMoveHint) {
  useKey(*pos, 0x55ULL);
  StoreHash(*pos, 0x2C000106, 60, 1, -50, UpperBound);
  int alpha = 0, beta = 10;
  // Deep enough: the upper bound -50 <= alpha cuts off.
  EXPECT_EQ(ProbeHash(*pos, 60, 1, alpha, beta), 0);
  EXPECT_EQ(alpha, -50);
  EXPECT_EQ(pos->hashMove[1], 0x2C000106u);
  // Too shallow to cut, but a null move would not reach beta.
  alpha = -100;
  beta = 10;
  EXPECT_EQ(ProbeHash(*pos, 72, 1, alpha, beta), 2);
  EXPECT_EQ(alpha, -100);
  // Unknown key: nothing known, hash move cleared.
  useKey(*pos, 0x77ULL);
  EXPECT_EQ(ProbeHash(*pos, 12, 1, alpha, beta), 1);
  EXPECT_EQ(pos->hashMove[1], 0u);
}

TEST_F(HashTable, AgesRunFromOneToSeven) {
  transTable.age = 7;
  NewSearchGeneration();
  EXPECT_EQ(transTable.age, 1);
}
