#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "board/fen.h"
#include "board/position.h"
#include "core/config.h"
#include "core/memory.h"
#include "core/output.h"
#include "core/state.h"
#include "eval/pawns.h"
#include "search/root.h"
#include "search/search.h"
#include "search/state.h"
#include "search/thinking.h"
#include "search/timecontrol.h"
#include "search/tt.h"
#include "tablebase/files.h"
#include "tablebase/probe.h"
#include "tablebase/state.h"
#include "tablebase_test_util.h"
#include "test_support.h"

using namespace tarrock;
using namespace tarrock::testutil;

namespace {

constexpr int Kpk = 1, Krk = 4, Kqk = 5, Kpkp = 6, Krkr = 15, Kqkr = 19, Kqqk = 35, Kppkp = 36, Kqqkq = 110;

// A plain file of length bytes, byte i = value(i).
std::string plainFile(uint32_t length, const std::function<int(uint32_t)>& value) {
  std::string s(length, '\0');
  for (uint32_t i = 0; i < length; ++i) s[i] = char(value(i));
  return s;
}

int lastEnPassant = -2;
uint32_t recordEnPassant(const int* w, const int* b, int ep, int invert) {
  lastEnPassant = ep;
  return kingPairIndex(w, b, ep, invert);
}

class TablebaseFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    initEngineTables();
    table_.assign(testClassTable(), testClassTable() + TbClassCount + 1);
    tablebases.classTable = table_.data();
    useCache(4 * TbEntryBytes);
    saved_ = frontend;
  }
  void TearDown() override {
    TbInit("");
    TbCacheInit(nullptr, 0);
    tablebases.classTable = tbClassInfo;
    frontend = saved_;
  }
  void useCache(size_t bytes) {
    cacheMemory_.assign(bytes + 1, 0);
    TbCacheInit(cacheMemory_.data(), bytes);
  }
  // Writes a file of a class for a side, sized by the table in use.
  void writeClass(const ScratchDir& dir, int id, int side, const std::function<int(uint32_t)>& value,
                  const std::string& suffix = "") {
    dir.write(std::string(table_[id].name) + (side ? ".nbb" : ".nbw") + suffix,
              plainFile(table_[id].length[side], value));
  }
  std::vector<TbClassInfo> table_;
  std::vector<unsigned char> cacheMemory_;
  FrontendState saved_;
};

}  // namespace

TEST_F(TablebaseFiles, PathListRegistersEachSideFromTheFirstDirectoryHoldingIt) {
  ScratchDir a, b;
  writeClass(a, Kqk, 0, [](uint32_t) { return 1; });
  writeClass(b, Kqk, 0, [](uint32_t) { return 2; });
  writeClass(b, Kqk, 1, [](uint32_t) { return 3; });
  for (const char* separator : {";", ","}) {
    SCOPED_TRACE(separator);
    EXPECT_EQ(TbInit((a.path() + separator + b.path()).c_str()), 3);
    EXPECT_EQ(tablebases.records[Kqk].fileName[0], a.file("kqk.nbw"));
    EXPECT_EQ(tablebases.records[Kqk].fileName[1], b.file("kqk.nbb"));
    EXPECT_EQ(TbReadByte(Kqk, 0, 100), 1);
    EXPECT_EQ(TbReadByte(Kqk, 1, 100), 3);
    EXPECT_TRUE(tablebases.records[Krk].fileName[0].empty());
  }
  // A second initialisation forgets the first one and the blocks it cached.
  EXPECT_EQ(TbInit(b.path().c_str()), 3);
  EXPECT_EQ(TbReadByte(Kqk, 0, 100), 2);
  EXPECT_EQ(TbInit(""), 0);
  EXPECT_EQ(TbReadByte(Kqk, 0, 100), 127);
}

TEST_F(TablebaseFiles, OddPathListsRegisterWhatTheyName) {
  ScratchDir a;
  writeClass(a, Krk, 0, [](uint32_t) { return 0; });
  const std::string longName(5000, 'x');
  struct Case {
    std::string list;
    int men;
  } cases[] = {
      {"", 0},
      {";", 0},
      {",,;;", 0},
      {";" + a.path() + ";", 3},
      {a.path() + "/missing;" + a.path(), 3},
      {"/nonexistent/dir", 0},
      {longName + ";" + a.path(), 3},
      {a.path() + "/" + longName, 0},
      {a.path() + "/", 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.list.substr(0, 80));
    EXPECT_EQ(TbInit(c.list.c_str()), c.men);
  }
}

TEST_F(TablebaseFiles, MenCountComesFromTheHighestRegisteredClass) {
  struct Case {
    std::vector<int> classes;
    int men;
  } cases[] = {
      {{Kpk}, 3}, {{Krk, Kqk}, 3}, {{Kpkp}, 4}, {{Krkr, Kqk}, 4}, {{Kqqk}, 4}, {{Kppkp}, 5}, {{Kqk, Kqqkq}, 5},
  };
  for (const Case& c : cases) {
    ScratchDir dir;
    for (int id : c.classes) writeClass(dir, id, 1, [](uint32_t) { return 0; });
    EXPECT_EQ(TbInit(dir.path().c_str()), c.men) << table_[c.classes.back()].name;
  }
}

TEST_F(TablebaseFiles, CompressedFilesAreFoundUnderBothNamesAndReadLikePlainOnes) {
  ScratchDir dir;
  const std::string white = plainFile(RawKqkLength, [](uint32_t i) { return (i / 5000) % 7; });
  const std::string black = plainFile(RawKqkLength, [](uint32_t i) { return i % 3 ? 0x90 : 0; });
  dir.write("kqk.nbw.emd", encodeTablebase(white, {1, 2, 3, 64, 4096}).bytes);
  dir.write("kqknbb.emd", encodeTablebase(black, {1, 3}).bytes);
  ASSERT_EQ(TbInit(dir.path().c_str()), 3);
  EXPECT_EQ(tablebases.records[Kqk].fileName[0], dir.file("kqk.nbw.emd"));
  EXPECT_EQ(tablebases.records[Kqk].fileName[1], dir.file("kqknbb.emd"));
  for (uint32_t i = 0; i < RawKqkLength; i += 997) {
    EXPECT_EQ(TbReadByte(Kqk, 0, i), uint8_t(white[i])) << i;
    EXPECT_EQ(TbReadByte(Kqk, 1, i), uint8_t(black[i])) << i;
  }
  // A plain file is preferred to a compressed one.
  dir.write("kqk.nbw", white);
  TbInit(dir.path().c_str());
  EXPECT_EQ(tablebases.records[Kqk].fileName[0], dir.file("kqk.nbw"));
}

TEST_F(TablebaseFiles, BlockCacheKeepsRecencyAndBucketChains) {
  // kpk as a 40-block file, so blocks 0 and 32 share a bucket.
  table_[Kpk].length[0] = 40 * TbBlockSize;
  ScratchDir dir;
  writeClass(dir, Kpk, 0, [](uint32_t i) { return (i >> 13) * 3 + (i & 1); });
  ASSERT_EQ(TbInit(dir.path().c_str()), 3);
  useCache(3 * TbEntryBytes + 100);
  const TbCache& cache = tablebases.cache;
  ASSERT_EQ(cache.count, 3);
  for (int e = 0; e < 3; ++e) EXPECT_EQ(cache.entries[e].dataOffset, 3 * 32 + e * TbDataStride);

  auto block = [](uint32_t b) { return b * TbBlockSize; };
  auto firstIndices = [&](int32_t from, bool lru) {
    std::vector<uint32_t> blocks;
    for (int32_t e = from; e >= 0; e = lru ? cache.entries[e].lruNext : cache.entries[e].bucketNext)
      blocks.push_back(cache.entries[e].firstIndex / TbBlockSize);
    return blocks;
  };
  const int32_t* bucketHeads = tablebases.records[Kpk].buckets[0];
  EXPECT_EQ(TbReadByte(Kpk, 0, block(0) + 1), 1);
  EXPECT_EQ(TbReadByte(Kpk, 0, block(32) + 2), 96);
  EXPECT_EQ(TbReadByte(Kpk, 0, block(1) + 5), 4);
  EXPECT_EQ(cache.freeHead, -1);
  EXPECT_EQ(firstIndices(cache.lruHead, true), (std::vector<uint32_t>{1, 32, 0}));
  EXPECT_EQ(firstIndices(bucketHeads[0], false), (std::vector<uint32_t>{32, 0}));

  // A hit moves the block to the front of both lists.
  EXPECT_EQ(TbReadByte(Kpk, 0, block(0) + 8191), 1);
  EXPECT_EQ(firstIndices(cache.lruHead, true), (std::vector<uint32_t>{0, 1, 32}));
  EXPECT_EQ(firstIndices(bucketHeads[0], false), (std::vector<uint32_t>{0, 32}));

  // A miss with a full cache takes the least recently used block.
  EXPECT_EQ(TbReadByte(Kpk, 0, block(39)), 117);
  EXPECT_EQ(firstIndices(cache.lruHead, true), (std::vector<uint32_t>{39, 0, 1}));
  EXPECT_EQ(firstIndices(bucketHeads[0], false), (std::vector<uint32_t>{0}));
  EXPECT_EQ(firstIndices(bucketHeads[7], false), (std::vector<uint32_t>{39}));
  EXPECT_EQ(cache.lruTail >= 0 ? cache.entries[cache.lruTail].firstIndex : 1u, block(1));

  // Every byte still reads right through a cache that keeps evicting.
  for (uint32_t i = 0; i < 40 * TbBlockSize; i += 4099) EXPECT_EQ(TbReadByte(Kpk, 0, i), int((i >> 13) * 3 + (i & 1)));
  EXPECT_EQ(TbReadByte(Kpk, 0, 40 * TbBlockSize), 127);  // past the file
}

TEST_F(TablebaseFiles, TooSmallACacheHoldsNothingAndFindsNothing) {
  ScratchDir dir;
  writeClass(dir, Kqk, 0, [](uint32_t) { return 5; });
  ASSERT_EQ(TbInit(dir.path().c_str()), 3);
  for (size_t bytes : {size_t(0), size_t(16), size_t(TbEntryBytes - 1)}) {
    useCache(bytes);
    EXPECT_EQ(tablebases.cache.count, 0);
    EXPECT_EQ(TbReadByte(Kqk, 0, 0), 127) << bytes;
    EXPECT_FALSE(tablebases.records[Kqk].fileName[0].empty());  // not a read failure
  }
  useCache(TbEntryBytes);
  EXPECT_EQ(TbReadByte(Kqk, 0, 0), 5);
}

TEST_F(TablebaseFiles, InitializationSetsUpACacheOfTheConfiguredSize) {
  ScratchDir dir;
  writeClass(dir, Kqk, 0, [](uint32_t) { return 5; });
  const Configuration savedConfig = config;
  config.tbPath = dir.path();
  frontend.tablebasesEnabled = 1;
  frontend.showOutput = 0;
  struct Case {
    int32_t bytes;
    int entries;
  } cases[] = {{1 << 20, 126}, {16, 0}, {-5, 0}, {3 * int32_t(TbEntryBytes), 3}, {3 * int32_t(TbEntryBytes), 3}};
  for (const Case& c : cases) {
    config.egtbHashSize = c.bytes;
    EXPECT_EQ(InitializeTablebases(), 3);
    EXPECT_EQ(tablebases.cache.count, c.entries) << c.bytes;
    EXPECT_EQ(TbReadByte(Kqk, 0, 7), c.entries ? 5 : 127);
  }
  config.tbPath = dir.path() + "/none";
  EXPECT_EQ(InitializeTablebases(), 0);
  EXPECT_EQ(frontend.tablebasesEnabled, 0);
  SetUpTablebaseCache(0);
  config = savedConfig;
}

TEST_F(TablebaseFiles, ReadFailuresDropTheSideAndAnswerUnknown) {
  struct Case {
    const char* what;
    std::function<void(const ScratchDir&)> spoil;
    bool dropped;
  } cases[] = {
      {"file removed", [](const ScratchDir& d) { std::filesystem::remove(d.file("kqk.nbw")); }, true},
      {"file become a directory",
       [](const ScratchDir& d) {
         std::filesystem::remove(d.file("kqk.nbw"));
         std::filesystem::create_directory(d.file("kqk.nbw"));
       },
       true},
      {"file cut short: its tail reads as unknown",
       [](const ScratchDir& d) { std::filesystem::resize_file(d.file("kqk.nbw"), 1000); }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchDir dir;
    writeClass(dir, Kqk, 0, [](uint32_t) { return 9; });
    writeClass(dir, Kqk, 1, [](uint32_t) { return 9; });
    ASSERT_EQ(TbInit(dir.path().c_str()), 3);
    c.spoil(dir);
    EXPECT_EQ(TbReadByte(Kqk, 0, 20000), 127);
    EXPECT_EQ(tablebases.records[Kqk].fileName[0].empty(), c.dropped);
    EXPECT_EQ(TbReadByte(Kqk, 1, 20000), 9);  // the other side reads on
    int value = 0;
    Position* pos = NewPosition();
    setupFromFen(*pos, "8/8/8/3k4/8/8/1Q6/K7 w - -");
    EXPECT_EQ(ProbeTablebase(*pos, value), !c.dropped);  // index 611 lies in the kept part
    FreePosition(pos);
  }
}

TEST_F(TablebaseFiles, CorruptCompressedBlockDropsTheSide) {
  ScratchDir dir;
  const std::string white = plainFile(RawKqkLength, [](uint32_t i) { return (i / 300) % 5; });
  const uint32_t distances[TbDistanceCount] = {1, 2};
  // Block 3 copies from before its own start; the others are sound.
  EncodedFile file = encodeTablebase(white, {1, 2}, 13, [&](uint32_t block) {
    if (block == 3) return std::vector<Token>{Token{7}, Token{-1, 1, 5}};
    return tokenize(reinterpret_cast<const uint8_t*>(white.data()) + block * TbBlockSize, TbBlockSize, distances);
  });
  dir.write("kqk.nbw.emd", file.bytes);
  ASSERT_EQ(TbInit(dir.path().c_str()), 3);
  EXPECT_EQ(TbReadByte(Kqk, 0, 2 * TbBlockSize + 100), uint8_t(white[2 * TbBlockSize + 100]));
  EXPECT_EQ(TbReadByte(Kqk, 0, 3 * TbBlockSize + 100), 127);
  EXPECT_TRUE(tablebases.records[Kqk].fileName[0].empty());
  EXPECT_EQ(TbReadByte(Kqk, 0, 4 * TbBlockSize + 100), 127);  // no longer read
}

TEST_F(TablebaseFiles, ReadValueWidensTheStoredByte) {
  ScratchDir dir;
  writeClass(dir, Krk, 0, [](uint32_t i) { return int(i & 255); });
  ASSERT_EQ(TbInit(dir.path().c_str()), 3);
  struct Case {
    int byte;
    int value;
  } cases[] = {{0, 0},        {1, 32641},   {126, 32766},   {127, 32767},
               {255, -32641}, {130, -32766}, {129, -32640}, {128, 32640}};
  for (const Case& c : cases) EXPECT_EQ(TbReadValue(Krk, 0, uint32_t(c.byte)), c.value) << c.byte;
  // Fixed entries of the Black-to-move kppkp file, registered or not.
  for (uint32_t index : {56802428u, 59592489u, 71071628u}) EXPECT_EQ(TbReadValue(Kppkp, 1, index), -32639);
  EXPECT_EQ(TbReadValue(Kppkp, 1, 56802429u), 32767);
}

TEST_F(TablebaseFiles, ProbeFindsTheClassSideAndSquaresWithColoursExchanged) {
  ScratchDir dir;
  // kqk: a byte per raw index; White to move wins in 1 at 611 only.
  writeClass(dir, Kqk, 0, [](uint32_t i) { return i == 611 ? 126 : i == (56 * 64 + 49) * 64 + 27 ? 120 : 127; });
  writeClass(dir, Kqk, 1, [](uint32_t i) { return i == (35 * 64 + 9) * 64 + 0 ? -126 : 0; });
  writeClass(dir, Kqkr, 1, [](uint32_t i) { return i == (35 ^ 56) * 64 + (0 ^ 56) ? -2 : 127; });
  writeClass(dir, Kpkp, 0, [](uint32_t) { return 0; });
  ASSERT_EQ(TbInit(dir.path().c_str()), 4);
  struct Case {
    const char* fen;
    bool found;
    int value;
  } cases[] = {
      // White king a1, queen b2, black king d5: index (0 * 64 + 9) * 64 + 35.
      {"8/8/8/3k4/8/8/1Q6/K7 w - -", true, 32765},
      // The same seen from Black (colours exchanged): the board turned over.
      {"k7/1q6/8/8/3K4/8/8/8 b - -", true, 32765},
      // Black to move in kqk: king d5 (35), queen b2 (9), black king a1.
      {"8/8/8/3Q4/8/8/1K6/k7 b - -", true, 0},
      {"8/8/8/3K4/8/8/1Q6/k7 b - -", true, -32765},
      // White queen b7, black king a1: d5 xor 56 = 27, a8 xor 56 = 0 ... index (56, 49, 27).
      {"K7/1Q6/8/8/3k4/8/8/8 w - -", true, 32767 - 2 * 7},
      // kqkr with the colours exchanged: black queen and a white rook, White
      // to move, is probed in the Black-to-move file, board turned over.
      {"8/8/8/3k4/8/8/1q6/K1R5 w - -", true, -32767 + 2 * 125},
      {"8/8/8/3k4/8/8/1q6/K1R5 b - -", false, 0},  // kqkr White to move: no file
      {"8/8/8/3k4/8/8/8/K7 w - -", false, 0},       // bare kings: no class
      {"8/8/8/3k4/8/8/PPPP4/K7 w - -", false, 0},   // four pawns
      {"8/8/8/3k4/8/8/1Q6/1K6 w - -", false, 0},    // byte 127: unknown
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fen);
    Position* pos = NewPosition();
    ASSERT_TRUE(setupFromFen(*pos, c.fen));
    tablebases.tbProbes = tablebases.tbHits = 0;
    int value = 12345;
    EXPECT_EQ(ProbeTablebase(*pos, value), c.found);
    if (c.found) {
      EXPECT_EQ(value, c.value);
    }
    EXPECT_EQ(tablebases.tbProbes, 1u);
    EXPECT_EQ(tablebases.tbHits, c.found ? 1u : 0u);
    FreePosition(pos);
  }
}

TEST_F(TablebaseFiles, ProbeHandsTheEnPassantSquareToTheIndexFunction) {
  table_[Kpkp].index[1] = recordEnPassant;
  ScratchDir dir;
  writeClass(dir, Kpkp, 1, [](uint32_t) { return 0; });
  ASSERT_EQ(TbInit(dir.path().c_str()), 4);
  Position* pos = NewPosition();
  int value;
  ASSERT_TRUE(setupFromFen(*pos, "8/8/8/3k4/2Pp4/8/8/K7 b - c3"));
  EXPECT_TRUE(ProbeTablebase(*pos, value));
  EXPECT_EQ(lastEnPassant, 18);
  ASSERT_TRUE(setupFromFen(*pos, "8/8/8/3k4/2Pp4/8/8/K7 b - -"));
  EXPECT_TRUE(ProbeTablebase(*pos, value));
  EXPECT_EQ(lastEnPassant, TbNoEnPassant);
  FreePosition(pos);
}

namespace {

class TablebaseSearch : public TablebaseFiles {
 protected:
  void SetUp() override {
    TablebaseFiles::SetUp();
    testutil::initSearchTables();
    pos = NewPosition();
  }
  void TearDown() override {
    FreePosition(pos);
    search.maxSearchDepth = 768;
    TablebaseFiles::TearDown();
  }
  int think(const char* fen, int plies) {
    newGame(*pos);
    setupFromFen(*pos, fen);
    ClearHashTable();
    ClearSearchTables(*pos);
    search.maxSearchDepth = plies * 12;
    search.lastScore = 0;
    timeControl.allocatedTime = timeControl.maximumTime = INT32_MAX;
    timeControl.fixedMoveTime = 0;
    return Think(*pos);
  }
  void enable(const ScratchDir& dir) {
    frontend.tablebasesEnabled = 1;
    frontend.tbMaxMen = TbInit(dir.path().c_str());
  }
  Position* pos = nullptr;
};

}  // namespace

TEST_F(TablebaseSearch, RootScoresEveryMoveFromTheTablesWithTheTrueMateDistance) {
  // Every Black-to-move kqk position is lost in 7 moves, so every white move
  // mates in 8: 32768 - 2 * 8.
  ScratchDir dir;
  writeClass(dir, Kqk, 1, [](uint32_t) { return -120; });
  enable(dir);
  EXPECT_EQ(think("8/8/8/3k4/8/8/1Q6/K7 w - -", 20), 32752);
  EXPECT_EQ(search.iterationDepth, 24);  // every root move resolved: the first iteration ends it
  EXPECT_EQ(search.tbRootCount, pos->rootCount);
  EXPECT_EQ(tablebases.tbHits, uint32_t(pos->rootCount));
  EXPECT_STREQ(FormatScore(32752), "#08");
  // A lost root keeps the child's value: after any black move White mates in
  // 7 (its last move at ply 14), so Black is mated in 7.
  writeClass(dir, Kqk, 0, [](uint32_t) { return 120; });
  enable(dir);
  EXPECT_EQ(think("8/8/8/3k4/8/8/1Q6/K7 b - -", 20), -32767 + 2 * 7);
}

TEST_F(TablebaseSearch, SearchProbesBelowTheRootAndCountsHits) {
  // Only kqk is registered; the pawn ending is searched, and the positions
  // after the pawn falls come from the table once the depth allows.
  ScratchDir dir;
  writeClass(dir, Kqk, 1, [](uint32_t) { return -100; });
  writeClass(dir, Kqk, 0, [](uint32_t) { return 100; });
  enable(dir);
  int score = think("8/8/8/4k3/8/4p3/8/K6Q w - -", 7);
  EXPECT_GT(score, 30000);
  EXPECT_EQ(search.tbRootCount, 0);  // no root move takes the pawn
  EXPECT_GT(tablebases.tbHits, 0u);
  EXPECT_GE(tablebases.tbProbes, tablebases.tbHits);
  // Switched off, the tables are not asked.
  frontend.tablebasesEnabled = 0;
  think("8/8/8/4k3/8/4p3/8/K6Q w - -", 7);
  EXPECT_EQ(tablebases.tbProbes, 0u);
}
