// Output routing and the log file. PrintInfo and PrintOut decide from the
// protocol in force and the quiet flag whether a text reaches the screen, the
// log, both or neither; protocol replies bypass them and go straight to
// standard output. Also the xboard move replies and the memory routines that
// allocate the engine's Position and end the process when memory runs out.
#pragma once

#include <cstddef>
#include <cstdio>

#include "board/position.h"

namespace tarrock {

struct LogState {
  FILE* logFile = nullptr;
};
extern LogState logState;

int PrintInfo(const char* format, ...) __attribute__((format(printf, 1, 2)));
int PrintOut(const char* format, ...) __attribute__((format(printf, 1, 2)));
void PrintBoard(const Position& pos);
void PrintPositionLine(const Position& pos);

void OpenLog(const char* name);
void CloseLog();

void SendXboardMove(Move m);
void SendIllegalMove(Move m, const char* received);

Position* NewPosition();
void FreePosition(Position* pos);
void* AllocateOrDie(size_t bytes);
void Release(void* memory);

}  // namespace tarrock
