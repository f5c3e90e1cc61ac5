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

namespace {

// The sliding set through s along the line of the step (+-1 rank, +-8 file,
// +-9 the a1-h8 diagonal, +-7 the h1-a8 diagonal), and the colour's men that
// slide along it.
inline Bitboard lineSet(const Position& pos, Square s, int step) {
  switch (step) {
    case 1: case -1: return rankAttackSet(pos, s);
    case 8: case -8: return fileAttackSet(pos, s);
    case 9: case -9: return diagA1H8AttackSet(pos, s);
    default: return diagH1A8AttackSet(pos, s);
  }
}

// Whether the colour's slider on the line through `king` and `from` now
// attacks `king` (the line was closed at `from` or the square is unattacked).
// Without such a slider anywhere on the king's lines on an empty board, the
// line need not be looked up.
inline int openedLine(const Position& pos, Square king, Square from, Colour attacker) {
  const BoardTables& t = boardTables;
  const int step = t.direction[king][from];
  if (!step) return 0;
  if (step == 1 || step == -1 || step == 8 || step == -8) {
    const Bitboard sliders = pos.rooks[attacker] | pos.queens[attacker];
    if (!(sliders & t.straightReach[king])) return 0;
    return (lineSet(pos, king, step) & sliders) ? 1 : 0;
  }
  const Bitboard sliders = pos.bishops[attacker] | pos.queens[attacker];
  if (!(sliders & t.diagonalReach[king])) return 0;
  return (lineSet(pos, king, step) & sliders) ? 1 : 0;
}

// King moves (castling among them), and a pawn capture that may have been
// en passant (it also empties the square of the pawn taken).
inline bool needsFullTest(const Position& pos, Move move) {
  const int type = pieceType(movePiece(move));
  if (type == King) return true;
  return type == Pawn && moveCaptured(move) && moveTo(move) == pos.epStack[pos.epTop - 1];
}

}  // namespace

int moveExposedKing(const Position& pos, Move move, Colour mover) {
  if (needsFullTest(pos, move)) return inCheck(pos, mover);
  return openedLine(pos, pos.kingSquare[mover], moveFrom(move), mover ^ 1);
}

int moveGaveCheck(const Position& pos, Move move, Colour mover) {
  if (needsFullTest(pos, move)) return inCheck(pos, mover ^ 1);
  const BoardTables& t = boardTables;
  const Square king = pos.kingSquare[mover ^ 1], to = moveTo(move);
  const int placed = movePromotion(move) ? int((movePromotion(move) >> 12) - 1) + Knight : pieceType(movePiece(move));
  Bitboard reach;
  switch (placed) {
    case Pawn: reach = mover == White ? t.whitePawnAttacks[to] : t.blackPawnAttacks[to]; break;
    case Knight: reach = t.knightAttacks[to]; break;
    case Bishop: reach = bishopAttackSet(pos, to); break;
    case Rook: reach = rookAttackSet(pos, to); break;
    default: reach = queenAttackSet(pos, to); break;
  }
  if (reach & bit(king)) return 1;
  return openedLine(pos, king, moveFrom(move), mover);
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
