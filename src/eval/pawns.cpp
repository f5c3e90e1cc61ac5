#include "eval/pawns.h"

#include <cstring>

#include "board/tables.h"
#include "core/memory.h"
#include "core/output.h"
#include "eval/evaltables.h"
#include "eval/evaluate.h"
#include "eval/params.h"

namespace tarrock {

PawnTable pawnTable;

void SetPawnTableEntries(uint64_t entries) {
  uint64_t count = 1;
  while (count * 2 <= entries && count * 2 != 0) count *= 2;
  pawnTable.configuredCount = count;
}

void AllocatePawnTable() {
  Release(pawnTable.entries);
  pawnTable.entries = nullptr;
  pawnTable.count = 0;
  pawnTable.entries = static_cast<PawnEntry*>(AllocateTableOrDie(pawnTable.configuredCount * sizeof(PawnEntry)));
  pawnTable.count = pawnTable.configuredCount;
  ClearPawnTable();
  for (HashKey& k : pawnTable.phaseKeys) k = random64();
}

void ClearPawnTable() {
  if (pawnTable.entries) std::memset(pawnTable.entries, 0, pawnTable.count * sizeof(PawnEntry));
  std::memset(pawnTable.shelter, 0, sizeof pawnTable.shelter);
  ClearPieceTermCache();
}

namespace {

constexpr Bitboard FileA = 0x0101010101010101ull, FileH = FileA << 7;

// The set moved one rank toward the colour's last rank.
template <Colour Us>
Bitboard shift(Bitboard b) {
  return Us == White ? b << 8 : b >> 8;
}

// The set with every square in front of each member, up to the colour's last
// rank, added.
template <Colour Us>
Bitboard fill(Bitboard b) {
  if constexpr (Us == White) {
    b |= b << 8;
    b |= b << 16;
    b |= b << 32;
  } else {
    b |= b >> 8;
    b |= b >> 16;
    b |= b >> 32;
  }
  return b;
}

// Squares the colour's pawns of the set attack toward the a-file and toward
// the h-file, and both together.
template <Colour Us>
Bitboard attacksLeft(Bitboard b) {
  return (Us == White ? b << 7 : b >> 9) & ~FileH;
}
template <Colour Us>
Bitboard attacksRight(Bitboard b) {
  return (Us == White ? b << 9 : b >> 7) & ~FileA;
}
template <Colour Us>
Bitboard pawnAttacks(Bitboard b) {
  return attacksLeft<Us>(b) | attacksRight<Us>(b);
}

// The number of squares in a set that seldom holds more than two.
int countFew(Bitboard b) {
  int n = 0;
  for (; b; b &= b - 1) ++n;
  return n;
}

// Squares of the colour's relative rank r.
template <Colour Us>
constexpr Bitboard relativeRankMask(int r) {
  return Bitboard(0xff) << (Us == White ? 8 * r : 8 * (7 - r));
}

// The colour's pawn structure, written once for both colours: "forward" is
// north for White and south for Black, and every rank test is on the
// colour's own relative rank. Squares ahead of a pawn on its last rank (only
// possible in a set-up position) are treated as off the board.
template <Colour Us>
int pawnStructure(const Position& pos, int phase, PawnEntry& entry) {
  constexpr Colour Them = Us ^ 1;
  constexpr int Up = Us == White ? 8 : -8;
  const BoardTables& bt = boardTables;
  const EvalTables& et = evalTables;
  const Bitboard own = pos.pawns[Us], their = pos.pawns[Them], all = own | their;
  // ourAttacks[s]: squares our pawn on s attacks, and so where their pawns
  // attacking s stand; theirAttacks[s] likewise for them.
  const Bitboard* ourAttacks = Us == White ? bt.whitePawnAttacks : bt.blackPawnAttacks;
  const Bitboard* theirAttacks = Us == White ? bt.blackPawnAttacks : bt.whitePawnAttacks;
  const Bitboard* ahead = Us == White ? bt.northRay : bt.southRay;
  auto attackers = [&](Square s) { return popCountMax2(their & ourAttacks[s]); };
  auto defenders = [&](Square s) { return popCountMax2(own & theirAttacks[s]); };

  int value = (evalState.rootSide == Us && pos.pawnCount[Us] == 8) ? -AllPawnsKept : 0;

  // Squares our pawns attack now or after a safe advance: one where no more
  // of their pawns attack than of ours.
  const Bitboard ownLeft = attacksLeft<Us>(own), ownRight = attacksRight<Us>(own);
  const Bitboard theirLeft = attacksLeft<Them>(their), theirRight = attacksRight<Them>(their);
  const Bitboard unsafe =
      ((theirLeft | theirRight) & ~(ownLeft | ownRight)) | (theirLeft & theirRight & ~(ownLeft & ownRight));
  const Bitboard fronts = shift<Us>(own & ~relativeRankMask<Us>(7)) & ~all;
  const Bitboard safeFronts = fronts & ~unsafe;
  const Bitboard safeSecondFronts = shift<Us>(fronts & relativeRankMask<Us>(2)) & ~all & ~unsafe;
  value += SafeAdvance * popCount(safeFronts);
  const Bitboard span = ownLeft | ownRight | pawnAttacks<Us>(safeFronts | safeSecondFronts);

  // The rules below work on sets of pawns where they can. Squares strictly
  // behind and strictly in front of our pawns on their files, and strictly
  // in front of theirs (toward our first rank): a pawn is doubled when an
  // own pawn stands ahead or behind it, passed when no own pawn stands
  // ahead and no enemy pawn ahead on its own or a neighbouring file.
  const Bitboard ownBehind = fill<Them>(shift<Them>(own)), ownAhead = fill<Us>(shift<Us>(own));
  const Bitboard theirFront = fill<Them>(shift<Them>(their));
  const Bitboard theirFronts = theirFront | ((theirFront << 1) & ~FileA) | ((theirFront >> 1) & ~FileH);
  const Bitboard passedSet = own & ~theirFronts & ~ownBehind;
  const Bitboard doubled = own & (ownBehind | ownAhead);

  Bitboard folded = own | own >> 32;
  folded |= folded >> 16;
  folded |= folded >> 8;
  const int pawnFiles = int(folded & 0xff);
  const int isolatedFiles = pawnFiles & ~(pawnFiles << 1 | pawnFiles >> 1);
  const Bitboard isolated = own & (Bitboard(isolatedFiles) * FileA);
  int weak = isolatedFiles;
  const int isolatedCount = countFew(isolated), doubledCount = countFew(doubled);

  value += PawnDuo * popCount(own & (((own << 1) & ~FileA) | ((own >> 1) & ~FileH)));
  value -= DoubledPawn * doubledCount + DoubledIsolatedExtra * countFew(doubled & isolated);

  const int8_t* pst = et.pstPawn[Us][phase];
  for (Bitboard b = own; b;) value += pst[popFirst(b)];

  const int16_t* passedBonus = et.passedBonus[Us][phase];
  for (Bitboard b = passedSet; b;) {
    Square s = popFirst(b);
    value += passedBonus[rankOf(s)];
    if (own & theirAttacks[s]) value += DefendedPasser;
  }

  for (Bitboard b = isolated; b;) {
    Square s = popFirst(b);
    int f = fileOf(s);
    value -= (their & ahead[s]) ? isolatedByFile[f] / 2 : isolatedByFile[f];
  }

  // Backward: it cannot advance safely and no pawn beside or behind can
  // come to support it. Only pawns up to the colour's sixth rank that are
  // not isolated and that no pawn of ours can come to support.
  for (Bitboard b = own & ~isolated & ~span & ~relativeRankMask<Us>(6) & ~relativeRankMask<Us>(7); b;) {
    Square s = popFirst(b);
    int f = fileOf(s), r = relativeRank(Us, s);
    value -= BackwardBase;
    if (their & ahead[s]) continue;
    Square front = s + Up;
    int k = attackers(front) - defenders(front);
    bool backward = false;
    if (attackers(front) > 0 && k >= 0) {
      backward = true;
    } else if (!(span & bit(front))) {
      if (r != 1) {
        backward = true;
      } else {
        Square front2 = front + Up;
        if (!(span & bit(front2)) || (all & bit(front2))) {
          backward = true;
        } else {
          int a2 = attackers(front2), k2 = a2 - defenders(front2);
          if (a2 != 0 && k2 >= 0) {
            backward = true;
            k = k2;
          }
        }
      }
    }
    if (backward) {
      weak |= 1 << f;
      if (k == 2) value -= Backward2;
      else if (k == 1) value -= Backward1;
      else if (k == 0) value -= Backward0;
    }
  }

  if (phase == 3 && (passedSet & et.filesFToH) && (passedSet & et.filesAToC)) value += PassersOnBothWings;

  entry.passed[Us] = passedSet;
  entry.weakFiles[Us] = uint8_t(weak);
  entry.pawnFiles[Us] = uint8_t(pawnFiles);

  for (Bitboard b = passedSet; b;) {
    Square s = popFirst(b);
    if (passedSet & bt.kingAttacks[s] & ~bt.fileMask[s]) value += et.connectedPasser[Us][rankOf(s)];
  }

  // More than eight isolated pawns only occur in set-up positions.
  value -= isolatedCountPenalty[isolatedCount < 8 ? isolatedCount : 8];
  if (doubledCount >= 3) value -= DoubledPawn;
  return value;
}

// The best queening value among the colour's passed pawns that the enemy
// king cannot catch (or that their own king escorts), 0 if none.
template <Colour Us>
int raceValue(const Position& pos, const PawnEntry& entry) {
  constexpr Colour Them = Us ^ 1;
  const Bitboard* ahead = Us == White ? boardTables.northRay : boardTables.southRay;
  Square king = pos.kingSquare[Us], enemyKing = pos.kingSquare[Them];
  int kingRank = relativeRank(Us, king);
  bool any = false;
  int best = 0;
  for (Bitboard b = entry.passed[Us]; b;) {
    Square s = popFirst(b);
    int r = relativeRank(Us, s);
    int fileGap = fileOf(king) > fileOf(s) ? fileOf(king) - fileOf(s) : fileOf(s) - fileOf(king);
    bool running = (evalTables.outsideSquare[Us][pos.sideToMove][s] & bit(enemyKing)) ||
                   (r == 5 && kingRank == 6 && fileGap <= 1) || (r == 6 && kingRank >= 6 && fileGap <= 1);
    if (!running) continue;
    int moves = r == 1 ? 5 : 7 - r;
    if (ahead[s] & bit(king)) ++moves;
    int value = evalVars.queenValue - 100 * moves;
    if (!any || value > best) best = value;
    any = true;
  }
  return best;
}

}  // namespace

int EvaluatePawns(const Position& pos, Colour colour, int phase, PawnEntry& entry) {
  return colour == White ? pawnStructure<White>(pos, phase, entry) : pawnStructure<Black>(pos, phase, entry);
}

int PawnRace(const Position& pos, const PawnEntry& entry) {
  int w = raceValue<White>(pos, entry), b = raceValue<Black>(pos, entry);
  // Races a tempo apart: both sides queen, and the side that queens first
  // keeps only a small edge.
  if (pos.sideToMove == White) {
    if (w + 100 == b) return -50;
    if (w != 0 && w == b) return 50;
  } else {
    if (b + 100 == w) return 50;
    if (w != 0 && w == b) return -50;
  }
  if (w > b) return w / 2;
  if (w == b) return 0;
  return -(b / 2);
}

}  // namespace tarrock
