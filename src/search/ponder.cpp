#include "search/ponder.h"

#include "board/attacks.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "core/output.h"
#include "core/state.h"
#include "search/root.h"
#include "search/state.h"
#include "search/thinking.h"
#include "search/timecontrol.h"
#include "search/tt.h"

namespace tarrock {

PonderState ponderState;

namespace {

void finishPonder() {
  ponderState.ponderScore = search.rootScore;
  ponderState.ponderTime = Elapsed();
  frontend.pondering = 0;
  frontend.noPonder = 1;
}

}  // namespace

void Ponder(Position& pos) {
  if (positionFault(pos)) {  // nothing to ponder on a board that cannot be played
    frontend.noPonder = 1;
    return;
  }
  if (countLegalMoves(pos) == 0) {
    if (inCheck(pos, pos.sideToMove))
      PrintOut(pos.sideToMove == Black ? "1-0 {White mates}\n" : "0-1 {Black mates}\n");
    else
      PrintOut("1/2-1/2 {Stalemate}\n");
    std::fflush(stdout);
    pos.gameInProgress = 0;
    frontend.noPonder = 1;
    return;
  }
  search.abortSearch = 0;
  NewSearchGeneration();
  timeControl.allocatedTime = 10000000;
  frontend.pondering = 1;
  ponderState.ponderReply = 0;

  if (!search.ponderMove) {
    int a = -32767, b = 32767;
    ProbeHash(pos, 768, 0, a, b);
    if (pos.hashMove[0]) {
      search.ponderMove = pos.hashMove[0];
      PrintInfo("Got ponder move from hash table\n");
    }
  }
  const Move guess = search.ponderMove;
  if (guess && isMoveValid(pos, guess) && isLegalMove(pos, guess)) {
    if (frontend.xboardPost) PrintOut("Hint: %s\n", moveToSan(pos, guess));
    PrintInfo("Pondering: %s\n", moveToSan(pos, guess));
    makeMove(pos, guess);
    if (countLegalMoves(pos) > 0) Think(pos);
    unmakeMove(pos, guess);
    ponderState.ponderReply = search.ponderMove;
    search.ponderMove = guess;
    finishPonder();
    return;
  }
  PrintInfo("Pondering...\n");
  Think(pos);
  finishPonder();
}

bool UsePonderResult(Position& pos) {
  if (!frontend.ponderHit || !frontend.ponderEnabled) return false;
  if (timeControl.fixedMoveTime) return false;
  if (uint32_t(timeControl.allocatedTime) / 2 > ponderState.ponderTime) return false;
  if (ponderState.ponderScore + 5 <= search.lastScore) return false;
  if (pos.rootList[0].flags & 2) return false;
  if (pos.pvLength[0] < 1 || !isLegalMove(pos, pos.pv[0][0])) return false;
  PrintInfo("Using ponder move: %s score %s\n", moveToSan(pos, pos.pv[0][0]),
            FormatScore(ponderState.ponderScore));
  search.lastScore = ponderState.ponderScore;
  search.rootScore = ponderState.ponderScore;
  search.ponderMove = ponderState.ponderReply;
  return true;
}

}  // namespace tarrock
