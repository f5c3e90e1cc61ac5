// FEN and EPD set-up: any text leaves a consistent Position (every derived
// field and both keys agree with a rebuild from the board), and the four
// fields written back read in again to the same Position.
#include <cstdint>
#include <string>

#include "board/fen.h"
#include "board/verify.h"
#include "core/output.h"
#include "fuzz_support.h"

using namespace tarrock;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::startEngine();
  static Position* pos = NewPosition();
  const std::string text = fuzz::inputText(data, size, 4096);

  newGame(*pos);
  setupFromFen(*pos, text.c_str());
  if (const char* problem = positionProblem(*pos)) fuzz::fail("set-up from \"%s\" leaves %s wrong", text.c_str(), problem);

  const std::string written = fenString(*pos);
  PositionSnapshot first;
  takeSnapshot(*pos, first);
  newGame(*pos);
  if (!setupFromFen(*pos, written.c_str())) fuzz::fail("written FEN \"%s\" refused", written.c_str());
  if (const char* difference = snapshotDifference(*pos, first))
    fuzz::fail("\"%s\" written as \"%s\" reads back with %s changed", text.c_str(), written.c_str(), difference);
  return 0;
}
