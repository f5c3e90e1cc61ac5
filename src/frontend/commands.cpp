#include "frontend/commands.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "frontend/diagram.h"
#include "frontend/input.h"
#include "frontend/output.h"
#include "frontend/state.h"

namespace tarrock {

namespace {

bool isSeparator(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

struct CommandContext {
  Position& pos;
  char** words;
  int argCount;  // words after the command
};

void cmdQuit(CommandContext&) {
  CloseLog();
  std::fflush(stdout);
  std::exit(0);
}

void cmdDisplay(CommandContext& c) {
  int saved = frontend.printDiagram;
  frontend.printDiagram = 1;
  DrawDiagram(stdout, c.pos);
  frontend.printDiagram = saved;
}

struct Command {
  const char* word;
  void (*run)(CommandContext&);
};

const Command commandTable[] = {
    {"quit", cmdQuit},
    {"display", cmdDisplay},
};

}  // namespace

int SplitWords(char* line, char** words, int maxWords) {
  int count = 0;
  char* p = line;
  while (*p && count < maxWords) {
    while (*p && isSeparator(*p)) ++p;
    if (!*p) break;
    words[count++] = p;
    while (*p && !isSeparator(*p)) ++p;
    if (*p) *p++ = '\0';
  }
  return count;
}

void ExecuteCommand(Position& pos) {
  const char* line = frontend.pendingCommand ? frontend.pendingCommand : "";
  PrintInfo("[%s]\n", line);

  static char buffer[LineBufferSize];
  static char* words[MaxCommandWords];
  std::snprintf(buffer, sizeof buffer, "%s", line);
  int count = SplitWords(buffer, words, MaxCommandWords);
  if (count == 0) return;

  CommandContext context{pos, words, count - 1};
  for (const Command& command : commandTable) {
    if (std::strcmp(words[0], command.word) == 0) {
      command.run(context);
      return;
    }
  }
  PrintInfo("Unknown command, %s\n", line);
}

}  // namespace tarrock
