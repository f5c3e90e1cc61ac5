#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "board/attacks.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board_test_util.h"

using namespace tarrock;
using testutil::coordinates;

namespace {

using Texts = std::vector<std::string>;

struct MoveGenTest : testutil::BoardTest {
  Move moves[MaxMoves];
  Texts captures() { return coordinates(moves, generateCaptures(*pos, moves)); }
  Texts nonCaptures() { return coordinates(moves, generateNonCaptures(*pos, moves)); }
  Texts evasions() { return coordinates(moves, generateEvasions(*pos, moves)); }
};

}  // namespace

TEST_F(MoveGenTest, InitialPositionOrderForBothColours) {
  EXPECT_EQ(captures(), Texts{});
  EXPECT_EQ(nonCaptures(), (Texts{"a2a3", "a2a4", "b2b3", "b2b4", "c2c3", "c2c4", "d2d3", "d2d4", "e2e3", "e2e4",
                                  "f2f3", "f2f4", "g2g3", "g2g4", "h2h3", "h2h4", "b1a3", "b1c3", "g1f3", "g1h3"}));
  setup("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq -");
  EXPECT_EQ(nonCaptures(), (Texts{"h7h6", "h7h5", "g7g6", "g7g5", "f7f6", "f7f5", "e7e6", "e7e5", "d7d6", "d7d5",
                                  "c7c6", "c7c5", "b7b6", "b7b5", "a7a6", "a7a5", "g8h6", "g8f6", "b8c6", "b8a6"}));
}

TEST_F(MoveGenTest, PromotionOrderPushesBeforeCaptures) {
  setup("r3k3/1P6/8/8/8/8/8/4K3 w - -");
  EXPECT_EQ(captures(), (Texts{"b7b8q", "b7b8r", "b7b8b", "b7b8n", "b7a8q", "b7a8r", "b7a8b", "b7a8n"}));
  EXPECT_EQ(nonCaptures(), (Texts{"e1d1", "e1f1", "e1d2", "e1e2", "e1f2"}));
  // Black: pawns highest first, their targets lowest first.
  setup("4k3/8/8/8/8/8/1p4p1/R1R1K2R b - -");
  EXPECT_EQ(captures(), (Texts{"g2g1q", "g2g1r", "g2g1b", "g2g1n", "g2h1q", "g2h1r", "g2h1b", "g2h1n",
                               "b2b1q", "b2b1r", "b2b1b", "b2b1n", "b2a1q", "b2a1r", "b2a1b", "b2a1n",
                               "b2c1q", "b2c1r", "b2c1b", "b2c1n"}));
}

TEST_F(MoveGenTest, CaptureScanOrders) {
  // Pawns lowest first with targets highest first, then en passant, then the
  // pieces (lowest first, targets highest first), the king last (lowest first).
  setup("4k3/8/8/2p1pPp1/1P1P4/3N4/8/4K3 w - g6");
  EXPECT_EQ(captures(), (Texts{"b4c5", "d4e5", "d4c5", "f5g6", "d3e5", "d3c5"}));
  setup("4k3/8/8/3pP3/1n3n2/3N4/3p4/4K3 w - d6");
  EXPECT_EQ(captures(), (Texts{"e5d6", "d3f4", "d3b4", "e1d2"}));
  // Black mirrors: pieces highest first, targets lowest first, king targets highest first.
  setup("4k3/3P4/3n4/1N3N2/3Pp3/8/8/4K3 b - d3");
  EXPECT_EQ(captures(), (Texts{"e4d3", "d6b5", "d6f5", "e8d7"}));
}

TEST_F(MoveGenTest, CastlingConditions) {
  setup("4k3/8/8/8/8/8/8/R3K2R w KQ -");
  Texts quiet = nonCaptures();
  EXPECT_EQ(Texts(quiet.end() - 2, quiet.end()), (Texts{"e1g1", "e1c1"}));
  EXPECT_EQ(moves[quiet.size() - 2], WhiteCastleShort);
  EXPECT_EQ(moves[quiet.size() - 1], WhiteCastleLong);

  setup("4k3/8/8/8/2b5/8/8/R3K2R w KQ -");  // f1 attacked
  quiet = nonCaptures();
  EXPECT_EQ(std::count(quiet.begin(), quiet.end(), "e1g1"), 0);
  EXPECT_EQ(std::count(quiet.begin(), quiet.end(), "e1c1"), 1);

  setup("4k3/8/8/8/8/7n/8/R3K2R w KQ -");  // only g1 attacked: generated, then refused
  int n = generateNonCaptures(*pos, moves);
  EXPECT_NE(std::find(moves, moves + n, WhiteCastleShort), moves + n);
  n = filterLegal(*pos, moves, n);
  EXPECT_EQ(std::find(moves, moves + n, WhiteCastleShort), moves + n);

  setup("4k3/8/8/8/8/8/8/R3K2R w Q -");  // right missing, rook at home
  quiet = nonCaptures();
  EXPECT_EQ(std::count(quiet.begin(), quiet.end(), "e1g1"), 0);

  setup("r3k2r/8/8/8/8/8/8/4K3 b kq -");
  quiet = nonCaptures();
  EXPECT_EQ(Texts(quiet.end() - 2, quiet.end()), (Texts{"e8g8", "e8c8"}));
  setup("r3k2r/8/8/8/8/8/8/3RK3 b kq -");  // d8 attacked: no long castling
  quiet = nonCaptures();
  EXPECT_EQ(quiet.back(), "e8g8");
}

TEST_F(MoveGenTest, EnPassantOnlyOnARealSquare) {
  setup("4k3/8/8/2PpP3/8/8/8/4K3 w - d6");
  EXPECT_EQ(captures(), (Texts{"c5d6", "e5d6"}));
  EXPECT_EQ(moveCaptured(moves[0]), BlackPawn);
  // Squares a FEN may name where no pawn can be taken en passant.
  struct Case {
    const char* fen;
    Texts captures;
  };
  const Case cases[] = {
      {"4k3/8/3p4/2PpP3/8/8/8/4K3 w - d6", {"c5d6", "e5d6"}},  // occupied: plain captures of d6
      {"4k3/8/8/2P1P3/8/8/8/4K3 w - d6", {}},                  // no pawn behind
      {"4k3/8/8/8/3p4/8/2P5/4K3 w - d3", {}},                  // wrong rank for White
      {"4k3/8/8/2pPp3/8/8/8/4K3 b - d6", {}},                  // wrong rank for Black
  };
  for (const Case& c : cases) {
    setup(c.fen);
    EXPECT_EQ(captures(), c.captures) << c.fen;
    EXPECT_FALSE(hasRealEnPassant(*pos)) << c.fen;
  }
  setup("4k3/8/3p4/2PpP3/8/8/8/4K3 w - d6");
  generateCaptures(*pos, moves);
  EXPECT_EQ(moves[0], buildMove(C5, D6, WhitePawn, BlackPawn));
}

TEST_F(MoveGenTest, EvasionsFromAKnightCheckAreKingMovesAndCaptures) {
  setup("4k3/8/8/8/8/3n4/8/R3K3 w - -");
  EXPECT_EQ(evasions(), (Texts{"e1d1", "e1f1", "e1d2", "e1e2"}));
  setup("4k3/8/8/8/8/3n4/8/R3KR2 w - -");
  EXPECT_EQ(evasions(), (Texts{"e1d1", "e1d2", "e1e2"}));
}

TEST_F(MoveGenTest, DoubleCheckGivesOnlyKingMoves) {
  setup("4k3/8/8/8/8/3n4/6B1/R3K2r w - -");
  EXPECT_EQ(evasions(), (Texts{"e1d2", "e1e2"}));
}

TEST_F(MoveGenTest, KingDoesNotStepAlongTheCheckingLine) {
  setup("4r3/8/8/8/4K3/8/8/k7 w - -");
  EXPECT_EQ(evasions(), (Texts{"e4d3", "e4f3", "e4d4", "e4f4", "e4d5", "e4f5"}));
}

TEST_F(MoveGenTest, EvasionOrderForBothColours) {
  // Single diagonal check from a5: captures of the checker (knight, bishop,
  // rook), pawn single then double pushes, knights (f1 pinned), bishops,
  // rooks, queens onto the line, then king steps.
  setup("R2R4/4B3/1BN4k/b7/6Q1/8/1PP5/4KN1r w - -");
  EXPECT_EQ(evasions(), (Texts{"c6a5", "b6a5", "a8a5", "c2c3", "b2b4", "c6b4", "e7b4", "d8d2", "g4b4", "e1d1",
                               "e1e2", "e1f2"}));
  // The mirror image with Black to move: captures and king captures lowest
  // first, interpositions and king steps highest first.
  setup("4kn1R/1pp5/8/6q1/B7/1bn4K/4b3/r2r4 b - -");
  EXPECT_EQ(evasions(), (Texts{"c3a4", "b3a4", "a1a4", "c7c6", "b7b5", "c3b5", "e2b5", "d1d7", "g5b5", "e8d8",
                               "e8f7", "e8e7"}));
}

TEST_F(MoveGenTest, EvasionPawnCapturesPromoteAndEnPassantTakesTheChecker) {
  setup("4k3/8/8/8/8/8/5p2/4K1N1 w - -");  // f2 pawn checks; knight g1 does not reach f2
  EXPECT_EQ(evasions(), (Texts{"e1f2", "e1d1", "e1f1", "e1d2", "e1e2"}));
  setup("2r1k3/1P6/8/8/8/8/8/2K5 w - -");  // rook c8 checks c1; b7 takes it with promotions
  EXPECT_EQ(evasions(), (Texts{"b7c8q", "b7c8r", "b7c8b", "b7c8n", "c1b1", "c1d1", "c1b2", "c1d2"}));
  setup("4k3/8/8/3pP3/4K3/8/8/8 w - d6");  // d7-d5 gave check; exd6 removes the checker
  EXPECT_EQ(evasions(), (Texts{"e5d6", "e4d5", "e4d3", "e4e3", "e4f3", "e4d4", "e4f4", "e4f5"}));
}

TEST_F(MoveGenTest, EvasionsAgreeWithLegalMovesEverywhere) {
  // Over the trees of the reference positions: when in check, the legal
  // evasions are exactly the legal moves, each once; every generated move
  // passes isMoveValid.
  const char* fens[] = {
      "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -",
      "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -",
      "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -",
      "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq -",
      "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ -",
  };
  int checks = 0;
  struct Walker {
    Position& pos;
    int& checks;
    void visit(int depth) {
      Move all[MaxMoves], evade[MaxMoves];
      int n = generateAll(pos, all);
      std::set<Move> unique(all, all + n);
      ASSERT_EQ(int(unique.size()), n) << fenString(pos);
      for (int i = 0; i < n; ++i) ASSERT_EQ(isMoveValid(pos, all[i]), 1) << fenString(pos) << " " << all[i];
      if (inCheck(pos, pos.sideToMove)) {
        ++checks;
        int e = generateEvasions(pos, evade);
        std::set<Move> evadeSet(evade, evade + e);
        ASSERT_EQ(int(evadeSet.size()), e) << fenString(pos);
        for (int i = 0; i < e; ++i) ASSERT_EQ(isMoveValid(pos, evade[i]), 1) << fenString(pos);
        int legalAll = filterLegal(pos, all, n);
        int legalEvade = filterLegal(pos, evade, e);
        ASSERT_EQ(std::set<Move>(all, all + legalAll), std::set<Move>(evade, evade + legalEvade)) << fenString(pos);
        n = legalAll;
      } else {
        n = filterLegal(pos, all, n);
      }
      if (depth == 0) return;
      for (int i = 0; i < n; ++i) {
        makeMove(pos, all[i]);
        visit(depth - 1);
        unmakeMove(pos, all[i]);
      }
    }
  };
  for (const char* fen : fens) {
    setup(fen);
    Walker{*pos, checks}.visit(2);
  }
  EXPECT_GT(checks, 100);
}

TEST_F(MoveGenTest, CountLegalMovesIsZeroInMateAndStalemate) {
  EXPECT_EQ(countLegalMoves(*pos), 20);
  setup("7k/5Q2/6K1/8/8/8/8/8 b - -");  // stalemate
  EXPECT_EQ(countLegalMoves(*pos), 0);
  setup("6Qk/5K2/8/8/8/8/8/8 b - -");  // mate
  EXPECT_EQ(countLegalMoves(*pos), 0);
  EXPECT_EQ(inCheck(*pos, Black), 1);
}

TEST_F(MoveGenTest, IsPinned) {
  setup("4k3/8/8/8/1b6/8/3N4/4K3 w - -");
  EXPECT_EQ(isPinned(*pos, D2, E1), 1);
  setup("4k3/8/8/8/1b6/2P5/3N4/4K3 w - -");
  EXPECT_EQ(isPinned(*pos, D2, E1), 0);  // c3 shields it too
  setup("4k3/8/8/8/1r6/8/3N4/4K3 w - -");
  EXPECT_EQ(isPinned(*pos, D2, E1), 0);  // a rook does not pin on a diagonal
  setup("4k3/4q3/8/8/8/8/4N3/4K3 w - -");
  EXPECT_EQ(isPinned(*pos, E2, E1), 1);
  setup("4k3/8/8/8/8/8/r2BK3/8 w - -");
  EXPECT_EQ(isPinned(*pos, D2, E2), 1);
  setup("4k3/8/8/8/8/8/3N4/4K3 w - -");
  EXPECT_EQ(isPinned(*pos, D2, E1), 0);
  setup("4k3/4n3/8/8/8/8/8/4R3 b - -");  // the black variant looks for white sliders
  EXPECT_EQ(isPinned(*pos, E7, E8), 1);
}

TEST_F(MoveGenTest, IsMoveValidAcceptsWhatFitsTheBoardOnly) {
  setup("r3k2r/pPp1p3/8/3pP3/8/5N2/PP1P1P1P/RNBQK2R w KQkq d6");
  struct Case {
    Move move;
    int valid;
    const char* why;
  };
  const Case cases[] = {
      {buildMove(G1, F3, WhiteKnight), 0, "the knight is no longer on g1"},
      {buildMove(F3, G5, WhiteKnight), 1, "knight move"},
      {buildMove(F3, E5, WhiteKnight), 0, "own pawn on the destination"},
      {buildMove(F3, H7, WhiteKnight), 0, "not a knight step"},
      {buildMove(F1, C4, WhiteBishop), 0, "no bishop on f1"},
      {buildMove(C1, H6, WhiteBishop), 0, "d2 blocks the diagonal"},
      {buildMove(C1, B2, WhiteBishop), 0, "own man on the destination"},
      {buildMove(D1, A4, WhiteQueen), 1, "queen along a free diagonal"},
      {buildMove(E1, E3, WhiteKing), 0, "king move of two squares"},
      {WhiteCastleShort, 1, "castling with the conditions of generation"},
      {WhiteCastleLong, 0, "long castling path is blocked"},
      {BlackCastleShort, 0, "Black's castling while White moves"},
      {buildMove(E5, D6, WhitePawn, BlackPawn), 1, "en passant"},
      {buildMove(E5, D6, WhitePawn), 0, "en passant without the captured pawn"},
      {buildMove(E5, E6, WhitePawn), 1, "pawn push"},
      {buildMove(E5, E6, WhitePawn, BlackPawn), 0, "push with a captured man"},
      {buildMove(A2, A4, WhitePawn), 1, "double step"},
      {buildMove(H2, C7, WhitePawn, BlackPawn), 0, "pawn that jumps across the board"},
      {buildMove(B7, A8, WhitePawn, BlackRook, PromoteKnight), 1, "capture promotion"},
      {buildMove(B7, A8, WhitePawn, BlackRook), 0, "reaching the last rank without promotion"},
      {buildMove(B7, A8, WhitePawn, BlackRook, 0x7000), 0, "no such promotion"},
      {buildMove(B7, B8, WhitePawn, 0, PromoteQueen), 1, "push promotion"},
      {buildMove(B7, C8, WhitePawn, 0, PromoteQueen), 0, "capture onto an empty square"},
      {buildMove(F3, G5, WhiteKnight, 0, PromoteQueen), 0, "promotion field on a knight move"},
      {buildMove(F3, D4, WhiteKnight, BlackPawn), 0, "captured field on an empty square"},
      {buildMove(E7, E6, BlackPawn), 0, "Black's man while White moves"},
      {0, 0, "no move"},
  };
  for (const Case& c : cases) EXPECT_EQ(isMoveValid(*pos, c.move), c.valid) << c.why;

  // A named en-passant square without a pawn behind it takes no capture.
  setup("4k3/8/8/3P4/8/8/8/4K3 w - e6");
  EXPECT_EQ(isMoveValid(*pos, buildMove(D5, E6, WhitePawn, BlackPawn)), 0);
  setup("4k3/8/4p3/3P4/8/8/8/4K3 w - e6");
  EXPECT_EQ(isMoveValid(*pos, buildMove(D5, E6, WhitePawn, BlackPawn)), 1);  // a plain capture here

  // A king is never taken, even where a set-up position leaves it in reach.
  setup("4k3/8/8/8/8/8/8/4Q1K1 w - -");
  EXPECT_EQ(isMoveValid(*pos, buildMove(E1, E8, WhiteQueen, BlackKing)), 0);
  EXPECT_EQ(isMoveValid(*pos, buildMove(E1, E7, WhiteQueen)), 1);
}
