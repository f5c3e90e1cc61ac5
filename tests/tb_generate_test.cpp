// The tablebase generator: files of the built-in lengths, and their values
// read back with the probe's byte rules agree with the published facts
// (longest mates, drawn counts, stalemates, captures into a draw) and with
// one ply of search from every position (or a sample): each stored value is
// the best of its children's.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "board/attacks.h"
#include "board/fen.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/position.h"
#include "tablebase/classes.h"
#include "tablebase/files.h"
#include "tablebase/generate.h"
#include "tablebase/index.h"
#include "tablebase/probe.h"
#include "test_support.h"

using namespace tarrock;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool Sanitized = true;
#else
constexpr bool Sanitized = false;
#endif

constexpr int NotFound = 99999;
constexpr int Mated = -32767;

int classId(const char* name) {
  for (int id = 1; id <= TbClassCount; ++id)
    if (std::string(name) == tbClassInfo[id].name) return id;
  return 0;
}

// Reads generated files and answers probes the way the engine's probe does:
// the class of the material (colours exchanged when needed), the index, the
// byte, and the byte turned into a score (32767 - 2n for a mate in n, -32767 +
// 2n for mated in n, 0 drawn), or NotFound for the byte 127.
class TbReader {
 public:
  explicit TbReader(std::string dir) : dir_(std::move(dir)) {}

  const std::vector<int8_t>& file(int id, int side) {
    auto& slot = files_[side][id];
    if (slot.empty()) {
      std::string text = testutil::readFile(dir_ + "/" + tbClassInfo[id].name + (side ? ".nbb" : ".nbw"));
      slot.assign(text.begin(), text.end());
    }
    return slot;
  }

  static int scoreOf(int8_t b) {
    int raw;
    if (b == 0) return 0;
    if (b == 127) return NotFound;
    if (b > 0) raw = b + 32640;
    else if (b == -127) raw = -32640;
    else if (b == -128) raw = 32640;
    else raw = b - 32640;
    return raw > 0 ? 2 * raw - 32767 : 2 * raw + 32767;
  }

  // 0 for bare kings.
  int probe(const Position& pos) {
    int lists[2][16] = {};
    int men[10];
    EXPECT_TRUE(TbPieceLists(pos, lists, men));
    std::string names[2];
    for (int c = 0; c < 2; ++c) {
      names[c] = "k";
      const char letters[] = " pnbrq";
      for (int t = 5; t >= 1; --t) names[c].append(size_t(men[c * 5 + t - 1]), letters[t]);
    }
    if (names[0] == "k" && names[1] == "k") return 0;
    const int ep = pos.epSquare() ? int(pos.epSquare()) : TbNoEnPassant;
    int id = classId((names[0] + names[1]).c_str()), side = int(pos.sideToMove);
    uint32_t index;
    if (id) {
      index = tbClassInfo[id].index[side](lists[0], lists[1], ep, 0);
    } else {
      id = classId((names[1] + names[0]).c_str());
      side ^= 1;
      EXPECT_NE(id, 0) << names[0] << names[1];
      if (!id) return NotFound;
      index = tbClassInfo[id].index[side](lists[1], lists[0], ep, 1);
    }
    const std::vector<int8_t>& data = file(id, side);
    EXPECT_LT(index, data.size()) << tbClassInfo[id].name;
    if (index >= data.size()) return NotFound;
    return scoreOf(data[index]);
  }

 private:
  std::string dir_;
  std::map<int, std::vector<int8_t>> files_[2];
};

// The generated files of the suite: the 3-man classes.
struct Generated {
  testutil::ScratchDir dir;
  bool ok = false;
  std::string error;
};
Generated* generated = nullptr;

class TablebaseGeneration : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    testutil::initEngineTables();
    if (generated) return;
    generated = new Generated;
    std::vector<int> ids = {1, 2, 3, 4, 5};
    generated->ok = TbGenerate(ids, generated->dir.path(), nullptr, generated->error);
  }
  static void TearDownTestSuite() {
    delete generated;
    generated = nullptr;
  }
  void SetUp() override { ASSERT_TRUE(generated->ok) << generated->error; }

  std::unique_ptr<Position> position(const std::string& fen) {
    auto pos = std::make_unique<Position>();
    pos->game = &game_;
    newGame(*pos);
    EXPECT_TRUE(setupFromFen(*pos, fen.c_str())) << fen;
    return pos;
  }
  GameRecord game_;
};

// The value one ply of search gives: the best child for the side to move.
// Mated gives Mated; stalemate 0.
int searchOnePly(Position& pos, TbReader& reader) {
  Move moves[MaxMoves];
  const Colour mover = pos.sideToMove;
  const bool check = inCheck(pos, mover);
  const int n = check ? generateEvasions(pos, moves) : generateAll(pos, moves);
  int best = -100000, legal = 0;
  for (int i = 0; i < n; ++i) {
    makeMove(pos, moves[i]);
    if (!inCheck(pos, mover)) {
      ++legal;
      int child = reader.probe(pos);
      if (child == NotFound) child = Mated;  // a legal position stored as unknown is mated
      // One ply further from the mate: a win in n becomes a loss in n for the
      // parent, a loss in n a win in n + 1.
      int value = child > 0 ? -child : child < 0 ? -(child + 2) : 0;
      best = std::max(best, value);
    }
    unmakeMove(pos, moves[i]);
  }
  if (legal == 0) return check ? Mated : 0;
  return best;
}

// Compares stored values with one ply of search over many positions, keeping
// the first disagreement for the failure message.
struct OnePlyCheck {
  int checked = 0, wrong = 0;
  std::string first;
  // The stored value of the position (Mated when stored as unknown).
  int operator()(Position& pos, TbReader& reader) {
    ++checked;
    int stored = reader.probe(pos);
    if (stored == NotFound) stored = Mated;
    int searched = searchOnePly(pos, reader);
    if (stored != searched && wrong++ == 0)
      first = fenString(pos) + " stored " + std::to_string(stored) + " searched " + std::to_string(searched);
    return stored;
  }
};

std::string fenOf(const std::vector<std::pair<int, char>>& men, int side, int ep) {
  char board[64];
  std::fill(board, board + 64, '\0');
  for (auto [sq, piece] : men) board[sq] = piece;
  std::string fen;
  for (int rank = 7; rank >= 0; --rank) {
    int empty = 0;
    for (int file = 0; file < 8; ++file) {
      char c = board[rank * 8 + file];
      if (!c) {
        ++empty;
        continue;
      }
      if (empty) fen += char('0' + empty);
      empty = 0;
      fen += c;
    }
    if (empty) fen += char('0' + empty);
    if (rank) fen += '/';
  }
  fen += side ? " b - " : " w - ";
  fen += ep >= 0 ? std::string{char('a' + ep % 8), char('1' + ep / 8)} : "-";
  return fen;
}

// The men of a class by name: white's pieces, then black's, as FEN letters.
std::vector<char> piecesOf(int id) {
  std::vector<char> pieces;
  const char* name = tbClassInfo[id].name;
  bool black = false;
  for (const char* p = name + 1; *p; ++p) {
    if (*p == 'k') {
      black = true;
      continue;
    }
    pieces.push_back(black ? *p : char(*p - 'a' + 'A'));
  }
  return pieces;
}

// Calls visit with every legal position of a 3-man class (all placements),
// or with `samples` random ones of a bigger class.
template <typename Visit>
void forPositions(int id, int side, int samples, Visit visit) {
  const std::vector<char> pieces = piecesOf(id);
  std::mt19937 rng(uint32_t(id * 2 + side));
  Position pos;
  GameRecord game;
  pos.game = &game;
  newGame(pos);
  std::vector<int> squares(2 + pieces.size());
  auto tryPlacement = [&]() {
    for (size_t i = 0; i < squares.size(); ++i)
      for (size_t j = 0; j < i; ++j)
        if (squares[i] == squares[j]) return;
    std::vector<std::pair<int, char>> men{{squares[0], 'K'}, {squares[1], 'k'}};
    for (size_t i = 0; i < pieces.size(); ++i) {
      int s = squares[2 + i];
      if ((pieces[i] == 'P' || pieces[i] == 'p') && (s < 8 || s > 55)) return;
      men.push_back({s, pieces[i]});
    }
    if (!setupFromFen(pos, fenOf(men, side, -1).c_str())) return;
    if (inCheck(pos, Colour(side ^ 1))) return;
    visit(pos);
  };
  if (samples == 0) {
    for (squares[0] = 0; squares[0] < 64; ++squares[0])
      for (squares[1] = 0; squares[1] < 64; ++squares[1])
        for (squares[2] = 0; squares[2] < 64; ++squares[2]) tryPlacement();
    return;
  }
  for (int k = 0; k < samples; ++k) {
    for (int& s : squares) s = int(rng() % 64);
    tryPlacement();
  }
}

}  // namespace

TEST_F(TablebaseGeneration, FilesHaveTheBuiltInLengths) {
  for (int id = 1; id <= 5; ++id)
    for (int side = 0; side < 2; ++side) {
      std::string name = std::string(tbClassInfo[id].name) + (side ? ".nbb" : ".nbw");
      EXPECT_EQ(testutil::readFile(generated->dir.file(name)).size(), tbClassInfo[id].length[side]) << name;
    }
}

TEST_F(TablebaseGeneration, LongestMatesAreThePublishedOnes) {
  struct Case {
    const char* name;
    int moves;
  };
  std::vector<Case> cases = {{"kqk", 10}, {"krk", 16}, {"kpk", 28}, {"knk", 0}, {"kbk", 0}};
  TbReader reader(generated->dir.path());
  for (const Case& c : cases) {
    int longest = 0;
    const std::vector<int8_t>& data = reader.file(classId(c.name), 0);
    for (int8_t b : data) {
      int score = TbReader::scoreOf(b);
      if (score != NotFound && score > 0) longest = std::max(longest, (32767 - score) / 2);
    }
    EXPECT_EQ(longest, c.moves) << c.name;
  }
}

// Every legal KQK position with Black to move on the whole board: 23048 are
// drawn (stalemates and captures of the queen).
TEST_F(TablebaseGeneration, KqkBlackToMoveHasThePublishedDraws) {
  TbReader reader(generated->dir.path());
  int drawn = 0, positions = 0;
  forPositions(classId("kqk"), 1, 0, [&](Position& pos) {
    ++positions;
    drawn += reader.probe(pos) == 0;
  });
  EXPECT_EQ(drawn, 23048);
  EXPECT_GT(positions, 200000);
}

TEST_F(TablebaseGeneration, PositionsScoreAsTheRulesSay) {
  struct Case {
    const char* fen;
    int score;  // NotFound, 0, a mate score, or +1 / -1 for "some win" / "some loss"
  };
  const Case cases[] = {
      {"k7/8/1K6/8/8/8/8/2Q5 w - -", 32765},   // mate in 1
      {"2q5/8/8/8/8/1k6/8/K7 b - -", 32765},   // the same with colours exchanged
      {"k7/1Q6/1K6/8/8/8/8/8 b - -", NotFound},  // checkmated: stored as unknown
      {"k7/2Q5/1K6/8/8/8/8/8 b - -", 0},        // stalemate
      {"8/8/8/8/8/2k5/2Q5/6K1 b - -", 0},       // the queen is taken
      {"8/8/8/8/8/2k5/2R5/6K1 b - -", 0},       // the rook is taken
      {"8/8/8/8/8/2k5/2Q5/2K5 b - -", -1},      // defended: Black is mated in time
      {"k7/8/8/8/8/8/P7/K7 w - -", 0},          // rook pawn, king in the corner
      {"8/8/8/8/8/8/k7/K7 w - -", 0},           // bare kings
      {"4k3/8/4P3/4K3/8/8/8/8 w - -", 0},       // White to move only stalemates
      {"4k3/8/4P3/4K3/8/8/8/8 b - -", 0},       // Black to move holds with Ke7
      {"4k3/8/4K3/4P3/8/8/8/8 b - -", -1},      // the king on the sixth wins
      {"4k3/8/4K3/4P3/8/8/8/8 w - -", 1},
      {"4k3/4P3/4K3/8/8/8/8/8 b - -", 0},       // stalemate by the pawn
  };
  TbReader reader(generated->dir.path());
  for (const Case& c : cases) {
    auto pos = position(c.fen);
    int score = reader.probe(*pos);
    if (c.score == 1)
      EXPECT_GT(score, 30000) << c.fen;
    else if (c.score == -1)
      EXPECT_TRUE(score < -30000 && score != NotFound) << c.fen << " " << score;
    else
      EXPECT_EQ(score, c.score) << c.fen;
  }
}

// Every stored value equals the best of its children one ply further: all
// positions of the 3-man classes.
TEST_F(TablebaseGeneration, EveryValueIsTheBestOfItsMoves) {
  TbReader reader(generated->dir.path());
  std::vector<std::pair<int, int>> classes = {{1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0}};
  if (Sanitized) classes = {{1, 30000}, {4, 20000}, {5, 20000}};
  for (auto [id, samples] : classes)
    for (int side = 0; side < 2; ++side) {
      OnePlyCheck check;
      forPositions(id, side, samples, [&](Position& pos) { check(pos, reader); });
      EXPECT_GT(check.checked, 0);
      EXPECT_EQ(check.wrong, 0) << tbClassInfo[id].name << " side " << side << ": " << check.first;
    }
}

// kqkr in the release build (a few seconds): the built-in lengths, the
// longest mate of 35 moves, and a sample of one-ply agreement.
TEST(TablebaseGenerator, KqkrHasThePublishedLongestMate) {
  if (Sanitized) GTEST_SKIP() << "the release build makes kqkr";
  testutil::initEngineTables();
  testutil::ScratchDir dir;
  std::string error;
  ASSERT_TRUE(TbGenerate(classId("kqkr"), dir.path(), nullptr, error)) << error;
  const int id = classId("kqkr");
  TbReader reader(dir.path());
  for (int side = 0; side < 2; ++side) EXPECT_EQ(reader.file(id, side).size(), tbClassInfo[id].length[side]);
  int longest[2] = {0, 0};
  for (int side = 0; side < 2; ++side)
    for (int8_t b : reader.file(id, side)) {
      int score = TbReader::scoreOf(b);
      if (score != NotFound && score > 0) longest[side] = std::max(longest[side], (32767 - score) / 2);
    }
  EXPECT_EQ(longest[0], 35);
  EXPECT_EQ(longest[1], 19);  // Black to move, the rook side mating
  for (int side = 0; side < 2; ++side) {
    OnePlyCheck check;
    forPositions(id, side, 30000, [&](Position& pos) { check(pos, reader); });
    EXPECT_EQ(check.wrong, 0) << "side " << side << ": " << check.first;
  }
}

TEST(TablebaseGenerator, RefusesWhatItCannotBuild) {
  testutil::initEngineTables();
  EXPECT_EQ(TbGeneratorClass("kqkr"), classId("kqkr"));
  EXPECT_EQ(TbGeneratorClass("kqqkq"), 0);  // five men
  EXPECT_EQ(TbGeneratorClass("kxk"), 0);
  EXPECT_EQ(TbGeneratorClass(""), 0);
  std::string error;
  EXPECT_FALSE(TbGenerate(classId("kqqkq"), "/tmp", nullptr, error));
  EXPECT_FALSE(error.empty());
  // A directory that does not exist: an error, no crash.
  error.clear();
  EXPECT_FALSE(TbGenerate(classId("kqk"), "/nonexistent-tarrock-dir/sub", nullptr, error));
  EXPECT_NE(error.find("cannot write"), std::string::npos) << error;
}

// En passant in kpkp: every position where the last move was a double step
// that can be taken is scored as the best of its moves, the capture included.
// kpkp needs most 4-man classes, so this runs on files made beforehand:
// TARROCK_TB_FILES=DIR after "tarrock-bench tbgen kpkp DIR".
TEST_F(TablebaseGeneration, EnPassantPositionsInKpkp) {
  const char* dir = std::getenv("TARROCK_TB_FILES");
  if (!dir || !*dir) GTEST_SKIP() << "set TARROCK_TB_FILES to a directory with the kpkp files";
  TbReader reader(dir);
  Position pos;
  GameRecord game;
  pos.game = &game;
  newGame(pos);
  OnePlyCheck check;
  int changed = 0;
  for (int side = 0; side < 2; ++side)
    for (int pusher = 24; pusher < 40; ++pusher) {
      // The pawn that just moved two squares, and a pawn of the side to move beside it.
      if ((side == 0) != (pusher >= 32)) continue;
      const int ep = side == 0 ? pusher + 8 : pusher - 8, from = side == 0 ? pusher + 16 : pusher - 16;
      for (int dir2 : {-1, 1}) {
        const int taker = pusher + dir2;
        if (taker / 8 != pusher / 8) continue;
        for (int wk = 0; wk < 64; ++wk)
          for (int bk = 0; bk < 64; ++bk) {
            std::vector<int> used = {pusher, taker, ep, from};
            if (std::find(used.begin(), used.end(), wk) != used.end() ||
                std::find(used.begin(), used.end(), bk) != used.end() || wk == bk)
              continue;
            const int wp = side == 0 ? taker : pusher, bp = side == 0 ? pusher : taker;
            std::vector<std::pair<int, char>> men{{wk, 'K'}, {bk, 'k'}, {wp, 'P'}, {bp, 'p'}};
            if (!setupFromFen(pos, fenOf(men, side, ep).c_str()) || inCheck(pos, Colour(side ^ 1))) continue;
            if (std::abs(wk % 8 - bk % 8) <= 1 && std::abs(wk / 8 - bk / 8) <= 1) continue;
            int stored = check(pos, reader);
            setupFromFen(pos, fenOf(men, side, -1).c_str());
            int plain = reader.probe(pos);
            changed += plain != stored;
          }
      }
    }
  std::printf("%d en-passant positions, %d score otherwise without the capture\n", check.checked, changed);
  EXPECT_GT(check.checked, 10000);
  EXPECT_GT(changed, 0);
  EXPECT_EQ(check.wrong, 0) << check.first;
}

// The same one-ply agreement for a sample of every class of a directory of
// generated files (TARROCK_TB_FILES), pawn classes included.
TEST_F(TablebaseGeneration, SampledValuesOfMadeFilesAreTheBestOfTheirMoves) {
  const char* dir = std::getenv("TARROCK_TB_FILES");
  if (!dir || !*dir) GTEST_SKIP() << "set TARROCK_TB_FILES to a directory of generated files";
  TbReader reader(dir);
  int classes = 0;
  for (int id = 1; id <= 35; ++id) {
    if (testutil::readFile(std::string(dir) + "/" + tbClassInfo[id].name + ".nbb").empty()) continue;
    ++classes;
    for (int side = 0; side < 2; ++side) {
      OnePlyCheck check;
      forPositions(id, side, 20000, [&](Position& p) { check(p, reader); });
      EXPECT_EQ(check.wrong, 0) << tbClassInfo[id].name << " side " << side << ": " << check.first;
    }
  }
  std::printf("%d classes sampled\n", classes);
}

// A file of a class the generator needs that has the wrong length is not
// trusted: the class is made again and the file replaced whole.
TEST(TablebaseGenerator, MakesAgainASubclassFileOfTheWrongLength) {
  testutil::initEngineTables();
  testutil::ScratchDir dir;
  dir.write("kqk.nbw", "short");
  std::string error;
  ASSERT_TRUE(TbGenerate(classId("kpk"), dir.path(), nullptr, error)) << error;
  EXPECT_EQ(testutil::readFile(dir.file("kqk.nbw")).size(), tbClassInfo[classId("kqk")].length[0]);
  EXPECT_EQ(testutil::readFile(dir.file("kpk.nbb")).size(), tbClassInfo[classId("kpk")].length[1]);
  EXPECT_FALSE(std::filesystem::exists(dir.file("kqk.nbw.tmp")));
}

TEST(TablebaseGenerator, CommandLine) {
  testutil::ScratchDir dir;
  struct Case {
    std::vector<std::string> args;
    int status;
    const char* says;
  } cases[] = {
      {{"tbgen", "krk", dir.path()}, 0, "krk: wrote"},
      {{"tbgen", "krk", dir.path()}, 0, "krk pass 1:"},
      {{"tbgen", "kqqkq", dir.path()}, 2, "not a class of 3 or 4 men"},
      {{"tbgen", "../kqk", dir.path()}, 2, "not a class of 3 or 4 men"},
      {{"tbgen", "kqk"}, 2, "needs a class"},
      {{"tbgen", "kqk", dir.file("missing/deeper")}, 1, "cannot write"},
  };
  for (const Case& c : cases) {
    testutil::RunResult r = testutil::runProgram(TARROCK_BENCH_BINARY, c.args, "", "");
    EXPECT_EQ(r.status, c.status) << c.args[1];
    EXPECT_NE((r.out + r.err).find(c.says), std::string::npos) << r.out << r.err;
  }
  EXPECT_EQ(testutil::readFile(dir.file("krk.nbw")).size(), 27030u);
}

// The generated files through the engine's own registration and probe: every
// legal position of the 3-man classes, and the same with colours exchanged,
// answers as the bytes of the files say.
TEST_F(TablebaseGeneration, ProbeReadsTheGeneratedFiles) {
  ASSERT_EQ(TbInit(generated->dir.path().c_str()), 3);
  SetUpTablebaseCache(1 << 20);
  TbReader reader(generated->dir.path());
  int probed = 0, wrong = 0;
  std::string first;
  Position flipped;
  GameRecord game;
  flipped.game = &game;
  newGame(flipped);
  for (int id = 1; id <= 5; ++id)
    for (int side = 0; side < 2; ++side)
      forPositions(id, side, Sanitized ? 3000 : 0, [&](Position& pos) {
        const int expected = reader.probe(pos);
        int value = 0;
        const bool found = ProbeTablebase(pos, value);
        // The colour-exchanged position: ranks mirrored, colours swapped.
        std::string fen = fenString(pos), swapped;
        const size_t blank = fen.find(' ');
        std::string placement = fen.substr(0, blank), ranks[8];
        for (int r = 0, at = 0; r < 8; ++r) {
          size_t slash = placement.find('/', size_t(at));
          ranks[r] = placement.substr(size_t(at), slash == std::string::npos ? std::string::npos : slash - size_t(at));
          at = int(slash) + 1;
        }
        for (int r = 7; r >= 0; --r) {
          for (char c : ranks[r]) swapped += std::isalpha(static_cast<unsigned char>(c)) ? char(c ^ 0x20) : c;
          if (r) swapped += '/';
        }
        swapped += side ? " w -" : " b -";
        setupFromFen(flipped, swapped.c_str());
        int flippedValue = 0;
        const bool flippedFound = ProbeTablebase(flipped, flippedValue);
        ++probed;
        const bool ok = expected == NotFound ? !found && !flippedFound
                                             : found && flippedFound && value == expected && flippedValue == expected;
        if (!ok && wrong++ == 0) first = fenString(pos) + " / " + swapped;
      });
  EXPECT_GT(probed, 1000);
  EXPECT_EQ(wrong, 0) << first;
  TbInit("");
  SetUpTablebaseCache(0);
}

// The engine with the generated files finds the longest KQK and KRK mates at
// the root through UCI.
TEST_F(TablebaseGeneration, EngineShowsTheExactMateDistance) {
  TbReader reader(generated->dir.path());
  for (auto [name, moves] : {std::pair<const char*, int>{"kqk", 10}, {"krk", 16}}) {
    std::string fen;
    forPositions(classId(name), 0, 0, [&](Position& pos) {
      if (fen.empty() && reader.probe(pos) == 32767 - 2 * moves) fen = fenString(pos);
    });
    ASSERT_FALSE(fen.empty()) << name;
    testutil::RunResult r = testutil::runEngine(
        {}, "uci\nsetoption name NalimovPath value " + generated->dir.path() + "\nposition fen " + fen + "\ngo depth 6\n");
    EXPECT_NE(r.out.find("score mate " + std::to_string(moves) + " "), std::string::npos) << fen << "\n" << r.out;
  }
}
