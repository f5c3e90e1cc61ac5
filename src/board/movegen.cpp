#include "board/movegen.h"

#include "board/attacks.h"
#include "board/tables.h"

namespace tarrock {

namespace {

constexpr Bitboard FileA = 0x0101010101010101ull;
constexpr Bitboard FileH = FileA << 7;
constexpr Bitboard Rank2 = 0xFF00ull;
constexpr Bitboard Rank7 = Rank2 << 40;

// Loops of one scan direction: lowest square first or highest first.
template <bool Ascending>
inline Square popNext(Bitboard& b) {
  if constexpr (Ascending)
    return popFirst(b);
  else
    return popLast(b);
}

// Squares attacked by a pawn of the colour standing on s.
template <Colour C>
inline Bitboard pawnAttacks(Square s) {
  return C == White ? boardTables.whitePawnAttacks[s] : boardTables.blackPawnAttacks[s];
}

template <int Type>
inline Bitboard attacksFrom(const Position& pos, Square s) {
  if constexpr (Type == Knight)
    return boardTables.knightAttacks[s];
  else if constexpr (Type == Bishop)
    return bishopAttackSet(pos, s);
  else if constexpr (Type == Rook)
    return rookAttackSet(pos, s);
  else
    return queenAttackSet(pos, s);
}

// The enemy men a man of the type on s attacks. A line with no enemy man on
// it at all on an empty board is not looked up.
template <int Type>
inline Bitboard capturesFrom(const Position& pos, Square s, Bitboard enemy) {
  const BoardTables& t = boardTables;
  if constexpr (Type == Knight) {
    return t.knightAttacks[s] & enemy;
  } else {
    Bitboard set = 0;
    if constexpr (Type != Rook)
      if (t.diagonalReach[s] & enemy) set |= bishopAttackSet(pos, s);
    if constexpr (Type != Bishop)
      if (t.straightReach[s] & enemy) set |= rookAttackSet(pos, s);
    return set & enemy;
  }
}

template <int Type>
inline Bitboard menOf(const Position& pos, Colour c) {
  if constexpr (Type == Knight)
    return pos.knights[c];
  else if constexpr (Type == Bishop)
    return pos.bishops[c];
  else if constexpr (Type == Rook)
    return pos.rooks[c];
  else
    return pos.queens[c];
}

template <Colour C>
inline int attackedBy(const Position& pos, Square s) {
  return C == White ? isAttackedByWhite(pos, s) : isAttackedByBlack(pos, s);
}

// Squares next to the king. Empty when the board has no king where the record
// says (a set-up position may lack one): nothing may move from that square.
template <Colour Us>
inline Bitboard kingSteps(const Position& pos) {
  const Square king = pos.kingSquare[Us];
  return pos.board[king] == makePiece(Us, King) ? boardTables.kingAttacks[king] : 0;
}

// Queen, rook, bishop, knight: the order promotions are always written in.
inline Move* addPromotions(Move* out, Square from, Square to, int piece, int captured) {
  out[0] = buildMove(from, to, piece, captured, PromoteQueen);
  out[1] = buildMove(from, to, piece, captured, PromoteRook);
  out[2] = buildMove(from, to, piece, captured, PromoteBishop);
  out[3] = buildMove(from, to, piece, captured, PromoteKnight);
  return out + 4;
}

// Captures by knights, bishops, rooks or queens: movers in the side's scan
// order, targets in the opposite order.
template <Colour Us, int Type>
inline Move* pieceCaptures(const Position& pos, Move* out) {
  constexpr bool Up = Us == White;
  constexpr int code = makePiece(Us, Type);
  const Bitboard enemy = pos.pieces[Us ^ 1];
  Bitboard movers = menOf<Type>(pos, Us);
  while (movers) {
    const Square from = popNext<Up>(movers);
    Bitboard targets = capturesFrom<Type>(pos, from, enemy);
    while (targets) {
      const Square to = popNext<!Up>(targets);
      *out++ = buildMove(from, to, code, pos.board[to]);
    }
  }
  return out;
}

template <Colour Us>
int captures(const Position& pos, Move* moves) {
  constexpr Colour Them = Us ^ 1;
  constexpr bool Up = Us == White;
  constexpr Bitboard PromotionRank = Up ? Rank7 : Rank2;
  constexpr int pawnCode = makePiece(Us, Pawn);
  Move* out = moves;
  const Bitboard enemy = pos.pieces[Them];
  const Bitboard pawns = pos.pawns[Us];

  // Pawns with a target or on the promotion rank.
  const Bitboard withTarget = Up ? ((enemy >> 7) & ~FileA) | ((enemy >> 9) & ~FileH)
                                 : ((enemy << 9) & ~FileA) | ((enemy << 7) & ~FileH);
  Bitboard candidates = pawns & (PromotionRank | withTarget);
  while (candidates) {
    const Square from = popNext<Up>(candidates);
    Bitboard targets = pawnAttacks<Us>(from) & enemy;
    if (bit(from) & PromotionRank) {
      const Square ahead = Up ? from + 8 : from - 8;
      if (!pos.board[ahead]) out = addPromotions(out, from, ahead, pawnCode, 0);
      while (targets) {
        const Square to = popNext<!Up>(targets);
        out = addPromotions(out, from, to, pawnCode, pos.board[to]);
      }
    } else {
      while (targets) {
        const Square to = popNext<!Up>(targets);
        *out++ = buildMove(from, to, pawnCode, pos.board[to]);
      }
    }
  }

  if (pos.epSquare() && hasRealEnPassant(pos)) {
    const Square ep = pos.epSquare();
    Bitboard takers = pawnAttacks<Them>(ep) & pawns;
    while (takers) *out++ = buildMove(popFirst(takers), ep, pawnCode, makePiece(Them, Pawn));
  }

  out = pieceCaptures<Us, Knight>(pos, out);
  out = pieceCaptures<Us, Bishop>(pos, out);
  out = pieceCaptures<Us, Rook>(pos, out);
  out = pieceCaptures<Us, Queen>(pos, out);

  const Square king = pos.kingSquare[Us];
  Bitboard targets = kingSteps<Us>(pos) & enemy;
  while (targets) {
    const Square to = popNext<Up>(targets);
    *out++ = buildMove(king, to, makePiece(Us, King), pos.board[to]);
  }
  return int(out - moves);
}

template <Colour Us, int Type>
inline Move* pieceQuietMoves(const Position& pos, Move* out, Bitboard empty) {
  constexpr bool Up = Us == White;
  constexpr int code = makePiece(Us, Type);
  Bitboard movers = menOf<Type>(pos, Us);
  while (movers) {
    const Square from = popNext<Up>(movers);
    Bitboard targets = attacksFrom<Type>(pos, from) & empty;
    while (targets) *out++ = buildMove(from, popNext<Up>(targets), code);
  }
  return out;
}

// Castling: the right, an empty path, and neither the king's square nor the
// square it crosses attacked. The destination is left to the legality test.
// The king and rook on their home squares go with the right; checking them
// keeps a carelessly set right from moving men that are not there.
template <Colour Us, bool Short>
inline bool canCastle(const Position& pos) {
  constexpr Colour Them = Us ^ 1;
  constexpr uint32_t right = Us == White ? (Short ? WhiteShort : WhiteLong) : (Short ? BlackShort : BlackLong);
  constexpr Square home = Us == White ? E1 : E8;
  constexpr Square rookHome = Short ? home + 3 : home - 4;
  constexpr Square crossed = Short ? home + 1 : home - 1;
  const Bitboard path = Short ? boardTables.castleShortPath[Us] : boardTables.castleLongPath[Us];
  return (pos.castleRights() & right) && !(pos.occupied & path) && pos.board[home] == makePiece(Us, King) &&
         pos.board[rookHome] == makePiece(Us, Rook) && !attackedBy<Them>(pos, home) &&
         !attackedBy<Them>(pos, crossed);
}

template <Colour Us>
int nonCaptures(const Position& pos, Move* moves) {
  constexpr bool Up = Us == White;
  constexpr Bitboard PromotionRank = Up ? Rank7 : Rank2;
  constexpr Bitboard StartRank = Up ? Rank2 : Rank7;
  constexpr int pawnCode = makePiece(Us, Pawn);
  constexpr int forward = Up ? 8 : -8;
  Move* out = moves;
  const Bitboard empty = ~pos.occupied;

  Bitboard candidates = pos.pawns[Us] & ~PromotionRank & (Up ? empty >> 8 : empty << 8);
  while (candidates) {
    const Square from = popNext<Up>(candidates);
    *out++ = buildMove(from, from + forward, pawnCode);
    if ((bit(from) & StartRank) && !pos.board[from + 2 * forward])
      *out++ = buildMove(from, from + 2 * forward, pawnCode);
  }

  out = pieceQuietMoves<Us, Knight>(pos, out, empty);
  out = pieceQuietMoves<Us, Bishop>(pos, out, empty);
  out = pieceQuietMoves<Us, Rook>(pos, out, empty);
  out = pieceQuietMoves<Us, Queen>(pos, out, empty);

  const Square king = pos.kingSquare[Us];
  Bitboard steps = kingSteps<Us>(pos) & empty;
  while (steps) *out++ = buildMove(king, popNext<Up>(steps), makePiece(Us, King));

  if (canCastle<Us, true>(pos)) *out++ = Up ? WhiteCastleShort : BlackCastleShort;
  if (canCastle<Us, false>(pos)) *out++ = Up ? WhiteCastleLong : BlackCastleLong;
  return int(out - moves);
}

// Captures of the checker by knights .. queens, movers lowest first.
template <Colour Us, int Type>
inline Move* checkerCaptures(const Position& pos, Move* out, Square checker, Square king) {
  Bitboard movers = attacksFrom<Type>(pos, checker) & menOf<Type>(pos, Us);
  while (movers) {
    const Square from = popFirst(movers);
    if (!isPinned(pos, from, king)) *out++ = buildMove(from, checker, makePiece(Us, Type), pos.board[checker]);
  }
  return out;
}

// Interpositions by knights .. queens onto the blocking squares.
template <Colour Us, int Type>
inline Move* interpositions(const Position& pos, Move* out, Bitboard block, Square king) {
  constexpr bool Up = Us == White;
  Bitboard movers = menOf<Type>(pos, Us);
  while (movers) {
    const Square from = popNext<Up>(movers);
    Bitboard targets = attacksFrom<Type>(pos, from) & block;
    if (!targets || isPinned(pos, from, king)) continue;
    while (targets) *out++ = buildMove(from, popNext<Up>(targets), makePiece(Us, Type));
  }
  return out;
}

template <Colour Us>
int evasions(const Position& pos, Move* moves) {
  constexpr Colour Them = Us ^ 1;
  constexpr bool Up = Us == White;
  constexpr Bitboard PromotionRank = Up ? Rank7 : Rank2;
  constexpr Bitboard StartRank = Up ? Rank2 : Rank7;
  constexpr int pawnCode = makePiece(Us, Pawn), kingCode = makePiece(Us, King);
  constexpr int forward = Up ? 8 : -8;
  Move* out = moves;
  const Square king = pos.kingSquare[Us];
  if (pos.board[king] != kingCode) return 0;
  const Bitboard checkers = attackersOf(pos, king, Them);
  if (!checkers) return 0;
  const Square first = firstSquare(checkers), last = lastSquare(checkers);
  const Bitboard pawns = pos.pawns[Us];

  if (first == last) {
    const Square checker = first;
    Bitboard takers = pawnAttacks<Them>(checker) & pawns;
    while (takers) {
      const Square from = popFirst(takers);
      if (isPinned(pos, from, king)) continue;
      if (bit(from) & PromotionRank)
        out = addPromotions(out, from, checker, pawnCode, pos.board[checker]);
      else
        *out++ = buildMove(from, checker, pawnCode, pos.board[checker]);
    }
    const Square ep = pos.epSquare();
    if (ep && ep == checker + forward && hasRealEnPassant(pos)) {
      takers = pawnAttacks<Them>(ep) & pawns;
      while (takers) {
        const Square from = popFirst(takers);
        if (!isPinned(pos, from, king)) *out++ = buildMove(from, ep, pawnCode, makePiece(Them, Pawn));
      }
    }
    out = checkerCaptures<Us, Knight>(pos, out, checker, king);
    out = checkerCaptures<Us, Bishop>(pos, out, checker, king);
    out = checkerCaptures<Us, Rook>(pos, out, checker, king);
    out = checkerCaptures<Us, Queen>(pos, out, checker, king);
  }

  // A king step is refused when the square is attacked with the king still in
  // place, or when it runs straight away from a checking slider (the slider's
  // line through the king reaches that square once the king has left).
  const int awayFirst = pieceType(pos.board[first]) == Pawn ? 0 : boardTables.direction[king][first];
  const int awayLast = pieceType(pos.board[last]) == Pawn ? 0 : boardTables.direction[king][last];
  auto kingMayGo = [&](Square to) {
    const int step = boardTables.direction[to][king];
    if (step == awayFirst || step == awayLast) return false;
    return !attackedBy<Them>(pos, to);
  };

  Bitboard targets = boardTables.kingAttacks[king] & pos.pieces[Them];
  while (targets) {
    const Square to = popFirst(targets);
    if (kingMayGo(to)) *out++ = buildMove(king, to, kingCode, pos.board[to]);
  }

  if (first == last) {
    const Bitboard block = boardTables.between[king][first];
    if (block) {
      Bitboard pushers = pawns & (Up ? block >> 8 : block << 8);
      while (pushers) {
        const Square from = popNext<Up>(pushers);
        if (isPinned(pos, from, king)) continue;
        if (bit(from) & PromotionRank)
          out = addPromotions(out, from, from + forward, pawnCode, 0);
        else
          *out++ = buildMove(from, from + forward, pawnCode);
      }
      const Bitboard empty = ~pos.occupied;
      Bitboard doubles = pawns & StartRank & (Up ? (block >> 16) & (empty >> 8) : (block << 16) & (empty << 8));
      while (doubles) {
        const Square from = popNext<Up>(doubles);
        if (!isPinned(pos, from, king)) *out++ = buildMove(from, from + 2 * forward, pawnCode);
      }
      out = interpositions<Us, Knight>(pos, out, block, king);
      out = interpositions<Us, Bishop>(pos, out, block, king);
      out = interpositions<Us, Rook>(pos, out, block, king);
      out = interpositions<Us, Queen>(pos, out, block, king);
    }
  }

  Bitboard steps = boardTables.kingAttacks[king] & ~pos.occupied;
  while (steps) {
    const Square to = popNext<Up>(steps);
    if (kingMayGo(to)) *out++ = buildMove(king, to, kingCode);
  }
  return int(out - moves);
}

}  // namespace

int hasRealEnPassant(const Position& pos) {
  const Square ep = pos.epSquare();
  if (ep == 0 || ep >= 64 || pos.board[ep]) return 0;
  if (pos.sideToMove == White) return rankOf(ep) == 5 && pos.board[ep - 8] == BlackPawn;
  return rankOf(ep) == 2 && pos.board[ep + 8] == WhitePawn;
}

int generateCaptures(const Position& pos, Move* moves) {
  return pos.sideToMove == White ? captures<White>(pos, moves) : captures<Black>(pos, moves);
}

int generateNonCaptures(const Position& pos, Move* moves) {
  return pos.sideToMove == White ? nonCaptures<White>(pos, moves) : nonCaptures<Black>(pos, moves);
}

int generateEvasions(const Position& pos, Move* moves) {
  return pos.sideToMove == White ? evasions<White>(pos, moves) : evasions<Black>(pos, moves);
}

int generateAll(const Position& pos, Move* moves) {
  int n = generateCaptures(pos, moves);
  return n + generateNonCaptures(pos, moves + n);
}

int countLegalMoves(Position& pos) {
  Move moves[MaxMoves];
  return filterLegal(pos, moves, generateAll(pos, moves));
}

int isPinned(const Position& pos, Square from, Square king) {
  const int step = boardTables.direction[from][king];
  if (!step) return 0;
  const Colour enemy = colourOf(pos.board[from]) ^ 1;
  Bitboard line, sliders;
  switch (step) {
    case 1: case -1:
      line = rankAttackSet(pos, from);
      sliders = pos.rooks[enemy] | pos.queens[enemy];
      break;
    case 8: case -8:
      line = fileAttackSet(pos, from);
      sliders = pos.rooks[enemy] | pos.queens[enemy];
      break;
    case 9: case -9:
      line = diagA1H8AttackSet(pos, from);
      sliders = pos.bishops[enemy] | pos.queens[enemy];
      break;
    default:
      line = diagH1A8AttackSet(pos, from);
      sliders = pos.bishops[enemy] | pos.queens[enemy];
      break;
  }
  if (!(line & bit(king))) return 0;
  return (line & sliders) ? 1 : 0;
}

int isMoveValid(const Position& pos, Move move) {
  const Square from = moveFrom(move), to = moveTo(move);
  const int piece = movePiece(move), captured = moveCaptured(move);
  const uint32_t promotion = movePromotion(move);
  const Colour us = pos.sideToMove;
  if (piece == 0 || pos.board[from] != piece || colourOf(piece) != us) return 0;
  const int target = pos.board[to];
  if (target && colourOf(target) == us) return 0;
  if (pieceType(target) == King) return 0;  // a king is never taken
  const Bitboard toBit = bit(to);

  switch (pieceType(piece)) {
    case Pawn: {
      const int forward = us == White ? 8 : -8;
      const int lastRank = us == White ? 7 : 0, startRank = us == White ? 1 : 6;
      const bool promotes = rankOf(to) == lastRank;
      if (promotes ? (promotion < PromoteKnight || promotion > PromoteQueen) : promotion != 0) return 0;
      const int step = int(to) - int(from);
      if (step == forward) return target == 0 && captured == 0;
      if (step == 2 * forward)
        return rankOf(from) == startRank && !pos.board[from + forward] && target == 0 && captured == 0;
      const Bitboard reach = us == White ? boardTables.whitePawnAttacks[from] : boardTables.blackPawnAttacks[from];
      if (!(reach & toBit)) return 0;
      if (target) return captured == target;
      return to == pos.epSquare() && hasRealEnPassant(pos) && captured == makePiece(us ^ 1, Pawn);
    }
    case Knight:
      if (!(boardTables.knightAttacks[from] & toBit)) return 0;
      break;
    case Bishop:
      if (!(bishopAttackSet(pos, from) & toBit)) return 0;
      break;
    case Rook:
      if (!(rookAttackSet(pos, from) & toBit)) return 0;
      break;
    case Queen:
      if (!(queenAttackSet(pos, from) & toBit)) return 0;
      break;
    case King:
      if (from != pos.kingSquare[us]) return 0;  // a second king a FEN placed
      if (!(boardTables.kingAttacks[from] & toBit)) {
        // Only the castling words, under the conditions of generation.
        switch (move) {
          case WhiteCastleShort: return canCastle<White, true>(pos);
          case WhiteCastleLong: return canCastle<White, false>(pos);
          case BlackCastleShort: return canCastle<Black, true>(pos);
          case BlackCastleLong: return canCastle<Black, false>(pos);
          default: return 0;
        }
      }
      break;
    default:
      return 0;
  }
  return promotion == 0 && captured == target;
}

}  // namespace tarrock
