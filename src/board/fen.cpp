#include "board/fen.h"

#include <cstring>
#include <string_view>

#include "core/output.h"

namespace tarrock {

const char* const squareNames[64] = {
    "a1", "b1", "c1", "d1", "e1", "f1", "g1", "h1", "a2", "b2", "c2", "d2", "e2", "f2", "g2", "h2",
    "a3", "b3", "c3", "d3", "e3", "f3", "g3", "h3", "a4", "b4", "c4", "d4", "e4", "f4", "g4", "h4",
    "a5", "b5", "c5", "d5", "e5", "f5", "g5", "h5", "a6", "b6", "c6", "d6", "e6", "f6", "g6", "h6",
    "a7", "b7", "c7", "d7", "e7", "f7", "g7", "h7", "a8", "b8", "c8", "d8", "e8", "f8", "g8", "h8"};

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// Splits off the next whitespace-separated word; empty when there is none.
std::string_view nextWord(const char*& p) {
  while (*p && isBlank(*p)) ++p;
  const char* start = p;
  while (*p && !isBlank(*p)) ++p;
  return std::string_view(start, size_t(p - start));
}

PieceCode pieceFromLetter(char c) {
  switch (c) {
    case 'P': return WhitePawn;
    case 'N': return WhiteKnight;
    case 'B': return WhiteBishop;
    case 'R': return WhiteRook;
    case 'Q': return WhiteQueen;
    case 'K': return WhiteKing;
    case 'p': return BlackPawn;
    case 'n': return BlackKnight;
    case 'b': return BlackBishop;
    case 'r': return BlackRook;
    case 'q': return BlackQueen;
    case 'k': return BlackKing;
    default: return 0;
  }
}

}  // namespace

void removeUnsupportedRights(Position& pos) {
  uint32_t& rights = pos.castleStack[pos.castleTop];
  if (pos.board[E1] != WhiteKing) rights &= ~(WhiteShort | WhiteLong);
  if (pos.board[E8] != BlackKing) rights &= ~(BlackShort | BlackLong);
  if (pos.board[A1] != WhiteRook) rights &= ~WhiteLong;
  if (pos.board[H1] != WhiteRook) rights &= ~WhiteShort;
  if (pos.board[A8] != BlackRook) rights &= ~BlackLong;
  if (pos.board[H8] != BlackRook) rights &= ~BlackShort;
}

void finishSetup(Position& pos) {
  removeUnsupportedRights(pos);
  rebuildMaterial(pos);
  rebuildBoardSets(pos);
  checkMaterial(pos);
  pos.keyStack[pos.keyTop] = computeKey(pos);
  pos.pawnKeyStack[pos.pawnKeyTop] = computePawnKey(pos);
}

namespace {

bool badFormat(Position& pos, const char* text) {
  while (*text && isBlank(*text)) ++text;
  PrintOut("Bad epd format: %s\n", text);
  std::memset(pos.board, 0, sizeof pos.board);
  finishSetup(pos);
  return false;
}

}  // namespace

bool setupFromFen(Position& pos, const char* text) {
  pos.sideToMove = White;
  pos.game->count = 0;
  pos.epStack[pos.epTop] = 0;
  pos.fiftyStack[pos.fiftyTop] = 0;
  pos.castleStack[pos.castleTop] = 15;
  std::memset(pos.board, 0, sizeof pos.board);

  const char* p = text;
  std::string_view placement = nextWord(p);
  std::string_view side = nextWord(p);
  if (side.empty()) return badFormat(pos, text);
  std::string_view castling = nextWord(p);
  if (castling.empty()) castling = "-";
  std::string_view ep = nextWord(p);
  if (ep.empty()) ep = "-";

  // Placement from a8. A rank may list fewer than eight squares; a man that
  // would fall outside its rank is refused rather than written off the board.
  int rankStart = 56, square = 56;
  for (char c : placement) {
    if (square < 0) break;
    if (c == '/') {
      rankStart -= 8;
      square = rankStart;
    } else if (c >= '1' && c <= '8') {
      square += c - '0';
    } else if (PieceCode code = pieceFromLetter(c)) {
      if (square >= rankStart + 8) return badFormat(pos, text);
      pos.board[square++] = code;
    }
  }

  pos.sideToMove = side == "w" ? White : Black;

  uint32_t& rights = pos.castleStack[pos.castleTop];
  rights = 0;
  for (char c : castling) {
    switch (c) {
      case '-': break;
      case 'K': rights |= WhiteShort; break;
      case 'Q': rights |= WhiteLong; break;
      case 'k': rights |= BlackShort; break;
      case 'q': rights |= BlackLong; break;
      default:
        PrintOut("Setboard: Bad castle info\n");
        finishSetup(pos);
        return false;
    }
  }

  // Any square name is kept as given; text that names no square means none.
  if (ep != "-" && ep.size() >= 2 && ep[0] >= 'a' && ep[0] <= 'h' && ep[1] >= '1' && ep[1] <= '8')
    pos.epStack[pos.epTop] = Square(ep[0] - 'a') + 8 * Square(ep[1] - '1');

  finishSetup(pos);
  return true;
}

std::string fenString(const Position& pos) {
  static const char letters[] = " PNBRQK  pnbrqk";
  std::string out;
  for (int rank = 7; rank >= 0; --rank) {
    if (rank != 7) out += '/';
    int empty = 0;
    for (int file = 0; file < 8; ++file) {
      int code = pos.board[rank * 8 + file];
      if (!code) {
        ++empty;
        continue;
      }
      if (empty) out += char('0' + empty);
      empty = 0;
      out += letters[(code & 7) + (isBlackPiece(code) ? 8 : 0)];
    }
    if (empty) out += char('0' + empty);
  }
  out += pos.sideToMove == White ? " w " : " b ";
  uint32_t rights = pos.castleRights();
  if (rights & WhiteShort) out += 'K';
  if (rights & WhiteLong) out += 'Q';
  if (rights & BlackShort) out += 'k';
  if (rights & BlackLong) out += 'q';
  if (!(rights & 15)) out += '-';
  out += ' ';
  out += pos.epSquare() ? squareNames[pos.epSquare()] : "-";
  out += ' ';
  return out;
}

void writeFen(FILE* stream, const Position& pos) { std::fputs(fenString(pos).c_str(), stream); }

}  // namespace tarrock
