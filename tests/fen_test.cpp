#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "board/fen.h"
#include "board/position.h"
#include "core/output.h"
#include "test_support.h"

using namespace tarrock;

namespace {

// Every derived field and both keys agree with the board, side, rights and
// en-passant square.
void expectConsistent(Position& pos, const std::string& context) {
  Position copy = pos;
  rebuildBoardSets(copy);
  rebuildMaterial(copy);
  EXPECT_EQ(std::memcmp(&copy, &pos, sizeof pos), 0) << context;
  EXPECT_EQ(computeKey(pos), pos.key()) << context;
  EXPECT_EQ(computePawnKey(pos), pos.pawnKey()) << context;
  for (int s = 0; s < 64; ++s) {
    int code = pos.board[s];
    EXPECT_TRUE(code == 0 || (code >= 17 && code <= 22) || (code >= 33 && code <= 38)) << context;
  }
  EXPECT_LT(pos.epSquare(), 64u) << context;
}

class Fen : public ::testing::Test {
 protected:
  void SetUp() override {
    testutil::initEngineTables();
    pos = NewPosition();
    newGame(*pos);
  }
  void TearDown() override { FreePosition(pos); }
  Position* pos = nullptr;
};

}  // namespace

TEST_F(Fen, ReadsAndWritesFields) {
  struct Case {
    const char* in;
    const char* out;
    uint32_t rights;
    Square ep;
    Colour side;
  };
  const Case cases[] = {
      {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -",
       "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - ", 15, 0, White},
      // Missing castling and en-passant fields default to "-".
      {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w",
       "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w - - ", 0, 0, White},
      // Rights without their rook are dropped; letters are written K, Q, k, q.
      {"rnbqkbn1/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBN1 w qkQK -",
       "rnbqkbn1/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBN1 w Qq - ", 10, 0, White},
      {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBN1 w KQkq -",
       "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBN1 w Qkq - ", 14, 0, White},
      // Anything but "w" means black; counters are dropped.
      {"4k3/8/8/8/8/8/8/4K3 W - - 12 40", "4k3/8/8/8/8/8/8/4K3 b - - ", 0, 0, Black},
      {"4k3/8/8/8/8/8/8/4K3 white - -", "4k3/8/8/8/8/8/8/4K3 b - - ", 0, 0, Black},
      // The en-passant square is kept whether or not a capture is possible.
      {"4k3/8/8/8/4P3/8/8/4K3 b - e3", "4k3/8/8/8/4P3/8/8/4K3 b - e3 ", 0, E3, Black},
      // Short ranks leave the rest empty; stray characters are skipped.
      {"4k/8/8/8/8/8/8/4K3 w - -", "4k3/8/8/8/8/8/8/4K3 w - - ", 0, 0, White},
      {"4k3/8/8/8/8/8/8/40K3 w - -", "4k3/8/8/8/8/8/8/4K3 w - - ", 0, 0, White},
      {"4xk3/8/8/8/8/8/8/4K3 w - -", "4k3/8/8/8/8/8/8/4K3 w - - ", 0, 0, White},
      // En-passant text that names no square means none.
      {"4k3/8/8/8/8/8/8/4K3 w - z9", "4k3/8/8/8/8/8/8/4K3 w - - ", 0, 0, White},
      {"4k3/8/8/8/8/8/8/4K3 w - e", "4k3/8/8/8/8/8/8/4K3 w - - ", 0, 0, White},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(setupFromFen(*pos, c.in)) << c.in;
    EXPECT_EQ(fenString(*pos), c.out) << c.in;
    EXPECT_EQ(pos->castleRights(), c.rights) << c.in;
    EXPECT_EQ(pos->epSquare(), c.ep) << c.in;
    EXPECT_EQ(pos->sideToMove, c.side) << c.in;
    EXPECT_EQ(pos->fifty(), 0u) << c.in;
    expectConsistent(*pos, c.in);
  }
}

TEST_F(Fen, EnPassantSquareEntersTheKey) {
  setupFromFen(*pos, "4k3/8/8/8/4P3/8/8/4K3 b - e3");
  HashKey withEp = pos->key();
  setupFromFen(*pos, "4k3/8/8/8/4P3/8/8/4K3 b - -");
  EXPECT_EQ(withEp ^ pos->key(), keys.epKeys[E3]);
}

TEST_F(Fen, MalformedTextLeavesAConsistentPosition) {
  const char* const bad[] = {
      "",
      "   ",
      "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR",  // no side word
      "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQxq -",  // bad castling letter
      "8p/8/8/8/8/8/8/8 w - -",               // a man past the end of the rank
      "rnbqkbnrr/8/8/8/8/8/8/8 w - -",        // nine men on a rank
      "8/8/8/8/8/8/8/8/8/8/8/K w - -",       // more ranks than the board has
      "K7/////////////////////////k w - -",
      "88888888888888888888888888888888k w - -",
      "\x01\x02\xff\xfe w \xff \xff",
  };
  for (const char* text : bad) {
    setupFromFen(*pos, text);
    expectConsistent(*pos, text);
  }
  std::string huge(20000, 'p');
  setupFromFen(*pos, (huge + " " + huge + " " + huge + " " + huge).c_str());
  expectConsistent(*pos, "huge words");
}

TEST_F(Fen, BadCastlingKeepsPlacementAndSide) {
  EXPECT_FALSE(setupFromFen(*pos, "r3k2r/8/8/8/8/8/8/R3K2R b KQ?kq e3"));
  EXPECT_EQ(pos->board[A1], WhiteRook);
  EXPECT_EQ(pos->sideToMove, Black);
  EXPECT_EQ(pos->castleRights(), WhiteShort | WhiteLong);
  EXPECT_EQ(pos->epSquare(), 0u);
}
