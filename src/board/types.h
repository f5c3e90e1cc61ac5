// Basic vocabulary of the engine: squares (a1 = 0 .. h8 = 63), colours, piece
// codes (colour bit 16/32 plus type 1..6), 64-bit square sets with their bit
// scans, the 32-bit move word and its fields, castling-right bits and hash keys.
// Everything here is header-only and free of state so that every subsystem can
// include it.
#pragma once

#include <cstdint>

namespace tarrock {

using Square = uint32_t;
using Colour = uint32_t;
using PieceCode = uint8_t;
using Bitboard = uint64_t;
using Move = uint32_t;
using HashKey = uint64_t;

constexpr Colour White = 0;
constexpr Colour Black = 1;

// Piece types (code & 7) and the colour bits.
enum PieceType : int { Pawn = 1, Knight = 2, Bishop = 3, Rook = 4, Queen = 5, King = 6 };
constexpr int WhiteBit = 16;
constexpr int BlackBit = 32;

constexpr PieceCode WhitePawn = 17, WhiteKnight = 18, WhiteBishop = 19, WhiteRook = 20,
                    WhiteQueen = 21, WhiteKing = 22;
constexpr PieceCode BlackPawn = 33, BlackKnight = 34, BlackBishop = 35, BlackRook = 36,
                    BlackQueen = 37, BlackKing = 38;

constexpr int pieceType(int code) { return code & 7; }
constexpr bool isWhitePiece(int code) { return (code & WhiteBit) != 0; }
constexpr bool isBlackPiece(int code) { return (code & BlackBit) != 0; }
constexpr Colour colourOf(int code) { return (code & BlackBit) ? Black : White; }
constexpr PieceCode makePiece(Colour c, int type) { return PieceCode((c == White ? WhiteBit : BlackBit) | type); }

constexpr int fileOf(Square s) { return int(s & 7); }
constexpr int rankOf(Square s) { return int(s >> 3); }
constexpr Square makeSquare(int file, int rank) { return Square(rank * 8 + file); }

enum : Square {
  A1, B1, C1, D1, E1, F1, G1, H1,
  A2, B2, C2, D2, E2, F2, G2, H2,
  A3, B3, C3, D3, E3, F3, G3, H3,
  A4, B4, C4, D4, E4, F4, G4, H4,
  A5, B5, C5, D5, E5, F5, G5, H5,
  A6, B6, C6, D6, E6, F6, G6, H6,
  A7, B7, C7, D7, E7, F7, G7, H7,
  A8, B8, C8, D8, E8, F8, G8, H8
};

// Castling rights bits.
constexpr uint32_t WhiteShort = 1, WhiteLong = 2, BlackShort = 4, BlackLong = 8;

// Bit scans. Scanning upwards finds the lowest square (low word first), scanning
// downwards the highest (high word first); on a native 64-bit word these are
// the count of trailing zeros and 63 minus the count of leading zeros.
inline Square firstSquare(Bitboard b) { return Square(__builtin_ctzll(b)); }
// (63 - n equals 63 ^ n for n in 0..63; written so, it cancels against the
// same flip inside the compiler's leading-zero count, leaving one bit scan.)
inline Square lastSquare(Bitboard b) { return Square(63 ^ __builtin_clzll(b)); }
// Number of squares in the set. The default build may not assume a hardware
// population count, and the compiler's fallback is a library call; this is
// the usual parallel bit count (pairs, nibbles, then a multiply sums bytes).
inline int popCount(Bitboard b) {
  b -= (b >> 1) & 0x5555555555555555ull;
  b = (b & 0x3333333333333333ull) + ((b >> 2) & 0x3333333333333333ull);
  b = (b + (b >> 4)) & 0x0F0F0F0F0F0F0F0Full;
  return int((b * 0x0101010101010101ull) >> 56);
}
// The same count for a set known to hold at most two squares (a pawn's
// attackers or defenders): cheaper than the full count.
inline int popCountMax2(Bitboard b) { return int(b != 0) + int((b & (b - 1)) != 0); }
inline Square popFirst(Bitboard& b) { Square s = firstSquare(b); b &= b - 1; return s; }
inline Square popLast(Bitboard& b) { Square s = lastSquare(b); b &= ~(Bitboard(1) << s); return s; }
constexpr Bitboard bit(Square s) { return Bitboard(1) << s; }

// Move word: bits 0-5 to, 6-11 from, 12-15 promotion, 16-21 captured code,
// 25-31 moving piece code. No flags: castling is recognised by the whole word,
// en passant by the destination being the en-passant square.
constexpr Square moveTo(Move m) { return m & 63; }
constexpr Square moveFrom(Move m) { return (m >> 6) & 63; }
constexpr uint32_t movePromotion(Move m) { return m & 0xF000; }
constexpr int moveCaptured(Move m) { return int((m >> 16) & 63); }
constexpr int movePiece(Move m) { return int(m >> 25); }
constexpr Move buildMove(Square from, Square to, int piece, int captured = 0, uint32_t promotion = 0) {
  return Move(to | (from << 6) | promotion | (uint32_t(captured) << 16) | (uint32_t(piece) << 25));
}

constexpr uint32_t PromoteKnight = 0x1000, PromoteBishop = 0x2000, PromoteRook = 0x3000,
                   PromoteQueen = 0x4000;

constexpr Move WhiteCastleShort = 0x2C000106;
constexpr Move WhiteCastleLong = 0x2C000102;
constexpr Move BlackCastleShort = 0x4C000F3E;
constexpr Move BlackCastleLong = 0x4C000F3A;

constexpr bool isCastle(Move m) {
  return m == WhiteCastleShort || m == WhiteCastleLong || m == BlackCastleShort || m == BlackCastleLong;
}

}  // namespace tarrock
