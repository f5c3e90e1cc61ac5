#include "board/makemove.h"

#include <cstddef>
#include <type_traits>

#include "board/material.h"
#include "board/tables.h"

namespace tarrock {

namespace {

static_assert(std::is_standard_layout_v<Position> && std::is_standard_layout_v<EvalVariables>,
              "the field offsets below need standard-layout records");

using RotatedBits = BoardTables::RotatedBits;

// What one man of each type (index code & 7) weighs in the Position's
// incremental terms: the byte offset of its piece-set pair (0 for kings,
// which have none), of its count pair and how much it adds there (a queen
// counts two heavy pieces), its piece units, and the byte offset in
// evalVars of its material value with a mask that is zero for kings.
struct ManTerms {
  uint16_t setField;
  uint16_t countField;
  int8_t count;
  int8_t units;
  uint16_t valueField;
  int32_t valueMask;
};

constexpr ManTerms manTerms[8] = {
    {0, offsetof(Position, pawnCount), 0, 0, offsetof(EvalVariables, pawnValue), 0},
    {offsetof(Position, pawns), offsetof(Position, pawnCount), 1, 0, offsetof(EvalVariables, pawnValue), -1},
    {offsetof(Position, knights), offsetof(Position, knightCount), 1, PieceUnits[Knight], offsetof(EvalVariables, knightValue), -1},
    {offsetof(Position, bishops), offsetof(Position, bishopCount), 1, PieceUnits[Bishop], offsetof(EvalVariables, bishopValue), -1},
    {offsetof(Position, rooks), offsetof(Position, heavyCount), 1, PieceUnits[Rook], offsetof(EvalVariables, rookValue), -1},
    {offsetof(Position, queens), offsetof(Position, heavyCount), 2, PieceUnits[Queen], offsetof(EvalVariables, queenValue), -1},
    {0, offsetof(Position, pawnCount), 0, 0, offsetof(EvalVariables, pawnValue), 0},
    {0, offsetof(Position, pawnCount), 0, 0, offsetof(EvalVariables, pawnValue), 0},
};

// The colour pair of a field of the Position given by its byte offset.
template <typename T>
inline T* fieldPair(Position& pos, uint16_t offset) {
  return reinterpret_cast<T*>(reinterpret_cast<char*>(&pos) + offset);
}

// The piece set of a man of the type and colour; only for types that have one.
inline Bitboard& typeSet(Position& pos, int type, Colour c) {
  return fieldPair<Bitboard>(pos, manTerms[type].setField)[c];
}

// Counts, piece units and material of one man of the type joining (sign +1)
// or leaving (sign -1) the colour; kings change none of them.
inline void countMan(Position& pos, Colour c, int type, int sign) {
  const ManTerms& t = manTerms[type];
  const int value = *reinterpret_cast<const int*>(reinterpret_cast<const char*>(&evalVars) + t.valueField);
  fieldPair<int32_t>(pos, t.countField)[c] += sign * t.count;
  pos.pieceUnits[c] += sign * t.units;
  pos.material[c] += sign * (value & t.valueMask);
}

// Castling rights that survive a rook leaving or being taken on each square.
struct CornerMasks {
  uint32_t mask[64];
  constexpr CornerMasks() : mask() {
    for (Square s = 0; s < 64; ++s) mask[s] = ~0u;
    mask[A1] = ~WhiteLong;
    mask[H1] = ~WhiteShort;
    mask[A8] = ~BlackLong;
    mask[H8] = ~BlackShort;
  }
};
constexpr CornerMasks rookCorner;

// Takes the colour's man `captured` off the square `at`: its sets, counts and
// material, its key terms and, for a rook on a corner, the castling right
// that goes with it. The board array is the caller's.
inline void takeMan(Position& pos, Colour c, int captured, Square at, HashKey& key, HashKey& pawnKey,
                    uint32_t& rights) {
  const int type = pieceType(captured);
  pos.pieces[c] ^= bit(at);
  if (manTerms[type].setField) typeSet(pos, type, c) ^= bit(at);
  key ^= keys.pieceKeys[captured][at];
  if (type == Pawn) pawnKey ^= keys.pieceKeys[captured][at];
  if (type == Rook) rights &= rookCorner.mask[at];
  countMan(pos, c, type, -1);
}

// Puts the colour's man `captured` back on the square `at`: its sets, counts
// and material. The board array is the caller's.
inline void returnMan(Position& pos, Colour c, int captured, Square at) {
  const int type = pieceType(captured);
  pos.pieces[c] ^= bit(at);
  if (manTerms[type].setField) typeSet(pos, type, c) ^= bit(at);
  countMan(pos, c, type, 1);
}

// After a pawn's double step: the square passed over is the new stack
// entry's en-passant square (with its key term) only when an enemy pawn is
// ready to take on it.
inline void markEnPassant(Position& pos, Colour us, Square from, Square to, int next, HashKey& key) {
  const Square passed = (from + to) >> 1;
  const Bitboard takers = us == White ? boardTables.whitePawnAttacks[passed] & pos.pawns[Black]
                                      : boardTables.blackPawnAttacks[passed] & pos.pawns[White];
  if (takers) {
    pos.epStack[next] = passed;
    key ^= keys.epKeys[passed];
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

// Rotated-set updates. The table bits are copied to registers first: stores
// into the Position could alias the tables, and would otherwise force each
// table word to be fetched again after every store.
inline void moveRotated(Position& pos, Square from, Square to) {
  const RotatedBits f = boardTables.rotatedBits[from], t = boardTables.rotatedBits[to];
  pos.occupiedFiles = (pos.occupiedFiles | t.files) & ~f.files;
  pos.occupiedDiagA1H8 = (pos.occupiedDiagA1H8 | t.diagA1H8) & ~f.diagA1H8;
  pos.occupiedDiagH1A8 = (pos.occupiedDiagH1A8 | t.diagH1A8) & ~f.diagH1A8;
}

inline void setRotated(Position& pos, Square s) {
  const RotatedBits r = boardTables.rotatedBits[s];
  pos.occupiedFiles |= r.files;
  pos.occupiedDiagA1H8 |= r.diagA1H8;
  pos.occupiedDiagH1A8 |= r.diagH1A8;
}

inline void clearRotated(Position& pos, Square s) {
  const RotatedBits r = boardTables.rotatedBits[s];
  pos.occupiedFiles &= ~r.files;
  pos.occupiedDiagA1H8 &= ~r.diagA1H8;
  pos.occupiedDiagH1A8 &= ~r.diagH1A8;
}

inline void toggleRotated(Position& pos, Square a, Square b) {
  const RotatedBits x = boardTables.rotatedBits[a], y = boardTables.rotatedBits[b];
  pos.occupiedFiles ^= x.files ^ y.files;
  pos.occupiedDiagA1H8 ^= x.diagA1H8 ^ y.diagA1H8;
  pos.occupiedDiagH1A8 ^= x.diagH1A8 ^ y.diagH1A8;
}

// The rook's half of castling, both ways (the move is its own inverse).
// Returns the key change.
[[gnu::noinline]] HashKey moveCastleRook(Position& pos, Colour us, Square kingTo) {
  const CastleRook r = castleRook(kingTo);
  const PieceCode rook = makePiece(us, Rook);
  const Bitboard both = bit(r.from) | bit(r.to);
  pos.pieces[us] ^= both;
  pos.rooks[us] ^= both;
  toggleRotated(pos, r.from, r.to);
  return keys.pieceKeys[rook][r.from] ^ keys.pieceKeys[rook][r.to];
}

// The common moves on short paths of their own, where they need few
// registers: knights to queens, pawns that neither promote nor may be taking
// en passant, and king steps, each with or without a capture. Castling,
// promotions and en passant take the general path.
enum MoveKind { PieceMove, PawnMove, KingStep, OtherMove };

// `ep` is the en-passant square the move is made with.
inline MoveKind moveKind(Move move, Square ep) {
  if (movePromotion(move)) return OtherMove;
  switch (pieceType(movePiece(move))) {
    case Pawn:
      return moveCaptured(move) && moveTo(move) == ep ? OtherMove : PawnMove;
    case King:
      return isCastle(move) ? OtherMove : KingStep;
    case Knight:
    case Bishop:
    case Rook:
    case Queen:
      return PieceMove;
    default:
      return OtherMove;
  }
}

// The mover's sets on a short path: the man of the type goes between the two
// squares of fromTo; a king is kept by its square, `kingAt`, instead.
template <MoveKind Kind>
inline void shiftMan(Position& pos, Colour us, int type, Bitboard fromTo, Square kingAt) {
  pos.pieces[us] ^= fromTo;
  if constexpr (Kind == KingStep)
    pos.kingSquare[us] = kingAt;
  else
    typeSet(pos, type, us) ^= fromTo;
}

template <MoveKind Kind>
[[gnu::always_inline]] inline void makeShortMove(Position& pos, Move move) {
  const Square from = moveFrom(move), to = moveTo(move);
  const int piece = movePiece(move), captured = moveCaptured(move), type = pieceType(piece);
  const Colour us = pos.sideToMove;
  // Each new stack entry is stored as soon as it is known, so that few
  // values stay live across the rest.
  const int top = pos.castleTop, next = top + 1;
  pos.castleTop = pos.keyTop = pos.pawnKeyTop = pos.fiftyTop = pos.epTop = next;
  uint32_t& rights = pos.castleStack[next];
  if constexpr (Kind == KingStep)
    rights = pos.castleStack[top] & (us == White ? ~(WhiteShort | WhiteLong) : ~(BlackShort | BlackLong));
  else if constexpr (Kind == PieceMove)
    rights = pos.castleStack[top] & (type == Rook ? rookCorner.mask[from] : ~0u);
  else
    rights = pos.castleStack[top];
  pos.fiftyStack[next] = captured || Kind == PawnMove ? 0 : pos.fiftyStack[top] + 1;
  HashKey& pawnKey = pos.pawnKeyStack[next];
  pawnKey = pos.pawnKeyStack[top];
  if constexpr (Kind == PawnMove) pawnKey ^= keys.pieceKeys[piece][from] ^ keys.pieceKeys[piece][to];
  const Square oldEp = pos.epStack[top];
  pos.epStack[next] = 0;
  HashKey key = pos.keyStack[top] ^ keys.sideKey ^ keys.pieceKeys[piece][from] ^ keys.pieceKeys[piece][to];
  if (oldEp) key ^= keys.epKeys[oldEp];

  const Bitboard fromTo = bit(from) | bit(to);
  moveRotated(pos, from, to);
  shiftMan<Kind>(pos, us, type, fromTo, to);
  if (captured) {
    takeMan(pos, us ^ 1, captured, to, key, pawnKey, rights);
  } else if (Kind == PawnMove && (from ^ to) == 16) {
    markEnPassant(pos, us, from, to, next, key);
  }
  pos.keyStack[next] = key;
  pos.occupied = pos.pieces[White] | pos.pieces[Black];
  pos.sideToMove = us ^ 1;
  pos.board[to] = PieceCode(piece);
  pos.board[from] = 0;
}

template <MoveKind Kind>
[[gnu::always_inline]] inline void unmakeShortMove(Position& pos, Move move) {
  const Square from = moveFrom(move), to = moveTo(move);
  const int piece = movePiece(move), captured = moveCaptured(move), type = pieceType(piece);
  const Colour them = pos.sideToMove, us = them ^ 1;
  const Bitboard fromTo = bit(from) | bit(to);
  const int top = pos.castleTop - 1;
  pos.castleTop = pos.keyTop = pos.pawnKeyTop = pos.fiftyTop = pos.epTop = top;

  setRotated(pos, from);
  shiftMan<Kind>(pos, us, type, fromTo, from);
  if (captured) {
    returnMan(pos, them, captured, to);
  } else {
    clearRotated(pos, to);
  }
  pos.occupied = pos.pieces[White] | pos.pieces[Black];
  pos.sideToMove = us;
  pos.board[to] = PieceCode(captured);
  pos.board[from] = PieceCode(piece);
}

[[gnu::noinline]] void makeAnyMove(Position& pos, Move move) {
  const Square from = moveFrom(move), to = moveTo(move);
  const int piece = movePiece(move), captured = moveCaptured(move), type = pieceType(piece);
  const Colour us = pos.sideToMove, them = us ^ 1;
  // The five stacks move together, so one top serves for all. Each new entry
  // is written first and then amended in place, which keeps few values live.
  const int top = pos.castleTop, next = top + 1;
  const Square oldEp = pos.epStack[top];
  pos.castleTop = pos.keyTop = pos.pawnKeyTop = pos.fiftyTop = pos.epTop = next;
  uint32_t& rights = pos.castleStack[next];
  HashKey& pawnKey = pos.pawnKeyStack[next];
  rights = pos.castleStack[top];
  pawnKey = pos.pawnKeyStack[top];
  pos.fiftyStack[next] = captured || type == Pawn ? 0 : pos.fiftyStack[top] + 1;
  pos.epStack[next] = 0;
  HashKey key = pos.keyStack[top] ^ keys.sideKey ^ keys.pieceKeys[piece][from];
  if (oldEp) key ^= keys.epKeys[oldEp];

  const Bitboard fromTo = bit(from) | bit(to);
  moveRotated(pos, from, to);
  pos.pieces[us] ^= fromTo;
  pos.sideToMove = them;

  if (captured) {
    Square victim = to;
    // En passant only onto an empty en-passant square: a square named by a
    // FEN that holds a man is an ordinary capture.
    if (type == Pawn && to == oldEp && pos.board[to] == 0 && captured == makePiece(them, Pawn)) {
      victim = passedPawnSquare(us, to);
      pos.board[victim] = 0;
      clearRotated(pos, victim);
    }
    takeMan(pos, them, captured, victim, key, pawnKey, rights);
  }

  PieceCode placed = PieceCode(piece);
  if (const uint32_t promotion = movePromotion(move)) {
    const int newType = promotedType(promotion);
    placed = makePiece(us, newType);
    pos.pawns[us] ^= bit(from);
    typeSet(pos, newType, us) ^= bit(to);
    key ^= keys.pieceKeys[placed][to];
    pawnKey ^= keys.pieceKeys[piece][from];
    countMan(pos, us, Pawn, -1);
    countMan(pos, us, newType, 1);
  } else {
    key ^= keys.pieceKeys[piece][to];
    if (manTerms[type].setField) typeSet(pos, type, us) ^= fromTo;
    if (type == Pawn) {
      pawnKey ^= keys.pieceKeys[piece][from] ^ keys.pieceKeys[piece][to];
      if ((from ^ to) == 16) markEnPassant(pos, us, from, to, next, key);
    } else if (type == Rook) {
      rights &= rookCorner.mask[from];
    } else if (type == King) {
      pos.kingSquare[us] = to;
      rights &= us == White ? ~(WhiteShort | WhiteLong) : ~(BlackShort | BlackLong);
      if (isCastle(move)) {
        key ^= moveCastleRook(pos, us, to);
        const CastleRook r = castleRook(to);
        pos.board[r.to] = pos.board[r.from];
        pos.board[r.from] = 0;
      }
    }
  }

  pos.keyStack[next] = key;
  pos.occupied = pos.pieces[White] | pos.pieces[Black];
  pos.board[to] = placed;
  pos.board[from] = 0;
}

[[gnu::noinline]] void unmakeAnyMove(Position& pos, Move move) {
  const Square from = moveFrom(move), to = moveTo(move);
  const int piece = movePiece(move), captured = moveCaptured(move), type = pieceType(piece);
  const uint32_t promotion = movePromotion(move);
  const Colour them = pos.sideToMove, us = them ^ 1;
  const Bitboard fromTo = bit(from) | bit(to);

  // The pawn key after the move, still above the top once popped.
  const int top = pos.castleTop - 1;
  const HashKey pawnKeyAfter = pos.pawnKeyStack[top + 1];
  pos.castleTop = pos.keyTop = pos.pawnKeyTop = pos.fiftyTop = pos.epTop = top;

  setRotated(pos, from);
  pos.pieces[us] ^= fromTo;

  if (captured) {
    Square victim = to;
    if (type == Pawn && to == pos.epStack[top] && captured == makePiece(them, Pawn)) {
      // Tell en passant from an ordinary capture onto a square a FEN named:
      // only en passant removed the victim's pawn-key term behind `to`.
      const Square behind = passedPawnSquare(us, to);
      const HashKey enPassantChange =
          keys.pieceKeys[piece][from] ^ keys.pieceKeys[piece][to] ^ keys.pieceKeys[captured][behind];
      if ((pawnKeyAfter ^ pos.pawnKeyStack[top]) == enPassantChange) victim = behind;
    }
    returnMan(pos, them, captured, victim);
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

  if (promotion) {
    const int newType = promotedType(promotion);
    typeSet(pos, newType, us) ^= bit(to);
    pos.pawns[us] ^= bit(from);
    countMan(pos, us, newType, -1);
    countMan(pos, us, Pawn, 1);
  } else {
    if (manTerms[type].setField) typeSet(pos, type, us) ^= fromTo;
    if (type == King) {
      pos.kingSquare[us] = from;
      if (isCastle(move)) {
        moveCastleRook(pos, us, to);
        const CastleRook r = castleRook(to);
        pos.board[r.from] = pos.board[r.to];
        pos.board[r.to] = 0;
      }
    }
  }

  pos.occupied = pos.pieces[White] | pos.pieces[Black];
  pos.sideToMove = us;
}

}  // namespace

void makeMove(Position& pos, Move move) {
  switch (moveKind(move, pos.epStack[pos.castleTop])) {
    case PieceMove: makeShortMove<PieceMove>(pos, move); break;
    case PawnMove: makeShortMove<PawnMove>(pos, move); break;
    case KingStep: makeShortMove<KingStep>(pos, move); break;
    default: makeAnyMove(pos, move); break;
  }
}

void unmakeMove(Position& pos, Move move) {
  // The en-passant square the move was made with is the entry below the top.
  switch (moveKind(move, pos.epStack[pos.castleTop - 1])) {
    case PieceMove: unmakeShortMove<PieceMove>(pos, move); break;
    case PawnMove: unmakeShortMove<PawnMove>(pos, move); break;
    case KingStep: unmakeShortMove<KingStep>(pos, move); break;
    default: unmakeAnyMove(pos, move); break;
  }
}

}  // namespace tarrock
