// Command lines through the engine's main loop and command interpreter, as
// standard input: the first line chooses the protocol ("x": xboard, "u": UCI,
// anything else: the console dialogue), the rest is the session. Every search
// is held to a small node budget, so "go" and "analyze" finish at once. The
// session must end without a fault, through end of input, "quit", or the
// deliberate ends on an illegal move of a UCI "position" or an edit outside
// the board; an orderly end must leave a consistent Position.
//
// Dropped before the session starts: "setoption name Hash" above 8 MB, to
// keep the harness's memory small.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "board/fen.h"
#include "board/verify.h"
#include "core/numbers.h"
#include "core/output.h"
#include "core/state.h"
#include "frontend/commands.h"
#include "frontend/engine.h"
#include "frontend/input.h"
#include "fuzz_support.h"

using namespace tarrock;

namespace {

constexpr size_t MaxInput = 16384;
constexpr int MaxLines = 200;
// Below the engine's line buffer, so that no line reaches it in two pieces.
constexpr size_t MaxLine = 10000;

bool keepLine(const std::string& line) {
  std::vector<char> buffer(line.begin(), line.end());
  buffer.push_back('\0');
  char* words[MaxCommandWords];
  const int n = SplitWords(buffer.data(), words, MaxCommandWords);
  if (n == 0) return true;
  auto is = [&](int i, const char* w) { return i < n && std::strcmp(words[i], w) == 0; };
  if (is(0, "setoption")) {
    if (is(2, "Hash") && readNumber(n > 4 ? words[4] : "") > 8) return false;
  }
  return true;
}

struct Session {
  Position* pos;
};

void runSession(void* arg) { RunMainLoop(*static_cast<Session*>(arg)->pos); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::startEngine();
  InstallFrontendHooks();  // the search polls the input as in the engine
  const std::string text = fuzz::inputText(data, size, MaxInput);

  std::string script;
  size_t at = 0;
  int lines = 0;
  while (at < text.size() && lines <= MaxLines) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, std::min(end - at, MaxLine));
    at = end + 1;
    line.push_back('\0');
    TrimLineEnd(line.data());  // as the engine reads it
    line.resize(std::strlen(line.c_str()));
    if (lines++ == 0) {
      if (line == "x") script += "xboard\n";
      else if (line == "u") script += "uci\n";
      continue;
    }
    if (keepLine(line)) script += line + "\n";
  }

  fuzz::resetSession();
  fuzz::useAsStandardInput(script);
  Session session{NewPosition()};
  newGame(*session.pos);
  const int status = fuzz::runGuarded(runSession, &session);
  const char* pending = CurrentCommandLine();
  while (*pending == ' ' || *pending == '\t') ++pending;
  const bool refused = status == 1 && (std::strncmp(pending, "position", 8) == 0 || std::strncmp(pending, "edit", 4) == 0);
  if (status > 0 && !refused) fuzz::fail("the engine ended with status %d at \"%s\"", status, pending);
  // An orderly end (end of input, "quit") leaves a consistent Position; after
  // a refusal the process is gone and nothing uses it.
  if (status <= 0)
    if (const char* problem = positionProblem(*session.pos)) fuzz::fail("the session left %s wrong", problem);
  FreePosition(session.pos);
  return 0;
}
