#include <gtest/gtest.h>

#include "board/attacks.h"
#include "board/movegen.h"
#include "board/see.h"
#include "board/verify.h"
#include "board_test_util.h"

using namespace tarrock;

namespace {

// The exchange evaluator as it first stood: recursive, writing the mover onto
// the square and taking it out of the Position's occupancy sets, restoring
// both on the way back. The engine's iterative version must agree with it on
// every call.
namespace reference {

Square pick(Bitboard set, Colour colour) { return colour == White ? firstSquare(set) : lastSquare(set); }

Square cheapestAttacker(const Position& pos, Square s, Colour colour) {
  const BoardTables& t = boardTables;
  const Bitboard present = pos.occupied;
  Bitboard set = (colour == White ? t.blackPawnAttacks[s] : t.whitePawnAttacks[s]) & pos.pawns[colour] & present;
  if (set) return pick(set, colour);
  set = t.knightAttacks[s] & pos.knights[colour] & present;
  if (set) return pick(set, colour);
  const Bitboard diagonals = bishopAttackSet(pos, s);
  set = diagonals & pos.bishops[colour] & present;
  if (set) return pick(set, colour);
  const Bitboard lines = rookAttackSet(pos, s);
  set = lines & pos.rooks[colour] & present;
  if (set) return pick(set, colour);
  set = (diagonals | lines) & pos.queens[colour] & present;
  if (set) return pick(set, colour);
  const Square king = pos.kingSquare[colour];
  if ((t.kingAttacks[s] & bit(king) & present) && pos.board[king] == makePiece(colour, King)) return king;
  return 64;
}

int exchange(Position& pos, Square from, Square to) {
  const int* value = boardTables.pieceValue;
  const int mover = pos.board[from];
  const int victim = pos.board[to];
  int gain = value[victim];
  if (!victim && pieceType(mover) == Pawn && fileOf(from) != fileOf(to)) gain = value[WhitePawn];
  if (gain == value[WhiteKing]) return 32767;
  const Bitboard occupied = pos.occupied, files = pos.occupiedFiles, diagA1H8 = pos.occupiedDiagA1H8,
                 diagH1A8 = pos.occupiedDiagH1A8;
  pos.board[to] = PieceCode(mover);
  pos.occupied &= ~bit(from);
  pos.occupiedFiles &= ~bit(squareMaps.mapFiles[from]);
  pos.occupiedDiagA1H8 &= ~bit(squareMaps.mapDiagA1H8[from]);
  pos.occupiedDiagH1A8 &= ~bit(squareMaps.mapDiagH1A8[from]);
  const Square attacker = cheapestAttacker(pos, to, isWhitePiece(mover) ? Black : White);
  int result = gain;
  if (attacker != 64) {
    const int d = value[mover] - value[pos.board[attacker]];
    if (d > gain) {
      result = gain - d;
    } else {
      const int reply = exchange(pos, attacker, to);
      if (reply > 0) result = gain - reply;
    }
  }
  pos.board[to] = PieceCode(victim);
  pos.occupied = occupied;
  pos.occupiedFiles = files;
  pos.occupiedDiagA1H8 = diagA1H8;
  pos.occupiedDiagH1A8 = diagH1A8;
  return result;
}

}  // namespace reference

struct SeeTest : testutil::BoardTest {
  // The exchange value, checking that the Position comes back unchanged.
  int exchange(const char* fen, Square from, Square to) {
    setupFromFen(*pos, fen);
    PositionSnapshot before;
    takeSnapshot(*pos, before);
    int value = staticExchange(*pos, from, to);
    const char* difference = snapshotDifference(*pos, before);
    EXPECT_EQ(difference, nullptr) << fen << ": " << difference;
    return value;
  }
};

}  // namespace

TEST_F(SeeTest, ExchangeValues) {
  struct Case {
    const char* fen;
    Square from, to;
    int value;
    const char* what;
  };
  const Case cases[] = {
      {"4k3/8/2p5/3n4/4P3/8/8/4K3 w - -", E4, D5, 200, "pawn takes a knight defended by a pawn"},
      {"4k3/8/2p5/3p4/8/8/8/3QK3 w - -", D1, D5, -800, "queen takes a pawn defended by a pawn"},
      {"4k3/8/8/4r3/4R3/8/8/4q1K1 w - -", E4, E5, 0, "the queen behind the capturing rook recaptures"},
      {"3rk3/8/3r4/8/8/8/3R4/3QK3 w - -", D2, D6, 500, "the queen behind the rook backs it up"},
      {"4k3/8/8/8/8/8/8/R3K3 w - -", A1, A8, 0, "a quiet move to a safe square"},
      {"4k3/8/8/8/4p3/8/8/4K1N1 w - -", G1, F3, -200, "a quiet knight move onto a pawn's square"},
      {"4k3/8/8/3pP3/8/8/8/4K3 w - d6", E5, D6, 100, "en passant counts a pawn"},
      {"4k3/8/8/8/8/8/8/R3K3 w - -", A1, E1, 32767, "a king on the destination"},
      {"3qk3/8/8/3r4/8/8/3R4/3QK3 w - -", D2, D5, 500, "Qxd5 would lose the queen to the x-ray"},
      {"4k3/8/8/3p4/4P3/5B2/8/4K3 b - -", D5, E4, 0, "pawn takes pawn, bishop recaptures"},
  };
  for (const Case& c : cases) EXPECT_EQ(exchange(c.fen, c.from, c.to), c.value) << c.what;
}

TEST_F(SeeTest, LeastValuableAttackerOrderAndScanDirection) {
  setupFromFen(*pos, "4k3/8/2N1N3/1B3n2/3p4/1Q1P1R2/8/4K3 w - -");
  EXPECT_EQ(leastValuableAttacker(*pos, D4, White), C6);  // lowest of the two knights
  EXPECT_EQ(leastValuableAttacker(*pos, E5, Black), 64);
  EXPECT_EQ(leastValuableAttacker(*pos, E3, Black), D4);  // pawn before knight f5
  setupFromFen(*pos, "4k3/8/2n1n3/8/3P4/8/8/4K3 b - -");
  EXPECT_EQ(leastValuableAttacker(*pos, D4, Black), E6);  // Black takes the highest
  setupFromFen(*pos, "4k3/8/8/8/8/8/3r4/4K3 w - -");
  EXPECT_EQ(leastValuableAttacker(*pos, D2, White), E1);  // the king last
  setupFromFen(*pos, "4k3/8/8/8/3q4/8/1B3R2/4K3 w - -");
  EXPECT_EQ(leastValuableAttacker(*pos, D4, White), B2);  // bishop before rook
}

TEST_F(SeeTest, ExchangeEndsWhenTheStoredKingSquareIsStale) {
  // Boards without kings (a FEN can set them up; the search once took a king
  // in a position where one was in check). The stored king squares still name
  // e1 and e8, where other men, or none, now stand; the exchange must count
  // only the men on the board and end.
  struct Case {
    const char* fen;
    Square from, to;
    int value;
  };
  const Case cases[] = {
      {"rnbrR3/8/8/8/8/8/8/8 w - -", E8, E7, 0},       // a white rook on Black's king square
      {"8/8/8/8/8/8/3q4/4r3 b - -", D2, D1, 0},        // a black rook on White's king square
      {"3rQ3/8/8/8/8/8/8/8 b - -", D8, E8, 1000},      // the queen on e8 is simply lost
      {"8/8/8/8/8/8/3q4/3R4 b - -", D2, D1, 500},      // no white king left to recapture
  };
  for (const Case& c : cases) {
    setupFromFen(*pos, c.fen);
    pos->kingSquare[White] = E1;
    pos->kingSquare[Black] = E8;
    PositionSnapshot before;
    takeSnapshot(*pos, before);
    EXPECT_EQ(staticExchange(*pos, c.from, c.to), c.value) << c.fen;
    EXPECT_EQ(snapshotDifference(*pos, before), nullptr) << c.fen;
    for (Square from = 0; from < 64; ++from)
      for (Square to = 0; to < 64; ++to)
        if (to != from) {
          ASSERT_EQ(staticExchange(*pos, from, to), reference::exchange(*pos, from, to))
              << c.fen << " " << squareNames[from] << squareNames[to];
        }
  }
  setupFromFen(*pos, "8/8/8/8/8/8/3q4/4r3 b - -");
  pos->kingSquare[White] = E1;
  EXPECT_EQ(leastValuableAttacker(*pos, D1, White), 64u);
}

TEST_F(SeeTest, AgreesWithTheRecursiveEvaluatorEverywhere) {
  // Every generated move of the suite positions and of random games from
  // them, and in the suite positions themselves every man to every square
  // (empty origins too), for both colours' attackers.
  long compared = 0;
  std::string firstMismatch;
  auto compare = [&](Position& p, Square from, Square to) {
    const int expected = reference::exchange(p, from, to);
    const int value = staticExchange(p, from, to);
    ++compared;
    if (value != expected && firstMismatch.empty()) {
      FILE* text = tmpfile();
      writeFen(text, p);
      firstMismatch = testutil::drainStream(text) + " " + squareNames[from] + squareNames[to] + ": " +
                      std::to_string(value) + " instead of " + std::to_string(expected);
    }
  };
  int positions = testutil::forEachSuitePosition(*pos, 24, [&](Position& p) {
    Move moves[MaxMoves];
    int count = generateAll(p, moves);
    if (inCheck(p, p.sideToMove)) count += generateEvasions(p, moves + count);
    for (int i = 0; i < count; ++i) compare(p, moveFrom(moves[i]), moveTo(moves[i]));
    if (p.keyTop == 0)
      for (Square from = 0; from < 64; ++from)
        for (Square to = 0; to < 64; ++to)
          if (to != from) compare(p, from, to);
  });
  EXPECT_EQ(firstMismatch, "");
  EXPECT_GT(positions, 40000);
  EXPECT_GT(compared, 5000000);
}
