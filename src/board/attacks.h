// Attack knowledge built on the board tables: the sliding attack sets of a
// square under the Position's current occupancy (one table load per line,
// indexed by seven bits of the matching rotated occupancy set), the men of a
// colour attacking a square, whether a square is attacked, whether a king is
// in check, and the removal of illegal moves from a pseudo-legal list.
#pragma once

#include "board/position.h"
#include "board/tables.h"

namespace tarrock {

// Occupancy indexes of the four lines through a square.
inline int rankIndex(const Position& pos, Square s) { return rankLineIndex(pos.occupied, s); }
inline int fileIndex(const Position& pos, Square s) { return fileLineIndex(pos.occupiedFiles, s); }
inline int diagA1H8Index(const Position& pos, Square s) { return diagA1H8LineIndex(pos.occupiedDiagA1H8, s); }
inline int diagH1A8Index(const Position& pos, Square s) { return diagH1A8LineIndex(pos.occupiedDiagH1A8, s); }

// Squares a slider on s reaches along one line, the first blocker included
// whatever its colour.
inline Bitboard rankAttackSet(const Position& pos, Square s) {
  return boardTables.rankAttacks[s][rankIndex(pos, s)];
}
inline Bitboard fileAttackSet(const Position& pos, Square s) {
  return boardTables.fileAttacks[s][fileIndex(pos, s)];
}
inline Bitboard diagA1H8AttackSet(const Position& pos, Square s) {
  return boardTables.diagA1H8Attacks[s][diagA1H8Index(pos, s)];
}
inline Bitboard diagH1A8AttackSet(const Position& pos, Square s) {
  return boardTables.diagH1A8Attacks[s][diagH1A8Index(pos, s)];
}
inline Bitboard rookAttackSet(const Position& pos, Square s) {
  return rankAttackSet(pos, s) | fileAttackSet(pos, s);
}
inline Bitboard bishopAttackSet(const Position& pos, Square s) {
  return diagA1H8AttackSet(pos, s) | diagH1A8AttackSet(pos, s);
}
inline Bitboard queenAttackSet(const Position& pos, Square s) {
  return rookAttackSet(pos, s) | bishopAttackSet(pos, s);
}

// All men of the colour attacking the square (no x-rays through other men).
Bitboard attackersOf(const Position& pos, Square s, Colour colour);

// 1 when a man of that colour attacks the square, else 0.
int isAttackedByWhite(const Position& pos, Square s);
int isAttackedByBlack(const Position& pos, Square s);

// 1 when the colour's king is attacked.
int inCheck(const Position& pos, Colour colour);

// The same answers as inCheck after a move is made, for a side whose king
// the move's maker knows was not attacked before it. Only the king itself,
// castling and en passant then need the full test: any other move can newly
// attack a square only from its destination or by opening the line through
// its origin. `move` has just been made by `mover` (the side not to move).
//   moveExposedKing: whether the mover's own king is attacked now.
//   moveGaveCheck: whether the enemy king is attacked now.
int moveExposedKing(const Position& pos, Move move, Colour mover);
int moveGaveCheck(const Position& pos, Move move, Colour mover);

// Null when the Position can be played and searched: one king of each
// colour, and the side not to move not in check (else its king could be
// taken). Otherwise what is wrong, as a short text.
const char* positionFault(const Position& pos);

// Keeps the legal moves of the list, in their order, at its front; returns
// their number. Each move is made and unmade.
int filterLegal(Position& pos, Move* moves, int count);

}  // namespace tarrock
