#include "board/tables.h"

#include <cstdlib>
#include <cstring>

#include "board/position.h"

namespace tarrock {

BoardTables boardTables;

namespace {

BoardTables& T = boardTables;

bool onBoard(int file, int rank) { return file >= 0 && file < 8 && rank >= 0 && rank < 8; }

// Squares reached from (file, rank) by the given steps that stay on the board.
Bitboard stepSet(int file, int rank, const int (*steps)[2], int count) {
  Bitboard set = 0;
  for (int i = 0; i < count; ++i) {
    int f = file + steps[i][0], r = rank + steps[i][1];
    if (onBoard(f, r)) set |= bit(makeSquare(f, r));
  }
  return set;
}

// Fills table[s][x] for the squares of one line, given in line order. Bit i of
// the index x is the occupancy of line[i + 1]; squares past the line's end
// never matter. A walk stops after the first occupied square.
void fillLine(Bitboard (*table)[LineIndexCount], const Square* line, int length) {
  for (int p = 0; p < length; ++p) {
    for (int x = 0; x < LineIndexCount; ++x) {
      const int occupied = x << 1;
      Bitboard set = 0;
      for (int q = p + 1; q < length; ++q) {
        set |= bit(line[q]);
        if (occupied & (1 << q)) break;
      }
      for (int q = p - 1; q >= 0; --q) {
        set |= bit(line[q]);
        if (occupied & (1 << q)) break;
      }
      table[line[p]][x] = set;
    }
  }
}

void buildMasks() {
  for (Square s = 0; s < 64; ++s) T.squareMask[s] = bit(s);
  T.darkSquares = 0;
  for (Square s = 0; s < 64; ++s)
    if ((fileOf(s) & 1) == (rankOf(s) & 1)) T.darkSquares |= bit(s);
  T.lightSquares = ~T.darkSquares;
  for (Square s = 0; s < 64; ++s) T.fileMask[s] = Bitboard(0x0101010101010101) << fileOf(s);
  for (Square s = 0; s < 64; ++s) T.rankMask[s] = Bitboard(0xFF) << (8 * rankOf(s));
}

void buildStepAttacks() {
  static const int knightSteps[8][2] = {{-1, -2}, {1, -2}, {-2, -1}, {2, -1},
                                        {-2, 1},  {2, 1},  {-1, 2},  {1, 2}};
  static const int kingSteps[8][2] = {{-1, -1}, {0, -1}, {1, -1}, {-1, 0},
                                      {1, 0},   {-1, 1}, {0, 1},  {1, 1}};
  static const int whitePawnSteps[2][2] = {{-1, 1}, {1, 1}};
  static const int blackPawnSteps[2][2] = {{-1, -1}, {1, -1}};
  for (Square s = 0; s < 64; ++s) T.knightAttacks[s] = stepSet(fileOf(s), rankOf(s), knightSteps, 8);
  for (Square s = 0; s < 64; ++s) T.kingAttacks[s] = stepSet(fileOf(s), rankOf(s), kingSteps, 8);
  for (Square s = 0; s < 64; ++s) {
    T.whitePawnAttacks[s] = stepSet(fileOf(s), rankOf(s), whitePawnSteps, 2);
    T.blackPawnAttacks[s] = stepSet(fileOf(s), rankOf(s), blackPawnSteps, 2);
  }
}

void buildSlidingAttacks() {
  Square line[8];
  for (int rank = 0; rank < 8; ++rank) {
    for (int i = 0; i < 8; ++i) line[i] = makeSquare(i, rank);
    fillLine(T.rankAttacks, line, 8);
  }
  for (int file = 0; file < 8; ++file) {
    for (int i = 0; i < 8; ++i) line[i] = makeSquare(file, i);
    fillLine(T.fileAttacks, line, 8);
  }
  // a1-h8 diagonals (rank - file = d), from the lowest square up and right.
  for (int d = -7; d <= 7; ++d) {
    int file = d >= 0 ? 0 : -d, rank = d >= 0 ? d : 0, length = 0;
    for (; onBoard(file + length, rank + length); ++length) line[length] = makeSquare(file + length, rank + length);
    for (int i = 0; i < length; ++i) T.diagShiftA1H8[line[i]] = squareMaps.mapDiagA1H8[line[0]];
    fillLine(T.diagA1H8Attacks, line, length);
  }
  // h1-a8 diagonals (rank + file = t), from the lowest square up and left.
  for (int t = 0; t <= 14; ++t) {
    int file = t <= 7 ? t : 7, rank = t <= 7 ? 0 : t - 7, length = 0;
    for (; onBoard(file - length, rank + length); ++length) line[length] = makeSquare(file - length, rank + length);
    for (int i = 0; i < length; ++i) T.diagShiftH1A8[line[i]] = squareMaps.mapDiagH1A8[line[0]];
    fillLine(T.diagH1A8Attacks, line, length);
  }
  for (Square s = 0; s < 64; ++s) {
    T.diagonalReach[s] = T.diagA1H8Attacks[s][0] | T.diagH1A8Attacks[s][0];
    T.straightReach[s] = T.rankAttacks[s][0] | T.fileAttacks[s][0];
  }
  for (Square s = 0; s < 64; ++s)
    T.rotatedBits[s] = {bit(squareMaps.mapFiles[s]), bit(squareMaps.mapDiagA1H8[s]), bit(squareMaps.mapDiagH1A8[s])};
}

void buildMobility() {
  for (Square s = 0; s < 64; ++s)
    for (int x = 0; x < LineIndexCount; ++x) {
      T.rankMobility[s][x] = int8_t(popCount(T.rankAttacks[s][x]));
      T.fileMobility[s][x] = int8_t(popCount(T.fileAttacks[s][x]));
      T.diagA1H8Mobility[s][x] = int8_t(2 * popCount(T.diagA1H8Attacks[s][x]));
      T.diagH1A8Mobility[s][x] = int8_t(2 * popCount(T.diagH1A8Attacks[s][x]));
    }
}

Bitboard ray(Square s, int fileStep, int rankStep) {
  Bitboard set = 0;
  for (int f = fileOf(s) + fileStep, r = rankOf(s) + rankStep; onBoard(f, r); f += fileStep, r += rankStep)
    set |= bit(makeSquare(f, r));
  return set;
}

void buildRaysAndDirection() {
  for (Square s = 0; s < 64; ++s) {
    T.northRay[s] = ray(s, 0, 1);
    T.southRay[s] = ray(s, 0, -1);
    T.eastRay[s] = ray(s, 1, 0);
    T.westRay[s] = ray(s, -1, 0);
    T.northEastRay[s] = ray(s, 1, 1);
    T.northWestRay[s] = ray(s, -1, 1);
    T.southEastRay[s] = ray(s, 1, -1);
    T.southWestRay[s] = ray(s, -1, -1);
  }
  struct RayStep {
    const Bitboard* rays;
    int step;
  };
  const RayStep raySteps[8] = {{T.northRay, 8},     {T.southRay, -8},     {T.eastRay, 1},
                               {T.westRay, -1},     {T.northEastRay, 9},  {T.northWestRay, 7},
                               {T.southEastRay, -7}, {T.southWestRay, -9}};
  std::memset(T.direction, 0, sizeof T.direction);
  for (Square a = 0; a < 64; ++a)
    for (Square b = 0; b < 64; ++b)
      for (const RayStep& r : raySteps)
        if (r.rays[a] & bit(b)) T.direction[a][b] = int8_t(r.step);
  for (Square a = 0; a < 64; ++a)
    for (Square b = 0; b < 64; ++b) {
      T.between[a][b] = 0;
      int step = T.direction[a][b];
      if (!step) continue;
      const Bitboard* fromA = nullptr;
      const Bitboard* fromB = nullptr;
      for (const RayStep& r : raySteps) {
        if (r.step == step) fromA = r.rays;
        if (r.step == -step) fromB = r.rays;
      }
      T.between[a][b] = fromA[a] & fromB[b];
    }
}

void buildCastlePaths() {
  T.castleShortPath[White] = bit(F1) | bit(G1);
  T.castleLongPath[White] = bit(B1) | bit(C1) | bit(D1);
  T.castleShortPath[Black] = bit(F8) | bit(G8);
  T.castleLongPath[Black] = bit(B8) | bit(C8) | bit(D8);
}

void buildPieceValues() {
  std::memset(T.pieceValue, 0, sizeof T.pieceValue);
  static const int32_t values[7] = {0, 100, 300, 300, 500, 1000, 10000};
  for (int type = Pawn; type <= King; ++type) {
    T.pieceValue[WhiteBit | type] = values[type];
    T.pieceValue[BlackBit | type] = values[type];
  }
}

}  // namespace

void initBoardTables() {
  initSquareMaps();
  buildMasks();
  buildStepAttacks();
  buildSlidingAttacks();
  buildMobility();
  buildRaysAndDirection();
  buildCastlePaths();
  buildPieceValues();
}

}  // namespace tarrock
