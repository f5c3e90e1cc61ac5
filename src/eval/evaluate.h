// The static evaluation: material, the endgame rules that recognise draws,
// the cached pawn structure, piece-square tables, mobility, outposts, rook and
// queen rules, king placement and shelter with king tropism, and a lazy exit
// that skips the piece terms when the cheap part of the value already lies
// outside the search window by more than a margin. Terms are summed from
// White's point of view; the result is from the side to move's.
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
int GamePhase(const Position& pos);

// Static value from the side to move's point of view. With a window
// (alpha, beta) it may return alpha or beta itself when the value is known
// to lie outside it (the lazy exit); reads and writes the pawn-structure
// table and may raise evalState.lazyMargin.
int Evaluate(const Position& pos, int alpha, int beta);

// Exposure of each king (higher is worse) and the resulting value
// (shelter[black] - shelter[white]) times the king-safety weight.
struct KingShelterResult {
  int value;
  int shelter[2];
};
KingShelterResult KingShelter(const Position& pos);

}  // namespace tarrock
