// Tests of a move on the unmade board: whether it would leave the mover's
// king attacked and whether it would check the enemy king, answered from the
// occupancy the move would leave, without making it. For every move that is
// not castling, en passant or a promotion, played by a side whose king is
// not attacked, the answers equal those of moveExposedKing and moveGaveCheck
// after makeMove (kingStep... for king moves, the others for the rest); the
// search uses them to drop futile moves unmade.
#pragma once

#include "board/attacks.h"
#include "board/position.h"
#include "board/tables.h"

namespace tarrock {

// The four occupancy sets (plain and rotated) after a move from `from` to `to`.
struct OccupancyAfter {
  Bitboard occupied, files, diagA1H8, diagH1A8;
};

inline OccupancyAfter occupancyAfter(const Position& pos, Square from, Square to) {
  const BoardTables::RotatedBits &f = boardTables.rotatedBits[from], &t = boardTables.rotatedBits[to];
  return {(pos.occupied & ~bit(from)) | bit(to), (pos.occupiedFiles & ~f.files) | t.files,
          (pos.occupiedDiagA1H8 & ~f.diagA1H8) | t.diagA1H8, (pos.occupiedDiagH1A8 & ~f.diagH1A8) | t.diagH1A8};
}

// The sliding sets of attacks.h, taken from the given occupancy.
inline Bitboard rankSetAfter(const OccupancyAfter& o, Square s) {
  return boardTables.rankAttacks[s][rankLineIndex(o.occupied, s)];
}
inline Bitboard fileSetAfter(const OccupancyAfter& o, Square s) {
  return boardTables.fileAttacks[s][fileLineIndex(o.files, s)];
}
inline Bitboard diagA1H8SetAfter(const OccupancyAfter& o, Square s) {
  return boardTables.diagA1H8Attacks[s][diagA1H8LineIndex(o.diagA1H8, s)];
}
inline Bitboard diagH1A8SetAfter(const OccupancyAfter& o, Square s) {
  return boardTables.diagH1A8Attacks[s][diagH1A8LineIndex(o.diagH1A8, s)];
}

// Whether a slider of the sets (`straight` on ranks and files, `diagonal` on
// diagonals) sees `king` along the line through `from`.
inline bool lineOpenAfter(const OccupancyAfter& o, Square king, Square from, Bitboard straight, Bitboard diagonal) {
  switch (boardTables.direction[king][from]) {
    case 0: return false;
    case 1: case -1: return rankSetAfter(o, king) & straight;
    case 8: case -8: return fileSetAfter(o, king) & straight;
    case 9: case -9: return diagA1H8SetAfter(o, king) & diagonal;
    default: return diagH1A8SetAfter(o, king) & diagonal;
  }
}

// The mover's king attacked after the move (only a line through the origin
// can open, since the king was not attacked before).
inline bool exposesKingUnmade(const Position& pos, Move move, Colour us) {
  const Colour them = us ^ 1;
  const Square from = moveFrom(move), to = moveTo(move);
  const OccupancyAfter o = occupancyAfter(pos, from, to);
  const Bitboard queens = pos.queens[them] & ~bit(to);
  return lineOpenAfter(o, pos.kingSquare[us], from, (pos.rooks[them] & ~bit(to)) | queens,
                       (pos.bishops[them] & ~bit(to)) | queens);
}

// The enemy king attacked after the move: by the man from its destination,
// or by a slider behind the origin.
inline bool givesCheckUnmade(const Position& pos, Move move, Colour us) {
  const BoardTables& t = boardTables;
  const Square from = moveFrom(move), to = moveTo(move), king = pos.kingSquare[us ^ 1];
  const OccupancyAfter o = occupancyAfter(pos, from, to);
  Bitboard reach;
  switch (pieceType(movePiece(move))) {
    case Pawn: reach = us == White ? t.whitePawnAttacks[to] : t.blackPawnAttacks[to]; break;
    case Knight: reach = t.knightAttacks[to]; break;
    case Bishop: reach = diagA1H8SetAfter(o, to) | diagH1A8SetAfter(o, to); break;
    case Rook: reach = rankSetAfter(o, to) | fileSetAfter(o, to); break;
    default:
      reach = rankSetAfter(o, to) | fileSetAfter(o, to) | diagA1H8SetAfter(o, to) | diagH1A8SetAfter(o, to);
      break;
  }
  if (reach & bit(king)) return true;
  const Bitboard moved = bit(from) | bit(to);
  auto after = [&](Bitboard set) { return (set & bit(from)) ? set ^ moved : set; };
  const Bitboard queens = after(pos.queens[us]);
  return lineOpenAfter(o, king, from, after(pos.rooks[us]) | queens, after(pos.bishops[us]) | queens);
}

// A king step (not castling) of a side not in check leaves the king attacked
// exactly when its destination is attacked now: no line to the destination
// runs through the king's square, or the king would be in check already.
inline bool kingStepExposedUnmade(const Position& pos, Move move, Colour us) {
  return us == White ? isAttackedByBlack(pos, moveTo(move)) : isAttackedByWhite(pos, moveTo(move));
}

// A legal king step checks only by opening a line of one of the side's
// sliders through its origin.
inline bool kingStepGivesCheckUnmade(const Position& pos, Move move, Colour us) {
  const Square from = moveFrom(move), to = moveTo(move);
  const Bitboard queens = pos.queens[us];
  return lineOpenAfter(occupancyAfter(pos, from, to), pos.kingSquare[us ^ 1], from, pos.rooks[us] | queens,
                       pos.bishops[us] | queens);
}

}  // namespace tarrock
