// Helpers shared by the tests: one-time start-up of the engine's tables, a
// scratch directory per test, and running the engine binary over pipes with a
// script of input lines.
#pragma once

#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

#include "board/types.h"

namespace tarrock::testutil {

// The set of the given squares.
inline Bitboard squares(std::initializer_list<Square> list) {
  Bitboard b = 0;
  for (Square s : list) b |= bit(s);
  return b;
}

// Builds the start-up tables and keys exactly once per test process.
void initEngineTables();
// The tables and flags an in-process search needs besides: output off, no
// input polling, a 4 MB hash table and the pawn table (allocated once).
void initSearchTables();

// A fresh empty directory under the system temp directory, removed with the
// object.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }
  void write(const std::string& name, const std::string& content) const;
  std::string read(const std::string& name) const;

 private:
  std::string path_;
};

struct RunResult {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs a binary in dir with the arguments and the input text on standard
// input (a pipe), and collects both output streams and the exit status.
RunResult runProgram(const std::string& binary, const std::vector<std::string>& args,
                     const std::string& input, const std::string& dir);

// The engine binary, by default in a fresh scratch directory of its own.
RunResult runEngine(const std::vector<std::string>& args, const std::string& input,
                    const std::string& dir = "");

// One step of a timed session: the input is written, then the session waits
// until standard output shows one of the texts (counted from the start of the
// step) or, with no texts, for the pause.
struct SessionStep {
  std::string input;
  std::vector<std::string> waitFor = {};
  double pause = 0;  // seconds
};

struct SessionResult : RunResult {
  std::vector<double> waited;  // seconds each step waited
  bool timedOut = false;       // the engine had to be killed
};

// Runs the engine step by step over pipes, in dir or else in a fresh scratch
// directory; after the last step standard input is closed, and the engine has
// up to timeout seconds in all to end, or it is killed.
SessionResult runSession(const std::vector<std::string>& args, const std::vector<SessionStep>& steps,
                         double timeout = 30, const std::string& dir = "");

std::string readFile(const std::string& path);

// How many times part occurs in text (overlapping occurrences counted).
int occurrences(const std::string& text, const std::string& part);

// The lines of a reference data file in tests/data. A file that is missing or
// empty is reported as a test failure naming it, never read as "no cases".
std::vector<std::string> dataLines(const std::string& name);
// Everything written to a temporary stream so far (rewinds it; closes it).
std::string drainStream(FILE* stream);

}  // namespace tarrock::testutil
