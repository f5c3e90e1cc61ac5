// The book file reader: any bytes as a book file are opened, then the book is
// looked up and probed in a few positions of the openings a book holds, and a
// won and a lost game are learned into it. A probe or a lookup must never
// read past the records the header counts (the engine would end on the
// failed read), a found record must carry the key looked for, the Position
// must come back unchanged, and learning must change records in place
// without growing or shrinking the file.
#include <sys/stat.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "board/notation.h"
#include "board/position.h"
#include "board/verify.h"
#include "book/bookfile.h"
#include "book/learn.h"
#include "book/probe.h"
#include "book/state.h"
#include "core/state.h"
#include "fuzz_support.h"

using namespace tarrock;

namespace {

constexpr size_t MaxInput = 1 << 20;

// Opening lines whose positions a small book is likely to hold.
const std::vector<std::vector<const char*>> Lines = {
    {},
    {"e4"},
    {"e4", "e5", "Nf3"},
    {"d4", "d5", "c4"},
    {"e4", "c5", "Nf3", "d6"},
};

long fileSize() {
  struct stat info;
  return fstat(fileno(book.file), &info) == 0 ? long(info.st_size) : -1;
}

bool playLine(Position& pos, const std::vector<const char*>& line) {
  newGame(pos);
  for (const char* san : line) {
    const Move m = parseMove(pos, san);
    if (!m) return false;
    playMove(pos, m);
  }
  return true;
}

void probeAndLearn(void* arg) {
  Position& pos = *static_cast<Position*>(arg);
  const long size = fileSize();
  for (const auto& line : Lines) {
    if (!playLine(pos, line)) fuzz::fail("a fixed opening line is not legal");
    const HashKey key = pos.key();
    const int32_t found = BookFind(key, 0, book.count);
    if (found >= book.count || found < -1) fuzz::fail("BookFind gave %d of %d records", found, book.count);
    if (found >= 0) {
      BookEntry entry;
      ReadBookEntry(found, entry);
      if (entry.key != key) fuzz::fail("BookFind gave a record of another key");
    }
    const HashKey before = pos.key();
    const Move chosen = BookProbe(pos);
    if (pos.key() != before) fuzz::fail("the probe changed the Position");
    if (const char* problem = positionProblem(pos)) fuzz::fail("the probe left %s wrong", problem);
    if (chosen && parseMove(pos, moveToSan(pos, chosen)) != chosen) fuzz::fail("the probe chose an illegal move");
  }
  // A game won and then lost by White along the longest line.
  for (int result = 1; result <= 2; ++result) {
    playLine(pos, Lines.back());
    pos.game->result = result;
    BookLearn(pos, White);
    if (pos.game->count != int(Lines.back().size())) fuzz::fail("learning changed the game record");
    if (fileSize() != size) fuzz::fail("learning changed the book's size from %ld to %ld", size, fileSize());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::startEngine();
  fuzz::resetSession();
  if (size > MaxInput) size = MaxInput;
  if (OpenBookFromBytes(data, size, "fuzz.bok") != 0) {
    if (book.file) fuzz::fail("a refused book stays open");
    return 0;
  }
  if (book.count < 0 || int64_t(BookHeaderSize) + int64_t(BookEntrySize) * book.count > int64_t(size))
    fuzz::fail("the book was opened with %d records in %zu bytes", book.count, size);
  Position* pos = NewPosition();
  const int exited = fuzz::runGuarded(probeAndLearn, pos);
  if (exited >= 0) fuzz::fail("probing or learning ended the process with status %d", exited);
  FreePosition(pos);
  CloseBook();
  return 0;
}
