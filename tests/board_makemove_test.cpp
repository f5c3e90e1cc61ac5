#include <gtest/gtest.h>


#include "board/attacks.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/perft.h"
#include "board/verify.h"
#include "board_test_util.h"
#include "eval/params.h"

using namespace tarrock;

namespace {

struct MakeMoveTest : testutil::BoardTest {
  PositionSnapshot before;
  // Makes the move and checks every derived field against a rebuild.
  void make(Move m) {
    takeSnapshot(*pos, before);
    makeMove(*pos, m);
    const char* problem = positionProblem(*pos);
    EXPECT_EQ(problem, nullptr) << testutil::coordinate(m) << ": " << problem;
  }
  // Unmakes it and checks that the record is as before.
  void unmake(Move m) {
    unmakeMove(*pos, m);
    const char* difference = snapshotDifference(*pos, before);
    EXPECT_EQ(difference, nullptr) << testutil::coordinate(m) << ": " << difference;
  }
};

}  // namespace

TEST_F(MakeMoveTest, RoundTripOverEveryMoveOfTheSuitePositions) {
  int positions = 0;
  for (const std::string& line : testutil::dataLines("perftsuite.epd")) {
    std::string fen = line.substr(0, line.find(';'));
    newGame(*pos);
    ASSERT_TRUE(setupFromFen(*pos, fen.c_str())) << fen;
    ASSERT_EQ(positionProblem(*pos), nullptr) << fen;
    // Every pseudo-legal move and every reply to it, legal or not.
    PerftFault fault;
    perftChecked(*pos, 2, fault);
    EXPECT_EQ(fault.what, nullptr) << fen << ": " << fault.what << " after " << testutil::coordinate(fault.move);
    ++positions;
  }
  EXPECT_GT(positions, 150);
}

TEST_F(MakeMoveTest, DoubleStepSetsEnPassantOnlyNextToAnEnemyPawn) {
  Move e2e4 = boardMove("e2", "e4");
  make(e2e4);
  EXPECT_EQ(pos->epSquare(), 0u);
  EXPECT_EQ(pos->fifty(), 0u);
  EXPECT_EQ(pos->sideToMove, Black);
  unmake(e2e4);

  setup("4k3/8/8/8/3p4/8/4P3/4K3 w - -");
  make(e2e4);
  EXPECT_EQ(pos->epSquare(), E3);
  Move kingStep = boardMove("e8", "d8");
  makeMove(*pos, kingStep);
  EXPECT_EQ(pos->epSquare(), 0u);
  EXPECT_EQ(positionProblem(*pos), nullptr);
  unmakeMove(*pos, kingStep);
  EXPECT_EQ(pos->epSquare(), E3);
  unmake(e2e4);
}

TEST_F(MakeMoveTest, EnPassantRemovesThePawnBehindTheDestination) {
  setup("4k3/8/8/3pP3/8/8/8/4K3 w - d6");
  Move m = buildMove(E5, D6, WhitePawn, BlackPawn);
  HashKey pawnKey = pos->pawnKey();
  make(m);
  EXPECT_EQ(pos->board[D5], 0);
  EXPECT_EQ(pos->board[D6], WhitePawn);
  EXPECT_TRUE(pos->occupiedFiles & bit(squareMaps.mapFiles[D6]));
  EXPECT_FALSE(pos->occupiedFiles & bit(squareMaps.mapFiles[D5]));
  EXPECT_EQ(pos->pawnKey() ^ pawnKey, keys.pieceKeys[WhitePawn][E5] ^ keys.pieceKeys[WhitePawn][D6] ^
                                          keys.pieceKeys[BlackPawn][D5]);
  EXPECT_EQ(pos->pawnCount[Black], 0);
  unmake(m);
}

TEST_F(MakeMoveTest, CaptureOntoANamedButOccupiedSquareIsPlain) {
  // The same capture word from two positions that lead to the same board:
  // a plain capture onto a square a FEN named, and a real en passant.
  Move m = buildMove(D5, E6, WhitePawn, BlackPawn);
  setup("4k3/8/4p3/3P4/8/8/8/4K3 w - e6");
  make(m);
  EXPECT_EQ(pos->board[E6], WhitePawn);
  EXPECT_EQ(pos->board[E5], 0);
  std::string boardAfter(reinterpret_cast<const char*>(pos->board), 64);
  unmake(m);
  EXPECT_EQ(pos->board[E6], BlackPawn);

  setup("4k3/8/8/3Pp3/8/8/8/4K3 w - e6");
  make(m);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(pos->board), 64), boardAfter);
  unmake(m);
  EXPECT_EQ(pos->board[E5], BlackPawn);
  EXPECT_EQ(pos->board[E6], 0);
}

TEST_F(MakeMoveTest, CastlingRights) {
  struct Case {
    const char* fen;
    const char* from;
    const char* to;
    uint32_t rights;
  };
  const Case cases[] = {
      {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq -", "a1", "a8", WhiteShort | BlackShort},  // both a-side rights go
      {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq -", "h1", "h2", WhiteLong | BlackShort | BlackLong},
      {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq -", "e1", "d1", BlackShort | BlackLong},
      {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq -", "h8", "h1", WhiteLong | BlackLong},
      {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq -", "a8", "b8", WhiteShort | WhiteLong | BlackShort},
      {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq -", "a1", "a2", WhiteShort | BlackShort | BlackLong},
  };
  for (const Case& c : cases) {
    setup(c.fen);
    Move m = boardMove(c.from, c.to);
    make(m);
    EXPECT_EQ(pos->castleRights(), c.rights) << c.fen << " " << c.from << c.to;
    unmake(m);
  }
  setup("r3k2r/8/8/8/8/8/8/R3K2R b KQkq -");
  make(BlackCastleShort);
  EXPECT_EQ(pos->board[F8], BlackRook);
  EXPECT_EQ(pos->board[G8], BlackKing);
  EXPECT_EQ(pos->board[H8], 0);
  EXPECT_EQ(pos->kingSquare[Black], G8);
  EXPECT_EQ(pos->castleRights(), WhiteShort | WhiteLong);
  unmake(BlackCastleShort);
  setup("r3k2r/8/8/8/8/8/8/R3K2R w KQkq -");
  make(WhiteCastleLong);
  EXPECT_EQ(pos->board[D1], WhiteRook);
  EXPECT_EQ(pos->board[C1], WhiteKing);
  EXPECT_EQ(pos->board[A1], 0);
  unmake(WhiteCastleLong);
}

TEST_F(MakeMoveTest, PromotionWithCaptureMaterial) {
  setup("1r2k3/P7/8/8/8/8/8/4K3 w - -");
  int white = pos->material[White], black = pos->material[Black];
  Move m = boardMove("a7", "b8", PromoteQueen);
  make(m);
  EXPECT_EQ(pos->material[Black], black - evalVars.rookValue);
  EXPECT_EQ(pos->material[White], white + evalVars.queenValue - evalVars.pawnValue);
  EXPECT_EQ(pos->board[B8], WhiteQueen);
  EXPECT_EQ(pos->heavyCount[White], 2);
  EXPECT_EQ(pos->pieceUnits[Black], 0);
  unmake(m);
  for (uint32_t promotion : {PromoteRook, PromoteBishop, PromoteKnight}) {
    Move under = boardMove("a7", "a8", promotion);
    make(under);
    unmake(under);
  }
}

TEST_F(MakeMoveTest, FiftyCounter) {
  setup("4k3/8/8/3p4/8/8/4P3/4K1N1 w - -");
  pos->fiftyStack[pos->fiftyTop] = 7;
  Move knight = boardMove("g1", "f3");
  makeMove(*pos, knight);
  EXPECT_EQ(pos->fifty(), 8u);
  Move king = boardMove("e8", "d7");
  makeMove(*pos, king);
  EXPECT_EQ(pos->fifty(), 9u);
  Move pawn = boardMove("e2", "e4");
  makeMove(*pos, pawn);
  EXPECT_EQ(pos->fifty(), 0u);
  Move capture = boardMove("d5", "e4");
  makeMove(*pos, capture);
  EXPECT_EQ(pos->fifty(), 0u);
  unmakeMove(*pos, capture);
  unmakeMove(*pos, pawn);
  unmakeMove(*pos, king);
  unmakeMove(*pos, knight);
  EXPECT_EQ(pos->fifty(), 7u);
}

TEST_F(MakeMoveTest, GameRecordPlaysTakesBackAndReplays) {
  Move e2e4 = boardMove("e2", "e4");
  HashKey start = pos->key();
  playMove(*pos, e2e4);
  Move e7e5 = boardMove("e7", "e5");
  playMove(*pos, e7e5);
  HashKey after = pos->key();
  EXPECT_EQ(replayMove(*pos), 0u);
  EXPECT_EQ(takeBack(*pos), e7e5);
  EXPECT_EQ(takeBack(*pos), e2e4);
  EXPECT_EQ(pos->key(), start);
  EXPECT_EQ(replayMove(*pos), e2e4);
  EXPECT_EQ(replayMove(*pos), e7e5);
  EXPECT_EQ(pos->key(), after);
  EXPECT_EQ(positionProblem(*pos), nullptr);
}

TEST_F(MakeMoveTest, PositionsWithAMissingOrSecondKingStayConsistent) {
  // A FEN may leave out a king or give a side two; only the king the record
  // names ever moves, so make and unmake keep the record whole.
  struct Case {
    const char* fen;
    uint64_t moves;
  };
  const Case cases[] = {
      {"4k3/8/8/8/8/8/8/R7 w - -", 14},
      {"8/8/8/8/8/8/8/8 w - -", 0},
      {"4k3/8/8/8/8/8/8/K3K3 w - -", 5},
  };
  for (const Case& c : cases) {
    setup(c.fen);
    EXPECT_EQ(perft(*pos, 1), c.moves) << c.fen;
    PerftFault fault;
    perftChecked(*pos, 3, fault);
    EXPECT_EQ(fault.what, nullptr) << c.fen << ": " << fault.what;
    EXPECT_EQ(isMoveValid(*pos, buildMove(A1, A2, WhiteKing)), 0) << c.fen;
  }
}
