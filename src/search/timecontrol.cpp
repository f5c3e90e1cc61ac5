#include "search/timecontrol.h"

#include <sys/resource.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <ctime>

#include "core/output.h"
#include "core/state.h"
#include "search/state.h"
#include "search/tt.h"

namespace tarrock {

TimeControl timeControl;

uint32_t Ticks() {
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  uint64_t ms = uint64_t(ts.tv_sec) * 1000 + uint64_t(ts.tv_nsec) / 1000000;
  return uint32_t(ms / 10);
}

uint32_t ProcessCpuTime() {
  struct rusage usage;
  if (getrusage(RUSAGE_SELF, &usage) == 0) {
    uint64_t us = (uint64_t(usage.ru_utime.tv_sec) + uint64_t(usage.ru_stime.tv_sec)) * 1000000 +
                  uint64_t(usage.ru_utime.tv_usec) + uint64_t(usage.ru_stime.tv_usec);
    return uint32_t(us / 10000);
  }
  return uint32_t(uint64_t(std::clock()) * 100 / CLOCKS_PER_SEC);
}

uint32_t Elapsed() { return Ticks() - timeControl.searchStartTicks; }

const char* FormatTime(uint32_t start, uint32_t end) {
  static char text[32];
  uint32_t t = end - start;
  if (t / 100 < 60) std::snprintf(text, sizeof text, "%u.%02u", t / 100, t % 100);
  else std::snprintf(text, sizeof text, "%u:%02u", t / 6000, (t / 100) % 60);
  return text;
}

int NodesPerSecond() {
  uint32_t elapsed = Elapsed();
  if (elapsed == 0) return 0;
  return int(int64_t(search.nodes) * 100 / elapsed);
}

void AllocateTime(const Position& pos, Colour side) {
  const int32_t timeLeft = frontend.timeLeft;
  // The increment comes from "level" or "go" as sent: any 32-bit value. The
  // share is worked out in 64 bits and held between 0 and the 32-bit range,
  // so that an absurd increment neither overflows nor wraps a negative share
  // into a huge one.
  const int64_t inc = timeControl.increment[side];
  int64_t share64;
  if (timeControl.movesToGo > 0) {
    share64 = timeLeft / timeControl.movesToGo + inc * 100;
  } else if (timeControl.movesPerControl > 0) {
    int m = pos.game->count / 2;
    int c = timeControl.movesPerControl;
    while (c - m < 1) c += timeControl.movesPerControl;
    share64 = timeLeft / (c - m) + inc * 100;
  } else {
    share64 = timeLeft / 25;
    if (inc) share64 += inc * 300 / 4;
  }
  uint32_t a = uint32_t(std::clamp<int64_t>(share64, 0, UINT32_MAX));
  if (timeLeft < 1000) a >>= 1;
  if (timeLeft < 500) a >>= 1;
  if (timeLeft < 200) a >>= 1;
  int64_t half = timeLeft / 2;
  int64_t share = int64_t(a);
  if (share > half) share = half;
  if (share < 5) share = 5;
  int64_t maximum = 6 * share;
  if (maximum > timeLeft / 2) maximum = share;
  if (maximum < 5) maximum = share;
  if (timeControl.fixedMoveTime) {
    timeControl.allocatedTime = timeControl.maximumTime = timeControl.fixedMoveTime;
  } else {
    timeControl.allocatedTime = int32_t(share);
    timeControl.maximumTime = int32_t(maximum);
  }
  PrintInfo("Time allocated: %s\n", FormatTime(0, uint32_t(timeControl.allocatedTime)));
}

void CheckTimeAtPoll() {
  if (frontend.protocolMode == Uci) {
    int64_t now = int64_t(std::time(nullptr));
    if (now > timeControl.nextInfoSecond) {
      timeControl.nextInfoSecond = now + 2;
      std::printf("info hashfull %d nps %d\n", HashFull(), NodesPerSecond());
      std::fflush(stdout);
    }
  }
  if (frontend.infiniteAnalysis || frontend.pondering) return;
  uint32_t elapsed = Elapsed();
  if (elapsed >= uint32_t(timeControl.allocatedTime)) {
    if (search.rootTrouble && elapsed <= uint32_t(timeControl.maximumTime)) return;
    search.abortSearch = 1;
  }
}

void CheckTimeAfterIteration() {
  if (search.rootScore <= search.lastScore - 20) return;
  if (Elapsed() < uint32_t(timeControl.allocatedTime) * 2 / 3) return;
  if (timeControl.fixedMoveTime || frontend.infiniteAnalysis || frontend.pondering) return;
  search.abortSearch = 1;
}

}  // namespace tarrock
