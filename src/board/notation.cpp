#include "board/notation.h"

#include <cstdio>
#include <cstring>

#include "board/attacks.h"
#include "board/fen.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/print.h"
#include "core/output.h"
#include "core/state.h"

namespace tarrock {

namespace {

constexpr size_t MaxMoveText = 31;

bool isFileLetter(char c) { return c >= 'a' && c <= 'h'; }
bool isRankDigit(char c) { return c >= '1' && c <= '8'; }
bool isPromotionLetter(char c) { return c && std::strchr("QRBNqrbn", c); }

uint32_t promotionOf(char letter) {
  switch (letter) {
    case 'Q': case 'q': return PromoteQueen;
    case 'R': case 'r': return PromoteRook;
    case 'B': case 'b': return PromoteBishop;
    case 'N': case 'n': return PromoteKnight;
    default: return 0;
  }
}

// Index 1..4 of a promotion field (knight .. queen); 0 for none or junk.
int promotionIndex(Move move) {
  const uint32_t p = movePromotion(move) >> 12;
  return p >= 1 && p <= 4 ? int(p) : 0;
}

Bitboard menOfType(const Position& pos, Colour c, int type) {
  switch (type) {
    case Pawn: return pos.pawns[c];
    case Knight: return pos.knights[c];
    case Bishop: return pos.bishops[c];
    case Rook: return pos.rooks[c];
    case Queen: return pos.queens[c];
    case King: return bit(pos.kingSquare[c]);
    default: return 0;
  }
}

// A pawn move of the parsed texts: promotion by letter, a queen by default on
// the first or last rank, else plain.
Move pawnMove(Square from, Square to, int piece, int captured, uint32_t promotion) {
  if (!promotion && (rankOf(to) == 0 || rankOf(to) == 7)) promotion = PromoteQueen;
  return buildMove(from, to, piece, captured, promotion);
}

Move parseCoordinate(const Position& pos, const char* text, uint32_t promotion) {
  const Square from = makeSquare(text[0] - 'a', text[1] - '1');
  const Square to = makeSquare(text[2] - 'a', text[3] - '1');
  const uint32_t rights = pos.castleRights();
  if ((rights & WhiteShort) && !std::strcmp(text, "e1g1")) return WhiteCastleShort;
  if ((rights & WhiteLong) && !std::strcmp(text, "e1c1")) return WhiteCastleLong;
  if ((rights & BlackShort) && !std::strcmp(text, "e8g8")) return BlackCastleShort;
  if ((rights & BlackLong) && !std::strcmp(text, "e8c8")) return BlackCastleLong;
  const int piece = pos.board[from];
  if (pieceType(piece) == Pawn) {
    if (fileOf(from) != fileOf(to) && !pos.board[to])
      return buildMove(from, to, piece, makePiece(pos.sideToMove ^ 1, Pawn));
    return pawnMove(from, to, piece, pos.board[to], promotion);
  }
  return buildMove(from, to, piece, pos.board[to], promotion);
}

Move parsePawnSan(const Position& pos, const char* text, size_t length, uint32_t promotion) {
  const char* destination = text + length - 2;
  const Square to = makeSquare(destination[0] - 'a', destination[1] - '1');
  const bool white = pos.sideToMove == White;
  int from;
  int captured;
  if (text[1] == 'x' || isFileLetter(text[1])) {
    const char targetFile = text[1] == 'x' ? text[2] : text[1];
    const bool fromRight = text[0] > targetFile;
    from = white ? int(to) - (fromRight ? 7 : 9) : int(to) + (fromRight ? 9 : 7);
    captured = pos.board[to] ? pos.board[to] : makePiece(pos.sideToMove ^ 1, Pawn);
  } else {
    const int step = white ? -8 : 8;
    from = int(to) + step;
    if (from >= 0 && from < 64 && !pos.board[from]) from += step;
    captured = 0;
  }
  if (from < 0 || from >= 64) return 0;
  return pawnMove(Square(from), to, pos.board[from], captured, promotion);
}

Move parsePieceSan(Position& pos, const char* text, size_t length) {
  const char* destination = text + length - 2;
  const Square to = makeSquare(destination[0] - 'a', destination[1] - '1');
  const Colour us = pos.sideToMove;
  Bitboard candidates;
  switch (text[0]) {
    case 'K': candidates = bit(pos.kingSquare[us]); break;
    case 'N': candidates = boardTables.knightAttacks[to] & pos.knights[us]; break;
    case 'B': candidates = bishopAttackSet(pos, to) & pos.bishops[us]; break;
    case 'R': candidates = rookAttackSet(pos, to) & pos.rooks[us]; break;
    case 'Q': candidates = queenAttackSet(pos, to) & pos.queens[us]; break;
    default: return 0;
  }
  if (!candidates) return 0;
  // Narrow by the file or rank given after the piece letter.
  auto narrow = [&](char c) {
    if (isFileLetter(c)) candidates &= boardTables.fileMask[makeSquare(c - 'a', 0)];
    else if (isRankDigit(c)) candidates &= boardTables.rankMask[makeSquare(0, c - '1')];
  };
  if (popCount(candidates) > 1 && length > 3) narrow(text[1]);
  if (popCount(candidates) != 1 && length > 4) narrow(text[2]);
  if (popCount(candidates) == 1) {
    const Square from = firstSquare(candidates);
    return buildMove(from, to, pos.board[from], pos.board[to]);
  }
  // Still ambiguous: keep the candidates whose move leaves their king safe. A
  // destination holding one of our own men cannot be tried.
  if (!candidates || (pos.board[to] && colourOf(pos.board[to]) == us)) return 0;
  Move found = 0;
  int legal = 0;
  while (candidates) {
    const Square from = popFirst(candidates);
    const Move m = buildMove(from, to, pos.board[from], pos.board[to]);
    makeMove(pos, m);
    if (!inCheck(pos, us)) {
      found = m;
      ++legal;
    }
    unmakeMove(pos, m);
  }
  return legal == 1 ? found : 0;
}

}  // namespace

const char* moveToCoordinate(Move move) {
  static char text[16];
  if (!move) return "Nomove";
  static const char* const uciSuffix[5] = {"", "n", "b", "r", "q"};
  static const char* const otherSuffix[5] = {"", "=n", "=b", "=r", "=q"};
  const int p = promotionIndex(move);
  if (frontend.protocolMode == Uci)
    std::snprintf(text, sizeof text, "%s%s%s", squareNames[moveFrom(move)], squareNames[moveTo(move)], uciSuffix[p]);
  else
    std::snprintf(text, sizeof text, "%s-%s%s", squareNames[moveFrom(move)], squareNames[moveTo(move)],
                  otherSuffix[p]);
  return text;
}

const char* moveToSan(Position& pos, Move move) {
  static char text[64];
  const Square from = moveFrom(move), to = moveTo(move);
  const int piece = movePiece(move), type = pieceType(piece);

  // A word that does not fit the board would corrupt the Position if made.
  if (!isMoveValid(pos, move)) {
    std::snprintf(text, sizeof text, "Illegal move: %s", moveToCoordinate(move));
    return text;
  }
  if (move == WhiteCastleShort || move == BlackCastleShort) return "O-O";
  if (move == WhiteCastleLong || move == BlackCastleLong) return "O-O-O";

  char* out = text;
  if (type == Pawn) {
    if (moveCaptured(move)) *out++ = char('a' + fileOf(from));
  } else {
    *out++ = " PNBRQK"[type];
    Bitboard candidates = attackersOf(pos, to, pos.sideToMove) & menOfType(pos, pos.sideToMove, type);
    if (popCount(candidates) > 1) {
      const int onFile = popCount(candidates & boardTables.fileMask[from]);
      const int onRank = popCount(candidates & boardTables.rankMask[from]);
      if (onFile == 2 && onRank == 2) {
        *out++ = char('a' + fileOf(from));
        *out++ = char('1' + rankOf(from));
      } else if (onFile == 2) {
        *out++ = char('1' + rankOf(from));
      } else {
        *out++ = char('a' + fileOf(from));
      }
    }
  }
  if (moveCaptured(move)) *out++ = 'x';
  *out++ = squareNames[to][0];
  *out++ = squareNames[to][1];
  if (const int p = promotionIndex(move)) {
    *out++ = '=';
    *out++ = " NBRQ"[p];
  }
  *out = 0;

  const Colour mover = pos.sideToMove;
  makeMove(pos, move);
  if (inCheck(pos, mover)) {
    std::snprintf(text, sizeof text, "Illegal move: %s", moveToCoordinate(move));
  } else if (inCheck(pos, pos.sideToMove)) {
    *out++ = countLegalMoves(pos) == 0 ? '#' : '+';
    *out = 0;
  }
  unmakeMove(pos, move);
  return text;
}

Move parseMove(Position& pos, const char* text) {
  if (!text) return 0;
  size_t length = strnlen(text, MaxMoveText + 1);
  if (length > MaxMoveText) return 0;
  char work[MaxMoveText + 1];
  std::memcpy(work, text, length);
  work[length] = 0;

  char letter = 0;
  if (char* equals = std::strchr(work, '=')) {
    if (isPromotionLetter(equals[1])) letter = equals[1];
    *equals = 0;
    length = size_t(equals - work);
  }
  while (length > 0 && std::strchr("+#?!", work[length - 1])) work[--length] = 0;
  if (length > 0 && isPromotionLetter(work[length - 1])) {
    letter = work[--length];
    work[length] = 0;
  }
  const uint32_t promotion = promotionOf(letter);
  if (char* ep = std::strstr(work, "ep")) {
    *ep = 0;
    length = size_t(ep - work);
  }
  if (length == 0) return 0;

  const bool white = pos.sideToMove == White;
  if (work[0] == 'O' || work[0] == '0') {
    if (!std::strcmp(work, "O-O") || !std::strcmp(work, "0-0")) return white ? WhiteCastleShort : BlackCastleShort;
    if (!std::strcmp(work, "O-O-O") || !std::strcmp(work, "0-0-0")) return white ? WhiteCastleLong : BlackCastleLong;
    return 0;
  }
  if (length >= 4 && isFileLetter(work[0]) && isRankDigit(work[1]) && isFileLetter(work[2]) && isRankDigit(work[3]))
    return parseCoordinate(pos, work, promotion);
  // Both SAN forms end in the destination square.
  if (length < 2 || !isFileLetter(work[length - 2]) || !isRankDigit(work[length - 1])) return 0;
  if (isFileLetter(work[0])) return parsePawnSan(pos, work, length, promotion);
  return parsePieceSan(pos, work, length);
}

void reportInvalidMove(const Position& pos, Move move) {
  PrintBoard(pos);
  PrintInfo("Invalid move: %s\n", moveToCoordinate(move));
}

}  // namespace tarrock
