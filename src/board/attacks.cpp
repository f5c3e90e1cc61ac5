#include "board/attacks.h"

#include "board/makemove.h"

namespace tarrock {

Bitboard attackersOf(const Position& pos, Square s, Colour colour) {
  const BoardTables& t = boardTables;
  Bitboard diagonal = pos.bishops[colour] | pos.queens[colour];
  Bitboard straight = pos.rooks[colour] | pos.queens[colour];
  Bitboard set = (diagA1H8AttackSet(pos, s) | diagH1A8AttackSet(pos, s)) & diagonal;
  set |= (rankAttackSet(pos, s) | fileAttackSet(pos, s)) & straight;
  if (t.kingAttacks[s] & bit(pos.kingSquare[colour])) set |= bit(pos.kingSquare[colour]);
  set |= t.knightAttacks[s] & pos.knights[colour];
  set |= (colour == White ? t.blackPawnAttacks[s] : t.whitePawnAttacks[s]) & pos.pawns[colour];
  return set;
}

namespace {

// Cheap tests first: king, knights, pawns, then the four lines.
inline int isAttackedBy(const Position& pos, Square s, Colour enemy, const Bitboard* pawnTable) {
  const BoardTables& t = boardTables;
  if ((t.kingAttacks[s] | bit(s)) & bit(pos.kingSquare[enemy])) return 1;
  if (t.knightAttacks[s] & pos.knights[enemy]) return 1;
  if (pawnTable[s] & pos.pawns[enemy]) return 1;
  Bitboard straight = pos.rooks[enemy] | pos.queens[enemy];
  if (straight) {
    if (rankAttackSet(pos, s) & straight) return 1;
    if (fileAttackSet(pos, s) & straight) return 1;
  }
  Bitboard diagonal = pos.bishops[enemy] | pos.queens[enemy];
  if (diagonal) {
    if (diagA1H8AttackSet(pos, s) & diagonal) return 1;
    if (diagH1A8AttackSet(pos, s) & diagonal) return 1;
  }
  return 0;
}

}  // namespace

int isAttackedByWhite(const Position& pos, Square s) {
  return isAttackedBy(pos, s, White, boardTables.blackPawnAttacks);
}

int isAttackedByBlack(const Position& pos, Square s) {
  return isAttackedBy(pos, s, Black, boardTables.whitePawnAttacks);
}

int inCheck(const Position& pos, Colour colour) {
  return colour == White ? isAttackedByBlack(pos, pos.kingSquare[White])
                         : isAttackedByWhite(pos, pos.kingSquare[Black]);
}

const char* positionFault(const Position& pos) {
  static const char* const missing[2] = {"no white king", "no black king"};
  static const char* const extra[2] = {"more than one white king", "more than one black king"};
  for (Colour c = White; c <= Black; ++c) {
    const Bitboard kings =
        pos.pieces[c] & ~(pos.pawns[c] | pos.knights[c] | pos.bishops[c] | pos.rooks[c] | pos.queens[c]);
    if (!kings) return missing[c];
    if (popCount(kings) > 1) return extra[c];
    if (pos.board[pos.kingSquare[c]] != makePiece(c, King)) return missing[c];
  }
  if (inCheck(pos, pos.sideToMove ^ 1)) return "the side not to move is in check";
  return nullptr;
}

int filterLegal(Position& pos, Move* moves, int count) {
  int kept = 0;
  for (int i = 0; i < count; ++i) {
    Move m = moves[i];
    makeMove(pos, m);
    bool legal = !inCheck(pos, pos.sideToMove ^ 1);
    unmakeMove(pos, m);
    if (legal) moves[kept++] = m;
  }
  return kept;
}

}  // namespace tarrock
