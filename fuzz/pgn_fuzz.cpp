// The book builder's PGN reader: any bytes as a PGN collection are built into
// a scratch book with a pool of a few records, so that temporary files and
// merge passes are taken on small inputs. A build that reports success must
// leave a well-formed book: a header whose count matches the records, records
// in strictly rising unsigned key order, each played at least the minimum
// number of times and at least as often as its results add up to; and the
// engine must open it. A failed build leaves no book and no temporaries.
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "book/bookfile.h"
#include "book/build.h"
#include "fuzz_support.h"

using namespace tarrock;

namespace {

constexpr size_t MaxInput = 65536;

struct Build {
  const std::string* pgn;
  const std::string* bookPath;
  BookBuildOptions options;
  int status = 0;
};

void runBuild(void* arg) {
  Build& b = *static_cast<Build*>(arg);
  b.status = BuildBookFromBytes(b.pgn->data(), b.pgn->size(), b.bookPath->c_str(), b.options);
}

std::vector<unsigned char> readAll(const std::string& path) {
  std::vector<unsigned char> bytes;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return bytes;
  unsigned char chunk[4096];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
  std::fclose(f);
  return bytes;
}

void checkBook(const std::string& path, const BookBuildOptions& options) {
  const std::vector<unsigned char> bytes = readAll(path);
  if (bytes.size() < size_t(BookHeaderSize)) fuzz::fail("the book has %zu bytes, no header", bytes.size());
  BookHeader header;
  DecodeBookHeader(bytes.data(), header);
  const size_t records = (bytes.size() - BookHeaderSize) / BookEntrySize;
  if ((bytes.size() - BookHeaderSize) % BookEntrySize != 0) fuzz::fail("the book ends inside a record");
  if (header.count < 0 || size_t(header.count) != records)
    fuzz::fail("the header counts %d records, the file holds %zu", header.count, records);
  if (std::string(header.version) != BookVersion) fuzz::fail("the book's version is \"%s\"", header.version);
  if (header.depth != options.cutDepth) fuzz::fail("the book's depth is %d", header.depth);
  BookEntry previous{};
  for (size_t i = 0; i < records; ++i) {
    BookEntry e;
    DecodeBookEntry(bytes.data() + BookHeaderSize + BookEntrySize * i, e);
    if (i > 0 && e.key <= previous.key) fuzz::fail("record %zu is not above the one before it", i);
    if (int64_t(e.played) < options.minPlayed) fuzz::fail("record %zu was played %u times", i, e.played);
    if (uint64_t(e.whiteWins) + e.blackWins + e.draws > e.played)
      fuzz::fail("record %zu has more results than games", i);
    if (e.learn != NewLearn) fuzz::fail("record %zu has learning factor %u", i, e.learn);
    previous = e;
  }
  if (OpenBook(path.c_str()) != 0) fuzz::fail("the engine does not open the book it built");
  CloseBook();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::startEngine();
  fuzz::resetSession();
  const std::string pgn(reinterpret_cast<const char*>(data), size < MaxInput ? size : MaxInput);
  const std::string bookPath = fuzz::scratchPath("pgn.bok");
  std::remove(bookPath.c_str());

  Build b{&pgn, &bookPath, BookBuildOptions()};
  // The input's length picks a few settings, so every seed takes its own.
  b.options.cutDepth = 4 + int(size % 24);
  b.options.minPlayed = 1 + int(size % 2);
  b.options.poolSize = 3 + int(size % 5);
  b.options.indexSize = 64;
  b.options.mergeWidth = 2 + int(size % 3);
  const int exited = fuzz::runGuarded(runBuild, &b);
  if (exited >= 0) fuzz::fail("the build ended the process with status %d", exited);
  struct stat info;
  if (b.status == 0 && stat(bookPath.c_str(), &info) == 0) checkBook(bookPath, b.options);
  if (b.status != 0 && b.status != 1) fuzz::fail("the build returned %d", b.status);
  if (b.status == 1 && stat(bookPath.c_str(), &info) == 0) fuzz::fail("a failed build left a book");
  // Temporaries are gone, whether the build succeeded or not.
  for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(bookPath).parent_path())) {
    const std::string name = entry.path().filename().string();
    if (name != "pgn.bok" && name != "input") fuzz::fail("the build left %s behind", name.c_str());
  }
  std::remove(bookPath.c_str());
  return 0;
}
