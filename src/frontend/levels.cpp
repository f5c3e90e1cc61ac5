#include "frontend/levels.h"

#include "core/output.h"
#include "core/state.h"
#include "eval/params.h"
#include "eval/pawns.h"
#include "search/state.h"
#include "search/tt.h"

namespace tarrock {

namespace {

struct PlayLevel {
  int knight, bishop, rook, queen, kingSafety, plies, randomness, drawScore;
};

constexpr PlayLevel PlayLevelTable[11] = {
    {120, 120, 200, 300, 0, 1, 30, 0},  {180, 140, 200, 350, 2, 1, 30, 0},
    {250, 250, 500, 970, 4, 2, 30, 0},  {300, 300, 500, 970, 4, 2, 10, 0},
    {300, 300, 500, 970, 4, 4, 10, 0},  {300, 300, 500, 970, 4, 6, 10, 0},
    {300, 300, 500, 970, 4, 7, 0, 0},   {300, 300, 500, 970, 4, 8, 0, 0},
    {300, 300, 500, 970, 4, 9, 0, 0},   {300, 300, 500, 970, 4, 10, 0, 0},
    {300, 300, 500, 970, 4, 64, 0, 0},
};

}  // namespace

void SetPlayLevel(Position& pos, int level) {
  PrintInfo("Level %d\n", level);
  if (level < 1 || level > 11) {
    PrintInfo("level out of range\n");
    return;
  }
  const PlayLevel& row = PlayLevelTable[level - 1];
  evalVars.knightValue = row.knight;
  evalVars.bishopValue = row.bishop;
  evalVars.rookValue = row.rook;
  evalVars.queenValue = row.queen;
  evalVars.kingSafetyWeight = row.kingSafety;
  search.maxSearchDepth = row.plies * 12;
  search.randomness = row.randomness;
  frontend.levelDrawScore = row.drawScore;
  ClearHashTable();
  ClearPawnTable();
  rebuildMaterial(pos);
}

}  // namespace tarrock
