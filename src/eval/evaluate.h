// The static evaluation: material, the endgame rules that recognise draws,
// the cached pawn structure, piece-square tables, mobility, outposts, rook and
// queen rules, king placement and shelter with king tropism, and a lazy exit
// that skips the piece terms when the cheap part of the value already lies
// outside the search window by more than a margin, with a cache of the terms
// after that exit for the search. Terms are summed from White's point of
// view; the result is from the side to move's.
#pragma once

#include "board/position.h"

namespace tarrock {

constexpr int InitialLazyMargin = 100;

// What the evaluation reads from the search that calls it. The search sets
// both when it starts.
struct EvalState {
  Colour rootSide = White;             // the colour the search was started for
  int lazyMargin = InitialLazyMargin;  // Evaluate only raises it
};

extern EvalState evalState;

// 0 opening, 1 middlegame, 2 late middlegame, 3 endgame.
inline int GamePhase(const Position& pos) {
  if (pos.pieceUnits[White] + pos.pieceUnits[Black] < 23) return 3;
  if (pos.material[White] > 2700 && pos.material[Black] > 2700) return 0;
  if (pos.material[White] > 2100 && pos.material[Black] > 2100) return 1;
  return 2;
}

// Static value from the side to move's point of view. With a window
// (alpha, beta) it may return alpha or beta itself when the value is known
// to lie outside it (the lazy exit); reads and writes the pawn-structure
// table and may raise evalState.lazyMargin.
int Evaluate(const Position& pos, int alpha, int beta);

// The same value, with the terms after the lazy exit of positions before
// the endgame read from the piece-term cache when the position's key is
// there (and stored when it is not). The search calls this one.
int EvaluateCached(const Position& pos, int alpha, int beta);

// The piece-term cache: by position key, what the evaluation adds after the
// lazy exit. Fixed size, no allocation; cleared with the pawn table (a new
// play level changes the weights it depends on).
struct PieceTermEntry {
  HashKey key;
  int32_t terms;
};
constexpr int PieceTermEntries = 16384;
struct PieceTermCache {
  PieceTermEntry entries[PieceTermEntries] = {};
};
extern PieceTermCache pieceTermCache;
void ClearPieceTermCache();

// Exposure of each king (higher is worse) and the resulting value
// (shelter[black] - shelter[white]) times the king-safety weight.
struct KingShelterResult {
  int value;
  int shelter[2];
};
KingShelterResult KingShelter(const Position& pos);

}  // namespace tarrock
