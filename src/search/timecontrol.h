// Time control: the clock settings the front ends fill in, the time allotted
// to one search, and the checks that stop a search when its time is up (by
// setting the abort flag; nothing else). All times are in centiseconds.
#pragma once

#include <cstdint>

#include "board/position.h"

namespace tarrock {

struct TimeControl {
  int32_t movesPerControl = 40;  // 0: the whole game
  int32_t movesToGo = 0;         // moves to the next control, 0 when not given
  int32_t increment[2] = {0, 0}; // seconds, per colour
  int32_t fixedMoveTime = 0;     // 0: none
  int32_t allocatedTime = 0;
  int32_t maximumTime = 0;
  uint32_t searchStartTicks = 0;
  uint32_t searchStartCpu = 0;
  int64_t nextInfoSecond = 0;
};
extern TimeControl timeControl;

uint32_t Ticks();
uint32_t ProcessCpuTime();
uint32_t Elapsed();
// Seconds with two decimals below a minute, minutes:seconds above; the text
// lives in a shared buffer.
const char* FormatTime(uint32_t start, uint32_t end);
int NodesPerSecond();

void AllocateTime(const Position& pos, Colour side);
void CheckTimeAtPoll();
void CheckTimeAfterIteration();

}  // namespace tarrock
