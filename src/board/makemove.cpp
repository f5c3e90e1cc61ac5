#include "board/makemove.h"

#include "board/material.h"
#include "board/tables.h"

namespace tarrock {

namespace {

// The piece set of each type (kings have none).
using PieceSet = Bitboard (Position::*)[2];
constexpr PieceSet pieceSets[8] = {nullptr,          &Position::pawns, &Position::knights, &Position::bishops,
                                   &Position::rooks, &Position::queens, nullptr,           nullptr};

// Castling rights that survive a rook leaving or being taken on each corner.
constexpr uint32_t rookCornerMask(Square s) {
  return s == A1 ? ~WhiteLong : s == H1 ? ~WhiteShort : s == A8 ? ~BlackLong : s == H8 ? ~BlackShort : ~0u;
}

inline void setRotated(Position& pos, Square s) {
  pos.occupiedFiles |= bit(squareMaps.mapFiles[s]);
  pos.occupiedDiagA1H8 |= bit(squareMaps.mapDiagA1H8[s]);
  pos.occupiedDiagH1A8 |= bit(squareMaps.mapDiagH1A8[s]);
}

inline void clearRotated(Position& pos, Square s) {
  pos.occupiedFiles &= ~bit(squareMaps.mapFiles[s]);
  pos.occupiedDiagA1H8 &= ~bit(squareMaps.mapDiagA1H8[s]);
  pos.occupiedDiagH1A8 &= ~bit(squareMaps.mapDiagH1A8[s]);
}

inline void toggleRotated(Position& pos, Square s) {
  pos.occupiedFiles ^= bit(squareMaps.mapFiles[s]);
  pos.occupiedDiagA1H8 ^= bit(squareMaps.mapDiagA1H8[s]);
  pos.occupiedDiagH1A8 ^= bit(squareMaps.mapDiagH1A8[s]);
}

// Counts, piece units and material of one man of the type joining (sign +1)
// or leaving (sign -1) the colour.
inline void countMan(Position& pos, Colour c, int type, int sign) {
  switch (type) {
    case Pawn:
      pos.pawnCount[c] += sign;
      pos.material[c] += sign * evalVars.pawnValue;
      break;
    case Knight:
      pos.knightCount[c] += sign;
      pos.pieceUnits[c] += 3 * sign;
      pos.material[c] += sign * evalVars.knightValue;
      break;
    case Bishop:
      pos.bishopCount[c] += sign;
      pos.pieceUnits[c] += 3 * sign;
      pos.material[c] += sign * evalVars.bishopValue;
      break;
    case Rook:
      pos.heavyCount[c] += sign;
      pos.pieceUnits[c] += 5 * sign;
      pos.material[c] += sign * evalVars.rookValue;
      break;
    case Queen:
      pos.heavyCount[c] += 2 * sign;
      pos.pieceUnits[c] += 10 * sign;
      pos.material[c] += sign * evalVars.queenValue;
      break;
    default:
      break;
  }
}

// Piece type a promotion field (0x1000 .. 0x4000) creates: knight .. queen.
inline int promotedType(uint32_t promotion) { return int(((promotion >> 12) - 1) & 3) + Knight; }

// The square of the pawn taken en passant on `to`.
inline Square passedPawnSquare(Colour mover, Square to) { return mover == White ? to - 8 : to + 8; }

// The rook's squares of a castling move, by the king's destination.
struct CastleRook {
  Square from, to;
};
inline CastleRook castleRook(Square kingTo) {
  switch (kingTo) {
    case G1: return {H1, F1};
    case C1: return {A1, D1};
    case G8: return {H8, F8};
    default: return {A8, D8};
  }
}

inline void moveCastleRook(Position& pos, Colour us, Square kingTo) {
  CastleRook r = castleRook(kingTo);
  Bitboard both = bit(r.from) | bit(r.to);
  pos.pieces[us] ^= both;
  pos.rooks[us] ^= both;
  toggleRotated(pos, r.from);
  toggleRotated(pos, r.to);
  pos.board[r.to] = pos.board[r.from];
  pos.board[r.from] = 0;
}

}  // namespace

void makeMove(Position& pos, Move move) {
  const Square from = moveFrom(move), to = moveTo(move);
  const int piece = movePiece(move), captured = moveCaptured(move), type = pieceType(piece);
  const uint32_t promotion = movePromotion(move);
  const Colour us = pos.sideToMove, them = us ^ 1;
  const Square oldEp = pos.epStack[pos.epTop];

  uint32_t rights = pos.castleStack[pos.castleTop];
  HashKey key = pos.keyStack[pos.keyTop];
  HashKey pawnKey = pos.pawnKeyStack[pos.pawnKeyTop];
  uint32_t fifty = pos.fiftyStack[pos.fiftyTop] + 1;
  Square newEp = 0;
  const Bitboard fromTo = bit(from) | bit(to);

  setRotated(pos, to);
  clearRotated(pos, from);

  if (captured) {
    fifty = 0;
    Square victim = to;
    // En passant only onto an empty en-passant square: a square named by a
    // FEN that holds a man is an ordinary capture.
    if (type == Pawn && to == oldEp && pos.board[to] == 0 && captured == makePiece(them, Pawn)) {
      victim = passedPawnSquare(us, to);
      pos.board[victim] = 0;
      clearRotated(pos, victim);
    }
    const int victimType = pieceType(captured);
    pos.pieces[them] ^= bit(victim);
    if (pieceSets[victimType]) (pos.*pieceSets[victimType])[them] ^= bit(victim);
    key ^= keys.pieceKeys[captured][victim];
    if (victimType == Pawn) pawnKey ^= keys.pieceKeys[captured][victim];
    if (victimType == Rook) rights &= rookCornerMask(to);
    countMan(pos, them, victimType, -1);
  }

  if (oldEp) key ^= keys.epKeys[oldEp];

  PieceCode placed = PieceCode(piece);
  if (promotion) {
    fifty = 0;
    const int newType = promotedType(promotion);
    placed = makePiece(us, newType);
    pos.pieces[us] ^= fromTo;
    pos.pawns[us] ^= bit(from);
    (pos.*pieceSets[newType])[us] ^= bit(to);
    key ^= keys.pieceKeys[piece][from] ^ keys.pieceKeys[placed][to];
    pawnKey ^= keys.pieceKeys[piece][from];
    countMan(pos, us, Pawn, -1);
    countMan(pos, us, newType, 1);
  } else {
    pos.pieces[us] ^= fromTo;
    if (pieceSets[type]) (pos.*pieceSets[type])[us] ^= fromTo;
    key ^= keys.pieceKeys[piece][from] ^ keys.pieceKeys[piece][to];
    switch (type) {
      case Pawn:
        fifty = 0;
        pawnKey ^= keys.pieceKeys[piece][from] ^ keys.pieceKeys[piece][to];
        if ((from ^ to) == 16) {
          // Double step: the square passed over is an en-passant square only
          // when an enemy pawn is ready to take on it.
          const Square passed = (from + to) >> 1;
          const Bitboard takers = us == White ? boardTables.whitePawnAttacks[passed] & pos.pawns[Black]
                                              : boardTables.blackPawnAttacks[passed] & pos.pawns[White];
          if (takers) {
            newEp = passed;
            key ^= keys.epKeys[passed];
          }
        }
        break;
      case Rook:
        rights &= rookCornerMask(from);
        break;
      case King:
        pos.kingSquare[us] = to;
        rights &= us == White ? ~(WhiteShort | WhiteLong) : ~(BlackShort | BlackLong);
        if (isCastle(move)) {
          CastleRook r = castleRook(to);
          const PieceCode rook = makePiece(us, Rook);
          key ^= keys.pieceKeys[rook][r.from] ^ keys.pieceKeys[rook][r.to];
          moveCastleRook(pos, us, to);
        }
        break;
      default:
        break;
    }
  }

  pos.castleStack[++pos.castleTop] = rights;
  pos.keyStack[++pos.keyTop] = key ^ keys.sideKey;
  pos.pawnKeyStack[++pos.pawnKeyTop] = pawnKey;
  pos.fiftyStack[++pos.fiftyTop] = fifty;
  pos.epStack[++pos.epTop] = newEp;

  pos.occupied = pos.pieces[White] | pos.pieces[Black];
  pos.sideToMove = them;
  pos.board[to] = placed;
  pos.board[from] = 0;
}

void unmakeMove(Position& pos, Move move) {
  const Square from = moveFrom(move), to = moveTo(move);
  const int piece = movePiece(move), captured = moveCaptured(move), type = pieceType(piece);
  const uint32_t promotion = movePromotion(move);
  const Colour them = pos.sideToMove, us = them ^ 1;
  const Bitboard fromTo = bit(from) | bit(to);

  // The pawn key after the move, still above the top once popped.
  const HashKey pawnKeyAfter = pos.pawnKeyStack[pos.pawnKeyTop];
  --pos.castleTop;
  --pos.keyTop;
  --pos.pawnKeyTop;
  --pos.fiftyTop;
  --pos.epTop;

  setRotated(pos, from);

  if (captured) {
    Square victim = to;
    if (type == Pawn && to == pos.epStack[pos.epTop] && captured == makePiece(them, Pawn)) {
      // Tell en passant from an ordinary capture onto a square a FEN named:
      // only en passant removed the victim's pawn-key term behind `to`.
      const Square behind = passedPawnSquare(us, to);
      const HashKey enPassantChange =
          keys.pieceKeys[piece][from] ^ keys.pieceKeys[piece][to] ^ keys.pieceKeys[captured][behind];
      if ((pawnKeyAfter ^ pos.pawnKeyStack[pos.pawnKeyTop]) == enPassantChange) victim = behind;
    }
    const int victimType = pieceType(captured);
    pos.pieces[them] ^= bit(victim);
    if (pieceSets[victimType]) (pos.*pieceSets[victimType])[them] ^= bit(victim);
    countMan(pos, them, victimType, 1);
    pos.board[victim] = PieceCode(captured);
    if (victim != to) {
      pos.board[to] = 0;
      clearRotated(pos, to);
      setRotated(pos, victim);
    }
  } else {
    clearRotated(pos, to);
    pos.board[to] = 0;
  }
  pos.board[from] = PieceCode(piece);

  pos.pieces[us] ^= fromTo;
  if (promotion) {
    const int newType = promotedType(promotion);
    (pos.*pieceSets[newType])[us] ^= bit(to);
    pos.pawns[us] ^= bit(from);
    countMan(pos, us, newType, -1);
    countMan(pos, us, Pawn, 1);
  } else {
    if (pieceSets[type]) (pos.*pieceSets[type])[us] ^= fromTo;
    if (type == King) {
      pos.kingSquare[us] = from;
      if (isCastle(move)) {
        CastleRook r = castleRook(to);
        Bitboard both = bit(r.from) | bit(r.to);
        pos.pieces[us] ^= both;
        pos.rooks[us] ^= both;
        toggleRotated(pos, r.from);
        toggleRotated(pos, r.to);
        pos.board[r.from] = pos.board[r.to];
        pos.board[r.to] = 0;
      }
    }
  }

  pos.occupied = pos.pieces[White] | pos.pieces[Black];
  pos.sideToMove = us;
}

}  // namespace tarrock
