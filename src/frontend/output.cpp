#include "frontend/output.h"

#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <new>

#include "board/fen.h"
#include "frontend/diagram.h"
#include "frontend/state.h"

namespace tarrock {

LogState logState;

namespace {

// Formats to one stream and flushes it; returns the character count.
int writeTo(FILE* stream, const char* format, va_list args) {
  va_list copy;
  va_copy(copy, args);
  int n = std::vfprintf(stream, format, copy);
  va_end(copy);
  std::fflush(stream);
  return n;
}

}  // namespace

int PrintInfo(const char* format, ...) {
  if (!frontend.showOutput) return 0;
  int n = 0;
  va_list args;
  va_start(args, format);
  if (frontend.protocolMode == Console) n = writeTo(stdout, format, args);
  if (logState.logFile) n = writeTo(logState.logFile, format, args);
  va_end(args);
  return n;
}

int PrintOut(const char* format, ...) {
  int n = 0;
  va_list args;
  va_start(args, format);
  if (frontend.showOutput) n = writeTo(stdout, format, args);
  if (logState.logFile) n = writeTo(logState.logFile, format, args);
  va_end(args);
  return n;
}

void PrintBoard(const Position& pos) {
  if (!frontend.showOutput) return;
  if (frontend.protocolMode == Console) DrawDiagram(stdout, pos);
  if (logState.logFile) DrawDiagram(logState.logFile, pos);
}

void PrintPositionLine(const Position& pos) {
  if (!frontend.showOutput) return;
  if (frontend.protocolMode == Console) {
    writeFen(stdout, pos);
    std::fflush(stdout);
  }
  if (logState.logFile) {
    writeFen(logState.logFile, pos);
    std::fflush(logState.logFile);
  }
}

void OpenLog(const char* name) {
  if (!name || !*name) return;
  FILE* f = std::fopen(name, "a");
  if (!f) {
    std::fprintf(stderr, "%s: %s\n", name, std::strerror(errno));
    return;
  }
  logState.logFile = f;
}

void CloseLog() {
  if (logState.logFile) std::fclose(logState.logFile);
  logState.logFile = nullptr;
}

void SendXboardMove(Move m) {
  static const char* const suffix[5] = {"", "=n", "=b", "=r", "=q"};
  std::printf("move %s%s%s\n", squareNames[moveFrom(m)], squareNames[moveTo(m)],
              suffix[(movePromotion(m) >> 12) % 5]);
  std::fflush(stdout);
}

void SendIllegalMove(Move m, const char* received) {
  if (m)
    std::printf("Illegal move: %s%s\n", squareNames[moveFrom(m)], squareNames[moveTo(m)]);
  else
    std::printf("Illegal move: %s\n", received);
  std::fflush(stdout);
}

Position* NewPosition() {
  Position* pos = new (std::nothrow) Position();
  GameRecord* game = new (std::nothrow) GameRecord();
  if (!pos || !game) fatalError("malloc: ran out of memory");
  pos->game = game;
  return pos;
}

void FreePosition(Position* pos) {
  if (!pos) return;
  delete pos->game;
  delete pos;
}

void* AllocateOrDie(size_t bytes) {
  void* memory = std::malloc(bytes ? bytes : 1);
  if (!memory) fatalError("malloc: ran out of memory");
  return memory;
}

void Release(void* memory) { std::free(memory); }

}  // namespace tarrock
