#include "core/output.h"

#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>

#include "core/state.h"

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

int PrintToLog(const char* format, ...) {
  if (!frontend.showOutput || !logState.logFile) return 0;
  va_list args;
  va_start(args, format);
  int n = writeTo(logState.logFile, format, args);
  va_end(args);
  return n;
}

void PrintRouted(void (*print)(FILE* stream, const void* what), const void* what) {
  if (!frontend.showOutput) return;
  if (frontend.protocolMode == Console) {
    print(stdout, what);
    std::fflush(stdout);
  }
  if (logState.logFile) {
    print(logState.logFile, what);
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

[[noreturn]] void fatalError(const char* text) {
  PrintInfo("%s\n", text);
  std::exit(1);
}

}  // namespace tarrock
