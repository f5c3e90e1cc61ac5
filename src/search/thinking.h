// Thinking output: what the search prints about itself (principal variations,
// fail highs and lows, the root move being searched, iteration ends, multi-PV
// tables, the end-of-search statistics and the xboard analysis status), each
// in the console form and, where the protocol has one, its xboard or UCI form.
#pragma once

#include "board/position.h"

namespace tarrock {

// The console score text: "#05" for a mate in 5, "-#02" for being mated in
// 2, otherwise pawns with two decimals. Shared buffer.
const char* FormatScore(int score);

void PrintSearchHeader(const Position& pos);
void PrintPvLine(Position& pos, int depth, int score);
void PrintFailHigh(Position& pos, int depth, int score);
void PrintFailLow(Position& pos, int depth, int score);
void PrintNewBestComing(Position& pos, int depth, Move move);
void PrintIterationEnd(Position& pos, int depth, int score);
void PrintCurrentMove(Position& pos, int depth, Move move);
void PrintAnalysisStatus(const Position& pos);
void PrintSearchStatistics();

// Prints moves in SAN (making each on the position and taking all back),
// breaking the line after 49 characters with 24 blanks of indentation. With
// the move-number rules, a line starting with Black's move begins with "...",
// and move numbers precede White's moves when move numbers are on.
void PrintWrappedLine(Position& pos, const Move* moves, int count, bool moveNumberRules);

}  // namespace tarrock
