#include <gtest/gtest.h>

#include <string>

#include "board/makemove.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "board/verify.h"
#include "board_test_util.h"
#include "core/state.h"

using namespace tarrock;

namespace {

using NotationTest = testutil::BoardTest;

// Restores the protocol mode a test changes.
struct ProtocolGuard {
  ProtocolMode saved = frontend.protocolMode;
  ~ProtocolGuard() { frontend.protocolMode = saved; }
};

}  // namespace

TEST_F(NotationTest, ParseMoveReadsEveryForm) {
  struct Case {
    const char* fen;
    const char* text;
    Move expected;
  };
  const char* start = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -";
  const char* castles = "r3k2r/8/8/8/8/8/8/R3K2R w KQkq -";
  const char* promotion = "k7/4P3/8/8/8/8/8/4K3 w - -";
  const Case cases[] = {
      {start, "e4", buildMove(E2, E4, WhitePawn)},
      {start, "e3", buildMove(E2, E3, WhitePawn)},
      {start, "e2e4", buildMove(E2, E4, WhitePawn)},
      {start, "Nf3!?", buildMove(G1, F3, WhiteKnight)},
      {start, "Nf3+", buildMove(G1, F3, WhiteKnight)},
      {"4k3/8/8/3p4/4P3/8/8/4K3 w - -", "exd5", buildMove(E4, D5, WhitePawn, BlackPawn)},
      {"4k3/8/8/3p4/4P3/8/8/4K3 w - -", "ed5", buildMove(E4, D5, WhitePawn, BlackPawn)},
      {"4k3/8/8/3p4/4P3/8/8/4K3 b - -", "dxe4", buildMove(D5, E4, BlackPawn, WhitePawn)},
      {"4k3/8/8/3p4/8/8/8/4K3 b - -", "d4", buildMove(D5, D4, BlackPawn)},
      {"4k3/3p4/8/8/8/8/8/4K3 b - -", "d5", buildMove(D7, D5, BlackPawn)},
      {"1n2k3/8/5n2/8/8/8/8/4K3 b - -", "Nbd7", buildMove(B8, D7, BlackKnight)},
      {"4k3/8/8/4N3/8/8/8/4K1N1 w - -", "N1f3", buildMove(G1, F3, WhiteKnight)},
      {"4k3/8/8/4N3/8/8/8/4K1N1 w - -", "Nef3", buildMove(E5, F3, WhiteKnight)},
      {"1k6/8/8/8/4Q2Q/K7/8/4r2Q w - -", "Qh4xe1", buildMove(H4, E1, WhiteQueen, BlackRook)},
      {promotion, "e8=Q+", buildMove(E7, E8, WhitePawn, 0, PromoteQueen)},
      {promotion, "e8Q", buildMove(E7, E8, WhitePawn, 0, PromoteQueen)},
      {promotion, "e7e8q", buildMove(E7, E8, WhitePawn, 0, PromoteQueen)},
      {promotion, "e7e8n", buildMove(E7, E8, WhitePawn, 0, PromoteKnight)},
      {promotion, "e8=N", buildMove(E7, E8, WhitePawn, 0, PromoteKnight)},
      {promotion, "e8", buildMove(E7, E8, WhitePawn, 0, PromoteQueen)},
      {promotion, "e7e8", buildMove(E7, E8, WhitePawn, 0, PromoteQueen)},
      {promotion, "e8=X", buildMove(E7, E8, WhitePawn, 0, PromoteQueen)},  // unknown letter: the rank rule
      {"1r2k3/P7/8/8/8/8/8/4K3 w - -", "axb8=R", buildMove(A7, B8, WhitePawn, BlackRook, PromoteRook)},
      {castles, "O-O", WhiteCastleShort},
      {castles, "0-0-0", WhiteCastleLong},
      {castles, "O-O-O+", WhiteCastleLong},
      {castles, "e1g1", WhiteCastleShort},
      {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq -", "O-O", BlackCastleShort},
      {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq -", "e8c8", BlackCastleLong},
      {"4k3/8/8/8/8/8/8/K3R3 w - -", "e1g1", buildMove(E1, G1, WhiteRook)},  // no right: a plain move
      {"4k3/8/8/8/8/8/5q2/4K3 w - -", "Kxf2#", buildMove(E1, F2, WhiteKing, BlackQueen)},
      {"4k3/8/8/3pP3/8/8/8/4K3 w - d6", "exd6ep", buildMove(E5, D6, WhitePawn, BlackPawn)},
      {"4k3/8/8/3pP3/8/8/8/4K3 w - d6", "exd6", buildMove(E5, D6, WhitePawn, BlackPawn)},
      {"4k3/8/8/3pP3/8/8/8/4K3 w - d6", "e5d6", buildMove(E5, D6, WhitePawn, BlackPawn)},
      {"4k3/8/8/8/3pP3/8/8/4K3 b - e3", "dxe3", buildMove(D4, E3, BlackPawn, WhitePawn)},
      // Two knights reach d2: a pin decides, else the file must.
      {"4k3/8/2b5/8/8/5N2/8/1N5K w - -", "Nd2", buildMove(B1, D2, WhiteKnight)},
      {"4k3/8/8/8/8/5N2/8/1N5K w - -", "Nd2", 0},
      {"4k3/8/8/8/8/5N2/8/1N5K w - -", "Nbd2", buildMove(B1, D2, WhiteKnight)},
      {"4k3/8/8/8/8/5N2/8/1N5K w - -", "Nfd2", buildMove(F3, D2, WhiteKnight)},
      {"4k3/8/8/8/8/5N2/3P4/1N5K w - -", "Nd2", 0},  // own pawn on d2: nothing to try
      {start, "Nc4", 0},
      {start, "Bb5", 0},
  };
  for (const Case& c : cases) {
    setup(c.fen);
    PositionSnapshot before;
    takeSnapshot(*pos, before);
    EXPECT_EQ(parseMove(*pos, c.text), c.expected) << c.fen << " " << c.text;
    EXPECT_EQ(snapshotDifference(*pos, before), nullptr) << c.text;
  }
}

TEST_F(NotationTest, ParseMoveRefusesGarbageWithinBounds) {
  const char* texts[] = {
      "", "=", "=X", "+", "#?!+", "x", "a", "a9", "i2i4", "Nxx9", "Z", "O", "O-O-O-O", "0-0-x", "O-", "ep",
      "Kx", "N", "Q9", "Rz1", "e2e4e4e4e4e4e4e4e4e4e4e4e4e4e4e4e4e4e4e4e4e4e4e4e4",
      "e2e4                              ", "\x80\xff", "h", "=Q", "ab", "axb", "xe4", "1e4",
  };
  for (const char* fen : {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -",
                          "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq -"}) {
    setup(fen);
    for (const char* text : texts) EXPECT_EQ(parseMove(*pos, text), 0u) << text;
  }
  EXPECT_EQ(parseMove(*pos, nullptr), 0u);
  // Pawn texts whose origin would lie off the board.
  setup("4k3/8/8/8/8/8/8/4K3 w - -");
  for (const char* text : {"a1", "h2", "axb1", "bxa1", "a2"}) EXPECT_EQ(parseMove(*pos, text), 0u) << text;
  setup("4k3/8/8/8/8/8/8/4K3 b - -");
  for (const char* text : {"h8", "a7", "gxh8", "bxa8"}) EXPECT_EQ(parseMove(*pos, text), 0u) << text;
  // Exactly 31 characters is still read.
  setup("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -");
  EXPECT_EQ(parseMove(*pos, "e2e4!!!!!!!!!!!!!!!!!!!!!!!!!!!"), buildMove(E2, E4, WhitePawn));
  EXPECT_EQ(parseMove(*pos, "e2e4!!!!!!!!!!!!!!!!!!!!!!!!!!!!"), 0u);
}

TEST_F(NotationTest, ParsedMovesNeverCorruptThePositionThroughIsMoveValid) {
  // Whatever parseMove makes of a text, a move isMoveValid accepts is safe to
  // make: the record stays consistent and unmake restores it.
  const char* fens[] = {"4k3/8/8/3P4/8/8/8/4K3 w - e6", "4k3/8/4p3/3P4/8/8/8/4K3 w - e6",
                        "r3k2r/1P6/8/8/8/8/6p1/R3K2R w KQkq -", "4k3/8/8/8/3p4/8/2P5/4K3 w - d3"};
  const char* files = "abcdefgh";
  for (const char* fen : fens) {
    setup(fen);
    for (int from = 0; from < 64; ++from)
      for (int to = 0; to < 64; ++to)
        for (const char* suffix : {"", "q", "n"}) {
          std::string text = {files[from & 7], char('1' + (from >> 3)), files[to & 7], char('1' + (to >> 3))};
          text += suffix;
          Move m = parseMove(*pos, text.c_str());
          if (!m || !isMoveValid(*pos, m)) continue;
          PositionSnapshot before;
          takeSnapshot(*pos, before);
          makeMove(*pos, m);
          ASSERT_EQ(positionProblem(*pos), nullptr) << fen << " " << text;
          unmakeMove(*pos, m);
          ASSERT_EQ(snapshotDifference(*pos, before), nullptr) << fen << " " << text;
        }
  }
}

TEST_F(NotationTest, MoveToSan) {
  struct Case {
    const char* fen;
    Move move;
    const char* san;
  };
  const Case cases[] = {
      {"1n2k3/8/5n2/8/8/8/8/4K3 b - -", buildMove(B8, D7, BlackKnight), "Nbd7"},
      {"4k3/8/8/R7/8/8/8/R3K3 w - -", buildMove(A1, A3, WhiteRook), "R1a3"},
      {"4k3/8/8/3Q4/8/3Q1Q2/8/4K3 w - -", buildMove(D3, E4, WhiteQueen), "Qd3e4#"},
      {"4k3/8/8/3Q4/8/3Q4/8/4K3 w - -", buildMove(D3, E4, WhiteQueen), "Q3e4+"},
      {"4k3/8/8/8/8/3Q1Q2/8/4K3 w - -", buildMove(D3, E4, WhiteQueen), "Qde4+"},
      {"4k3/8/2b5/8/8/5N2/8/1N5K w - -", buildMove(B1, D2, WhiteKnight), "Nbd2"},  // pinned knights count
      {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -", buildMove(E2, E4, WhitePawn), "e4"},
      {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -", buildMove(G1, F3, WhiteKnight), "Nf3"},
      {"4k3/8/8/3p4/4P3/8/8/4K3 w - -", buildMove(E4, D5, WhitePawn, BlackPawn), "exd5"},
      {"4k3/8/8/3pP3/8/8/8/4K3 w - d6", buildMove(E5, D6, WhitePawn, BlackPawn), "exd6"},
      {"4k3/8/8/8/8/8/8/R3K3 w - -", buildMove(A1, A8, WhiteRook), "Ra8+"},
      {"6k1/5ppp/8/8/8/8/8/R3K3 w - -", buildMove(A1, A8, WhiteRook), "Ra8#"},
      {"5k2/8/8/8/8/8/8/4K2R w K -", WhiteCastleShort, "O-O"},  // gives check, no suffix
      {"r3k3/8/8/8/8/8/8/4K3 b q -", BlackCastleLong, "O-O-O"},
      {"4k3/1P6/8/8/8/8/8/4K3 w - -", buildMove(B7, B8, WhitePawn, 0, PromoteQueen), "b8=Q+"},
      {"r3k3/1P6/8/8/8/8/8/4K3 w - -", buildMove(B7, A8, WhitePawn, BlackRook, PromoteKnight), "bxa8=N"},
      {"4k3/8/8/8/8/8/5q2/4K3 w - -", buildMove(E1, F2, WhiteKing, BlackQueen), "Kxf2"},
      {"4k3/4r3/8/8/8/8/4N3/4K3 w - -", buildMove(E2, C3, WhiteKnight), "Illegal move: e2-c3"},
      {"4k3/8/8/8/8/8/8/4K3 w - -", buildMove(D1, D2, WhiteRook), "Illegal move: d1-d2"},  // no rook there
      {"4k3/8/8/8/8/8/8/4K3 w - -", 0, "Illegal move: Nomove"},
  };
  ProtocolGuard guard;
  frontend.protocolMode = Console;
  for (const Case& c : cases) {
    setup(c.fen);
    PositionSnapshot before;
    takeSnapshot(*pos, before);
    EXPECT_STREQ(moveToSan(*pos, c.move), c.san) << c.fen;
    EXPECT_EQ(snapshotDifference(*pos, before), nullptr) << c.san;
  }
}

TEST_F(NotationTest, MoveToCoordinateByProtocol) {
  ProtocolGuard guard;
  Move promotion = buildMove(A7, A8, WhitePawn, 0, PromoteKnight);
  Move plain = buildMove(E2, E4, WhitePawn);
  frontend.protocolMode = Uci;
  EXPECT_STREQ(moveToCoordinate(promotion), "a7a8n");
  EXPECT_STREQ(moveToCoordinate(plain), "e2e4");
  EXPECT_STREQ(moveToCoordinate(0), "Nomove");
  frontend.protocolMode = Console;
  EXPECT_STREQ(moveToCoordinate(promotion), "a7-a8=n");
  EXPECT_STREQ(moveToCoordinate(plain), "e2-e4");
  frontend.protocolMode = Xboard;
  EXPECT_STREQ(moveToCoordinate(buildMove(B2, B1, BlackPawn, 0, PromoteQueen)), "b2-b1=q");
  EXPECT_STREQ(moveToCoordinate(0), "Nomove");
}

TEST_F(NotationTest, ReportInvalidMovePrintsTheCoordinateText) {
  ProtocolGuard guard;
  frontend.protocolMode = Console;
  testing::internal::CaptureStdout();
  reportInvalidMove(*pos, buildMove(E2, E5, WhitePawn));
  reportInvalidMove(*pos, 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Invalid move: e2-e5\nInvalid move: Nomove\n");
}
