#include "frontend/poll.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/output.h"
#include "core/state.h"
#include "frontend/commands.h"
#include "frontend/input.h"
#include "search/state.h"
#include "search/thinking.h"

namespace tarrock {

namespace {

struct PollBuffers {
  char line[LineBufferSize];   // kept until the main loop has executed it
  char words[LineBufferSize];  // copy split into words
} pollBuffers;

}  // namespace

void EndAtEndOfInput() {
  CloseLog();
  std::fflush(stdout);
  std::exit(0);
}

int PollInput(Position& pos) {
  // One line at a time: a line left for the main loop stays in the poll
  // buffer until it has been executed, and a stopping search reads no more.
  if (frontend.pendingCommand) return 0;
  if (search.abortSearch && search.thinking) return 0;
  // In console mode input comes from a person at a terminal. Piped input is
  // read by the main loop itself, except while the engine thinks: an analysis
  // must still hear the line that ends it.
  if (frontend.protocolMode == Console && !InputIsTerminal() && !search.thinking) return 0;
  if (!InputWaiting()) {
    // Nobody is left to stop a search without a time limit: end as the main
    // loop does at the end of input.
    if (search.thinking && InputAtEnd() && (frontend.infiniteAnalysis || frontend.pondering)) EndAtEndOfInput();
    return 0;
  }
  if (!ReadInputLine(pollBuffers.line, sizeof pollBuffers.line)) return 0;
  if (!search.thinking) {
    // Between searches a waiting line is just the next command, executed
    // as if the main loop had read it.
    TrimLineEnd(pollBuffers.line);
    if (!*pollBuffers.line) return 0;
    frontend.pendingCommand = pollBuffers.line;
    return 1;
  }
  return HandleSearchInput(pos, pollBuffers.line);
}

int ReadHeldInput(Position& pos) {
  if (!ReadInputLine(pollBuffers.line, sizeof pollBuffers.line)) EndAtEndOfInput();
  return HandleSearchInput(pos, pollBuffers.line);
}

int HandleSearchInput(Position& pos, char* line) {
  TrimLineEnd(line);
  if (!*line) return 0;
  if (std::strcmp(line, ".") == 0) {
    PrintAnalysisStatus(pos);
    return 0;
  }
  PrintInfo("{%s}\n", line);
  std::snprintf(pollBuffers.words, sizeof pollBuffers.words, "%s", line);
  char* words[MaxCommandWords];
  int count = SplitWords(pollBuffers.words, words, MaxCommandWords);
  if (count > 0) {
    if (std::strcmp(words[0], "draw") == 0) {
      frontend.drawOffered = 1;
      return 0;
    }
    if (std::strcmp(words[0], "ponderhit") == 0) {
      frontend.pondering = 0;
      return 0;
    }
    if (std::strcmp(words[0], "ping") == 0 && frontend.pondering) {
      std::printf("pong %s\n", count > 1 ? words[1] : "");
      std::fflush(stdout);
      return 0;
    }
    // A UCI interface checks on the engine during its searches and expects
    // the answer at once, with the search going on.
    if (std::strcmp(words[0], "isready") == 0 && frontend.protocolMode == Uci) {
      std::printf("readyok\n");
      std::fflush(stdout);
      return 0;
    }
    if (std::strcmp(words[0], "accepted") == 0) return 0;
    if (std::strcmp(words[0], "post") == 0) {
      frontend.xboardPost = 1;
      return 0;
    }
    if (std::strcmp(words[0], "nopost") == 0) {
      frontend.xboardPost = 0;
      return 0;
    }
  }
  frontend.pendingCommand = line;
  search.abortSearch = 1;
  return 1;
}

}  // namespace tarrock
