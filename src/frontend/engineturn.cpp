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
#include "frontend/poll.h"
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

// m when it is a legal move of the position, else 0.
Move legalOrNone(Position& pos, Move m) { return m && isMoveValid(pos, m) && isLegalMove(pos, m) ? m : 0; }

// The protocol's form of a move; "0000", its null move, when there is none.
const char* uciMoveText(Move m) { return m ? moveToCoordinate(m) : "0000"; }

void sendUciBestMove(Move m, Move ponder) {
  std::printf("bestmove %s", uciMoveText(m));
  if (m && ponder) std::printf(" ponder %s", moveToCoordinate(ponder));
  std::printf("\n");
  std::fflush(stdout);
}

// UCI allows no "bestmove" during "go infinite" or "go ponder" before the
// interface sends "stop" or "ponderhit". A search that ended by itself (a
// mate found, the depth limit reached, no legal move) holds its reply until
// then; lines meanwhile are handled as during a search, and any line that
// would stop a search releases the reply and stays pending.
void holdUciReply(Position& pos) {
  while (!frontend.pendingCommand && (frontend.pondering || frontend.infiniteAnalysis)) ReadHeldInput(pos);
}

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
    // A UCI interface decides itself whether the game goes on, and it waits
    // for a move.
    if (frontend.protocolMode != Uci) {
      endGameUnsearched(pos);
      return;
    }
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
  // the first legal move is then the answer.
  if (pos.pvLength[0] < 1 || !legalOrNone(pos, pos.pv[0][0])) {
    buildRootList(pos);
    pos.pv[0][0] = pos.rootCount > 0 ? pos.rootList[0].move : 0;
    pos.pvLength[0] = pos.rootCount > 0 ? 1 : 0;
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
    if (frontend.protocolMode == Uci) {
      holdUciReply(pos);
      sendUciBestMove(legalOrNone(pos, pos.pv[0][0]), 0);
      frontend.engineToMove = 0;
    } else {
      // An analysis stopped by a line goes on once the line has been
      // executed, unless the line ends it ("exit") or sets up a game.
      frontend.engineToMove = frontend.pendingCommand ? 1 : 0;
    }
    frontend.pondering = 0;
    return;
  }
  if (!frontend.engineToMove && frontend.protocolMode != Uci) {
    if (frontend.ponderEnabled && !frontend.noPonder && pos.gameInProgress) Ponder(pos);
    else frontend.noPonder = 1;
    return;
  }
  frontend.noPonder = 0;
  EngineTurn(pos);
  if (frontend.protocolMode == Uci) holdUciReply(pos);

  const Move m = legalOrNone(pos, pos.pv[0][0]);
  if (pos.gameInProgress && m) {
    const int score = search.rootScore;
    if (frontend.drawOffered && pos.unchangedScoreCount >= 3 && pieceUnitSum(pos) < 21) PrintOut("offer draw\n");
    if (frontend.protocolMode == Xboard) SendXboardMove(m);
    if (frontend.protocolMode == Uci) {
      sendUciBestMove(m, search.ponderMove);
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
  } else if (frontend.protocolMode == Uci) {
    // The game is over (the result line is out) or the position cannot be
    // searched: the interface still gets its one reply, the null move when
    // there is no legal move.
    sendUciBestMove(m, 0);
    frontend.pondering = 0;
  }
  if (!pos.gameInProgress && frontend.protocolMode == Uci) frontend.noPonder = 1;
  frontend.engineToMove = 0;
  std::fflush(stdout);
}

}  // namespace tarrock
