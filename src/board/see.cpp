#include "board/see.h"

#include "board/tables.h"

namespace tarrock {

namespace {

inline Square pick(Bitboard set, Colour colour) { return colour == White ? firstSquare(set) : lastSquare(set); }

// The four occupancy sets an exchange on one square works on, in local
// copies: the men that have gone to the square are taken out of them, so
// sliders behind them come into view, and the Position is never written.
struct ExchangeLines {
  Bitboard occupied, files, diagA1H8, diagH1A8;

  void remove(Square s) {
    const BoardTables::RotatedBits& r = boardTables.rotatedBits[s];
    occupied &= ~bit(s);
    files &= ~r.files;
    diagA1H8 &= ~r.diagA1H8;
    diagH1A8 &= ~r.diagH1A8;
  }
  // The square's sliding attack sets under the current occupancy, as the
  // Position's own attack sets would give them.
  Bitboard diagonals(Square s) const {
    const BoardTables& t = boardTables;
    return t.diagA1H8Attacks[s][diagA1H8LineIndex(diagA1H8, s)] | t.diagH1A8Attacks[s][diagH1A8LineIndex(diagH1A8, s)];
  }
  Bitboard lines(Square s) const {
    const BoardTables& t = boardTables;
    return t.rankAttacks[s][rankLineIndex(occupied, s)] | t.fileAttacks[s][fileLineIndex(files, s)];
  }
};

// The cheapest man of the colour attacking s among those still present; see
// leastValuableAttacker.
template <Colour C>
inline Square cheapestAttacker(const Position& pos, const ExchangeLines& x, Square s) {
  const BoardTables& t = boardTables;
  const Bitboard present = x.occupied;
  Bitboard set = (C == White ? t.blackPawnAttacks[s] : t.whitePawnAttacks[s]) & pos.pawns[C] & present;
  if (set) return pick(set, C);
  set = t.knightAttacks[s] & pos.knights[C] & present;
  if (set) return pick(set, C);
  // A line is looked up only when a slider that moves along it stands on it
  // somewhere: without one the set could not hold a bishop, rook or queen.
  const Bitboard queens = pos.queens[C] & present;
  Bitboard seen = 0;
  if ((pos.bishops[C] | queens) & t.diagonalReach[s]) {
    seen = x.diagonals(s);
    set = seen & pos.bishops[C] & present;
    if (set) return pick(set, C);
  }
  if ((pos.rooks[C] | queens) & t.straightReach[s]) {
    const Bitboard lines = x.lines(s);
    set = lines & pos.rooks[C] & present;
    if (set) return pick(set, C);
    seen |= lines;
  }
  set = seen & queens;
  if (set) return pick(set, C);
  // The king only while it still stands on its square: after a king-less
  // set-up or a captured king the stored square is stale, and finding the
  // same man there again would never end the exchange.
  const Square king = pos.kingSquare[C];
  if ((t.kingAttacks[s] & bit(king) & present) && pos.board[king] == makePiece(C, King)) return king;
  return 64;
}

inline Square cheapestAttacker(const Position& pos, const ExchangeLines& x, Square s, Colour colour) {
  return colour == White ? cheapestAttacker<White>(pos, x, s) : cheapestAttacker<Black>(pos, x, s);
}

}  // namespace

Square leastValuableAttacker(const Position& pos, Square s, Colour colour) {
  const ExchangeLines x{pos.occupied, pos.occupiedFiles, pos.occupiedDiagA1H8, pos.occupiedDiagH1A8};
  return cheapestAttacker(pos, x, s, colour);
}

// The exchange is a chain of captures on `to`, each side in turn taking with
// its cheapest man. Going forward, each step records the gain of the capture
// it answers and stops where a side would not recapture: no attacker left,
// the recapture loses more than the capture took (its value is then known at
// once), or the man just taken is a king. Going back, each side keeps its
// gain and gives back its opponent's result only when that result is positive.
int staticExchange(const Position& pos, Square from, Square to) {
  const int* value = boardTables.pieceValue;
  int mover = pos.board[from];
  const int victim = pos.board[to];
  int gain = value[victim];
  if (!victim && pieceType(mover) == Pawn && fileOf(from) != fileOf(to)) gain = value[WhitePawn];  // en passant
  if (gain == value[WhiteKing]) return 32767;

  ExchangeLines x{pos.occupied, pos.occupiedFiles, pos.occupiedDiagA1H8, pos.occupiedDiagH1A8};
  int gains[64];  // each step takes a different man off the board
  int depth = 0;
  int result;
  for (;;) {
    // The mover stands on `to`; sliders behind `from` now see through it.
    x.remove(from);
    const Square attacker = cheapestAttacker(pos, x, to, isWhitePiece(mover) ? Black : White);
    if (attacker == 64) {
      result = gain;
      break;
    }
    const int taker = pos.board[attacker];
    const int d = value[mover] - value[taker];
    if (d > gain) {
      result = gain - d;  // the recapture wins more than the capture took
      break;
    }
    gains[depth++] = gain;
    // The recapture's own gain: the mover it takes (a pawn when the square
    // was empty and a pawn takes diagonally onto it).
    int next = value[mover];
    if (!mover && pieceType(taker) == Pawn && fileOf(attacker) != fileOf(to)) next = value[WhitePawn];
    if (next == value[WhiteKing]) {
      result = 32767;
      break;
    }
    gain = next;
    mover = taker;
    from = attacker;
  }
  while (depth > 0) {
    const int g = gains[--depth];
    result = result > 0 ? g - result : g;
  }
  return result;
}

}  // namespace tarrock
