// The EPD test-suite runner on any file: every line is set up, its "bm" or
// "am" moves read, and the position searched within a small node budget; the
// results and failures files go to the harness's scratch directory.
//
// Dropped before the run: lines whose operation holds a move that does not
// parse. The runner ends the process on them by design, which here would
// leave its files open.
#include <cstdint>
#include <string>

#include "board/fen.h"
#include "board/notation.h"
#include "core/output.h"
#include "fuzz_support.h"
#include "search/epd.h"

using namespace tarrock;

namespace {

constexpr size_t MaxInput = 1 << 17;
constexpr int MaxPositions = 8;

bool printable(char c) { return static_cast<unsigned char>(c) >= 0x20 && c != 0x7F; }

// Whether the runner will search the line without ending the process: the
// words of its operation are split as the runner splits them.
bool runnable(const std::string& line, size_t op) {
  static Position* scratch = NewPosition();
  newGame(*scratch);
  setupFromFen(*scratch, line.c_str());
  size_t i = op + 2;
  while (i < line.size() && printable(line[i]) && line[i] != ';') {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i >= line.size() || line[i] == ';') break;
    size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != ';') ++i;
    const std::string word = line.substr(start, i - start);
    if (word.size() >= 32 || !parseMove(*scratch, word.c_str())) return false;
  }
  return true;
}

void runSuite(void* file) { RunTestSuite(static_cast<const char*>(file), 0, 1); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::startEngine();
  const std::string text(reinterpret_cast<const char*>(data), size < MaxInput ? size : MaxInput);
  std::string suite;
  size_t at = 0;
  int positions = 0;
  while (at < text.size() && positions < MaxPositions) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(at, end - at);
    at = end + 1;
    // The runner searches only lines with an operation; the others it skips.
    size_t op = line.find("bm ");
    if (op == std::string::npos) op = line.find("am ");
    if (op != std::string::npos && line[0] != '*') {
      if (!runnable(line, op)) continue;
      ++positions;
    }
    suite += line;
    if (end < text.size()) suite += '\n';
  }

  fuzz::resetSession();
  std::string file = fuzz::writeScratchFile(suite);
  const int status = fuzz::runGuarded(runSuite, file.data());
  if (status >= 0) fuzz::fail("the suite run ended with status %d", status);
  return 0;
}
