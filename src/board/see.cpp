#include "board/see.h"

#include "board/attacks.h"
#include "board/tables.h"

namespace tarrock {

namespace {

inline Square pick(Bitboard set, Colour colour) { return colour == White ? firstSquare(set) : lastSquare(set); }

}  // namespace

Square leastValuableAttacker(const Position& pos, Square s, Colour colour) {
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
  // The king only while it still stands on its square: after a king-less
  // set-up or a captured king the stored square is stale, and finding the
  // same man there again would never end the exchange.
  const Square king = pos.kingSquare[colour];
  if ((t.kingAttacks[s] & bit(king) & present) && pos.board[king] == makePiece(colour, King)) return king;
  return 64;
}

int staticExchange(Position& pos, Square from, Square to) {
  const int* value = boardTables.pieceValue;
  const int mover = pos.board[from];
  const int victim = pos.board[to];
  int gain = value[victim];
  if (!victim && pieceType(mover) == Pawn && fileOf(from) != fileOf(to)) gain = value[WhitePawn];  // en passant
  if (gain == value[WhiteKing]) return 32767;

  // The mover stands on `to`; sliders behind `from` now see through it.
  const Bitboard occupied = pos.occupied, files = pos.occupiedFiles, diagA1H8 = pos.occupiedDiagA1H8,
                 diagH1A8 = pos.occupiedDiagH1A8;
  pos.board[to] = PieceCode(mover);
  pos.occupied &= ~bit(from);
  pos.occupiedFiles &= ~bit(squareMaps.mapFiles[from]);
  pos.occupiedDiagA1H8 &= ~bit(squareMaps.mapDiagA1H8[from]);
  pos.occupiedDiagH1A8 &= ~bit(squareMaps.mapDiagH1A8[from]);

  const Square attacker = leastValuableAttacker(pos, to, isWhitePiece(mover) ? Black : White);
  int result = gain;
  if (attacker != 64) {
    const int d = value[mover] - value[pos.board[attacker]];
    if (d > gain) {
      result = gain - d;  // the recapture wins more than the capture took
    } else {
      const int reply = staticExchange(pos, attacker, to);
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

}  // namespace tarrock
