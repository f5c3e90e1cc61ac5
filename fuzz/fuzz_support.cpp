#include "fuzz_support.h"

#include <fcntl.h>
#include <unistd.h>

#include <csetjmp>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "core/config.h"
#include "core/state.h"
#include "eval/evaltables.h"
#include "eval/evaluate.h"
#include "eval/params.h"
#include "eval/pawns.h"
#include "frontend/input.h"
#include "search/ponder.h"
#include "search/state.h"
#include "search/timecontrol.h"
#include "search/tt.h"

namespace tarrock::fuzz {

namespace {

constexpr int64_t SessionHashBytes = 1 << 18;

struct Harness {
  bool started = false;
  std::string scratchDir;
  std::string scratchFile;
  bool guarded = false;
  std::jmp_buf exitPoint;
  int exitStatus = 0;
} harness;

void removeScratchDir() {
  std::error_code ignored;
  std::filesystem::remove_all(harness.scratchDir, ignored);
}

void sizeHashTables() {
  ResizeHashMemory(SessionHashBytes);
  AllocateHashTable(transTable.configuredEntries);
  AllocatePawnTable();
}

}  // namespace

void startEngine() {
  if (harness.started) return;
  harness.started = true;
  if (!std::getenv("TARROCK_FUZZ_VERBOSE") && !std::freopen("/dev/null", "w", stdout)) fail("cannot silence stdout");
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/tarrock-fuzz-XXXXXX";
  if (!mkdtemp(pattern.data())) fail("cannot make a scratch directory under %s", pattern.c_str());
  harness.scratchDir = pattern;
  harness.scratchFile = pattern + "/input";
  std::atexit(removeScratchDir);
  // The EPD runner writes its results and failures files to TMPDIR.
  setenv("TMPDIR", harness.scratchDir.c_str(), 1);
  resetRandom();
  InitEvalTables();
  initKeys();
  sizeHashTables();
}

void resetSession() {
  frontend = FrontendState();
  frontend.tablebasesEnabled = 0;  // the tablebase readers have targets of their own
  const auto pollInput = search.pollInput;  // a hook the target may have installed
  search = SearchState();
  search.pollInput = pollInput;
  search.nodeLimit = SearchNodeBudget;
  timeControl = TimeControl();
  ponderState = PonderState();
  evalVars = EvalVariables();
  ResetConfiguration();
  config.tbPath.clear();
  if (transTable.entryCount != transTable.configuredEntries || config.hash != SessionHashBytes) sizeHashTables();
  ClearHashTable();
  ClearPawnTable();
}

std::string inputText(const uint8_t* data, size_t size, size_t maxLength) {
  size_t n = 0;
  while (n < size && n < maxLength && data[n]) ++n;
  return std::string(reinterpret_cast<const char*>(data), n);
}

const char* writeScratchFile(const std::string& text) {
  FILE* f = std::fopen(harness.scratchFile.c_str(), "wb");
  if (!f) fail("cannot write %s", harness.scratchFile.c_str());
  if (!text.empty() && std::fwrite(text.data(), 1, text.size(), f) != text.size()) fail("short write");
  std::fclose(f);
  return harness.scratchFile.c_str();
}

std::string scratchPath(const std::string& name) { return harness.scratchDir + "/" + name; }

void useAsStandardInput(const std::string& text) {
  int fd = ::open(writeScratchFile(text), O_RDONLY);
  if (fd < 0 || ::dup2(fd, 0) < 0) fail("cannot redirect standard input");
  ::close(fd);
  ResetInput();
}

int runGuarded(void (*body)(void*), void* arg) {
  if (setjmp(harness.exitPoint) != 0) {
    harness.guarded = false;
    return harness.exitStatus;
  }
  harness.guarded = true;
  body(arg);
  harness.guarded = false;
  return -1;
}

void fail(const char* format, ...) {
  std::fflush(stdout);
  va_list args;
  va_start(args, format);
  std::fputs("FUZZ FINDING: ", stderr);
  std::vfprintf(stderr, format, args);
  std::fputc('\n', stderr);
  va_end(args);
  std::abort();
}

}  // namespace tarrock::fuzz

// The targets link with -Wl,--wrap=exit: the engine's own exit() calls (a
// "quit", a fatal error) end the current input instead of the process.
extern "C" [[noreturn]] void __real_exit(int status);
extern "C" [[noreturn]] void __wrap_exit(int status) {
  using tarrock::fuzz::harness;
  if (!harness.guarded) __real_exit(status);
  std::fflush(stdout);
  harness.exitStatus = status;
  std::longjmp(harness.exitPoint, 1);
}
