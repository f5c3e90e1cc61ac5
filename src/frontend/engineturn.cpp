#include "board/print.h"
#include "frontend/engineturn.h"

#include <cstdio>

#include "board/attacks.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "book/probe.h"
#include "core/config.h"
#include "core/output.h"
#include "core/state.h"
#include "frontend/replies.h"
#include "search/ponder.h"
#include "search/root.h"
#include "search/search.h"
#include "search/state.h"
#include "search/thinking.h"
#include "search/timecontrol.h"
#include "search/tt.h"

namespace tarrock {

namespace {

void endGame(Position& pos) {
  pos.gameInProgress = 0;
  frontend.noPonder = 1;
}

// A game over before any search leaves no best move behind.
void endGameUnsearched(Position& pos) {
  endGame(pos);
  pos.pv[0][0] = 0;
  pos.pvLength[0] = 0;
}

int pieceUnitSum(const Position& pos) { return pos.pieceUnits[White] + pos.pieceUnits[Black]; }

}  // namespace

bool RefuseIllegalPosition(Position& pos) {
  const char* fault = positionFault(pos);
  if (!fault) return false;
  if (frontend.protocolMode == Xboard) PrintOut("tellusererror Illegal position: %s\n", fault);
  else if (frontend.protocolMode == Uci) PrintOut("info string Illegal position: %s\n", fault);
  else PrintOut("Illegal position: %s\n", fault);
  pos.pv[0][0] = 0;
  pos.pvLength[0] = 0;
  search.ponderMove = 0;
  frontend.noPonder = 1;
  return true;
}

void EngineTurn(Position& pos) {
  frontend.drawOffered = 0;
  if (computeKey(pos) != pos.key()) fatalError("Lost hash key");
  if (RefuseIllegalPosition(pos)) return;
  const Colour side = pos.sideToMove;
  if (countLegalMoves(pos) == 0) {
    if (inCheck(pos, side)) PrintOut(side == White ? "0-1 {Black mates}\n" : "1-0 {White mates}\n");
    else PrintOut("1/2-1/2 {Stalemate}\n");
    endGameUnsearched(pos);
    return;
  }
  if (IsThreefold(pos)) {
    PrintOut("1/2-1/2 {Drawn by repetition}\n");
    endGameUnsearched(pos);
    return;
  }
  search.rootSide = side;  // the colour book learning credits with the result
  if (frontend.bookEnabled && pos.bookMisses < 3 && !frontend.infiniteAnalysis && !frontend.pondering) {
    if (Move book = BookProbe(pos)) {
      pos.pv[0][0] = book;
      pos.pvLength[0] = 1;
      search.rootScore = 0;
      search.ponderMove = 0;
      frontend.noPonder = 1;
      return;
    }
    pos.bookMisses++;
  }
  if (!frontend.infiniteAnalysis) AllocateTime(pos, side);
  if (frontend.ponderHit && frontend.ponderEnabled) {
    if (UsePonderResult(pos)) return;
  } else {
    NewSearchGeneration();
  }
  int s = Think(pos);
  // A search stopped before its first root move finished leaves no line;
  // the first root move is then the answer.
  if (pos.pvLength[0] < 1 && pos.rootCount > 0) {
    pos.pv[0][0] = pos.rootList[0].move;
    pos.pvLength[0] = 1;
  }

  if (s >= -MateBound && s <= MateBound && s < -config.resign) {
    if (++pos.badScoreCount >= 3 && frontend.opponentClock > 200) {
      PrintOut(side == White ? "0-1 {White resigns}\n" : "1-0 {Black resigns}\n");
      endGame(pos);
    }
  } else {
    pos.badScoreCount = 0;
  }
  if (s == 0 || s == pos.game->drawScore) pos.unchangedScoreCount++;
  else pos.unchangedScoreCount = 0;
  search.lastScore = s;
}

void ThinkStep(Position& pos) {
  if (frontend.protocolMode != Xboard) PrintBoard(pos);
  AgeSearchTables(pos);

  if (frontend.infiniteAnalysis) {
    timeControl.allocatedTime = 10000000;
    if (search.multiPv <= 1) EngineTurn(pos);
    else if (!RefuseIllegalPosition(pos)) ThinkMultiPv(pos, search.multiPv);
    frontend.pondering = 0;
    frontend.engineToMove = 0;
    if (frontend.protocolMode == Uci) {
      std::printf("bestmove %s\n", pos.pv[0][0] ? moveToCoordinate(pos.pv[0][0]) : "0000");
      std::fflush(stdout);
    }
    return;
  }
  if (!frontend.engineToMove && frontend.protocolMode != Uci) {
    if (frontend.ponderEnabled && !frontend.noPonder && pos.gameInProgress) Ponder(pos);
    else frontend.noPonder = 1;
    return;
  }
  frontend.noPonder = 0;
  EngineTurn(pos);

  if (pos.gameInProgress && !pos.pv[0][0]) {
    // No move came back: the position could not be searched.
    if (frontend.protocolMode == Uci) std::printf("bestmove 0000\n");
  } else if (pos.gameInProgress) {
    const Move m = pos.pv[0][0];
    const int score = search.rootScore;
    if (frontend.drawOffered && pos.unchangedScoreCount >= 3 && pieceUnitSum(pos) < 21) PrintOut("offer draw\n");
    if (frontend.protocolMode == Xboard) SendXboardMove(m);
    if (frontend.protocolMode == Uci) {
      std::printf("bestmove %s", moveToCoordinate(m));
      if (search.ponderMove) std::printf(" ponder %s", moveToCoordinate(search.ponderMove));
      std::printf("\n");
      frontend.pondering = 0;
    }
    PrintInfo("Best move: %s score %s\n\n", moveToSan(pos, m), FormatScore(score));
    if (frontend.protocolMode != Uci) {
      playMove(pos, m);
      if (pos.fifty() >= 100) {
        PrintOut("1/2-1/2 {Drawn by 50-move rule}\n");
        endGame(pos);
      }
      const int u = pos.unchangedScoreCount;
      if (u >= 3 && u % 3 == 0 && pieceUnitSum(pos) < 21) PrintOut("offer draw\n");
    } else {
      frontend.noPonder = 1;
    }
  }
  if (!pos.gameInProgress && frontend.protocolMode == Uci) frontend.noPonder = 1;
  frontend.engineToMove = 0;
  std::fflush(stdout);
}

}  // namespace tarrock
