// Output routing and the log file. PrintInfo and PrintOut decide from the
// protocol in force and the quiet flag whether a text reaches the screen, the
// log, both or neither; protocol replies bypass them and go straight to
// standard output. fatalError prints one line and ends the process.
#pragma once

#include <cstdio>

namespace tarrock {

struct LogState {
  FILE* logFile = nullptr;
};
extern LogState logState;

int PrintInfo(const char* format, ...) __attribute__((format(printf, 1, 2)));
int PrintOut(const char* format, ...) __attribute__((format(printf, 1, 2)));
// To the log file only (when one is open and output is on).
int PrintToLog(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Writes the text through the given printer to the screen (console mode
// only) and to the log, as PrintInfo would route it.
void PrintRouted(void (*print)(FILE* stream, const void* what), const void* what);

void OpenLog(const char* name);
void CloseLog();

// Prints the text as information and ends the process with status 1.
[[noreturn]] void fatalError(const char* text);

}  // namespace tarrock
