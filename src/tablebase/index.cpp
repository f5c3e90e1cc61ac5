#include "tablebase/index.h"

#include <cstring>
#include <utility>

namespace tarrock {

namespace {

// Placement kinds: a pawn that may stand anywhere on ranks 2-7 ("p"), a pawn
// of the side to move, which may not attack the other king ("P"), and the
// pieces of the side to move, which may not touch the other king with an
// attack.
enum Kind { KindFreePawn, KindPawn, KindKnight, KindBishop, KindRook, KindQueen, KindCount };

// King numberings: with pawns the first king is folded onto files a-d only;
// without pawns onto the a1-d1-d4 triangle.
enum Numbering { PawnKings, PawnlessKings };

constexpr int MaxPairs = 1806;
constexpr int16_t NoPair = 4000;

struct IndexTables {
  bool ready = false;
  int16_t pairNumber[2][64][64];
  int pairCount[2];
  uint8_t pairFirst[2][MaxPairs];
  uint8_t pairSecond[2][MaxPairs];
  uint8_t ord[KindCount][64][64];  // 255: not an allowed square
  uint8_t count[KindCount][64];
  // Running totals over the king pairs; entry pairCount holds the total.
  uint32_t single[KindCount][2][MaxPairs + 1];
  uint32_t pair[KindCount][KindCount][2][MaxPairs + 1];  // [stronger][weaker]
  TbMaterial material[TbClassCount + 1];
};
IndexTables tables;

int fileOfSq(int s) { return s & 7; }
int rankOfSq(int s) { return s >> 3; }
int absDiff(int a, int b) { return a > b ? a - b : b - a; }
bool touching(int a, int b) {
  return absDiff(fileOfSq(a), fileOfSq(b)) <= 1 && absDiff(rankOfSq(a), rankOfSq(b)) <= 1;
}

// Whether a man of the kind on s attacks the king on k at contact range.
bool contactAttack(int kind, int s, int k) {
  int df = absDiff(fileOfSq(s), fileOfSq(k)), dr = absDiff(rankOfSq(s), rankOfSq(k));
  switch (kind) {
    case KindPawn: return (fileOfSq(s) > 0 && k == s + 7) || (fileOfSq(s) < 7 && k == s + 9);
    case KindKnight: return (df == 1 && dr == 2) || (df == 2 && dr == 1);
    case KindBishop: return df == 1 && dr == 1;
    case KindRook: return df + dr == 1;
    case KindQueen: return df <= 1 && dr <= 1 && df + dr > 0;
    default: return false;
  }
}

int kindOfType(int type) {
  switch (type) {
    case 1: return KindPawn;
    case 2: return KindKnight;
    case 3: return KindBishop;
    case 4: return KindRook;
    default: return KindQueen;
  }
}

int typeOfLetter(char c) {
  switch (c) {
    case 'p': return 1;
    case 'n': return 2;
    case 'b': return 3;
    case 'r': return 4;
    case 'q': return 5;
    default: return 0;
  }
}

void buildPairs() {
  for (int n = 0; n < 2; ++n) {
    int next = 0;
    for (int f = 0; f < 64; ++f)
      for (int s = 0; s < 64; ++s) {
        tables.pairNumber[n][f][s] = NoPair;
        bool firstOk = n == PawnKings ? fileOfSq(f) < 4 : (fileOfSq(f) < 4 && fileOfSq(f) >= rankOfSq(f));
        if (!firstOk || touching(f, s)) continue;
        if (n == PawnlessKings && fileOfSq(f) == rankOfSq(f) && fileOfSq(s) < rankOfSq(s)) continue;
        tables.pairFirst[n][next] = uint8_t(f);
        tables.pairSecond[n][next] = uint8_t(s);
        tables.pairNumber[n][f][s] = int16_t(next++);
      }
    tables.pairCount[n] = next;
  }
}

void buildPlacements() {
  for (int k = 0; k < KindCount; ++k)
    for (int bk = 0; bk < 64; ++bk) {
      int next = 0;
      for (int s = 0; s < 64; ++s) {
        bool ok = s != bk;
        if (k <= KindPawn && (s < 8 || s > 55)) ok = false;
        if (contactAttack(k, s, bk)) ok = false;
        tables.ord[k][bk][s] = ok ? uint8_t(next++) : uint8_t(255);
      }
      tables.count[k][bk] = uint8_t(next);
    }
}

// Squares a piece of the kind may take with the first king on f, the second on s.
uint32_t singleCount(int k, int f, int s) {
  return tables.count[k][s] - (tables.ord[k][s][f] != 255 ? 1u : 0u);
}

void buildBases() {
  for (int n = 0; n < 2; ++n) {
    for (int k = 0; k < KindCount; ++k) {
      uint32_t total = 0;
      for (int p = 0; p < tables.pairCount[n]; ++p) {
        tables.single[k][n][p] = total;
        total += singleCount(k, tables.pairFirst[n][p], tables.pairSecond[n][p]);
      }
      tables.single[k][n][tables.pairCount[n]] = total;
    }
    for (int k1 = 0; k1 < KindCount; ++k1)
      for (int k2 = 0; k2 <= k1; ++k2) {
        uint32_t total = 0;
        for (int p = 0; p < tables.pairCount[n]; ++p) {
          tables.pair[k1][k2][n][p] = total;
          uint32_t a = singleCount(k1, tables.pairFirst[n][p], tables.pairSecond[n][p]);
          uint32_t b = singleCount(k2, tables.pairFirst[n][p], tables.pairSecond[n][p]);
          total += k1 == k2 ? a * (a - 1) / 2 : a * b;
        }
        tables.pair[k1][k2][n][tables.pairCount[n]] = total;
      }
  }
}

void buildMaterial() {
  for (int id = 1; id <= TbClassCount; ++id) {
    TbMaterial& m = tables.material[id];
    m = TbMaterial{{0, 0}, 0, 0, false};
    const char* name = tbClassInfo[id].name;
    int i = 1;  // after the first 'k'
    while (name[i] && name[i] != 'k') m.white[m.whiteCount++] = typeOfLetter(name[i++]);
    if (name[i] == 'k' && name[i + 1]) m.black = typeOfLetter(name[i + 1]);
    m.pawns = m.white[0] == 1 || m.white[1] == 1 || m.black == 1;
  }
}

// One index computation: the transformed squares and the terms shared by the
// members of the family. Any term that cannot be formed marks it bad.
struct Indexer {
  int numbering = PawnKings;
  bool bad = false;

  int pairOf(int f, int s) {
    int p = tables.pairNumber[numbering][f][s];
    if (p == NoPair) {
      bad = true;
      return 0;
    }
    return p;
  }
  int pawnPair(int f, int s) {
    int p = tables.pairNumber[PawnKings][f][s];
    if (p == NoPair) {
      bad = true;
      return 0;
    }
    return p;
  }
  // Ordinal of a placed piece, one less when the first king stands on an
  // allowed square below it.
  uint64_t ordinal(int k, int f, int s, int x) {
    int o = tables.ord[k][s][x];
    if (o == 255) {
      bad = true;
      return 0;
    }
    return uint64_t(o) - (tables.ord[k][s][f] != 255 && f < x ? 1 : 0);
  }
  uint64_t i3(int k, int f, int x, int s) { return tables.single[k][numbering][pairOf(f, s)] + ordinal(k, f, s, x); }
  // The side to move's pawn of a Black-to-move function, on the board turned.
  uint64_t i3Down(int f, int q, int s) {
    int p = pawnPair(f ^ 56, s ^ 56);
    return tables.single[KindPawn][PawnKings][p] + ordinal(KindPawn, f ^ 56, s ^ 56, q ^ 56);
  }
  uint64_t i4(int kx, int ky, int f, int x, int y, int s) {
    int p = pairOf(f, s);
    uint64_t ox = ordinal(kx, f, s, x), oy = ordinal(ky, f, s, y);
    return tables.pair[kx][ky][numbering][p] + ox * singleCount(ky, f, s) + oy;
  }
  uint64_t i4Like(int k, int f, int x1, int x2, int s) {
    if (x1 > x2) std::swap(x1, x2);
    int p = pairOf(f, s);
    uint64_t o1 = ordinal(k, f, s, x1), o2 = ordinal(k, f, s, x2);
    return tables.pair[k][k][numbering][p] + o2 * (o2 - 1) / 2 + o1;
  }
};

int below(int z, std::initializer_list<int> squares) {
  int n = 0;
  for (int s : squares) n += s < z;
  return n;
}

uint64_t epWhite(int p, int e) { return p + 7 == e ? uint64_t(fileOfSq(p) - 1) : uint64_t(fileOfSq(p) + 7); }
uint64_t epBlack(int q, int e) { return q - 9 == e ? uint64_t(fileOfSq(q) - 1) : uint64_t(fileOfSq(q) + 7); }

// A white pawn on p can take en passant on e.
bool whiteTakes(int p, int e) {
  return (p + 7 == e && fileOfSq(p) > 0) || (p + 9 == e && fileOfSq(p) < 7);
}
bool blackTakes(int q, int e) {
  return (q - 9 == e && fileOfSq(q) > 0) || (q - 7 == e && fileOfSq(q) < 7);
}

bool holds(const int* men, int n, int s) {
  for (int i = 0; i < n; ++i)
    if (men[i] == s) return true;
  return false;
}

uint64_t totalSingle(int k, int n) { return tables.single[k][n][tables.pairCount[n]]; }
uint64_t totalPair(int k1, int k2, int n) { return tables.pair[k1][k2][n][tables.pairCount[n]]; }

// The squares of one call, folded.
struct Men {
  int wk, bk;
  int w[2];  // the stronger side's pieces in name order
  int z;     // the other side's piece or pawn
  int ep;    // -1 for none
};

uint64_t indexThree(const TbMaterial& m, int side, Indexer& ix, const Men& s) {
  const int x = s.w[0];
  if (side == 0) return ix.i3(m.pawns ? KindPawn : kindOfType(m.white[0]), s.wk, x, s.bk);
  if (m.pawns) return ix.i3(KindFreePawn, s.bk ^ 56, x ^ 56, s.wk ^ 56);
  return uint64_t(ix.pairOf(s.bk, s.wk)) * 62 + uint64_t(x - below(x, {s.wk, s.bk}));
}

// The pawn against pawn class, always seen with the side to move as White.
uint64_t indexPawnPawn(Indexer& ix, int wk, int p, int bk, int q, int e) {
  if (e >= 0) return totalSingle(KindPawn, PawnKings) * 47 + uint64_t(ix.pairOf(wk, bk)) * 14 + epWhite(p, e);
  return ix.i3(KindPawn, wk, p, bk) * 47 + uint64_t(q - (p < q) - 8);
}

uint64_t indexFour(const TbMaterial& m, int side, Indexer& ix, const Men& s) {
  const int X = m.white[0], Y = m.white[1], Z = m.black;
  if (m.whiteCount == 1) {
    const int x = s.w[0], y = s.z;
    if (X == 1) {  // kpkp
      if (side == 0) return indexPawnPawn(ix, s.wk, x, s.bk, y, s.ep);
      return indexPawnPawn(ix, s.bk ^ 56, y ^ 56, s.wk ^ 56, x ^ 56, s.ep >= 0 ? s.ep ^ 56 : -1);
    }
    if (Z == 1) {  // a piece against a pawn
      if (side == 0) return ix.i3(kindOfType(X), s.wk, x, s.bk) * 48 + uint64_t(y - 8);
      return ix.i3Down(s.bk, y, s.wk) * 61 + uint64_t(x - below(x, {s.wk, s.bk, y}));
    }
    if (side == 0) return ix.i3(kindOfType(X), s.wk, x, s.bk) * 61 + uint64_t(y - below(y, {s.wk, x, s.bk}));
    return ix.i3(kindOfType(Z), s.bk, y, s.wk) * 61 + uint64_t(x - below(x, {s.wk, y, s.bk}));
  }
  const int x = s.w[0], y = s.w[1];
  if (X == 1) {  // kppk
    if (side == 0) return ix.i4Like(KindPawn, s.wk, x, y, s.bk);
    return ix.i4Like(KindFreePawn, s.bk ^ 56, x ^ 56, y ^ 56, s.wk ^ 56);
  }
  if (Y == 1) {  // a piece and a pawn
    if (side == 0) return ix.i4(kindOfType(X), KindPawn, s.wk, x, y, s.bk);
    return ix.i3(KindFreePawn, s.bk ^ 56, y ^ 56, s.wk ^ 56) * 61 + uint64_t(x - below(x, {s.wk, s.bk, y}));
  }
  if (X == Y) {
    if (side == 0) return ix.i4Like(kindOfType(X), s.wk, x, y, s.bk);
    int lo = x < y ? x : y, hi = x < y ? y : x;
    uint64_t o1 = uint64_t(lo - below(lo, {s.wk, s.bk})), o2 = uint64_t(hi - below(hi, {s.wk, s.bk}));
    return uint64_t(ix.pairOf(s.bk, s.wk)) * 1891 + o2 * (o2 - 1) / 2 + o1;
  }
  if (side == 0) return ix.i4(kindOfType(X), kindOfType(Y), s.wk, x, y, s.bk);
  return uint64_t(ix.pairOf(s.bk, s.wk)) * 3782 + uint64_t(x - below(x, {s.wk, s.bk})) * 61 +
         uint64_t(y - below(y, {s.wk, s.bk, x}));
}

// Two white pawns, White to move, en passant on e.
uint64_t twoPawnsTake(int p1, int p2, int q, int e) {
  int lo = p1 < p2 ? p1 : p2, hi = p1 < p2 ? p2 : p1;
  if (lo + 7 == e && fileOfSq(lo) != 0)
    return uint64_t(fileOfSq(lo) + (hi - below(hi, {q, e, e + 8}) - 9) * 14 - 1);
  if (lo + 9 == e && fileOfSq(lo) < 7)
    return uint64_t(fileOfSq(lo) + (hi - below(hi, {q, e, e + 8}) - 9) * 14 + 7);
  int v = fileOfSq(hi) + (lo - below(lo, {q, e, e + 8}) - 8) * 14;
  return uint64_t(hi + 7 == e && fileOfSq(hi) != 0 ? v - 1 : v + 7);
}

// Two white pawns, Black to move, the black pawn q taking en passant on e.
uint64_t twoPawnsTaken(int p1, int p2, int q, int e) {
  if (p1 > p2) std::swap(p1, p2);
  int c = q - 9 == e && fileOfSq(q) != 0 ? -1 : 7;
  if (p1 - 8 != e) return uint64_t(fileOfSq(q) + (p1 - below(p1, {q, e, e - 8}) - 8) * 14 + c);
  return uint64_t(fileOfSq(q) + (p2 - below(p2, {q, e, e - 8}) - 9) * 14 + c);
}

uint64_t indexFive(const TbMaterial& m, int side, Indexer& ix, const Men& s) {
  const int X = m.white[0], Y = m.white[1], Z = m.black;
  const int x = s.w[0], y = s.w[1], z = s.z, wk = s.wk, bk = s.bk, e = s.ep;
  if (X == 1) {  // kppkZ
    int p1 = x < y ? x : y, p2 = x < y ? y : x;
    if (Z == 1) {
      if (side == 0) {
        if (e >= 0)
          return totalPair(KindPawn, KindPawn, PawnKings) * 46 + uint64_t(ix.pairOf(wk, bk)) * 616 +
                 twoPawnsTake(p1, p2, z, e);
        return ix.i4Like(KindPawn, wk, p1, p2, bk) * 46 + uint64_t(z - below(z, {p1, p2}) - 8);
      }
      if (e >= 0)
        return totalSingle(KindPawn, PawnKings) * 1081 + uint64_t(ix.pairOf(bk, wk)) * 616 +
               twoPawnsTaken(p1, p2, z, e);
      uint64_t p2b = uint64_t(p2 - (z < p2));
      return ix.i3Down(bk, z, wk) * 1081 + (p2b - 8) * (p2b - 9) / 2 + uint64_t(p1 - (z < p1) - 8);
    }
    if (side == 0) return ix.i4Like(KindPawn, wk, p1, p2, bk) * 60 + uint64_t(z - below(z, {wk, bk, p1, p2}));
    return ix.i3(kindOfType(Z), bk, z, wk) * 1128 + uint64_t(p2 - 8) * uint64_t(p2 - 9) / 2 + uint64_t(p1 - 8);
  }
  if (Y == 1) {  // kXpkZ
    const int p = y;
    if (Z == 1) {
      if (side == 0) {
        if (e >= 0)
          return totalPair(kindOfType(X), KindPawn, PawnKings) * 47 + ix.i3(kindOfType(X), wk, x, bk) * 14 +
                 epWhite(p, e);
        return ix.i4(kindOfType(X), KindPawn, wk, x, p, bk) * 47 + uint64_t(z - (p < z) - 8);
      }
      if (e >= 0)
        return totalSingle(KindPawn, PawnKings) * 2820 + uint64_t(ix.pairOf(bk, wk)) * 812 +
               uint64_t(x - below(x, {wk, bk, p, z, e, e - 8})) * 14 + epBlack(z, e);
      return ix.i3Down(bk, z, wk) * 2820 + uint64_t(x - below(x, {wk, bk, p, z})) * 47 + uint64_t(p - (z < p) - 8);
    }
    if (side == 0) return ix.i4(kindOfType(X), KindPawn, wk, x, p, bk) * 60 + uint64_t(z - below(z, {wk, bk, x, p}));
    return ix.i3(kindOfType(Z), bk, z, wk) * 2880 + uint64_t(x - below(x, {wk, bk, p, z})) * 48 + uint64_t(p - 8);
  }
  if (X == Y) {  // kXXkZ
    int x1 = x < y ? x : y, x2 = x < y ? y : x;
    if (side == 0) {
      uint64_t base = ix.i4Like(kindOfType(X), wk, x1, x2, bk);
      if (Z == 1) return base * 48 + uint64_t(z - 8);
      return base * 60 + uint64_t(z - below(z, {wk, bk, x1, x2}));
    }
    uint64_t base = Z == 1 ? ix.i3Down(bk, z, wk) : ix.i3(kindOfType(Z), bk, z, wk);
    uint64_t o1 = uint64_t(x1 - below(x1, {wk, bk, z})), o2 = uint64_t(x2 - below(x2, {wk, bk, z}));
    return base * 1830 + o2 * (o2 - 1) / 2 + o1;
  }
  // kXYkZ
  if (side == 0) {
    uint64_t base = ix.i4(kindOfType(X), kindOfType(Y), wk, x, y, bk);
    if (Z == 1) return base * 48 + uint64_t(z - 8);
    return base * 60 + uint64_t(z - below(z, {wk, bk, x, y}));
  }
  uint64_t base = Z == 1 ? ix.i3Down(bk, z, wk) : ix.i3(kindOfType(Z), bk, z, wk);
  return base * 3660 + uint64_t(x - below(x, {wk, bk, z})) * 60 + uint64_t(y - below(y, {wk, bk, x, z}));
}

int slotOfType(int type) { return (type - 1) * 3; }

}  // namespace

void TbInitIndexing() {
  if (tables.ready) return;
  buildPairs();
  buildPlacements();
  buildBases();
  buildMaterial();
  tables.ready = true;
}

TbMaterial TbClassMaterial(int id) {
  TbInitIndexing();
  if (id < 1 || id > TbClassCount) return TbMaterial{{0, 0}, 0, 0, false};
  return tables.material[id];
}

uint32_t TbComputeIndex(int id, int side, const int* whiteRole, const int* blackRole, int epSquare, int invert) {
  TbInitIndexing();
  if (id < 1 || id > TbClassCount || (side != 0 && side != 1)) return TbNoIndex;
  const TbMaterial& m = tables.material[id];

  Men men;
  men.wk = whiteRole[15] & 63;
  men.bk = blackRole[15] & 63;
  if (m.whiteCount == 2 && m.white[0] == m.white[1]) {
    men.w[0] = whiteRole[slotOfType(m.white[0])] & 63;
    men.w[1] = whiteRole[slotOfType(m.white[0]) + 1] & 63;
  } else {
    men.w[0] = whiteRole[slotOfType(m.white[0])] & 63;
    men.w[1] = m.whiteCount == 2 ? whiteRole[slotOfType(m.white[1])] & 63 : 0;
  }
  men.z = m.black ? blackRole[slotOfType(m.black)] & 63 : 0;
  men.ep = epSquare >= 0 && epSquare < 64 ? epSquare : -1;

  Indexer ix;
  const int reference = side == 0 ? men.wk : men.bk;
  if (m.pawns) {
    ix.numbering = PawnKings;
    const int mirror = (fileOfSq(reference) >= 4 ? 7 : 0) ^ (invert ? 56 : 0);
    men.wk ^= mirror;
    men.bk ^= mirror;
    men.w[0] ^= mirror;
    men.w[1] ^= mirror;
    men.z ^= mirror;
    if (men.ep >= 0) men.ep ^= mirror;
  } else {
    ix.numbering = PawnlessKings;
    men.ep = -1;
    const int fold = (fileOfSq(reference) >= 4 ? 7 : 0) | (rankOfSq(reference) >= 4 ? 56 : 0);
    men.wk ^= fold;
    men.bk ^= fold;
    men.w[0] ^= fold;
    men.w[1] ^= fold;
    men.z ^= fold;
    const int f = side == 0 ? men.wk : men.bk, s = side == 0 ? men.bk : men.wk;
    const bool keep = fileOfSq(f) >= rankOfSq(f) && (fileOfSq(f) != rankOfSq(f) || fileOfSq(s) >= rankOfSq(s));
    if (!keep) {
      auto reflect = [](int& sq) { sq = (fileOfSq(sq) << 3) | rankOfSq(sq); };
      reflect(men.wk);
      reflect(men.bk);
      reflect(men.w[0]);
      reflect(men.w[1]);
      reflect(men.z);
    }
  }

  // An en-passant square counts only when the side to move can take on it:
  // the pawn that just moved two squares stands behind it, the square it
  // crossed and the one it came from are empty, and a pawn stands beside it.
  if (men.ep >= 0) {
    int used[5] = {men.wk, men.bk, men.w[0], men.w[1], men.z};
    int usedCount = 2 + m.whiteCount;
    if (m.black) used[usedCount++] = men.z;
    auto empty = [&](int sq) { return sq >= 0 && sq < 64 && !holds(used, usedCount, sq); };
    const int e = men.ep, q = m.black == 1 ? men.z : -1;
    bool real = false;
    for (int i = 0; i < m.whiteCount && q >= 0; ++i) {
      if (m.white[i] != 1) continue;
      const int p = men.w[i];
      if (side == 0)
        real |= rankOfSq(e) == 5 && q == e - 8 && whiteTakes(p, e) && empty(e) && empty(e + 8);
      else
        real |= rankOfSq(e) == 2 && p == e + 8 && blackTakes(q, e) && empty(e) && empty(e - 8);
    }
    if (!real) men.ep = -1;
  }

  uint64_t index;
  const int menCount = 2 + m.whiteCount + (m.black ? 1 : 0);
  if (menCount == 3)
    index = indexThree(m, side, ix, men);
  else if (menCount == 4)
    index = indexFour(m, side, ix, men);
  else
    index = indexFive(m, side, ix, men);
  if (ix.bad || index >= TbNoIndex) return TbNoIndex;
  return uint32_t(index);
}

uint64_t TbRegionSize(int id, int side) {
  TbInitIndexing();
  if (id < 1 || id > TbClassCount || (side != 0 && side != 1)) return 0;
  const TbMaterial& m = tables.material[id];
  const int X = m.white[0], Y = m.white[1], Z = m.black;
  const uint64_t pawnPairs = uint64_t(tables.pairCount[PawnKings]);
  const uint64_t pawnlessPairs = uint64_t(tables.pairCount[PawnlessKings]);
  const int n = m.pawns ? PawnKings : PawnlessKings;
  const uint64_t tP = totalSingle(KindPawn, PawnKings);
  if (m.whiteCount == 1 && !Z) {
    if (side == 0) return totalSingle(m.pawns ? KindPawn : kindOfType(X), n);
    return m.pawns ? totalSingle(KindFreePawn, PawnKings) : pawnlessPairs * 62;
  }
  if (m.whiteCount == 1) {
    if (X == 1) return tP * 47 + pawnPairs * 14;
    if (Z == 1) return side == 0 ? totalSingle(kindOfType(X), PawnKings) * 48 : tP * 61;
    return (side == 0 ? totalSingle(kindOfType(X), n) : totalSingle(kindOfType(Z), n)) * 61;
  }
  if (!Z) {
    if (X == 1) return side == 0 ? totalPair(KindPawn, KindPawn, n) : totalPair(KindFreePawn, KindFreePawn, n);
    if (Y == 1) return side == 0 ? totalPair(kindOfType(X), KindPawn, n) : totalSingle(KindFreePawn, n) * 61;
    if (side == 1) return pawnlessPairs * (X == Y ? 1891 : 3782);
    return totalPair(kindOfType(X), kindOfType(Y), n);
  }
  const uint64_t tZ = Z == 1 ? tP : totalSingle(kindOfType(Z), n);
  if (X == 1) {
    if (Z == 1) return side == 0 ? totalPair(KindPawn, KindPawn, n) * 46 + pawnPairs * 616 : tP * 1081 + pawnPairs * 616;
    return side == 0 ? totalPair(KindPawn, KindPawn, n) * 60 : tZ * 1128;
  }
  if (Y == 1) {
    if (Z == 1)
      return side == 0 ? totalPair(kindOfType(X), KindPawn, n) * 47 + totalSingle(kindOfType(X), n) * 14
                       : tP * 2820 + pawnPairs * 812;
    return side == 0 ? totalPair(kindOfType(X), KindPawn, n) * 60 : tZ * 2880;
  }
  if (side == 1) return tZ * (X == Y ? 1830 : 3660);
  return totalPair(kindOfType(X), kindOfType(Y), n) * (Z == 1 ? 48 : 60);
}

bool TbPieceLists(const Position& pos, int lists[2][16], int counts[10]) {
  for (Colour c = White; c <= Black; ++c) {
    const Bitboard kinds[5] = {pos.pawns[c], pos.knights[c], pos.bishops[c], pos.rooks[c], pos.queens[c]};
    for (int k = 0; k < 5; ++k) {
      Bitboard b = kinds[k];
      const int n = popCount(b);
      if (n > 3) return false;
      counts[c * 5 + k] = n;
      for (int slot = 3 * k; b; ++slot) lists[c][slot] = int(popFirst(b));
    }
    lists[c][15] = int(pos.kingSquare[c]);
  }
  return true;
}

}  // namespace tarrock
