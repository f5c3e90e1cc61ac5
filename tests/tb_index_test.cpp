// Tablebase indexing: the enumerated region of every class against its stored
// length, and for every legal placement of the 3- and 4-man classes (a random
// sample of the 5-man classes) an index below the length that no other,
// non-symmetric position shares.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <unordered_map>
#include <string>
#include <vector>

#include "tablebase/classes.h"
#include "tablebase/index.h"

using namespace tarrock;

namespace {

int fileOf(int s) { return s & 7; }
int rankOf(int s) { return s >> 3; }
bool touching(int a, int b) { return std::abs(fileOf(a) - fileOf(b)) <= 1 && std::abs(rankOf(a) - rankOf(b)) <= 1; }

// One placement of a class: the kings, up to two pieces of the stronger side
// (white role) and the other side's piece, en passant or -1.
struct Placement {
  int wk, bk, w[2], z, ep;
};

// Attack of a man of type (1 pawn .. 5 queen, 6 king) of colour c on s from
// `from` with the board's occupancy.
bool attacks(int type, int colour, int from, int s, uint64_t occupied) {
  int df = fileOf(s) - fileOf(from), dr = rankOf(s) - rankOf(from);
  switch (type) {
    case 1: return std::abs(df) == 1 && dr == (colour == 0 ? 1 : -1);
    case 2: return (std::abs(df) == 1 && std::abs(dr) == 2) || (std::abs(df) == 2 && std::abs(dr) == 1);
    case 6: return from != s && std::abs(df) <= 1 && std::abs(dr) <= 1;
    default: break;
  }
  bool straight = df == 0 || dr == 0, diagonal = std::abs(df) == std::abs(dr);
  if (from == s) return false;
  if (type == 3 && !(diagonal)) return false;
  if (type == 4 && !(straight)) return false;
  if (type == 5 && !(straight || diagonal)) return false;
  int sf = (df > 0) - (df < 0), sr = (dr > 0) - (dr < 0);
  for (int f = fileOf(from) + sf, r = rankOf(from) + sr; f != fileOf(s) || r != rankOf(s); f += sf, r += sr)
    if (occupied & (uint64_t(1) << (r * 8 + f))) return false;
  return true;
}

struct ClassSweep {
  int id;
  TbMaterial m;
  int men;
};

// Fills the piece lists of a placement as the probe does.
void toLists(const TbMaterial& m, const Placement& p, int* white, int* black) {
  for (int i = 0; i < 16; ++i) white[i] = black[i] = 0;
  white[15] = p.wk;
  black[15] = p.bk;
  int slot[6] = {0, 0, 3, 6, 9, 12};
  int base = slot[m.white[0]];
  if (m.whiteCount == 2 && m.white[0] == m.white[1]) {
    white[base] = std::min(p.w[0], p.w[1]);
    white[base + 1] = std::max(p.w[0], p.w[1]);
  } else {
    white[base] = p.w[0];
    if (m.whiteCount == 2) white[slot[m.white[1]]] = p.w[1];
  }
  if (m.black) black[slot[m.black]] = p.z;
}

// Whether the placement is a position that can occur with `side` to move.
bool legal(const TbMaterial& m, const Placement& p, int side) {
  int sq[5] = {p.wk, p.bk, p.w[0], p.w[1], p.z};
  int type[5] = {6, 6, m.white[0], m.white[1], m.black};
  int colour[5] = {0, 1, 0, 0, 1};
  int n = 0;
  int used[5], usedType[5], usedColour[5];
  for (int i = 0; i < 5; ++i) {
    if (type[i] == 0) continue;
    used[n] = sq[i];
    usedType[n] = type[i];
    usedColour[n] = colour[i];
    ++n;
  }
  uint64_t occupied = 0;
  for (int i = 0; i < n; ++i) {
    if (occupied & (uint64_t(1) << used[i])) return false;
    occupied |= uint64_t(1) << used[i];
    if (usedType[i] == 1 && (used[i] < 8 || used[i] > 55)) return false;
  }
  // The king of the side not to move is not attacked.
  int target = side == 0 ? p.bk : p.wk;
  for (int i = 0; i < n; ++i)
    if (usedColour[i] == side && attacks(usedType[i], usedColour[i], used[i], target, occupied)) return false;
  if (p.ep >= 0) {
    // The other side's pawn has just moved two squares past ep, and a pawn of
    // the side to move stands beside it.
    const int dir = side == 0 ? 8 : -8, pusher = p.ep - dir, from = p.ep + dir;
    if (rankOf(p.ep) != (side == 0 ? 5 : 2)) return false;
    if (occupied & ((uint64_t(1) << p.ep) | (uint64_t(1) << from))) return false;
    bool pushed = false, taker = false;
    for (int i = 0; i < n; ++i) {
      if (usedType[i] != 1) continue;
      if (usedColour[i] != side && used[i] == pusher) pushed = true;
      if (usedColour[i] == side && rankOf(used[i]) == rankOf(pusher) && std::abs(fileOf(used[i]) - fileOf(p.ep)) == 1)
        taker = true;
    }
    if (!pushed || !taker) return false;
  }
  return true;
}

int transform(int s, int t) {
  // t bits: 1 mirror files, 2 mirror ranks, 4 reflect in the a1-h8 diagonal.
  if (t & 4) s = (fileOf(s) << 3) | rankOf(s);
  if (t & 1) s ^= 7;
  if (t & 2) s ^= 56;
  return s;
}

// The placement under symmetry t (pawn classes only mirror files).
Placement image(const Placement& p, int t) {
  Placement q = p;
  q.wk = transform(p.wk, t);
  q.bk = transform(p.bk, t);
  q.w[0] = transform(p.w[0], t);
  q.w[1] = transform(p.w[1], t);
  q.z = transform(p.z, t);
  if (p.ep >= 0) q.ep = transform(p.ep, t);
  return q;
}

bool sameMen(const TbMaterial& m, const Placement& a, const Placement& b) {
  if (a.wk != b.wk || a.bk != b.bk || a.ep != b.ep) return false;
  if (m.black && a.z != b.z) return false;
  if (m.whiteCount == 1) return a.w[0] == b.w[0];
  if (m.white[0] == m.white[1])
    return std::min(a.w[0], a.w[1]) == std::min(b.w[0], b.w[1]) && std::max(a.w[0], a.w[1]) == std::max(b.w[0], b.w[1]);
  return a.w[0] == b.w[0] && a.w[1] == b.w[1];
}

bool symmetric(const TbMaterial& m, const Placement& a, const Placement& b) {
  int images = m.pawns ? 2 : 8;
  for (int t = 0; t < images; ++t)
    if (sameMen(m, image(a, t), b)) return true;
  return false;
}

// Whether the king of the side to move stands where the index functions fold
// it to: files a-d with pawns, the a1-d4 quarter without.
bool canonicalKing(const TbMaterial& m, int k) { return fileOf(k) < 4 && (m.pawns || rankOf(k) < 4); }

// Enumerates the placements of a class (kings, pieces, en passant), calling
// visit for each legal one with the side to move; with `canonical` only those
// whose king of the side to move is folded already.
template <typename Visit>
void forEachPlacement(const TbMaterial& m, int side, bool canonical, int stride, Visit visit) {
  const int men = 2 + m.whiteCount + (m.black ? 1 : 0);
  Placement p{0, 0, {0, 0}, 0, -1};
  for (p.wk = 0; p.wk < 64; ++p.wk)
    for (p.bk = 0; p.bk < 64; ++p.bk) {
      if (touching(p.wk, p.bk)) continue;
      if (canonical && !canonicalKing(m, side == 0 ? p.wk : p.bk)) continue;
      if ((p.wk * 64 + p.bk) % stride != 0) continue;
      for (p.w[0] = 0; p.w[0] < 64; ++p.w[0])
        for (p.w[1] = 0; p.w[1] < (m.whiteCount == 2 ? 64 : 1); ++p.w[1]) {
          if (m.whiteCount == 2 && m.white[0] == m.white[1] && p.w[1] <= p.w[0]) continue;
          for (p.z = 0; p.z < (m.black ? 64 : 1); ++p.z) {
            p.ep = -1;
            if (legal(m, p, side)) visit(p);
            if (!m.pawns || m.black != 1 || men < 4) continue;
            // En passant: the other side's pawn (or the stronger side's, with
            // Black to move) has just moved two squares.
            int e = side == 0 ? p.z + 8 : -1;
            if (side == 1)
              for (int i = 0; i < m.whiteCount; ++i)
                if (m.white[i] == 1 && rankOf(p.w[i]) == 3) e = p.w[i] - 8;
            if (e < 0 || (side == 0 && rankOf(p.z) != 4)) continue;
            p.ep = e;
            if (legal(m, p, side)) visit(p);
          }
        }
    }
}

}  // namespace

TEST(TablebaseIndex, RegionsMatchTheStoredLengths) {
  TbInitIndexing();
  int shorter = 0;
  for (int id = 1; id <= TbClassCount; ++id)
    for (int side = 0; side < 2; ++side) {
      const uint64_t region = TbRegionSize(id, side), length = tbClassInfo[id].length[side];
      SCOPED_TRACE(std::string(tbClassInfo[id].name) + (side ? " black" : " white"));
      EXPECT_GE(region, length);
      // A file stops early only by its last few impossible positions.
      EXPECT_LT(region - length, region / 100 + 64);
      shorter += region != length;
    }
  // The examples the layout gives: krk and kqk White to move end early.
  EXPECT_EQ(TbRegionSize(4, 0), 27036u);
  EXPECT_EQ(TbRegionSize(5, 0), 25635u);
  EXPECT_EQ(TbRegionSize(1, 0), 81664u);
  EXPECT_EQ(TbRegionSize(41, 0), 219921779u);
  EXPECT_EQ(TbRegionSize(41, 1), 231758952u);
  EXPECT_EQ(TbRegionSize(36, 1), 89391280u);
  std::printf("%d of 220 files stop before the end of their region\n", shorter);
}

namespace {

struct SweepResult {
  uint64_t positions = 0;
  uint64_t outside = 0;
  uint64_t clashes = 0;
  uint32_t highest = 0;
  std::string firstFault;
};

std::string describe(const Placement& p) {
  char text[80];
  std::snprintf(text, sizeof text, "wk %d bk %d w %d %d z %d ep %d", p.wk, p.bk, p.w[0], p.w[1], p.z, p.ep);
  return text;
}

// Every legal position of the class with the side to move, or every
// `stride`-th king placement for a quicker pass. With `canonical` only the
// positions whose king of the side to move is folded already are placed, and
// one symmetric image of each must give the same index.
SweepResult sweep(int id, int side, int stride, bool canonical) {
  const TbMaterial m = TbClassMaterial(id);
  const uint32_t length = tbClassInfo[id].length[side];
  std::vector<Placement> seen(length);
  std::vector<uint8_t> taken(length, 0);
  SweepResult r;
  int white[16], black[16];
  uint64_t counter = 0;
  forEachPlacement(m, side, canonical, stride, [&](const Placement& p) {
    ++counter;
    ++r.positions;
    toLists(m, p, white, black);
    uint32_t index = tbClassInfo[id].index[side](white, black, p.ep >= 0 ? p.ep : TbNoEnPassant, 0);
    const int king = side == 0 ? p.wk : p.bk;
    if (canonical && (m.pawns || fileOf(king) != rankOf(king))) {
      const int images = m.pawns ? 2 : 8;
      Placement q = image(p, 1 + int(counter % (images - 1)));
      int qw[16], qb[16];
      toLists(m, q, qw, qb);
      uint32_t other = tbClassInfo[id].index[side](qw, qb, q.ep >= 0 ? q.ep : TbNoEnPassant, 0);
      if (other != index && r.clashes++ == 0) r.firstFault = "image differs: " + describe(p);
    }
    if (index >= length) {
      if (r.outside++ == 0) r.firstFault = "outside: " + describe(p) + " -> " + std::to_string(index);
      return;
    }
    if (index > r.highest) r.highest = index;
    if (!taken[index]) {
      taken[index] = 1;
      seen[index] = p;
    } else if (!symmetric(m, seen[index], p)) {
      if (r.clashes++ == 0) r.firstFault = "clash: " + describe(p) + " and " + describe(seen[index]);
    }
  });
  return r;
}

void expectSound(int id, int side, int stride, bool canonical) {
  SweepResult r = sweep(id, side, stride, canonical);
  SCOPED_TRACE(std::string(tbClassInfo[id].name) + (side ? " black to move" : " white to move"));
  EXPECT_GT(r.positions, 0u);
  EXPECT_EQ(r.outside, 0u) << r.firstFault;
  EXPECT_EQ(r.clashes, 0u) << r.firstFault;
  // The file ends right after the last index a position uses.
  if (stride == 1) {
    EXPECT_EQ(r.highest + 1, tbClassInfo[id].length[side]);
  }
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool Sanitized = true;
#else
constexpr bool Sanitized = false;
#endif

}  // namespace

TEST(TablebaseIndex, EveryThreeManPositionHasItsOwnIndex) {
  for (int id = 1; id <= 5; ++id)
    for (int side = 0; side < 2; ++side) {
      expectSound(id, side, 1, false);
      expectSound(id, side, 1, true);
    }
}

// Every legal position of the 30 four-man classes up to symmetry (the
// three-man sweep places the kings everywhere); under the sanitizers every
// 61st king placement.
TEST(TablebaseIndex, EveryFourManPositionHasItsOwnIndexOneAgainstOne) {
  for (int id = 6; id <= 20; ++id)
    for (int side = 0; side < 2; ++side) expectSound(id, side, Sanitized ? 61 : 1, true);
}

TEST(TablebaseIndex, EveryFourManPositionHasItsOwnIndexTwoAgainstNone) {
  for (int id = 21; id <= 35; ++id)
    for (int side = 0; side < 2; ++side) expectSound(id, side, Sanitized ? 61 : 1, true);
}

namespace {

// A random legal placement of the class with the side to move; en passant
// where the class and the dice allow it.
Placement randomPlacement(const TbMaterial& m, int side, std::mt19937& rng) {
  std::uniform_int_distribution<int> square(0, 63);
  for (;;) {
    Placement p{square(rng), square(rng), {square(rng), m.whiteCount == 2 ? square(rng) : 0}, m.black ? square(rng) : 0, -1};
    if (touching(p.wk, p.bk)) continue;
    if (m.whiteCount == 2 && m.white[0] == m.white[1] && p.w[0] == p.w[1]) continue;
    if (m.black == 1 && (rng() & 3) == 0) {
      if (side == 0 && rankOf(p.z) == 4) p.ep = p.z + 8;
      for (int i = 0; i < m.whiteCount && side == 1; ++i)
        if (m.white[i] == 1 && rankOf(p.w[i]) == 3) p.ep = p.w[i] - 8;
      if (p.ep >= 0 && !legal(m, p, side)) p.ep = -1;
    }
    if (legal(m, p, side)) return p;
  }
}

}  // namespace

// A sample of each five-man class: indices below the length, and distinct
// unless the positions are images of each other.
TEST(TablebaseIndex, FiveManSampleHasItsOwnIndices) {
  std::mt19937 rng(15);
  const int samples = Sanitized ? 3000 : 40000;
  for (int id = 36; id <= TbClassCount; ++id)
    for (int side = 0; side < 2; ++side) {
      const TbMaterial m = TbClassMaterial(id);
      const uint32_t length = tbClassInfo[id].length[side];
      std::unordered_map<uint32_t, Placement> seen;
      int outside = 0, clashes = 0, withEp = 0;
      std::string fault;
      int white[16], black[16];
      auto check = [&](const Placement& p) {
        toLists(m, p, white, black);
        uint32_t index = tbClassInfo[id].index[side](white, black, p.ep >= 0 ? p.ep : TbNoEnPassant, 0);
        if (index >= length) {
          if (outside++ == 0) fault = describe(p);
          return;
        }
        auto [at, inserted] = seen.emplace(index, p);
        if (!inserted && !symmetric(m, at->second, p) && clashes++ == 0) fault = describe(p) + " / " + describe(at->second);
      };
      for (int i = 0; i < samples; ++i) {
        Placement p = randomPlacement(m, side, rng);
        withEp += p.ep >= 0;
        check(p);
      }
      // Around a few random positions, two men over every pair of squares:
      // neighbouring indices are where a wrong term would collide.
      for (int i = 0; i < (Sanitized ? 2 : 12); ++i) {
        Placement p = randomPlacement(m, side, rng);
        p.ep = -1;
        int* a = i % 2 ? &p.w[0] : &p.z;
        int* b = &p.w[1];
        for (*a = 0; *a < 64; ++*a)
          for (*b = 0; *b < 64; ++*b)
            if (legal(m, p, side)) check(p);
      }
      SCOPED_TRACE(std::string(tbClassInfo[id].name) + (side ? " black to move" : " white to move"));
      EXPECT_EQ(outside, 0) << fault;
      EXPECT_EQ(clashes, 0) << fault;
      if (m.black == 1 && (m.white[0] == 1 || m.white[1] == 1)) {
        EXPECT_GT(withEp, 0);
      }
    }
}

// With colours exchanged (the stronger side playing Black) the probe passes
// the lists the other way round with the invert flag: the squares turned by
// the rank mirror must land on the same index.
TEST(TablebaseIndex, ExchangedColoursFindTheSameIndex) {
  std::mt19937 rng(6);
  for (int id = 1; id <= TbClassCount; ++id) {
    const TbMaterial m = TbClassMaterial(id);
    if (!m.pawns) continue;
    for (int side = 0; side < 2; ++side)
      for (int i = 0; i < 200; ++i) {
        Placement p = randomPlacement(m, side, rng);
        Placement q = image(p, 2);
        int white[16], black[16], qw[16], qb[16];
        toLists(m, p, white, black);
        toLists(m, q, qw, qb);
        uint32_t plain = tbClassInfo[id].index[side](white, black, p.ep >= 0 ? p.ep : TbNoEnPassant, 0);
        uint32_t exchanged = tbClassInfo[id].index[side](qw, qb, q.ep >= 0 ? q.ep : TbNoEnPassant, 1);
        ASSERT_EQ(plain, exchanged) << tbClassInfo[id].name << " side " << side << " " << describe(p);
      }
  }
}

// Men that no position of the class can hold get no index inside the file.
TEST(TablebaseIndex, ImpossibleMenGetNoIndex) {
  int white[16] = {}, black[16] = {};
  white[15] = 4;   // e1
  black[15] = 12;  // e2: the kings touch
  white[12] = 30;
  EXPECT_EQ(tbClassInfo[5].index[0](white, black, TbNoEnPassant, 0), TbNoIndex);
  black[15] = 60;  // e8
  white[12] = 52;  // e7: the queen next to the king not to move
  EXPECT_EQ(tbClassInfo[5].index[0](white, black, TbNoEnPassant, 0), TbNoIndex);
  // Squares outside the board are taken modulo 64 rather than read past a table.
  white[12] = 1000;
  black[15] = -5;
  EXPECT_LT(tbClassInfo[5].index[1](white, black, 500, 1), TbNoIndex + 0u);
}
