// The opening book in process: keys of book positions, building from PGN
// (records, reader edge cases, temporary files and their merging, failures
// that must leave the old book alone), opening damaged files, the lookup,
// the probe's weights and choice, and learning.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "board/fen.h"
#include "board/makemove.h"
#include "board/notation.h"
#include "board/position.h"
#include "book/bookfile.h"
#include "book/build.h"
#include "book/learn.h"
#include "book/probe.h"
#include "book/state.h"
#include "core/config.h"
#include "core/output.h"
#include "core/state.h"
#include "test_support.h"

using namespace tarrock;

namespace {

// What the engine prints while f runs, caught through the log in xboard mode.
template <class F>
std::string captured(F f) {
  FILE* log = std::tmpfile();
  LogState saved = logState;
  ProtocolMode mode = frontend.protocolMode;
  int show = frontend.showOutput;
  logState.logFile = log;
  frontend.protocolMode = Xboard;
  frontend.showOutput = 1;
  f();
  logState = saved;
  frontend.protocolMode = mode;
  frontend.showOutput = show;
  return testutil::drainStream(log);
}

struct BookImage {
  bool valid = false;
  BookHeader header{};
  std::vector<BookEntry> entries;
};

BookImage readBook(const std::string& path) {
  BookImage image;
  std::string bytes = testutil::readFile(path);
  if (bytes.size() < size_t(BookHeaderSize)) return image;
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  DecodeBookHeader(p, image.header);
  image.valid = true;
  for (size_t at = BookHeaderSize; at + BookEntrySize <= bytes.size(); at += BookEntrySize) {
    BookEntry e;
    DecodeBookEntry(p + at, e);
    image.entries.push_back(e);
  }
  return image;
}

// The count defaults to the number of records.
std::string bookBytes(std::vector<BookEntry> entries, int32_t count = INT32_MIN, const char* version = BookVersion) {
  std::sort(entries.begin(), entries.end(), [](const BookEntry& a, const BookEntry& b) { return a.key < b.key; });
  BookHeader header = MakeBookHeader("Thu Jan  1 00:00:00 2026", count == INT32_MIN ? int32_t(entries.size()) : count, 60);
  std::strncpy(header.version, version, sizeof header.version - 1);
  std::string bytes(BookHeaderSize + BookEntrySize * entries.size(), '\0');
  auto* p = reinterpret_cast<unsigned char*>(bytes.data());
  EncodeBookHeader(header, p);
  for (size_t i = 0; i < entries.size(); ++i) EncodeBookEntry(entries[i], p + BookHeaderSize + BookEntrySize * i);
  return bytes;
}

BookEntry record(HashKey key, uint32_t played, uint32_t white, uint32_t black, uint32_t draws,
                 uint32_t learn = NewLearn, uint32_t flags = 0) {
  return BookEntry{key, played, white, black, draws, learn, flags};
}

// Plays SAN moves from the initial position on pos (into its game record).
void playLine(Position& pos, const std::vector<const char*>& sans) {
  newGame(pos);
  for (const char* san : sans) {
    Move m = parseMove(pos, san);
    ASSERT_NE(m, 0u) << san;
    playMove(pos, m);
  }
}

class BookTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testutil::initEngineTables();
    pos = NewPosition();
    newGame(*pos);
    bookPath = dir.file("test.bok");
  }
  void TearDown() override {
    CloseBook();
    frontend.bookEnabled = 1;
    FreePosition(pos);
  }

  HashKey keyAfter(const std::vector<const char*>& sans) {
    Position* p = NewPosition();
    playLine(*p, sans);
    HashKey k = p->key();
    FreePosition(p);
    return k;
  }

  int build(const std::string& pgn, BookBuildOptions options, std::string* out = nullptr) {
    int status = 0;
    std::string text = captured([&] { status = BuildBookFromBytes(pgn.data(), pgn.size(), bookPath.c_str(), options); });
    if (out) *out = text;
    return status;
  }

  // The names in the scratch directory other than the book.
  std::vector<std::string> strayFiles() {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
      std::string name = e.path().filename().string();
      if (name != "test.bok" && name != "old.bok") names.push_back(name);
    }
    return names;
  }

  int open(const std::string& bytes, std::string* out = nullptr) {
    int status = 0;
    std::string text = captured([&] { status = OpenBookFromBytes(bytes.data(), bytes.size(), "t.bok"); });
    if (out) *out = text;
    return status;
  }

  testutil::ScratchDir dir;
  std::string bookPath;
  Position* pos = nullptr;
};

BookBuildOptions options(int cutDepth, int minPlayed, int poolSize = 100000) {
  BookBuildOptions o;
  o.cutDepth = cutDepth;
  o.minPlayed = minPlayed;
  o.poolSize = poolSize;
  return o;
}

// Three games: a White win with "!" on Black's first move, a Black win with
// "??" on White's second move, a draw opened with "!?".
const std::string SmallPgn =
    "[Event \"Fixture\"]\n[Result \"1-0\"]\n\n1.e4 e5! 2.Nf3 Nc6 1-0\n\n"
    "[Event \"Fixture\"]\n[Result \"0-1\"]\n\n1.e4 e5 2.Nf3?? d6 0-1\n\n"
    "[Event \"Fixture\"]\n[Result \"1/2-1/2\"]\n\n1.d4!? d5 2.c4 1/2-1/2\n";

}  // namespace

TEST_F(BookTest, KeysOfPositionsAfterMovesEqualKeysOfTheSameFen) {
  struct Case {
    std::vector<const char*> moves;
    const char* fen;
  };
  const Case cases[] = {
      {{"e4"}, "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq -"},
      {{"e4", "d5", "e5", "f5"}, "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6"},
      {{"Nf3", "Nf6", "g3", "g6", "Bg2", "Bg7", "O-O", "O-O"}, "rnbq1rk1/ppppppbp/5np1/8/8/5NP1/PPPPPPBP/RNBQ1RK1 w - -"},
  };
  for (const Case& c : cases) {
    Position* fromFen = NewPosition();
    newGame(*fromFen);
    ASSERT_TRUE(setupFromFen(*fromFen, c.fen));
    EXPECT_EQ(keyAfter(c.moves), fromFen->key()) << c.fen;
    FreePosition(fromFen);
  }
  // The known key of the initial position and one move's difference from it.
  EXPECT_EQ(keyAfter({}), 0xabc98f6d28d98b82ull);
  EXPECT_EQ(keyAfter({"e4"}) ^ keyAfter({}),
            keys.pieceKeys[WhitePawn][E2] ^ keys.pieceKeys[WhitePawn][E4] ^ keys.sideKey);
}

TEST_F(BookTest, SmallCollectionGivesTheseRecords) {
  std::string out;
  ASSERT_EQ(build(SmallPgn, options(3, 1), &out), 0) << out;
  BookImage image = readBook(bookPath);
  ASSERT_TRUE(image.valid);
  EXPECT_STREQ(image.header.version, "0.3");
  EXPECT_EQ(image.header.depth, 3);
  // Positions after the third ply are beyond the cut; "!?" marks nothing.
  std::map<HashKey, BookEntry> expected = {
      {keyAfter({"e4"}), record(0, 2, 1, 1, 0)},
      {keyAfter({"e4", "e5"}), record(0, 2, 1, 1, 0, NewLearn, MarkGood)},
      {keyAfter({"e4", "e5", "Nf3"}), record(0, 2, 1, 1, 0, NewLearn, MarkBlunder)},
      {keyAfter({"d4"}), record(0, 1, 0, 0, 1)},
      {keyAfter({"d4", "d5"}), record(0, 1, 0, 0, 1)},
      {keyAfter({"d4", "d5", "c4"}), record(0, 1, 0, 0, 1)},
  };
  ASSERT_EQ(image.header.count, 6);
  ASSERT_EQ(image.entries.size(), 6u);
  HashKey previous = 0;
  for (const BookEntry& e : image.entries) {
    EXPECT_GT(e.key, previous);
    previous = e.key;
    ASSERT_TRUE(expected.count(e.key)) << std::hex << e.key;
    const BookEntry& x = expected[e.key];
    EXPECT_EQ(e.played, x.played);
    EXPECT_EQ(e.whiteWins, x.whiteWins);
    EXPECT_EQ(e.blackWins, x.blackWins);
    EXPECT_EQ(e.draws, x.draws);
    EXPECT_EQ(e.learn, 50000u);
    EXPECT_EQ(e.flags, x.flags);
  }
  EXPECT_NE(out.find("Removing moves played lesser then 1 times\n"), std::string::npos) << out;

  // Minimum 2 keeps the three positions of the two 1.e4 games.
  ASSERT_EQ(build(SmallPgn, options(3, 2)), 0);
  image = readBook(bookPath);
  EXPECT_EQ(image.header.count, 3);
  EXPECT_EQ(image.entries.size(), 3u);
  for (const BookEntry& e : image.entries) EXPECT_EQ(e.played, 2u);
  EXPECT_TRUE(strayFiles().empty());
}

TEST_F(BookTest, ReaderEdgeCases) {
  const HashKey e4 = keyAfter({"e4"}), e4e5 = keyAfter({"e4", "e5"}), e4e5Nf3 = keyAfter({"e4", "e5", "Nf3"});
  struct Case {
    const char* name;
    std::string pgn;
    std::map<HashKey, uint32_t> played;  // every record expected, by played
    uint32_t whiteWinsAfterE4;
  };
  const std::string longToken(600, 'x');
  const Case cases[] = {
      {"empty file", "", {}, 0},
      {"games from a set-up position are not used",
       "[Result \"1-0\"]\n[FEN \"8/8/8/8/8/8/8/K1k5 w - - 0 1\"]\n1.e4 e5 1-0\n", {}, 0},
      {"no Result tag: only played counts", "1.e4 e5 2.Nf3 *\n", {{e4, 1}, {e4e5, 1}, {e4e5Nf3, 1}}, 0},
      {"comments, variations and glyphs are skipped",
       "[Result \"1-0\"]\n1.e4 {a (nested) comment} e5 (1...c5 2.Nf3 (2.c3 d5)) $1 2.Nf3 {x} 1-0\n",
       {{e4, 1}, {e4e5, 1}, {e4e5Nf3, 1}}, 1},
      {"CRLF lines and Latin-1 tags",
       "[White \"M\xfcller, J\xf6rg\"]\r\n[Result \"1-0\"]\r\n\r\n1.e4 e5 2.Nf3 1-0\r\n",
       {{e4, 1}, {e4e5, 1}, {e4e5Nf3, 1}}, 1},
      {"an illegal move ends the game's counting; the next game counts",
       "[Result \"1-0\"]\n1.e4 e5 2.Ke3 Nf6 3.Nf3 1-0\n[Result \"1-0\"]\n1.e4 e5 2.Nf3 1-0\n",
       {{e4, 2}, {e4e5, 2}, {e4e5Nf3, 1}}, 2},
      {"an unparsable move and an overlong token",
       "[Result \"1-0\"]\n1.e4 " + longToken + " e5\n[Result \"1-0\"]\n1.e4 e5 2.Nf3 1-0\n", {{e4, 2}, {e4e5, 1}, {e4e5Nf3, 1}}, 2},
      {"unclosed variation at the end", "[Result \"1-0\"]\n1.e4 e5 2.Nf3 (2.Nc3 Nf6 (2...d6", {{e4, 1}, {e4e5, 1}, {e4e5Nf3, 1}}, 1},
      {"unclosed comment at the end", "[Result \"1-0\"]\n1.e4 e5 2.Nf3 {never closed", {{e4, 1}, {e4e5, 1}, {e4e5Nf3, 1}}, 1},
      {"black move numbers", "[Result \"0-1\"]\n1.e4 1...e5 2.Nf3 0-1\n", {{e4, 1}, {e4e5, 1}, {e4e5Nf3, 1}}, 0},
  };
  for (const Case& c : cases) {
    std::string out;
    ASSERT_EQ(build(c.pgn, options(3, 1), &out), 0) << c.name << "\n" << out;
    BookImage image = readBook(bookPath);
    ASSERT_TRUE(image.valid) << c.name;
    EXPECT_EQ(image.header.count, int32_t(c.played.size())) << c.name;
    ASSERT_EQ(image.entries.size(), c.played.size()) << c.name;
    for (const BookEntry& e : image.entries) {
      auto it = c.played.find(e.key);
      ASSERT_NE(it, c.played.end()) << c.name;
      EXPECT_EQ(e.played, it->second) << c.name;
      if (e.key == e4) {
        EXPECT_EQ(e.whiteWins, c.whiteWinsAfterE4) << c.name;
      }
    }
    EXPECT_TRUE(strayFiles().empty()) << c.name;
  }
}

TEST_F(BookTest, BadResultTagFailsAndKeepsTheOldBook) {
  const std::string old = "the user's book, byte for byte";
  for (const std::string bad : {"[Result \"2-0\"]\n1.e4 e5 2-0\n", "1.e4 e5\n[Result"}) {
    dir.write("test.bok", old);
    // A small pool makes the build write temporary files before it fails.
    std::string out;
    EXPECT_EQ(build(SmallPgn + SmallPgn + bad, options(3, 1, 2), &out), 1);
    EXPECT_NE(out.find("Parse error: "), std::string::npos) << out;
    EXPECT_EQ(dir.read("test.bok"), old);
    EXPECT_TRUE(strayFiles().empty());
  }
}

TEST_F(BookTest, TemporaryFilesOfAnEarlierBuildAreLeftAlone) {
  dir.write("book.tmp.0", "left by a crashed build");
  dir.write("book.tmp", "also");
  ASSERT_EQ(build(SmallPgn, options(3, 1)), 0);
  EXPECT_EQ(readBook(bookPath).header.count, 6);
  EXPECT_EQ(dir.read("book.tmp.0"), "left by a crashed build");
  EXPECT_EQ(dir.read("book.tmp"), "also");
}

TEST_F(BookTest, SmallPoolsMergeToTheSameBook) {
  // 60 games of 2 plies over 20 first moves: 40 distinct positions.
  const char* firsts[] = {"a3", "a4", "b3", "b4", "c3", "c4", "d3", "d4", "e3", "e4", "f3", "f4", "g3", "g4", "h3",
                          "h4", "Na3", "Nc3", "Nf3", "Nh3"};
  const char* replies[] = {"a6", "b6", "c6", "d6", "e6", "f6", "g6", "h6", "Nf6", "Nc6"};
  std::string pgn;
  for (int i = 0; i < 60; ++i)
    pgn += std::string("[Result \"1-0\"]\n1.") + firsts[i % 20] + " " + replies[(i * 7) % 10] + " 1-0\n";
  ASSERT_EQ(build(pgn, options(2, 1)), 0);
  BookImage reference = readBook(bookPath);
  ASSERT_EQ(reference.entries.size(), 40u);

  // A pool of one record writes a temporary file at every move counted
  // (121 with the empty last one): seven passes of up to 20 files.
  std::string out;
  ASSERT_EQ(build(pgn, options(2, 1, 1), &out), 0);
  BookImage merged = readBook(bookPath);
  EXPECT_EQ(merged.header.count, reference.header.count);
  ASSERT_EQ(merged.entries.size(), reference.entries.size());
  for (size_t i = 0; i < merged.entries.size(); ++i) {
    EXPECT_EQ(merged.entries[i].key, reference.entries[i].key);
    EXPECT_EQ(merged.entries[i].played, reference.entries[i].played);
    EXPECT_EQ(merged.entries[i].whiteWins, reference.entries[i].whiteWins);
  }
  size_t passes = 0;
  for (size_t at = out.find("Merging"); at != std::string::npos; at = out.find("Merging", at + 1)) ++passes;
  EXPECT_EQ(passes, 7u) << out;
  // The first pass takes the 20 newest files.
  size_t first = out.find("Merging");
  std::string line = out.substr(first, out.find('\n', first) - first);
  size_t names = 0;
  for (size_t at = line.find(" book.tmp."); at != std::string::npos; at = line.find(" book.tmp.", at + 1)) ++names;
  EXPECT_EQ(names, 20u) << line;
  EXPECT_TRUE(strayFiles().empty());
}

TEST_F(BookTest, PoolFilledExactlyByTheLastPosition) {
  // The six distinct positions of the fixture fill a pool of six at the very
  // last move: one full temporary file, then an empty one, merged.
  std::string out;
  ASSERT_EQ(build(SmallPgn, options(3, 1, 6), &out), 0);
  EXPECT_NE(out.find("Merging book.tmp.1 book.tmp.0\n"), std::string::npos) << out;
  BookImage image = readBook(bookPath);
  EXPECT_EQ(image.header.count, 6);
  EXPECT_EQ(image.entries.size(), 6u);
  // One more position than the pool: two full files are not needed.
  ASSERT_EQ(build(SmallPgn, options(3, 1, 7), &out), 0);
  EXPECT_EQ(out.find("Merging"), std::string::npos) << out;
  EXPECT_EQ(readBook(bookPath).entries.size(), 6u);
}

TEST_F(BookTest, DamagedBookFilesAreRefused) {
  const std::string good = bookBytes({record(5, 1, 1, 0, 0), record(9, 1, 0, 1, 0)});
  struct Case {
    const char* name;
    std::string bytes;
    const char* message;
  };
  const Case cases[] = {
      {"empty", "", "Invalid book file: t.bok\n"},
      {"shorter than the header", good.substr(0, 40), "Invalid book file: t.bok\n"},
      {"wrong version", bookBytes({record(5, 1, 1, 0, 0)}, INT32_MIN, "0.2"),
       "Fatal: cannot use book version 0.2, expecting 0.3\n"},
      {"count beyond the records", good.substr(0, good.size() - 10), "Invalid book file: t.bok\n"},
      {"negative count", bookBytes({record(5, 1, 1, 0, 0)}, -3), "Invalid book file: t.bok\n"},
      {"version text without its end", std::string(32, 'v') + good.substr(32), "expecting 0.3\n"},
  };
  for (const Case& c : cases) {
    frontend.bookEnabled = 1;
    std::string out;
    EXPECT_EQ(open(c.bytes, &out), -1) << c.name;
    EXPECT_NE(out.find(c.message), std::string::npos) << c.name << "\n" << out;
    EXPECT_EQ(frontend.bookEnabled, 0) << c.name;
    EXPECT_EQ(book.file, nullptr) << c.name;
    EXPECT_EQ(BookProbe(*pos), 0u) << c.name;
  }
  frontend.bookEnabled = 1;
  std::string out;
  EXPECT_EQ(open(good, &out), 0);
  EXPECT_NE(out.find("Book version 0.3 created Thu Jan  1 00:00:00 2026\n2 book moves, depth=60\n"), std::string::npos)
      << out;
}

TEST_F(BookTest, MissingAndReadOnlyFiles) {
  std::string out = captured([&] { EXPECT_EQ(OpenBook(dir.file("none.bok").c_str()), -1); });
  EXPECT_NE(out.find("Cannot open opening book: " + dir.file("none.bok") + ": No such file or directory\n"),
            std::string::npos);
  out = captured([&] { EXPECT_EQ(OpenBook(""), -1); });
  EXPECT_EQ(out, "Opening book disabled");
  if (geteuid() == 0) GTEST_SKIP() << "file modes do not bind the superuser";
  dir.write("ro.bok", bookBytes({record(5, 1, 1, 0, 0)}));
  chmod(dir.file("ro.bok").c_str(), 0444);
  out = captured([&] { EXPECT_EQ(OpenBook(dir.file("ro.bok").c_str()), 0); });
  EXPECT_NE(out.find("Book open in read only mode\n"), std::string::npos) << out;
  EXPECT_EQ(book.readOnly, 1);
}

TEST_F(BookTest, FindLooksUpEveryRecordOfALargeBook) {
  std::vector<BookEntry> entries;
  for (uint64_t i = 1; i <= 1500; ++i) entries.push_back(record(i * 1000003, 1, 0, 0, 1));
  ASSERT_EQ(open(bookBytes(entries)), 0);
  uint32_t probes = book.cacheProbes;
  for (int32_t i = 0; i < 1500; i += 7) EXPECT_EQ(BookFind(entries[i].key, 0, 1500), i);
  EXPECT_GT(book.cacheProbes, probes);
  EXPECT_GT(book.cacheHits, 0u);
  for (HashKey missing : {HashKey(1), HashKey(1000004), ~HashKey(0)}) EXPECT_EQ(BookFind(missing, 0, 1500), -1);
}

TEST(BookWeights, RulesInTheirOrder) {
  struct Case {
    const char* name;
    BookEntry entry;
    Colour mover;
    int32_t weight;
  };
  const Case cases[] = {
      {"factor 2.0 with 3 draws", record(1, 3, 0, 0, 3, 100000), White, 6},
      {"wins count twice for the mover", record(1, 5, 2, 1, 2), White, 6},
      {"black's wins when black moved", record(1, 5, 2, 1, 2), Black, 4},
      {"all games lost by the mover", record(1, 4, 0, 4, 0), White, 0},
      {"! doubles", record(1, 1, 1, 0, 0, NewLearn, MarkGood), White, 4},
      {"!! multiplies by ten", record(1, 1, 1, 0, 0, NewLearn, MarkExcellent), White, 20},
      {"? halves, truncating", record(1, 3, 1, 0, 1, NewLearn, MarkBad), White, 1},
      {"?? is never played", record(1, 9, 9, 0, 0, NewLearn, MarkBlunder | MarkExcellent), White, 0},
      {"last game won doubles", record(1, 1, 1, 0, 0, NewLearn, LastWon), White, 4},
      {"last game lost divides by 8", record(1, 8, 0, 0, 20, NewLearn, LastLost), White, 2},
      {"last game drawn leaves it", record(1, 8, 0, 0, 20, NewLearn, LastDrawn), White, 20},
      {"floor factor 0.25", record(1, 8, 0, 0, 7, 12500), White, 1},
  };
  for (const Case& c : cases) EXPECT_EQ(BookMoveWeight(c.entry, c.mover), c.weight) << c.name;
  std::string out = captured([] { EXPECT_EQ(BookMoveWeight(record(1, 1, 0, 0, 5, NewLearn, 3), White), 5); });
  EXPECT_EQ(out, "corrupted book file\n");
  // Damaged counts cannot overflow.
  EXPECT_EQ(BookMoveWeight(record(1, 1, 0xFFFFFFFF, 0, 0xFFFFFFFF, 0xFFFFFFFF, MarkGood | MarkExcellent), White),
            INT32_MAX);
}

TEST(BookWeights, RandomNumberWalksTheCandidatesInOrder) {
  const int32_t weights[] = {0, 1, 0, 3};
  const int expected[] = {1, 3, 3, 3};
  for (uint64_t r = 0; r < 4; ++r) EXPECT_EQ(ChooseBookCandidate(weights, 4, r), expected[r]) << r;
}

TEST_F(BookTest, ProbeChoosesOnlyWeightedMovesAndPrintsTheTable) {
  ASSERT_EQ(build(SmallPgn, options(3, 1)), 0);
  ASSERT_EQ(captured([&] { OpenBook(bookPath.c_str()); }).find("Open book: "), 0u);
  const HashKey before = pos->key();
  for (int i = 0; i < 5; ++i) {
    Move m = 0;
    std::string out = captured([&] { m = BookProbe(*pos); });
    std::string san = moveToSan(*pos, m);
    EXPECT_TRUE(san == "e4" || san == "d4") << san;
    EXPECT_EQ(out.find("  Move    Played   Prop[%]  Score[%]  Last Learn     +        -        =\n"), 0u) << out;
    // e4: weight 2 of 3, score 50% for White, one win one loss.
    EXPECT_NE(out.find(" e4           2    66.67%    50.00%        1.00   50.00%   50.00%    0.00\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find(" d4           1    33.33%    50.00%        1.00    0.00%    0.00%  100.00\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("* " + san + " "), std::string::npos) << out;
    EXPECT_NE(out.find("Book: cache "), std::string::npos);
    EXPECT_EQ(pos->key(), before);
  }
  // After 1.e4 e5 the only book move is marked "??": no move, only the cache line.
  playLine(*pos, {"e4", "e5"});
  Move m = 1;
  std::string out = captured([&] { m = BookProbe(*pos); });
  EXPECT_EQ(m, 0u);
  EXPECT_EQ(out.find("Book: cache "), 0u) << out;
}

TEST_F(BookTest, MoveThatRepeatsAPositionOfTheGameIsNotPlayed) {
  ASSERT_EQ(build("[Result \"1-0\"]\n1.Nf3 Nf6 2.Ng1 Ng8 3.Nf3 1-0\n", options(10, 1)), 0);
  captured([&] { OpenBook(bookPath.c_str()); });
  playLine(*pos, {"Nf3", "Nf6", "Ng1", "Ng8"});
  Move m = 1;
  captured([&] { m = BookProbe(*pos); });
  EXPECT_EQ(m, 0u);
  newGame(*pos);
  captured([&] { m = BookProbe(*pos); });
  EXPECT_STREQ(moveToSan(*pos, m), "Nf3");
}

namespace {

// A book with records after 1.e4 (learn 190000), 1.e4 e5 (marked "!") and
// 1.e4 e5 2.Nf3 (learn 13000, lost last time, marked "?").
class LearnTest : public BookTest {
 protected:
  void SetUp() override {
    BookTest::SetUp();
    e4 = keyAfter({"e4"});
    e5 = keyAfter({"e4", "e5"});
    nf3 = keyAfter({"e4", "e5", "Nf3"});
    dir.write("test.bok", bookBytes({record(e4, 10, 5, 2, 3, 190000), record(e5, 10, 5, 2, 3, NewLearn, MarkGood),
                                     record(nf3, 10, 5, 2, 3, 13000, MarkBad | LastLost)}));
    captured([&] { OpenBook(bookPath.c_str()); });
    ASSERT_NE(book.file, nullptr);
  }
  std::string learn(const std::vector<const char*>& line, int result, Colour engine, int engineRating = 0,
                    int opponentRating = 0) {
    playLine(*pos, line);
    pos->game->result = result;
    pos->game->engineRating = engineRating;
    pos->game->opponentRating = opponentRating;
    const HashKey final = pos->key();
    std::string out = captured([&] { BookLearn(*pos, engine); });
    EXPECT_EQ(pos->key(), final);
    EXPECT_EQ(pos->game->count, int(line.size()));
    return out;
  }
  BookEntry entry(HashKey key) {
    for (const BookEntry& e : readBook(bookPath).entries)
      if (e.key == key) return e;
    return BookEntry{};
  }
  HashKey e4 = 0, e5 = 0, nf3 = 0;
};

}  // namespace

TEST_F(LearnTest, WinRaisesTheEnginesMovesUpToTheCap) {
  EXPECT_EQ(learn({"e4", "e5", "Nf3", "Nc6"}, 1, White),
            "Learning from result\nLearning: e4! (3.80==>4.00) e5 Nf3! (0.26==>0.29) Nc6\n");
  EXPECT_EQ(entry(e4).learn, 200000u);
  EXPECT_EQ(entry(e4).flags, LastWon);
  EXPECT_EQ(entry(e5).learn, NewLearn);  // the opponent's move
  EXPECT_EQ(entry(e5).flags, MarkGood);
  EXPECT_EQ(entry(nf3).learn, 14300u);
  EXPECT_EQ(entry(nf3).flags, MarkBad | LastWon);  // the old result goes, the mark stays
  EXPECT_EQ(entry(nf3).played, 10u);
}

TEST_F(LearnTest, LossLowersDownToTheFloor) {
  EXPECT_EQ(learn({"e4", "e5", "Nf3"}, 2, White), "Learning from result\nLearning: e4? (3.80==>3.42) e5 Nf3? (0.26==>0.25)\n");
  EXPECT_EQ(entry(e4).learn, 171000u);
  EXPECT_EQ(entry(nf3).learn, 12500u);
  EXPECT_EQ(entry(nf3).flags, MarkBad | LastLost);
  // Black's win seen from Black: e5 gets the credit.
  learn({"e4", "e5", "Nf3"}, 2, Black);
  EXPECT_EQ(entry(e5).learn, 55000u);
  EXPECT_EQ(entry(e5).flags, MarkGood | LastWon);
}

TEST_F(LearnTest, NothingIsLearnedFromTheseGames) {
  const std::string original = dir.read("test.bok");
  struct Case {
    int result;
    Colour engine;
    int engineRating, opponentRating;
    const char* message;
  };
  const Case cases[] = {
      {3, White, 0, 0, "Learning from result\nIgnoring draw\n"},
      {4, White, 0, 0, "Learning from result\nIgnoring result\n"},
      {1, White, 2600, 2400, "Learning from result\nIgnore learning weak opponent\n"},
      {2, White, 2400, 2600, "Learning from result\nIgnore learning strong opponent\n"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(learn({"e4", "e5"}, c.result, c.engine, c.engineRating, c.opponentRating), c.message);
  EXPECT_EQ(dir.read("test.bok"), original);
  // The same ratings with a loss are learned.
  learn({"e4", "e5"}, 2, White, 2600, 2400);
  EXPECT_EQ(entry(e4).learn, 171000u);
}

TEST_F(LearnTest, ThreeEngineMovesOutOfBookEndTheLearning) {
  // Black's engine moves lead to no record; after its third miss the
  // opponent's moves are not listed either.
  const std::string original = dir.read("test.bok");
  EXPECT_EQ(learn({"e4", "c5", "Nf3", "d6", "d4", "cxd4", "Nxd4"}, 1, Black),
            "Learning from result\nLearning: e4 Nf3 d4\n");
  EXPECT_EQ(dir.read("test.bok"), original);
}

TEST_F(LearnTest, ReadOnlyBookIsNotLearned) {
  book.readOnly = 1;
  EXPECT_EQ(learn({"e4"}, 1, White), "Book learning disabled\n");
  CloseBook();
  EXPECT_EQ(learn({"e4"}, 1, White), "");
}

TEST_F(BookTest, DefaultNameFallsBackToTheInstalledBook) {
  dir.write("installed.bok", "x");
  const std::string installed = dir.file("installed.bok");
  char here[4096];
  ASSERT_NE(getcwd(here, sizeof here), nullptr);
  ASSERT_EQ(chdir(dir.path().c_str()), 0);
  const std::string gone = dir.file("gone.bok");
  EXPECT_EQ(ChooseBookFile("tarrock.bok", false, {gone, installed}), installed);
  EXPECT_EQ(ChooseBookFile("tarrock.bok", false, {gone}), "tarrock.bok");
  EXPECT_EQ(ChooseBookFile("tarrock.bok", true, {installed}), "tarrock.bok");
  EXPECT_EQ(ChooseBookFile("other.bok", false, {installed}), "other.bok");
  dir.write("tarrock.bok", "x");
  EXPECT_EQ(ChooseBookFile("tarrock.bok", false, {installed}), "tarrock.bok");
  ASSERT_EQ(chdir(here), 0);
  // Beside the running binary first, then under the install prefix.
  std::vector<std::string> paths = InstalledBookPaths();
  ASSERT_EQ(paths.size(), 2u);
  for (const std::string& path : paths) EXPECT_EQ(path.substr(path.size() - 32), "/share/games/tarrock/tarrock.bok");
  EXPECT_NE(paths[0].find("/../share/games/tarrock/"), std::string::npos);

  // A BOOK line of the configuration file names the book as much as -B does.
  ResetConfiguration();
  EXPECT_FALSE(SymbolGiven("BOOK"));
  dir.write("t.cfg", "BOOK \"tarrock.bok\"\n");
  captured([&] { LoadConfiguration(dir.file("t.cfg").c_str()); });
  EXPECT_TRUE(SymbolGiven("BOOK"));
  ResetConfiguration();
  SetSymbol("BOOK", "x.bok");
  EXPECT_TRUE(SymbolGiven("BOOK"));
  ResetConfiguration();
}

TEST_F(BookTest, GamesLongerThanTheUndoStacksStopCounting) {
  std::string pgn = "[Result \"1/2-1/2\"]\n";
  for (int i = 1; i <= 300; ++i) pgn += std::to_string(2 * i - 1) + ".Nf3 Nf6 " + std::to_string(2 * i) + ".Ng1 Ng8 ";
  pgn += "1/2-1/2\n";
  ASSERT_EQ(build(pgn, options(100000, 1)), 0);
  BookImage image = readBook(bookPath);
  ASSERT_EQ(image.entries.size(), 4u);
  uint32_t played = 0;
  for (const BookEntry& e : image.entries) played += e.played;
  EXPECT_GT(played, 900u);
  EXPECT_LT(played, 1000u);
}

TEST_F(BookTest, DamagedInputNeverBreaksTheReaders) {
  // Random damage to a PGN text and to a book file: any result but a crash
  // or a read out of bounds (the sanitizer build checks the latter).
  ASSERT_EQ(build(SmallPgn, options(3, 1)), 0);
  const std::string goodBook = dir.read("test.bok");
  uint32_t seed = 12345;
  auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
  const char alphabet[] = "(){}[]\"!?*$.123-/ \n\r\xe9NBRQKabcdefgh";
  for (int round = 0; round < 100; ++round) {
    std::string pgn = SmallPgn;
    for (int k = 0; k < 8; ++k) pgn[next() % pgn.size()] = alphabet[next() % (sizeof alphabet - 1)];
    pgn = pgn.substr(0, next() % (pgn.size() + 1));
    BookBuildOptions small = options(3, 1, 64);
    small.indexSize = 997;
    build(pgn, small);
    EXPECT_TRUE(strayFiles().empty()) << pgn;

    std::string bytes = goodBook;
    for (int k = 0; k < 4; ++k) bytes[next() % bytes.size()] = char(next());
    bytes = bytes.substr(0, next() % (bytes.size() + 1));
    frontend.bookEnabled = 1;
    if (open(bytes) == 0) {
      newGame(*pos);
      captured([&] { BookProbe(*pos); });
      EXPECT_EQ(pos->key(), keyAfter({}));
    }
  }
}
