#include "eval/evaluate.h"

#include <array>
#include <cstring>

#include "board/attacks.h"
#include "board/tables.h"
#include "eval/evaltables.h"
#include "eval/params.h"
#include "eval/pawns.h"

namespace tarrock {

EvalState evalState;
PieceTermCache pieceTermCache;

namespace {

// The rules below are written once per colour as templates on Us. Each
// returns its terms from Us's point of view, and Evaluate adds White's and
// subtracts Black's, so both colours get exactly mirrored values. Squares
// named in a rule are White's; relativeSquare mirrors them for Black.

constexpr Square relativeSquare(Colour c, Square s) { return c == White ? s : s ^ 56; }

int absDiff(int a, int b) { return a > b ? a - b : b - a; }

// The set of the colour's image of a square named from White's side.
constexpr Bitboard squareOf(Colour c, Square whiteSquare) { return bit(relativeSquare(c, whiteSquare)); }

// Whether the set holds the colour's image of a square named from White's side.
bool has(Bitboard set, Colour c, Square whiteSquare) { return set & bit(relativeSquare(c, whiteSquare)); }

// The squares ahead of s on its file, toward the colour's last rank, and behind.
template <Colour Us>
Bitboard aheadOf(Square s) {
  return Us == White ? boardTables.northRay[s] : boardTables.southRay[s];
}
template <Colour Us>
Bitboard behindOf(Square s) {
  return Us == White ? boardTables.southRay[s] : boardTables.northRay[s];
}

// The colour's most advanced pawn (the set must not be empty).
template <Colour Us>
Square mostAdvanced(Bitboard pawns) {
  return Us == White ? lastSquare(pawns) : firstSquare(pawns);
}

// The colour's pawns are all on the rook file `file` (0 or 7).
bool allOnFile(Bitboard pawns, int file) { return !(pawns & ~boardTables.fileMask[file]); }

// Squares of the colour's relative rank r.
template <Colour Us>
constexpr Bitboard relativeRankMask(int r) {
  return Bitboard(0xff) << (Us == White ? 8 * r : 8 * (7 - r));
}

// A lone minor with pawns on a rook file whose promotion square the bishop
// does not cover, the enemy king in front of the most advanced pawn.
template <Colour Us>
bool wrongBishopDraw(const Position& pos) {
  constexpr Colour Them = Us ^ 1;
  if (pos.material[Them] > evalVars.bishopValue || pos.pieceUnits[Us] != 3 || pos.bishopCount[Us] != 1 ||
      !pos.pawns[Us])
    return false;
  Square p = mostAdvanced<Us>(pos.pawns[Us]);
  Square k = pos.kingSquare[Them];
  if (relativeRank(Us, k) < relativeRank(Us, p) || absDiff(fileOf(k), fileOf(p)) > 1) return false;
  bool darkBishop = pos.bishops[Us] & boardTables.darkSquares;
  // a8 and h1 are light, a1 and h8 dark.
  if (allOnFile(pos.pawns[Us], 0)) return Us == White ? darkBishop : !darkBishop;
  if (allOnFile(pos.pawns[Us], 7)) return Us == White ? !darkBishop : darkBishop;
  return false;
}

// Pawn ending with rook-file pawns against a bare king standing in front.
template <Colour Us>
bool rookPawnDraw(const Position& pos) {
  constexpr Colour Them = Us ^ 1;
  if (pos.pawns[Them] || !pos.pawns[Us]) return false;
  if (!allOnFile(pos.pawns[Us], 0) && !allOnFile(pos.pawns[Us], 7)) return false;
  Square p = mostAdvanced<Us>(pos.pawns[Us]);
  Square k = pos.kingSquare[Them];
  return relativeRank(Us, p) <= relativeRank(Us, k) && absDiff(fileOf(k), fileOf(p)) <= 1;
}

// The endgame rules that recognise draws and place the kings. Returns true
// when the position is a draw; may also set score to 0 and go on.
bool endgameRules(const Position& pos, int& score) {
  const int32_t* material = pos.material;
  const int32_t* units = pos.pieceUnits;
  const int32_t* pawns = pos.pawnCount;
  Square wk = pos.kingSquare[White], bk = pos.kingSquare[Black];

  // No pawns against few pawns, the pawnless side not far ahead.
  if (pawns[White] == 0) {
    if (pawns[Black] == 0 && units[White] == units[Black]) return true;
    int lead = material[White] - material[Black];
    if (pawns[Black] <= 2 && pos.heavyCount[White] == pos.heavyCount[Black] && lead >= 0 && lead <= 400) score = 0;
  }
  if (pawns[Black] == 0) {
    int lead = material[Black] - material[White];
    if (pawns[White] <= 2 && pos.heavyCount[White] == pos.heavyCount[Black] && lead >= 0 && lead <= 400) score = 0;
  }

  // A lone minor cannot win against at most two pawns.
  if (material[White] <= evalVars.bishopValue && material[Black] <= evalVars.bishopValue) {
    if (units[White] == 3 && pawns[Black] <= 2) return true;
    if (units[Black] == 3 && pawns[White] <= 2) return true;
  }

  // Equal light pieces and one pawn with the defending king in front of it.
  if (units[White] == units[Black] && units[White] >= 1 && units[White] <= 5) {
    if (pawns[White] == 1 && pawns[Black] == 0 && (aheadOf<White>(firstSquare(pos.pawns[White])) & bit(bk)))
      return true;
    if (pawns[Black] == 1 && pawns[White] == 0 && (aheadOf<Black>(firstSquare(pos.pawns[Black])) & bit(wk)))
      return true;
  }

  if (wrongBishopDraw<White>(pos) || wrongBishopDraw<Black>(pos)) return true;

  // King placement by the wings the pawns (of both colours) stand on.
  Bitboard allPawns = pos.pawns[White] | pos.pawns[Black];
  bool kingside = allPawns & evalTables.filesEToH, queenside = allPawns & evalTables.filesAToD;
  const EvalTables& et = evalTables;
  int wf = fileOf(wk), bf = fileOf(bk);
  if (queenside && !kingside) {
    score += et.kingEndgameQueenside[White][wk] - et.kingEndgameQueenside[Black][bk];
    if (units[White] == units[Black] && units[White] != 0) score -= (material[White] - material[Black]) / 2;
    if (units[White] == 0 && units[Black] == 0) {
      if (bf >= 4 && wf < bf - 1) score += KingWingPawnEnding;
      if (wf >= 4 && bf < wf - 1) score -= KingWingPawnEnding;
    }
  } else if (kingside && !queenside) {
    score += et.kingEndgameKingside[White][wk] - et.kingEndgameKingside[Black][bk];
    if (units[White] == units[Black] && units[White] != 0) score -= (material[White] - material[Black]) / 2;
    if (units[White] == 0 && units[Black] == 0) {
      if (bf <= 3 && wf > bf + 1) score += KingWingPawnEnding;
      if (wf <= 3 && bf > wf + 1) score -= KingWingPawnEnding;
    }
  } else {
    score += et.kingEndgameCentre[White][wk] - et.kingEndgameCentre[Black][bk];
  }
  return false;
}

// Used when no pawn-structure table is allocated: a table of one entry.
PawnEntry scratchEntry;

// The fields of a position without pawns: none passed, no files. Stands for
// the missing entry in the piece terms before the endgame.
PawnEntry noPawnEntry;

// Computes and stores the entry of a pawn structure that is not in the table.
// Out of line: nearly every lookup hits.
[[gnu::noinline]] void fillPawnEntry(const Position& pos, int phase, HashKey key, PawnEntry& entry) {
  int w = EvaluatePawns(pos, White, phase, entry);
  int b = EvaluatePawns(pos, Black, phase, entry);
  entry.key = key;
  entry.score = int16_t(w - b);
}

// Their pawns on the colour's seventh rank, or their king on the eighth.
template <Colour Us>
bool seventhRankTarget(const Position& pos) {
  constexpr Colour Them = Us ^ 1;
  return relativeRank(Us, pos.kingSquare[Them]) == 7 || (pos.pawns[Them] & relativeRankMask<Us>(6));
}

// rookFileTropism by the signed file gap (rook's file - king's file) + 7.
constexpr auto rookTropismByFileGap = [] {
  std::array<int8_t, 15> t{};
  for (int gap = -7; gap <= 7; ++gap) t[gap + 7] = int8_t(rookFileTropism[gap < 0 ? -gap : gap]);
  return t;
}();

// Rooks, knights, bishops and queens of the colour; adds the colour's
// pressure on the enemy king to `tropism`. The pawn entry's passed pawns and
// weak files are read from `pawns` where a rook needs them.
template <Colour Us>
[[gnu::always_inline]] inline int pieceTerms(const Position& pos, int phase, const PawnEntry& pawns, int& tropism) {
  constexpr Colour Them = Us ^ 1;
  const BoardTables& bt = boardTables;
  const EvalTables& et = evalTables;
  const Bitboard* theirPawnAttacks = Us == White ? bt.blackPawnAttacks : bt.whitePawnAttacks;
  const Bitboard* outpostFront = Us == White ? et.adjacentAhead : et.adjacentBehind;
  const Bitboard ownPawns = pos.pawns[Us], theirPawns = pos.pawns[Them];
  const Bitboard rooks = pos.rooks[Us];
  const Square enemyKing = pos.kingSquare[Them];
  const uint8_t* distanceToKing = et.distance[enemyKing];
  const int8_t* outpostValue = et.outpostValue[Us];
  int value = 0, pressure = 0;

  if (rooks) {
    const int8_t* pst = et.pstRook[Us][phase];
    for (Bitboard b = rooks; b;) {
      Square s = popFirst(b);
      value += bt.rankMobility[s][rankIndex(pos, s)] + bt.fileMobility[s][fileIndex(pos, s)] + pst[s];
      // An own pawn ahead (passed pawns are own pawns) closes the file.
      const Bitboard ahead = aheadOf<Us>(s);
      if (const Bitboard ownAhead = ownPawns & ahead) {
        if (pawns.passed[Us] & ownAhead) value += RookBehindPasser;
      } else {
        pressure += rookTropismByFileGap[7 + fileOf(s) - fileOf(enemyKing)];
        const Bitboard file = bt.fileMask[s];
        if (!(ownPawns & file)) {
          if (!(theirPawns & file)) {
            value += RookOpenFile;
            if (rooks & ahead) value += RookOpenFileDoubled;
          } else {
            value += RookHalfOpenFile;
            if (pawns.weakFiles[Them] & (1 << fileOf(s))) value += RookHalfOpenWeakPawn;
          }
        }
      }
      if (relativeRank(Us, s) == 6) [[unlikely]] {
        if (seventhRankTarget<Us>(pos)) {
          value += RookOnSeventh;
          if (rankAttackSet(pos, s) & (rooks | pos.queens[Us])) value += MajorsOnSeventhExtra;
          if (phase == 3 && relativeRank(Us, enemyKing) == 7 && !(pos.pieces[Them] & et.innerSecondRank[Them]))
            value += RookSeventhEndgame;
        }
      }
    }
  }

  if (Bitboard knights = pos.knights[Us]) {
    const int8_t* pst = et.pstKnight[Us][phase];
    for (Bitboard b = knights; b;) {
      Square s = popFirst(b);
      value += pst[s];
      pressure += knightTropism[distanceToKing[s]];
      int outpost = outpostValue[s];
      if (outpost && !(theirPawns & outpostFront[s])) {
        int defenders = popCountMax2(ownPawns & theirPawnAttacks[s]);
        if (defenders > 0) {
          int v = KnightOutpostFactor * outpost;
          value += 2 * v;
          Bitboard sameColour = (bt.darkSquares & bit(s)) ? bt.darkSquares : bt.lightSquares;
          if (!pos.knights[Them] && !(pos.bishops[Them] & sameColour)) value += v;
          if (defenders == 2) value += v;
        }
      }
    }
  }

  if (Bitboard bishops = pos.bishops[Us]) {
    const int8_t* pst = et.pstBishop[Us][phase];
    constexpr Bitboard trapSquares = bit(relativeSquare(Us, A7)) | bit(relativeSquare(Us, B8)) |
                                     bit(relativeSquare(Us, H7)) | bit(relativeSquare(Us, G8));
    for (Bitboard b = bishops; b;) {
      Square s = popFirst(b);
      value += pst[s] + bt.diagA1H8Mobility[s][diagA1H8Index(pos, s)] + bt.diagH1A8Mobility[s][diagH1A8Index(pos, s)];
      pressure += bishopTropism[distanceToKing[s]];
      int outpost = outpostValue[s];
      if (outpost && !(theirPawns & outpostFront[s]) && (ownPawns & theirPawnAttacks[s]))
        value += BishopOutpostFactor * outpost;
    }
    // Shut in on the enemy's side by two of its pawns.
    if (Bitboard trapped = bishops & trapSquares) [[unlikely]] {
      for (; trapped;) {
        Square r = relativeSquare(Us, popFirst(trapped));
        if (((r == A7 || r == B8) && has(theirPawns, Us, B6) && has(theirPawns, Us, C7)) ||
            ((r == H7 || r == G8) && has(theirPawns, Us, G6) && has(theirPawns, Us, F7)))
          value -= BishopTrapped;
      }
    }
  }

  if (const Bitboard queens = pos.queens[Us]) {
    const int8_t* pst = et.pstQueen[Us][phase];
    for (Bitboard b = queens; b;) {
      Square s = popFirst(b);
      value += pst[s];
      pressure += queenTropism[distanceToKing[s]];
    }
    if (Bitboard seventh = queens & relativeRankMask<Us>(6)) [[unlikely]] {
      for (; seventh;) {
        Square s = popFirst(seventh);
        if (seventhRankTarget<Us>(pos) && (rankAttackSet(pos, s) & (rooks | queens))) value += 2 * MajorsOnSeventhExtra;
      }
    }
  }
  tropism += pressure;
  return value;
}

// King square, a rook shut in by its own king, fianchetto and holes in
// front of the castled king (opening and middlegame only).
template <Colour Us>
[[gnu::always_inline]] inline int kingPlacement(const Position& pos, int phase) {
  constexpr Colour Them = Us ^ 1;
  const Square k = pos.kingSquare[Us];
  const Bitboard ownPawns = pos.pawns[Us], ownBishops = pos.bishops[Us];
  const int f = fileOf(k);
  int value = evalTables.pstKing[Us][phase][k];
  if (pos.rooks[Us] & evalTables.rookTrap[k]) value -= RookTrapped;

  // On a wing: a fianchetto bishop, or a hole on the third rank that an enemy
  // pawn or bishop fills while they have a queen, when the knight's pawn
  // has left its square.
  auto intruderOn = [&](Square whiteSquare) {
    return relativeRank(Us, k) == 0 && pos.queens[Them] &&
           ((pos.pawns[Them] | pos.bishops[Them]) & squareOf(Us, whiteSquare));
  };
  if (f >= 5) {
    if (!has(ownPawns, Us, G2)) {
      if (ownBishops & (squareOf(Us, G2) | squareOf(Us, F3) | squareOf(Us, H3))) value += Fianchetto;
      if (intruderOn(F3)) value -= KingHole;
    }
  } else if (f <= 2) {
    if (!has(ownPawns, Us, B2)) {
      if (ownBishops & (squareOf(Us, B2) | squareOf(Us, A3) | squareOf(Us, C3))) value += Fianchetto;
      if (intruderOn(C3)) value -= KingHole;
    }
  }
  return value;
}

// Exposure of the colour's king: the base value of its square plus missing
// shelter pawns and open files near it. Never negative: the base values are
// 0..24 and the rest only adds, at most 80 in all.
template <Colour Us>
int8_t shelter(const Position& pos) {
  constexpr Colour Them = Us ^ 1;
  const Bitboard ownPawns = pos.pawns[Us], theirPawns = pos.pawns[Them];
  const Bitboard* fileMask = boardTables.fileMask;
  const Square k = pos.kingSquare[Us];
  const int kf = fileOf(k), ef = fileOf(pos.kingSquare[Them]);
  int sh = evalTables.kingShelterBase[Us][k];

  // Centre king while the enemy king is on a wing.
  if ((kf == 3 || kf == 4) && (ef <= 2 || ef >= 5)) {
    for (int file = 3; file <= 4; ++file) {
      if (has(ownPawns, Us, makeSquare(file, 1))) continue;
      sh += has(ownPawns, Us, makeSquare(file, 2)) ? 4 : 8;
    }
    if (!(theirPawns & fileMask[3])) sh += 8;
    if (!(theirPawns & fileMask[4])) sh += 8;
  }

  // Kings on opposite wings: open and half-open files near ours.
  int wingFirst = -1;
  if (kf <= 2 && ef >= 5) wingFirst = 0;
  if (kf >= 5 && ef <= 2) wingFirst = 5;
  if (wingFirst >= 0)
    for (int file = wingFirst; file < wingFirst + 3; ++file) {
      if (!(theirPawns & fileMask[file])) sh += 4;
      if (!(ownPawns & fileMask[file])) sh += 4;
    }

  // The pawn shield in front of a king on its first two ranks.
  if (relativeRank(Us, k) <= 1 && (kf <= 2 || kf >= 5)) {
    static constexpr int advancedShield[3] = {8, 12, 8};
    static constexpr int missingShield[3] = {12, 20, 12};
    int first = kf <= 2 ? 0 : 5;
    for (int i = 0; i < 3; ++i) {
      int file = first + i;
      if (has(ownPawns, Us, makeSquare(file, 1))) continue;
      if (has(ownPawns, Us, makeSquare(file, 2))) sh += 4;
      else if (ownPawns & fileMask[file]) sh += advancedShield[i];
      else sh += missingShield[i];
    }
  }
  return int8_t(sh);
}

template <Colour Us>
int blockedPassers(const Position& pos, int phase, const PawnEntry& entry) {
  constexpr Colour Them = Us ^ 1;
  // Passed pawns below the last rank with an enemy man on the square in front.
  const Bitboard blockers = Us == White ? pos.pieces[Them] >> 8 : pos.pieces[Them] << 8;
  int value = 0;
  for (Bitboard b = entry.passed[Us] & blockers & ~relativeRankMask<Us>(7); b;)
    value -= evalTables.blockedPasser[Us][phase][rankOf(popFirst(b))];
  return value;
}

// Passed pawns in the endgame: out of the enemy king's reach, supported by
// their own king, or pushed by a rook behind them; and the bad bishop.
template <Colour Us>
int endgameTerms(const Position& pos, const PawnEntry& entry) {
  constexpr Colour Them = Us ^ 1;
  const BoardTables& bt = boardTables;
  const EvalTables& et = evalTables;
  const Square k = pos.kingSquare[Us], enemyKing = pos.kingSquare[Them];
  int value = 0;
  for (Bitboard b = entry.passed[Us]; b;) {
    Square s = popFirst(b);
    int r = relativeRank(Us, s);
    if ((et.outsideSquare[Us][pos.sideToMove][s] & bit(enemyKing)) && !(pos.occupied & aheadOf<Us>(s)))
      value += et.unstoppablePasser[Us][rankOf(s)];
    if (r <= relativeRank(Us, k) && (r == 5 || r == 6) && absDiff(fileOf(s), fileOf(k)) == 1)
      value += et.kingSupportsPasser[Us][rankOf(s)];
    if (pos.rooks[Us] & behindOf<Us>(s)) value += RookBehindPasser;
  }
  if (pos.bishopCount[Us] == 1) {
    bool lightBishop = pos.bishops[Us] & bt.lightSquares;
    int count = popCount(pos.pawns[Us] & (lightBishop ? bt.lightSquares : bt.darkSquares));
    value -= BadBishopPawn * count;
  }
  return value;
}

}  // namespace

namespace {

// The shelter entry of the pawns and the two king squares, filled on a miss.
[[gnu::noinline]] void fillShelterEntry(const Position& pos, HashKey key, ShelterEntry& entry) {
  entry.key = key;
  entry.shelter[White] = shelter<White>(pos);
  entry.shelter[Black] = shelter<Black>(pos);
}

[[gnu::always_inline]] inline const ShelterEntry& shelterEntry(const Position& pos) {
  const HashKey key = pos.pawnKey() ^ keys.pieceKeys[WhiteKing][pos.kingSquare[White]] ^
                      keys.pieceKeys[BlackKing][pos.kingSquare[Black]];
  ShelterEntry& entry = pawnTable.shelter[key & (ShelterEntries - 1)];
  if (entry.key != key) fillShelterEntry(pos, key, entry);
  return entry;
}

}  // namespace

KingShelterResult KingShelter(const Position& pos) {
  const ShelterEntry& entry = shelterEntry(pos);
  int8_t w = entry.shelter[White], b = entry.shelter[Black];
  return {(b - w) * evalVars.kingSafetyWeight, {w, b}};
}

namespace {

// The part of the evaluation after the lazy exit, from `lazy`, the value so
// far; with Cached, stores the terms it adds in `cached`. Endgame: the
// phase is 3. Out of line, so that the lazy exits stay cheap.
template <bool Cached, bool Endgame>
[[gnu::noinline]] int pieceEvaluation(const Position& pos, int phase, const PawnEntry* entry, int lazy,
                                      PieceTermEntry* cached) {
  const BoardTables& bt = boardTables;
  const int32_t* material = pos.material;
  const int32_t* units = pos.pieceUnits;
  int score = lazy;
  int pressureOnBlack = 0, pressureOnWhite = 0;
  // Before the endgame the entry is never null (noPawnEntry stands for none).
  const bool hasEntry = !Endgame || entry;
  const PawnEntry& pawns = hasEntry ? *entry : noPawnEntry;
  score += pieceTerms<White>(pos, phase, pawns, pressureOnBlack);
  score -= pieceTerms<Black>(pos, phase, pawns, pressureOnWhite);

  if (!Endgame) score += kingPlacement<White>(pos, phase) - kingPlacement<Black>(pos, phase);

  // Bishop pair, worth less the more pawns are left (at most 16 outside set-up positions).
  int pawnsLeft = pos.pawnCount[White] + pos.pawnCount[Black];
  int pairBonus = bishopPairBonus[pawnsLeft < 16 ? pawnsLeft : 16];
  if (pos.bishopCount[White] == 2) score += pairBonus;
  if (pos.bishopCount[Black] == 2) score -= pairBonus;

  // King safety, scaled by the material left.
  if (!Endgame) {
    const ShelterEntry& sh = shelterEntry(pos);
    int u = units[White] + units[Black];
    int shelterW = sh.shelter[White], shelterB = sh.shelter[Black];
    int shelterValue = (shelterB - shelterW) * evalVars.kingSafetyWeight;
    if (pos.queens[White]) shelterB *= 2;
    if (pos.queens[Black]) shelterW *= 2;
    int scaleB = kingAttackScale[pressureOnBlack < 63 ? pressureOnBlack : 63];
    int scaleW = kingAttackScale[pressureOnWhite < 63 ? pressureOnWhite : 63];
    // Shelter values are never negative (see shelter), so the last two
    // products are not either and divide as unsigned numbers.
    score += (shelterValue * u) / 256 + int(unsigned(scaleB * u * shelterB) / 256) -
             int(unsigned(scaleW * u * shelterW) / 256);
  }

  if (hasEntry) score += blockedPassers<White>(pos, phase, *entry) - blockedPassers<Black>(pos, phase, *entry);

  if (Endgame && entry) {
    score += endgameTerms<White>(pos, *entry) - endgameTerms<Black>(pos, *entry);
    // Opposite-coloured bishops.
    if (pos.bishopCount[White] == 1 && pos.bishopCount[Black] == 1 &&
        !(pos.bishops[White] & bt.darkSquares) != !(pos.bishops[Black] & bt.darkSquares)) {
      if (units[White] == 3 && units[Black] == 3) {
        score /= 2;
      } else if (units[White] == 8 && units[Black] == 8) {
        if (material[White] > material[Black]) score -= OppositeBishopsRookEnding;
        if (material[Black] > material[White]) score += OppositeBishopsRookEnding;
      }
    }
  }

  int swing = score > lazy ? score - lazy : lazy - score;
  if (swing > evalState.lazyMargin) evalState.lazyMargin = swing;

  if constexpr (Cached) {
    cached->key = pos.key();
    cached->terms = score - lazy;
  }
  return pos.sideToMove == White ? score : -score;
}

template <bool Cached, bool Endgame>
int fillThenEvaluate(const Position& pos, int alpha, int beta, int phase, HashKey key, PawnEntry* entry);

// The evaluation proper in a phase before the endgame or in the endgame;
// with Cached, the terms after the lazy exit of positions before the endgame
// are read from and written to the piece-term cache. Every call it makes
// ends it, so that the common path needs no saved registers.
template <bool Cached, bool Endgame>
[[gnu::always_inline]] inline int evaluatePhase(const Position& pos, int alpha, int beta, int phase) {
  const int32_t* material = pos.material;
  const int32_t* units = pos.pieceUnits;
  int score = material[White] - material[Black];

  if (Endgame && endgameRules(pos, score)) return 0;

  // The entry of the current pawn structure and phase; without pawns none
  // in the endgame and noPawnEntry before it.
  PawnEntry* entry = Endgame ? nullptr : &noPawnEntry;
  int outsideFlags = 0;
  if (const HashKey pawnKey = pos.pawnKey()) {
    const HashKey key = pawnKey ^ pawnTable.phaseKeys[phase];
    entry = pawnTable.entries ? &pawnTable.entries[key & (pawnTable.count - 1)] : &scratchEntry;
    if (entry->key != key) [[unlikely]]
      return fillThenEvaluate<Cached, Endgame>(pos, alpha, beta, phase, key, entry);
    score += entry->score;
    outsideFlags = evalTables.outsidePawnFlags[entry->pawnFiles[White]][entry->pawnFiles[Black]];
  }

  // Pure pawn endings.
  if (Endgame && entry && units[White] == 0 && units[Black] == 0) {
    if (entry->passed[White]) score += PawnEndingPasser;
    if (entry->passed[Black]) score -= PawnEndingPasser;
    if (outsideFlags & 3) score += PawnEndingOutside;
    if (outsideFlags & 48) score -= PawnEndingOutside;
    if (rookPawnDraw<White>(pos) || rookPawnDraw<Black>(pos)) return 0;
    score += PawnRace(pos, *entry);
  }

  // Outside pawns.
  if (outsideFlags & 3) score += OutsidePasser[phase];
  if (outsideFlags & 48) score -= OutsidePasser[phase];

  // More minor pieces.
  int minorsW = pos.bishopCount[White] + pos.knightCount[White];
  int minorsB = pos.bishopCount[Black] + pos.knightCount[Black];
  int minorLead = pos.heavyCount[White] == pos.heavyCount[Black] ? 0 : 1;
  if (minorsW > minorsB + minorLead) score += MinorMajority;
  if (minorsB > minorsW + minorLead) score -= MinorMajority;

  // Lazy exit: the piece terms have not moved a value by more than the
  // margin so far in this search.
  const int lazy = score;
  const int s = pos.sideToMove == White ? score : -score;
  if (s - evalState.lazyMargin >= beta) return beta;
  if (s + evalState.lazyMargin <= alpha) return alpha;

  // Before the endgame, what is added from here on depends only on the
  // placement of the men (and the fixed pawn-structure fields), never on the
  // window or the root side: the value from a cache entry of the same key
  // equals a fresh computation.
  PieceTermEntry* cached = nullptr;
  if constexpr (Cached && !Endgame) {
    {
      cached = &pieceTermCache.entries[pos.key() & (PieceTermEntries - 1)];
      if (cached->key == pos.key()) {
        score = lazy + cached->terms;
        int swing = cached->terms < 0 ? -cached->terms : cached->terms;
        if (swing > evalState.lazyMargin) evalState.lazyMargin = swing;
        return pos.sideToMove == White ? score : -score;
      }
    }
  }

  return pieceEvaluation<Cached && !Endgame, Endgame>(pos, phase, entry, lazy, cached);
}

// Computes the missing pawn entry, then evaluates again, now finding it: the
// first pass changed nothing.
template <bool Cached, bool Endgame>
[[gnu::noinline]] int fillThenEvaluate(const Position& pos, int alpha, int beta, int phase, HashKey key,
                                       PawnEntry* entry) {
  fillPawnEntry(pos, phase, key, *entry);
  return evaluatePhase<Cached, Endgame>(pos, alpha, beta, phase);
}

template <bool Cached>
[[gnu::noinline]] int evaluateEndgame(const Position& pos, int alpha, int beta) {
  return evaluatePhase<Cached, true>(pos, alpha, beta, 3);
}

template <bool Cached>
[[gnu::always_inline]] inline int evaluate(const Position& pos, int alpha, int beta) {
  const int phase = GamePhase(pos);
  if (phase == 3) return evaluateEndgame<Cached>(pos, alpha, beta);
  return evaluatePhase<Cached, false>(pos, alpha, beta, phase);
}

}  // namespace

int Evaluate(const Position& pos, int alpha, int beta) { return evaluate<false>(pos, alpha, beta); }

int EvaluateCached(const Position& pos, int alpha, int beta) { return evaluate<true>(pos, alpha, beta); }

void ClearPieceTermCache() { std::memset(pieceTermCache.entries, 0, sizeof pieceTermCache.entries); }

}  // namespace tarrock
