#include "search/search.h"

#include <cstdlib>
#include <cstring>

#include "board/attacks.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/premove.h"
#include "board/see.h"
#include "board/tables.h"
#include "core/state.h"
#include "eval/evaluate.h"
#include "eval/params.h"
#include "eval/pawns.h"
#include "search/state.h"
#include "search/timecontrol.h"
#include "search/tt.h"
#include "tablebase/probe.h"

namespace tarrock {

namespace {

enum PickerStage : int {
  StageEvasions = 0,
  StageHashMove = 1,
  StageCaptures = 2,
  StageKiller1 = 3,
  StageKiller2 = 4,
  StageQuiet = 5,
  StageBadCaptures = 6,
  StageDone = 7
};

constexpr int32_t HashMoveKey = 999999999;

inline int value(int code) { return boardTables.pieceValue[code]; }

inline int historyIndex(Colour side, Move move) { return int(side) * 4096 + int(move & 4095); }

// The key after the move as far as a prefetch needs it: the en-passant,
// promotion and castling terms are left out, so for those moves it may name
// another bucket (a wasted prefetch, never a different result).
inline HashKey keyAfterForPrefetch(const Position& pos, Move m) {
  const int piece = movePiece(m), captured = moveCaptured(m);
  const Square from = moveFrom(m), to = moveTo(m);
  HashKey k = pos.key() ^ keys.sideKey ^ keys.pieceKeys[piece][from] ^ keys.pieceKeys[piece][to];
  if (captured) k ^= keys.pieceKeys[captured][to];
  return k;
}

// The pawn key after the move as far as a prefetch needs it (promotions
// and en passant left out).
inline HashKey pawnKeyAfterForPrefetch(const Position& pos, Move m) {
  HashKey k = pos.pawnKey();
  const int piece = movePiece(m), captured = moveCaptured(m);
  if (pieceType(captured) == Pawn) k ^= keys.pieceKeys[captured][moveTo(m)];
  if (pieceType(piece) == Pawn) k ^= keys.pieceKeys[piece][moveFrom(m)] ^ keys.pieceKeys[piece][moveTo(m)];
  return k;
}

// What the legality and check tests after the move would say of a move that
// is not castling, en passant or a promotion, by a side not in check,
// answered on the unmade board.
enum class Unmade { Illegal, NoCheck, Check };
inline Unmade unmadeVerdict(const Position& pos, Move move, Colour us) {
  if (pieceType(movePiece(move)) == King) {
    if (kingStepExposedUnmade(pos, move, us)) return Unmade::Illegal;
    return kingStepGivesCheckUnmade(pos, move, us) ? Unmade::Check : Unmade::NoCheck;
  }
  if (exposesKingUnmade(pos, move, us)) return Unmade::Illegal;
  return givesCheckUnmade(pos, move, us) ? Unmade::Check : Unmade::NoCheck;
}

// The number of legal moves among the quiet moves (those equal to h, k1 or
// k2 left out) when each of them is illegal or a move the search's futility
// test would drop, that is one that gets no extension: no check, castling or
// pawn step to the seventh rank. -1 when one of them is none of these. The
// side to move is not in check.
int droppableQuiets(const Position& pos, const Move* moves, int count, Move h, Move k1, Move k2) {
  const Colour us = pos.sideToMove;
  int legal = 0;
  for (int i = 0; i < count; ++i) {
    const Move m = moves[i];
    if (m == h || m == k1 || m == k2) continue;
    if (isCastle(m) || pawnToSeventh(m)) return -1;
    switch (unmadeVerdict(pos, m, us)) {
      case Unmade::Illegal: continue;
      case Unmade::Check: return -1;
      case Unmade::NoCheck: legal++; break;
    }
  }
  return legal;
}

// Returns the next move of the current batch, if any.
inline Move nextInBatch(Position& pos, PickerState& p) {
  if (p.leftInBatch <= 0) return 0;
  p.leftInBatch--;
  return pos.moveStack[p.next++];
}

void keyEvasions(Position& pos, int ply, Move* moves, int count) {
  int32_t* keys = pos.sortKeys;
  for (int i = 0; i < count; ++i) {
    Move m = moves[i];
    int captured = moveCaptured(m);
    if (m == pos.hashMove[ply]) keys[i] = 4000;
    else if (pieceType(movePiece(m)) == King) keys[i] = captured ? value(captured) - 5 : 0;
    else if (!captured) keys[i] = staticExchange(pos, moveFrom(m), moveTo(m));
    else {
      keys[i] = value(captured);
      if (value(captured) - value(movePiece(m)) < 1) keys[i] = staticExchange(pos, moveFrom(m), moveTo(m)) + 2;
    }
  }
}

void keyCaptures(Position& pos, int ply, Move* moves, int count) {
  int32_t* keys = pos.sortKeys;
  Move previous = ply > 0 ? pos.currentMove[ply - 1] : 0;
  int target = previous ? int(moveTo(previous)) : -1;
  for (int i = 0; i < count; ++i) {
    Move m = moves[i];
    if (m == pos.hashMove[ply]) {
      keys[i] = HashMoveKey;
      continue;
    }
    switch (movePromotion(m)) {
      case PromoteKnight: keys[i] = -3000; continue;
      case PromoteBishop: keys[i] = -2000; continue;
      case PromoteRook: keys[i] = -1000; continue;
      case PromoteQueen: keys[i] = staticExchange(pos, moveFrom(m), moveTo(m)) + evalVars.queenValue; continue;
      default: break;
    }
    int32_t key = value(moveCaptured(m)) - value(movePiece(m));
    if (key < 1) key = staticExchange(pos, moveFrom(m), moveTo(m));
    if (int(moveTo(m)) == target) key += 75;
    keys[i] = key;
  }
}

}  // namespace

void SortMoves(Move* moves, int32_t* keys, int count) {
  // SelectionSortDescending written out on the two arrays. Step i needs the
  // smallest key before position i and the first position holding it; both
  // are kept for every prefix, and a swap, which raises the key at that
  // position, renews only the prefixes that reach past it.
  if (count < 2) return;
  int32_t prefixMin[MaxRootMoves];  // prefixMin[k]: smallest of keys[0..k)
  int prefixAt[MaxRootMoves];       // prefixAt[k]: first position holding it
  prefixMin[0] = INT32_MAX;         // the empty prefix: any key is at most this,
  prefixAt[0] = 0;                  // and position 0 holds the first of the one-key prefix
  auto renew = [&](int from, int to) {  // prefixes from..to-1, from >= 1
    int32_t least = prefixMin[from - 1];
    int at = prefixAt[from - 1];
    for (int k = from; k < to; ++k) {
      // Without branches: the comparison is unpredictable.
      const int32_t key = keys[k - 1];
      const bool lower = key < least;
      least = lower ? key : least;
      at = lower ? k - 1 : at;
      prefixMin[k] = least;
      prefixAt[k] = at;
    }
  };
  renew(1, count);
  for (int i = count - 1; i >= 1; --i) {
    if (prefixMin[i] >= keys[i]) continue;
    const int j = prefixAt[i];
    std::swap(moves[j], moves[i]);
    std::swap(keys[j], keys[i]);
    renew(j + 1, i);
  }
}

void ResetRootPicker(Position& pos) {
  pos.moveStackTop[0] = 0;
  pos.moveStackTop[1] = 0;
}

Move StartMovePicker(Position& pos, int ply, bool futileQuiets) {
  PickerState& p = pos.picker[ply];
  p.futileQuiets = futileQuiets;
  p.droppedQuiets = 0;
  p.leftInBatch = 0;
  p.stage = pos.plyInCheck[ply] ? StageEvasions : StageHashMove;
  p.listStart = pos.moveStackTop[ply];
  p.next = p.listStart;
  p.captureCount = 0;
  p.goodEnd = p.listStart;
  pos.moveStackTop[ply + 1] = p.listStart;
  return PickNextMove(pos, ply);
}

Move PickNextMove(Position& pos, int ply) {
  PickerState& p = pos.picker[ply];
  pos.singleReply = 0;
  if (Move m = nextInBatch(pos, p)) return m;
  for (;;) {
    switch (p.stage) {
      case StageEvasions: {
        Move* moves = pos.moveStack + p.listStart;
        int count = generateEvasions(pos, moves);
        pos.moveStackTop[ply + 1] += count;
        p.stage = StageDone;
        if (count == 0) return 0;
        if (count == 1) {
          pos.singleReply = 1;
          return moves[0];
        }
        keyEvasions(pos, ply, moves, count);
        SortMoves(moves, pos.sortKeys, count);
        p.next = p.listStart;
        p.leftInBatch = count;
        return nextInBatch(pos, p);
      }
      case StageHashMove: {
        p.stage = StageCaptures;
        Move h = pos.hashMove[ply];
        if (h && isMoveValid(pos, h)) return h;
        break;
      }
      case StageCaptures: {
        p.stage = StageKiller1;
        Move* moves = pos.moveStack + p.listStart;
        int count = generateCaptures(pos, moves);
        pos.moveStackTop[ply + 1] += count;
        p.captureCount = count;
        keyCaptures(pos, ply, moves, count);
        SortMoves(moves, pos.sortKeys, count);
        int good = 0;
        while (good < count && pos.sortKeys[good] >= 0) ++good;
        p.goodEnd = p.listStart + good;
        p.next = p.listStart;
        p.leftInBatch = good;
        if (good > 0 && pos.sortKeys[0] == HashMoveKey) {
          p.next++;
          p.leftInBatch--;
        }
        if (Move m = nextInBatch(pos, p)) return m;
        break;
      }
      case StageKiller1:
      case StageKiller2: {
        Move k = p.stage == StageKiller1 ? pos.killer1[ply] : pos.killer2[ply];
        p.stage = p.stage == StageKiller1 ? StageKiller2 : StageQuiet;
        if (k && k != pos.hashMove[ply] && pos.board[moveTo(k)] == 0 && isMoveValid(pos, k)) return k;
        break;
      }
      case StageQuiet: {
        p.stage = StageBadCaptures;
        int start = p.listStart + p.captureCount;
        Move* moves = pos.moveStack + start;
        int count = generateNonCaptures(pos, moves);
        pos.moveStackTop[ply + 1] += count;
        Move h = pos.hashMove[ply], k1 = pos.killer1[ply], k2 = pos.killer2[ply];
        if (p.futileQuiets) {
          const int dropped = droppableQuiets(pos, moves, count, h, k1, k2);
          if (dropped >= 0) {
            // Every quiet move is illegal or dropped by the futility test:
            // their order cannot matter, so they are neither sorted nor
            // handed out, only counted as searched.
            p.droppedQuiets = dropped;
            search.nodes += dropped;
            break;
          }
        }
        int kept = 0;
        for (int i = 0; i < count; ++i) {
          Move m = moves[i];
          if (m == h || m == k1 || m == k2) continue;
          moves[kept] = m;
          pos.sortKeys[kept] = search.history[historyIndex(pos.sideToMove, m)];
          ++kept;
        }
        SortMoves(moves, pos.sortKeys, kept);
        p.next = start;
        p.leftInBatch = kept;
        if (Move m = nextInBatch(pos, p)) return m;
        break;
      }
      case StageBadCaptures: {
        p.stage = StageDone;
        p.next = p.goodEnd;
        p.leftInBatch = p.listStart + p.captureCount - p.goodEnd;
        if (Move m = nextInBatch(pos, p)) return m;
        break;
      }
      default: return 0;
    }
  }
}

void UpdatePv(Position& pos, Move move, int ply) {
  pos.pv[ply][ply] = move;
  int length = pos.pvLength[ply + 1];
  if (length > MaxPly) length = MaxPly;
  for (int j = ply + 1; j < length; ++j) pos.pv[ply][j] = pos.pv[ply + 1][j];
  pos.pvLength[ply] = length;
}

void RecordGoodMove(Position& pos, Move move, int depth, int ply) {
  if (pos.plyInCheck[ply] || moveCaptured(move) || movePromotion(move)) return;
  if (pos.killer1[ply] != move) {
    pos.killer2[ply] = pos.killer1[ply];
    pos.killer1[ply] = move;
  }
  search.history[historyIndex(pos.sideToMove, move)] += depth * depth;
}

bool IsRepetition(const Position& pos) {
  int h = int(pos.fifty());
  if (h / 2 >= 50) return true;
  HashKey key = pos.key();
  for (int back = 2; back <= 2 * (h / 2) && back <= pos.keyTop; back += 2)
    if (pos.keyStack[pos.keyTop - back] == key) return true;
  return false;
}

bool IsThreefold(const Position& pos) {
  int h = int(pos.fifty());
  HashKey key = pos.key();
  int count = 0;
  for (int back = 2; back <= 2 * (h / 2) && back <= pos.keyTop; back += 2)
    if (pos.keyStack[pos.keyTop - back] == key) ++count;
  return count == 3;
}

void ClearSearchTables(Position& pos) {
  std::memset(pos.killer1, 0, sizeof pos.killer1);
  std::memset(pos.killer2, 0, sizeof pos.killer2);
  std::memset(search.history, 0, sizeof search.history);
}

void AgeSearchTables(Position& pos) {
  std::memset(pos.killer1, 0, sizeof pos.killer1);
  std::memset(pos.killer2, 0, sizeof pos.killer2);
  for (int32_t& h : search.history) h >>= 8;
}

void MakeNullMove(Position& pos) {
  HashKey key = pos.key() ^ keys.sideKey;
  if (pos.epSquare()) key ^= keys.epKeys[pos.epSquare()];
  uint32_t rights = pos.castleRights(), fifty = pos.fifty();
  HashKey pawnKey = pos.pawnKey();
  pos.castleStack[++pos.castleTop] = rights;
  pos.keyStack[++pos.keyTop] = key;
  pos.pawnKeyStack[++pos.pawnKeyTop] = pawnKey;
  pos.fiftyStack[++pos.fiftyTop] = fifty + 1;
  pos.epStack[++pos.epTop] = 0;
  pos.sideToMove ^= 1;
}

void UnmakeNullMove(Position& pos) {
  pos.castleTop--;
  pos.keyTop--;
  pos.pawnKeyTop--;
  pos.fiftyTop--;
  pos.epTop--;
  pos.sideToMove ^= 1;
}

int Search(Position& pos, int depth, int ply, int alpha, int beta, int allowNull) {
  // 1. Poll the clock and the input now and then.
  const int countdown = search.pollCountdown;
  search.pollCountdown = countdown - 1;
  if (countdown <= 0) {
    search.pollCountdown = PollInterval;
    CheckTimeAtPoll();
    if (search.inputPolling && search.pollInput) search.pollInput(pos);
    if (search.abortSearch) return beta;
  }
  if (search.nodeLimit && search.nodes >= search.nodeLimit) {
    search.abortSearch = 1;
    return beta;
  }
  // 2-5. Ply limit, counters, repetition, mate distance.
  if (ply >= MaxPly - 1) return beta;
  search.nodes++;
  pos.pvLength[ply] = ply;
  if (IsRepetition(pos)) return search.drawValue[pos.sideToMove];
  if (alpha >= 32766 - ply) return alpha;

  // 6. Transposition table.
  int probe = ProbeHash(pos, depth, ply, alpha, beta);
  if (probe == 0) return alpha;
  // The hash move is searched first, after the null move and the static
  // value: its child's bucket can load meanwhile.
  if (pos.hashMove[ply]) PrefetchHash(keyAfterForPrefetch(pos, pos.hashMove[ply]));
  if (probe == 2) allowNull = 0;

  // 7. Tablebases.
  if (depth > tablebases.tbProbeDepth * OnePly && TablebaseCandidate(pos)) {
    int s;
    if (ProbeTablebase(pos, s)) {
      if (s > 0) s = s + 1 - ply;
      else if (s < 0) s = s + ply;
      StoreHash(pos, 0, 768, ply, s, Exact);
      return s;
    }
  }

  // 8. The first move is being searched.
  pos.laterMove[ply] = 0;
  const Colour us = pos.sideToMove, them = us ^ 1;
  const int unitSum = pos.pieceUnits[White] + pos.pieceUnits[Black];

  // 9. Null move.
  if (allowNull && !pos.threat[ply] && !pos.plyInCheck[ply] && unitSum >= 6) {
    pos.plyInCheck[ply + 1] = 0;
    MakeNullMove(pos);
    PrefetchHash(pos.key());
    pos.currentMove[ply] = 0;
    pos.extFlags[ply] = 0;
    pos.moveStackTop[ply + 1] = pos.moveStackTop[ply];
    int reduced = depth <= 72 ? depth - 24 - 12 : depth - 36 - 12;
    if (reduced < OnePly && ply >= 2 && pos.threat[ply - 2]) reduced = OnePly;
    int nullScore = reduced < OnePly ? -Quiesce(pos, ply + 1, -beta, 1 - beta)
                                     : -Search(pos, reduced, ply + 1, -beta, 1 - beta, 0);
    UnmakeNullMove(pos);
    if (search.abortSearch) return alpha;
    if (nullScore >= beta) {
      bool verified = true;
      if (unitSum <= 10 && reduced >= OnePly)
        verified = Search(pos, reduced, ply, beta - 1, beta, 0) >= beta;
      if (verified) {
        if (search.abortSearch) return alpha;
        StoreHash(pos, 0, depth, ply, nullScore, LowerBound);
        return nullScore;
      }
      pos.threat[ply] = 1;
    } else if (nullScore < -MateBound && beta > -MateBound) {
      pos.threat[ply] = 1;
    }
  }

  // 10. Static value for the futility tests.
  int staticValue = Infinity;
  if (pos.material[us] - pos.material[them] + 200 < alpha) staticValue = EvaluateCached(pos, -Infinity, alpha);

  // 11. Internal iterative deepening.
  if (depth >= 36 && !pos.hashMove[ply] && beta - alpha == search.rootBeta - search.rootAlpha)
    pos.laterMove[ply - 1] = 1;
  if (depth >= 24 && pos.threat[ply - 1] && !pos.hashMove[ply] && !pos.plyInCheck[ply]) {
    int savedThreat = pos.threat[ply];
    Search(pos, OnePly, ply, MateBound, 32766 - ply, 0);
    if (search.abortSearch) return alpha;
    int a = -Infinity, b = Infinity;
    ProbeHash(pos, 768, ply, a, b);
    pos.threat[ply] = savedThreat;
  }
  if (depth >= 36 && pos.laterMove[ply - 1] && !pos.hashMove[ply]) {
    int savedThreat = pos.threat[ply];
    Search(pos, depth - 24, ply, alpha, beta, 0);
    if (search.abortSearch) return alpha;
    int a = -Infinity, b = Infinity;
    ProbeHash(pos, 768, ply, a, b);
    pos.threat[ply] = savedThreat;
  }

  // 12. Move loop.
  const Move previous = pos.currentMove[ply - 1];
  const int entryAlpha = alpha;
  const int iterationPlies = search.iterationDepth / OnePly;
  Move best = 0;
  int legal = 0;
  // The futility test's margin at this depth, and whether moves can be
  // dropped before they are made (see below).
  const int futilityMargin = depth >= 36 ? 350 : depth >= 24 ? 200 : 100;
  const bool quietNode = !pos.plyInCheck[ply] && !pos.threat[ply] && !pos.threat[ply - 1] && depth < 48 &&
                         staticValue != Infinity;
  // When the futility test drops every quiet move without an extension, the
  // picker drops them unmade and reports how many were legal.
  const bool futileQuiets =
      quietNode && staticValue + futilityMargin < alpha && pos.pieceUnits[them] >= 5;
  PickerState& picker = pos.picker[ply];
  auto countDropped = [&](Move m) {
    legal += picker.droppedQuiets;
    picker.droppedQuiets = 0;
    return m;
  };
  for (Move move = countDropped(StartMovePicker(pos, ply, futileQuiets)); move;
       move = countDropped(PickNextMove(pos, ply))) {
    const bool singleReply = pos.singleReply;
    const bool unmadeFutility = quietNode && !singleReply;
    // The bucket of the move after this one, if the batch has one, loads
    // while this move's subtree is searched; not for a move the futility
    // test will likely drop unmade, whose bucket is never read.
    if (picker.leftInBatch > 0) {
      const Move next = pos.moveStack[picker.next];
      if (!quietNode || value(moveCaptured(next)) + staticValue + futilityMargin >= alpha)
        PrefetchHash(keyAfterForPrefetch(pos, next));
    }
    if (unmadeFutility) {
      // The move gets no extension and the futility test below drops it
      // when it is legal and gives no check: decide it unmade.
      const int captured = moveCaptured(move), type = pieceType(movePiece(move));
      const Square to = moveTo(move);
      const bool candidate =
          !movePromotion(move) && !isCastle(move) && !(type == Pawn && captured && to == pos.epSquare()) &&
          !pawnToSeventh(move) &&
          value(captured) + staticValue + futilityMargin < alpha &&
          pos.pieceUnits[them] - PieceUnits[pieceType(captured)] >= 5 &&
          !(previous && to == moveTo(previous) && moveCaptured(previous) &&
            std::abs(value(captured) - value(moveCaptured(previous))) < 211 &&
            pos.material[us] - (pos.material[them] - evalVars.valueOf(pieceType(captured))) + 250 > alpha &&
            !(pos.extFlags[ply - 1] & 16));
      if (candidate) {
        const Unmade verdict = unmadeVerdict(pos, move, us);
        if (verdict == Unmade::Illegal) continue;
        if (verdict == Unmade::NoCheck) {
          pos.currentMove[ply] = move;
          legal++;
          pos.plyInCheck[ply + 1] = 0;
          pos.extFlags[ply] = 0;
          search.nodes++;
          continue;
        }
      }
    }
    makeMove(pos, move);
    PrefetchHash(pos.key());
    // Neither king is attacked on entry (unless ours is in check), so the
    // tests after the move need only look at what the move changed.
    if (pos.plyInCheck[ply] ? inCheck(pos, us) : moveExposedKing(pos, move, us)) {
      unmakeMove(pos, move);
      continue;
    }
    pos.currentMove[ply] = move;
    legal++;
    const int givesCheck = moveGaveCheck(pos, move, us);
    pos.plyInCheck[ply + 1] = givesCheck;
    pos.extFlags[ply] = 0;
    int e = 0;
    if (singleReply) {
      e += 9;
      pos.extFlags[ply] |= 8;
    }
    if (givesCheck) {
      e += 12;
      pos.extFlags[ply] |= 4;
    }
    if (pos.threat[ply]) {
      e += 9;
      pos.extFlags[ply] |= 1;
    }
    const int captured = moveCaptured(move);
    if (previous && moveTo(move) == moveTo(previous) && moveCaptured(previous) &&
        std::abs(value(captured) - value(moveCaptured(previous))) < 211 &&
        pos.material[us] - pos.material[them] + 250 > alpha && !(pos.extFlags[ply - 1] & 16)) {
      e += 9;
      pos.extFlags[ply] |= 16;
    }
    if (pawnToSeventh(move)) {
      e += 12;
      pos.extFlags[ply] |= 32;
    }

    if (e == 0 && !pos.threat[ply - 1] && pos.pieceUnits[them] >= 5 && !movePromotion(move)) {
      int v = value(captured) + staticValue;
      bool prune = false;
      if (depth >= 48) {
        if (!pos.plyInCheck[ply] && v + 1000 < alpha) e = -12;
      } else if (depth >= 36) {
        prune = v + 350 < alpha;
      } else if (depth >= 24) {
        prune = v + 200 < alpha;
      } else {
        prune = v + 100 < alpha;
      }
      if (prune) {
        search.nodes++;
        unmakeMove(pos, move);
        continue;
      }
    }
    if (e != 0) {
      if (ply >= 2 * iterationPlies && !givesCheck) e /= 2;
      if (e > 12) e = 12;
    }
    if (e == 0 && movePromotion(move) && depth >= 24) {
      bool attacked = them == White ? isAttackedByWhite(pos, moveTo(move)) : isAttackedByBlack(pos, moveTo(move));
      if (!attacked) e = -12;
    }

    const int newDepth = depth - OnePly + e;
    int score;
    if (legal == 1) {
      pos.laterMove[ply] = 0;
      score = newDepth < OnePly ? -Quiesce(pos, ply + 1, -beta, -alpha)
                                : -Search(pos, newDepth, ply + 1, -beta, -alpha, 1);
    } else {
      pos.laterMove[ply] = 1;
      score = newDepth < OnePly ? -Quiesce(pos, ply + 1, -alpha - 1, -alpha)
                                : -Search(pos, newDepth, ply + 1, -alpha - 1, -alpha, 1);
      if (!search.abortSearch && score > alpha && score < beta)
        score = newDepth < OnePly ? -Quiesce(pos, ply + 1, -beta, -alpha)
                                  : -Search(pos, newDepth, ply + 1, -beta, -alpha, 1);
    }
    unmakeMove(pos, move);
    if (search.abortSearch) return alpha;

    if (score > alpha) {
      if (score >= beta) {
        StoreHash(pos, move, depth, ply, score, LowerBound);
        RecordGoodMove(pos, move, depth, ply);
        return score;
      }
      alpha = score;
      best = move;
      UpdatePv(pos, move, ply);
    }
  }

  // 13. Mate, stalemate, or the node's result.
  if (legal == 0) return pos.plyInCheck[ply] ? ply - Infinity : 0;
  if (alpha == entryAlpha) {
    StoreHash(pos, 0, depth, ply, alpha, UpperBound);
    return alpha;
  }
  RecordGoodMove(pos, best, depth, ply);
  StoreHash(pos, best, depth, ply, alpha, Exact);
  return alpha;
}

int Quiesce(Position& pos, int ply, int alpha, int beta) {
  if (ply >= MaxPly) return beta;
  if (ply > search.selDepth) search.selDepth = ply;
  search.nodes++;
  if (search.qsDepth > search.qsDepthLimit) return beta;

  int e = EvaluateCached(pos, alpha, beta);
  if (e > alpha) {
    if (e >= beta) return e;
    alpha = e;
    pos.pvLength[ply] = ply;
  }

  const Colour us = pos.sideToMove, them = us ^ 1;
  const int need = alpha + (pos.material[them] - pos.material[us]) - 100;
  if (need > evalVars.queenValue) return alpha;

  Move* moves = pos.moveStack + pos.moveStackTop[ply];
  int count = generateCaptures(pos, moves);
  if (count == 0) return alpha;

  int32_t* keys = pos.sortKeys;
  int kept = 0;
  for (int i = 0; i < count; ++i) {
    Move m = moves[i];
    int victim = value(moveCaptured(m));
    if (victim == 10000) return Infinity;
    int32_t key;
    uint32_t promotion = movePromotion(m);
    if (promotion) {
      if (promotion != PromoteQueen) continue;
      key = evalVars.queenValue - evalVars.pawnValue + victim;
    } else {
      if (victim < need) continue;
      int diff = victim - value(movePiece(m));
      if (diff > 0 || (diff == 0 && need <= 0)) {
        key = victim;
      } else {
        int x = staticExchange(pos, moveFrom(m), moveTo(m));
        if (!(x > 0 || (x == 0 && need <= 0))) continue;
        key = x;
      }
    }
    moves[kept] = m;
    keys[kept] = key;
    ++kept;
  }
  if (kept == 0) return alpha;
  pos.moveStackTop[ply + 1] = pos.moveStackTop[ply] + kept;
  SortMoves(moves, keys, kept);

  const int phase = GamePhase(pos);
  for (int i = 0; i < kept; ++i) {
    Move m = moves[i];
    // The pawn entry the next capture's evaluation will read (in this
    // phase, which a capture seldom changes) loads meanwhile.
    if (i + 1 < kept) PrefetchPawnEntry(pawnKeyAfterForPrefetch(pos, moves[i + 1]), phase);
    makeMove(pos, m);
    search.qsDepth++;
    int score = -Quiesce(pos, ply + 1, -beta, -alpha);
    search.qsDepth--;
    unmakeMove(pos, m);
    if (score > alpha) {
      if (score >= beta) return score;
      alpha = score;
      UpdatePv(pos, m, ply);
    }
  }
  return alpha;
}

}  // namespace tarrock
