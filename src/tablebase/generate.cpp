#include "tablebase/generate.h"

#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <ctime>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "board/attacks.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/position.h"
#include "tablebase/classes.h"
#include "tablebase/index.h"

namespace tarrock {

namespace {

constexpr uint8_t Unknown = 127;
constexpr uint64_t NoPosition = ~uint64_t(0);
constexpr int MaxPlies = 600;
constexpr uint16_t NoWin = 0xFFFF;

const char pieceLetters[] = " pnbrq";

// Men counts of one side by piece type (index 1 pawn .. 5 queen).
struct Counts {
  int n[6] = {0, 0, 0, 0, 0, 0};
};

std::string sideName(const Counts& c) {
  std::string s = "k";
  for (int t = 5; t >= 1; --t) s.append(size_t(c.n[t]), pieceLetters[t]);
  return s;
}

int classByName(const std::string& name) {
  for (int id = 1; id <= TbClassCount; ++id)
    if (name == tbClassInfo[id].name) return id;
  return 0;
}

// The class of the material: id > 0 as stored, id < 0 with colours exchanged,
// 0 for bare kings, and TbClassCount + 1 for material no class holds.
int classByCounts(const Counts& white, const Counts& black) {
  const std::string w = sideName(white), b = sideName(black);
  if (w == "k" && b == "k") return 0;
  if (int id = classByName(w + b)) return id;
  if (int id = classByName(b + w)) return -id;
  return TbClassCount + 1;
}

// The same, remembered by material (up to 3 of a kind a side).
int classOf(const Counts& white, const Counts& black) {
  static std::vector<int16_t> known;
  if (known.empty()) known.assign(size_t(1) << 20, int16_t(-1000));
  uint32_t key = 0;
  for (int t = 1; t <= 5; ++t) {
    if (white.n[t] > 3 || black.n[t] > 3) return TbClassCount + 1;
    key = key << 4 | uint32_t(white.n[t]) << 2 | uint32_t(black.n[t]);
  }
  int16_t& c = known[key];
  if (c == -1000) c = int16_t(classByCounts(white, black));
  return c;
}

int menOf(int id) {
  TbMaterial m = TbClassMaterial(id);
  return 2 + m.whiteCount + (m.black ? 1 : 0);
}

// A placement: kings, the stronger side's pieces in name order, the other
// side's piece, en-passant square + 1 (0 for none), 6 bits a square.
uint64_t pack(int wk, int bk, int w0, int w1, int z, int ep) {
  return uint64_t(wk) | uint64_t(bk) << 6 | uint64_t(w0) << 12 | uint64_t(w1) << 18 | uint64_t(z) << 24 |
         uint64_t(ep + 1) << 30;
}

struct Man {
  int square, type, colour;
};

int fileOf(int s) { return s & 7; }
int rankOf(int s) { return s >> 3; }

bool attacks(const Man& a, int target, const Man* men, int count) {
  const int df = fileOf(target) - fileOf(a.square), dr = rankOf(target) - rankOf(a.square);
  const int adf = df < 0 ? -df : df, adr = dr < 0 ? -dr : dr;
  switch (a.type) {
    case Pawn: return adf == 1 && dr == (a.colour == White ? 1 : -1);
    case Knight: return (adf == 1 && adr == 2) || (adf == 2 && adr == 1);
    case King: return adf <= 1 && adr <= 1 && adf + adr > 0;
    default: break;
  }
  const bool straight = (df == 0) != (dr == 0), diagonal = adf == adr && adf > 0;
  if (!((a.type != Bishop && straight) || (a.type != Rook && diagonal))) return false;
  const int step = (dr > 0 ? 8 : dr < 0 ? -8 : 0) + (df > 0 ? 1 : df < 0 ? -1 : 0);
  for (int s = a.square + step; s != target; s += step)
    for (int i = 0; i < count; ++i)
      if (men[i].square == s) return false;
  return true;
}

// The byte of a child position read from a class table, as plies: a win for
// the side to move in d plies (d odd), a loss in d plies (d even, 0 mated),
// or a draw.
struct Outcome {
  enum { Draw, Win, Loss } kind;
  int plies;
};

Outcome decode(int8_t b) {
  if (b == 0) return {Outcome::Draw, 0};
  if (b == int8_t(Unknown)) return {Outcome::Loss, 0};  // a legal child: checkmated
  if (b == -128) return {Outcome::Win, 2 * 127 - 1};
  if (b > 0) return {Outcome::Win, 2 * (127 - b) - 1};
  return {Outcome::Loss, 2 * (b + 127 == 0 ? 127 : b + 127)};
}

using ClassTable = std::vector<int8_t>;

class Generator {
 public:
  Generator(const std::string& directory, FILE* progress, const std::vector<int>& requested)
      : dir_(directory), progress_(progress), requested_(requested.begin(), requested.end()) {
    pos_ = std::make_unique<Position>();
    game_ = std::make_unique<GameRecord>();
    pos_->game = game_.get();
  }

  bool ensure(int id, bool force, std::string& error);

 private:
  bool load(int id);
  bool build(int id, std::string& error);
  bool write(int id, std::string& error);
  void enumerate(int id, int side, std::vector<uint64_t>& reps);
  void setUp(uint64_t rep, int id, int side);
  bool childIndex(int& id, int& side, uint32_t& index);
  uint32_t inClassIndex(int id, int side);
  std::string path(int id, int side) const {
    return dir_ + (dir_.empty() ? "" : "/") + tbClassInfo[id].name + (side ? ".nbb" : ".nbw");
  }
  void say(const char* format, ...) __attribute__((format(printf, 2, 3)));

  std::string dir_;
  FILE* progress_;
  std::unique_ptr<Position> pos_;
  std::unique_ptr<GameRecord> game_;
  std::map<int, ClassTable> tables_[2];
  std::set<int> built_;
  std::set<int> requested_;  // made in this run, never read from the directory
};

void Generator::say(const char* format, ...) {
  if (!progress_) return;
  va_list args;
  va_start(args, format);
  std::vfprintf(progress_, format, args);
  va_end(args);
  std::fflush(progress_);
}

bool Generator::load(int id) {
  ClassTable t[2];
  for (int side = 0; side < 2; ++side) {
    FILE* f = std::fopen(path(id, side).c_str(), "rb");
    if (!f) return false;
    const uint32_t length = tbClassInfo[id].length[side];
    t[side].resize(length);
    size_t got = std::fread(t[side].data(), 1, length, f);
    int extra = std::fgetc(f);
    std::fclose(f);
    if (got != length || extra != EOF) return false;
  }
  tables_[0][id] = std::move(t[0]);
  tables_[1][id] = std::move(t[1]);
  say("%s: read from %s\n", tbClassInfo[id].name, dir_.c_str());
  return true;
}

bool Generator::ensure(int id, bool force, std::string& error) {
  // A class asked for by name is made in this run even when an earlier one
  // read its files as a subclass.
  if (tables_[0].count(id) && (!force || built_.count(id))) return true;
  if (!force && load(id)) return true;
  // Every class a capture or a promotion leads to comes first.
  const TbMaterial m = TbClassMaterial(id);
  Counts base[2];
  for (int i = 0; i < m.whiteCount; ++i) base[White].n[m.white[i]]++;
  if (m.black) base[Black].n[m.black]++;
  std::vector<Counts> next[2];
  for (int c = 0; c < 2; ++c)
    for (int t = 1; t <= 5; ++t) {
      if (!base[c].n[t]) continue;
      // Captured by the other side.
      Counts fewer = base[c];
      fewer.n[t]--;
      Counts pair[2] = {base[0], base[1]};
      pair[c] = fewer;
      next[0].push_back(pair[0]);
      next[1].push_back(pair[1]);
      if (t != Pawn) continue;
      for (int p = Knight; p <= Queen; ++p) {
        Counts promoted = base[c];
        promoted.n[Pawn]--;
        promoted.n[p]++;
        Counts after[2] = {base[0], base[1]};
        after[c] = promoted;
        next[0].push_back(after[0]);
        next[1].push_back(after[1]);
        for (int v = 1; v <= 5; ++v) {  // promotion with a capture
          if (!base[c ^ 1].n[v]) continue;
          Counts taken[2] = {after[0], after[1]};
          taken[c ^ 1].n[v]--;
          next[0].push_back(taken[0]);
          next[1].push_back(taken[1]);
        }
      }
    }
  for (size_t i = 0; i < next[0].size(); ++i) {
    int sub = classOf(next[0][i], next[1][i]);
    if (sub < 0) sub = -sub;
    if (sub == 0 || sub == id) continue;
    if (sub > TbClassCount) {
      error = std::string("no class for a position reached from ") + tbClassInfo[id].name;
      return false;
    }
    if (!ensure(sub, requested_.count(sub) > 0, error)) return false;
  }
  return build(id, error) && write(id, error);
}

// Stores for each index of the side one placement that has it, trying only
// the placements whose king of the side to move is already folded (every
// index has such a one).
void Generator::enumerate(int id, int side, std::vector<uint64_t>& reps) {
  const TbMaterial m = TbClassMaterial(id);
  const uint32_t length = tbClassInfo[id].length[side];
  reps.assign(length, NoPosition);
  const bool twoWhite = m.whiteCount == 2, like = twoWhite && m.white[0] == m.white[1];
  int white[16] = {}, black[16] = {};
  const int slot[6] = {0, 0, 3, 6, 9, 12};
  Man men[5];
  for (int wk = 0; wk < 64; ++wk)
    for (int bk = 0; bk < 64; ++bk) {
      const int king = side == 0 ? wk : bk;
      if (fileOf(king) >= 4 || (!m.pawns && rankOf(king) >= 4)) continue;
      if (std::abs(fileOf(wk) - fileOf(bk)) <= 1 && std::abs(rankOf(wk) - rankOf(bk)) <= 1) continue;
      for (int w0 = 0; w0 < 64; ++w0)
        for (int w1 = 0; w1 < (twoWhite ? 64 : 1); ++w1)
          for (int z = 0; z < (m.black ? 64 : 1); ++z) {
            if (like && w1 <= w0) continue;
            int count = 0;
            men[count++] = {wk, King, White};
            men[count++] = {bk, King, Black};
            men[count++] = {w0, m.white[0], White};
            if (twoWhite) men[count++] = {w1, m.white[1], White};
            if (m.black) men[count++] = {z, m.black, Black};
            bool ok = true;
            for (int i = 0; i < count && ok; ++i) {
              if (men[i].type == Pawn && (men[i].square < 8 || men[i].square > 55)) ok = false;
              for (int j = 0; j < i && ok; ++j) ok = men[i].square != men[j].square;
            }
            const int target = side == 0 ? bk : wk;
            for (int i = 0; i < count && ok; ++i)
              if (int(men[i].colour) == side && attacks(men[i], target, men, count)) ok = false;
            if (!ok) continue;
            white[15] = wk;
            black[15] = bk;
            if (like) {
              white[slot[m.white[0]]] = w0;
              white[slot[m.white[0]] + 1] = w1;
            } else {
              white[slot[m.white[0]]] = w0;
              if (twoWhite) white[slot[m.white[1]]] = w1;
            }
            if (m.black) black[slot[m.black]] = z;
            // The plain position, then the one where the last move was a
            // double step that can be taken en passant.
            int eps[2] = {-1, -1};
            if (m.black == Pawn && m.white[0] == Pawn) {
              if (side == 0 && rankOf(z) == 4) eps[1] = z + 8;
              if (side == 1 && rankOf(w0) == 3) eps[1] = w0 - 8;
            }
            for (int k = 0; k < 2; ++k) {
              const int ep = eps[k];
              if (k == 1 && ep < 0) break;
              if (ep >= 0) {
                const int from = side == 0 ? ep + 8 : ep - 8;
                const int taker = side == 0 ? w0 : z, pusher = side == 0 ? z : w0;
                bool empty = true;
                for (int i = 0; i < count; ++i) empty &= men[i].square != ep && men[i].square != from;
                if (!empty || rankOf(taker) != rankOf(pusher) || std::abs(fileOf(taker) - fileOf(pusher)) != 1) continue;
              }
              uint32_t index = tbClassInfo[id].index[side](white, black, ep >= 0 ? ep : TbNoEnPassant, 0);
              if (index < length && reps[index] == NoPosition) reps[index] = pack(wk, bk, w0, w1, z, ep);
            }
          }
    }
}

void Generator::setUp(uint64_t rep, int id, int side) {
  const TbMaterial m = TbClassMaterial(id);
  Position& pos = *pos_;
  std::memset(pos.board, 0, sizeof pos.board);
  const int wk = int(rep & 63), bk = int(rep >> 6 & 63), w0 = int(rep >> 12 & 63), w1 = int(rep >> 18 & 63),
            z = int(rep >> 24 & 63), ep = int(rep >> 30 & 127) - 1;
  pos.board[wk] = WhiteKing;
  pos.board[bk] = BlackKing;
  pos.board[w0] = makePiece(White, m.white[0]);
  if (m.whiteCount == 2) pos.board[w1] = makePiece(White, m.white[1]);
  if (m.black) pos.board[z] = makePiece(Black, m.black);
  pos.castleTop = pos.keyTop = pos.pawnKeyTop = pos.fiftyTop = pos.epTop = 0;
  pos.castleStack[0] = 0;
  pos.fiftyStack[0] = 0;
  pos.epStack[0] = ep >= 0 ? Square(ep) : 0;
  pos.keyStack[0] = pos.pawnKeyStack[0] = 0;
  pos.sideToMove = Colour(side);
  rebuildBoardSets(pos);
  rebuildMaterial(pos);
}

// The class, side and index of the position on the board, as the probe finds
// them (colours exchanged where the class is stored the other way round).
// False for bare kings.
bool Generator::childIndex(int& id, int& side, uint32_t& index) {
  const Position& pos = *pos_;
  int lists[2][16] = {};
  int men[10];
  if (!TbPieceLists(pos, lists, men)) return false;
  Counts counts[2];
  for (int c = 0; c < 2; ++c)
    for (int t = 1; t <= 5; ++t) counts[c].n[t] = men[c * 5 + t - 1];
  int found = classOf(counts[0], counts[1]);
  if (found == 0 || found > TbClassCount) return false;
  const int ep = pos.epSquare() ? int(pos.epSquare()) : TbNoEnPassant;
  if (found > 0) {
    id = found;
    side = int(pos.sideToMove);
    index = tbClassInfo[id].index[side](lists[0], lists[1], ep, 0);
  } else {
    id = -found;
    side = int(pos.sideToMove) ^ 1;
    index = tbClassInfo[id].index[side](lists[1], lists[0], ep, 1);
  }
  return true;
}

// The index of the position on the board in its own class, stored as is.
uint32_t Generator::inClassIndex(int id, int side) {
  const Position& pos = *pos_;
  int lists[2][16] = {};
  int men[10];
  TbPieceLists(pos, lists, men);  // a position of the class holds at most three of a kind
  const int ep = pos.epSquare() ? int(pos.epSquare()) : TbNoEnPassant;
  return tbClassInfo[id].index[side](lists[0], lists[1], ep, 0);
}

bool Generator::build(int id, std::string& error) {
  const auto start = std::chrono::steady_clock::now();
  const std::clock_t processorStart = std::clock();
  const char* name = tbClassInfo[id].name;
  const uint32_t length[2] = {tbClassInfo[id].length[0], tbClassInfo[id].length[1]};

  std::vector<uint64_t> reps[2];
  for (int side = 0; side < 2; ++side) enumerate(id, side, reps[side]);

  // Per position: what its captures and promotions reach, and its moves that
  // stay in the class as edges to the other side's indices.
  std::vector<uint16_t> convWin[2];
  std::vector<int16_t> convLoss[2];
  std::vector<uint8_t> convDraw[2], counter[2], exists[2];
  std::vector<uint32_t> edgeStart[2], edges[2];
  uint64_t positions = 0;
  Move moves[MaxMoves];
  for (int side = 0; side < 2; ++side) {
    convWin[side].assign(length[side], NoWin);
    convLoss[side].assign(length[side], -1);
    convDraw[side].assign(length[side], 0);
    counter[side].assign(length[side], 0);
    exists[side].assign(length[side], 0);
    edgeStart[side].assign(length[side] + 1, 0);
    for (uint32_t i = 0; i < length[side]; ++i) {
      edgeStart[side][i] = uint32_t(edges[side].size());
      if (reps[side][i] == NoPosition) continue;
      ++positions;
      exists[side][i] = 1;
      setUp(reps[side][i], id, side);
      Position& pos = *pos_;
      const Colour mover = pos.sideToMove;
      const int n = inCheck(pos, mover) ? generateEvasions(pos, moves) : generateAll(pos, moves);
      int legal = 0;
      for (int k = 0; k < n; ++k) {
        makeMove(pos, moves[k]);
        if (!inCheck(pos, mover)) {
          ++legal;
          int childId = 0, childSide = 0;
          uint32_t index = 0;
          bool found = true;
          if (!moveCaptured(moves[k]) && !movePromotion(moves[k])) {
            childId = id;
            childSide = side ^ 1;
            index = inClassIndex(id, childSide);
          } else {
            found = childIndex(childId, childSide, index);
          }
          if (!found) {
            convDraw[side][i] = 1;
          } else if (childId == id) {
            if (index >= length[childSide]) {
              unmakeMove(pos, moves[k]);
              error = std::string(name) + ": a move leads outside the file";
              return false;
            }
            edges[side].push_back(index);
            counter[side][i]++;
          } else {
            const ClassTable& t = tables_[childSide].at(childId);
            if (index >= t.size()) {
              unmakeMove(pos, moves[k]);
              error = std::string(name) + ": a capture leads outside the file of " + tbClassInfo[childId].name;
              return false;
            }
            Outcome o = decode(t[index]);
            if (o.kind == Outcome::Draw)
              convDraw[side][i] = 1;
            else if (o.kind == Outcome::Loss && uint16_t(o.plies + 1) < convWin[side][i])
              convWin[side][i] = uint16_t(o.plies + 1);
            else if (o.kind == Outcome::Win && o.plies + 1 > convLoss[side][i])
              convLoss[side][i] = int16_t(o.plies + 1);
          }
        }
        unmakeMove(pos, moves[k]);
      }
      if (legal == 0) {
        // Mate or stalemate: marked through the conversion fields.
        if (inCheck(pos, mover))
          convLoss[side][i] = 0;
        else
          convDraw[side][i] = 1;
      }
    }
    edgeStart[side][length[side]] = uint32_t(edges[side].size());
    std::vector<uint64_t>().swap(reps[side]);
  }

  // Parents of each index: the reverse of the edges.
  std::vector<uint32_t> parentStart[2], parents[2];
  for (int side = 0; side < 2; ++side) {
    const int child = side ^ 1;
    parentStart[child].assign(length[child] + 1, 0);
    for (uint32_t e : edges[side]) parentStart[child][e + 1]++;
    for (uint32_t i = 0; i < length[child]; ++i) parentStart[child][i + 1] += parentStart[child][i];
    parents[child].resize(edges[side].size());
    std::vector<uint32_t> fill(parentStart[child].begin(), parentStart[child].end() - 1);
    for (uint32_t i = 0; i < length[side]; ++i)
      for (uint32_t k = edgeStart[side][i]; k < edgeStart[side][i + 1]; ++k) parents[child][fill[edges[side][k]]++] = i;
    // Each side's edges go as soon as they are turned round, to keep the
    // peak memory near three copies of one side's edges rather than four.
    std::vector<uint32_t>().swap(edges[side]);
    std::vector<uint32_t>().swap(edgeStart[side]);
  }

  // Outcome per index: 0 open, 1 won, 2 lost, 3 drawn; plies to mate; and
  // whether its parents have heard of it (a win can be queued twice: by a
  // capture and by a move inside the class at the same distance).
  std::vector<uint8_t> state[2], told[2];
  std::vector<uint16_t> plies[2];
  std::vector<std::vector<uint32_t>> bucket(MaxPlies + 2);
  auto queue = [&](int side, uint32_t i, int d) { bucket[size_t(d)].push_back(uint32_t(side) << 31 | i); };
  for (int side = 0; side < 2; ++side) {
    state[side].assign(length[side], 0);
    told[side].assign(length[side], 0);
    plies[side].assign(length[side], 0);
    for (uint32_t i = 0; i < length[side]; ++i) {
      if (convWin[side][i] != NoWin) queue(side, i, convWin[side][i]);
      if (counter[side][i] != 0 || convWin[side][i] != NoWin) continue;
      if (convDraw[side][i]) {
        state[side][i] = 3;
      } else if (convLoss[side][i] >= 0) {
        state[side][i] = 2;
        plies[side][i] = uint16_t(convLoss[side][i]);
        queue(side, i, convLoss[side][i]);
      }
    }
  }
  int longest[2] = {0, 0};
  for (int d = 0; d <= MaxPlies; ++d) {
    uint32_t won = 0, lost = 0;
    for (size_t k = 0; k < bucket[size_t(d)].size(); ++k) {
      const uint32_t entry = bucket[size_t(d)][k];
      const int side = int(entry >> 31);
      const uint32_t i = entry & 0x7FFFFFFF;
      if (state[side][i] == 0) {  // a capture or promotion that wins now
        state[side][i] = 1;
        plies[side][i] = uint16_t(d);
      }
      if (plies[side][i] != d || state[side][i] == 3 || told[side][i]) continue;
      told[side][i] = 1;
      const bool childLost = state[side][i] == 2;
      (childLost ? lost : won)++;
      const int parentSide = side ^ 1;
      for (uint32_t k2 = parentStart[side][i]; k2 < parentStart[side][i + 1]; ++k2) {
        const uint32_t p = parents[side][k2];
        if (state[parentSide][p] != 0) continue;
        if (childLost) {
          state[parentSide][p] = 1;
          plies[parentSide][p] = uint16_t(d + 1);
          queue(parentSide, p, d + 1);
        } else if (--counter[parentSide][p] == 0 && convWin[parentSide][p] == NoWin) {
          if (convDraw[parentSide][p]) {
            state[parentSide][p] = 3;
          } else {
            const int loss = convLoss[parentSide][p] > d + 1 ? convLoss[parentSide][p] : d + 1;
            state[parentSide][p] = 2;
            plies[parentSide][p] = uint16_t(loss);
            queue(parentSide, p, loss);
          }
        }
      }
    }
    std::vector<uint32_t>().swap(bucket[size_t(d)]);
    if (won || lost) say("%s pass %d: %u won, %u lost\n", name, d, won, lost);
  }

  for (int side = 0; side < 2; ++side) {
    ClassTable t(length[side], int8_t(Unknown));
    for (uint32_t i = 0; i < length[side]; ++i) {
      const int p = plies[side][i];
      switch (state[side][i]) {
        case 1:
          t[i] = int8_t(127 - (p + 1) / 2);
          if ((p + 1) / 2 > longest[side]) longest[side] = (p + 1) / 2;
          break;
        case 2:
          t[i] = p == 0 ? int8_t(Unknown) : int8_t(p / 2 - 127);
          break;
        default:
          // Drawn, or never resolved (no forced result): a draw. Indices
          // without a position keep Unknown.
          if (exists[side][i]) t[i] = 0;
          break;
      }
    }
    tables_[side][id] = std::move(t);
  }
  built_.insert(id);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double processor = double(std::clock() - processorStart) / CLOCKS_PER_SEC;
  say("%s: %llu positions, longest mate %d moves with White to move, %d with Black; %.2f s (%.2f s processor)\n",
      name, (unsigned long long)positions, longest[0], longest[1], seconds, processor);
  return true;
}

bool Generator::write(int id, std::string& error) {
  for (int side = 0; side < 2; ++side) {
    const std::string target = path(id, side), temporary = target + ".tmp";
    const ClassTable& t = tables_[side].at(id);
    FILE* f = std::fopen(temporary.c_str(), "wb");
    if (!f) {
      error = "cannot write " + temporary + ": " + std::strerror(errno);
      return false;
    }
    const bool ok = std::fwrite(t.data(), 1, t.size(), f) == t.size();
    if (std::fclose(f) != 0 || !ok || std::rename(temporary.c_str(), target.c_str()) != 0) {
      error = "cannot write " + target + ": " + std::strerror(errno);
      std::remove(temporary.c_str());
      return false;
    }
  }
  say("%s: wrote %s and %s\n", tbClassInfo[id].name, path(id, 0).c_str(), path(id, 1).c_str());
  return true;
}

}  // namespace

int TbGeneratorClass(const char* name) {
  if (!name) return 0;
  for (int id = 1; id <= TbClassCount; ++id)
    if (std::strcmp(name, tbClassInfo[id].name) == 0) return menOf(id) <= 4 ? id : 0;
  return 0;
}

bool TbGenerate(const std::vector<int>& ids, const std::string& directory, FILE* progress, std::string& error) {
  TbInitIndexing();
  for (int id : ids)
    if (id < 1 || id > TbClassCount || menOf(id) > 4) {
      error = "only the classes of 3 and 4 men can be generated";
      return false;
    }
  Generator g(directory, progress, ids);
  for (int id : ids)
    if (!g.ensure(id, true, error)) return false;
  return true;
}

bool TbGenerate(int id, const std::string& directory, FILE* progress, std::string& error) {
  return TbGenerate(std::vector<int>{id}, directory, progress, error);
}

}  // namespace tarrock
