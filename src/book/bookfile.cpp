#include "book/bookfile.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "board/position.h"
#include "book/state.h"
#include "core/memory.h"
#include "core/output.h"
#include "core/state.h"
#include "search/timecontrol.h"

#ifndef TARROCK_BOOK_DIR
#define TARROCK_BOOK_DIR "/usr/local/share/games/tarrock"
#endif

namespace tarrock {

BookState book;

namespace {

void put32(unsigned char* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

uint32_t get32(const unsigned char* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void copyText(char* out, size_t size, const char* text) {
  std::memset(out, 0, size);
  std::strncpy(out, text, size - 1);
}

[[noreturn]] void bookIoFailure(const char* what) {
  PrintInfo("book: %s: %s\n", what, std::strerror(errno));
  std::exit(1);
}

void disableBook() {
  CloseBook();
  frontend.bookEnabled = 0;
}

bool seekRecord(FILE* f, int32_t index) {
  return std::fseek(f, long(BookHeaderSize) + long(BookEntrySize) * index, SEEK_SET) == 0;
}

// The records the file holds after its header.
long recordsPresent(FILE* f) {
  if (std::fseek(f, 0, SEEK_END) != 0) return -1;
  long size = std::ftell(f);
  if (size < BookHeaderSize) return -1;
  return (size - BookHeaderSize) / BookEntrySize;
}

int openStream(FILE* f, const char* name) {
  book.file = f;
  BookHeader header;
  if (!ReadBookHeader(header)) {
    PrintInfo("Invalid book file: %s\n", name);
    disableBook();
    return -1;
  }
  PrintInfo("Book version %s created %s\n", header.version, header.created);
  PrintInfo("%d book moves, depth=%d\n", header.count, header.depth);
  if (std::strcmp(header.version, BookVersion) != 0) {
    PrintInfo("Fatal: cannot use book version %s, expecting %s\n", header.version, BookVersion);
    disableBook();
    return -1;
  }
  long present = recordsPresent(f);
  if (header.count < 0 || present < 0 || header.count > present) {
    PrintInfo("Invalid book file: %s\n", name);
    disableBook();
    return -1;
  }
  book.count = header.count;
  if (!book.cache) book.cache = static_cast<BookCacheSlot*>(AllocateOrDie(sizeof(BookCacheSlot) * BookCacheSlots));
  std::memset(book.cache, 0, sizeof(BookCacheSlot) * BookCacheSlots);
  // Book choices differ from run to run.
  uint32_t m = Ticks() % 50;
  for (uint32_t i = 0; i < m / 2 + 1; ++i) random32();
  return 0;
}

}  // namespace

BookHeader MakeBookHeader(const char* created, int32_t count, int32_t depth) {
  BookHeader header;
  copyText(header.version, sizeof header.version, BookVersion);
  copyText(header.created, sizeof header.created, created);
  header.count = count;
  header.depth = depth;
  return header;
}

void FormatBookTime(char* out, size_t size, std::time_t when) {
  static const char* const days[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const months[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::tm local{};
  localtime_r(&when, &local);
  std::snprintf(out, size, "%s %s %2d %02d:%02d:%02d %d", days[local.tm_wday % 7], months[local.tm_mon % 12],
                local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, local.tm_year + 1900);
}

void EncodeBookHeader(const BookHeader& header, unsigned char* bytes) {
  std::memset(bytes, 0, BookHeaderSize);
  std::memcpy(bytes, header.version, 32);
  std::memcpy(bytes + 32, header.created, 28);
  put32(bytes + 60, uint32_t(header.count));
  put32(bytes + 64, uint32_t(header.depth));
}

void DecodeBookHeader(const unsigned char* bytes, BookHeader& header) {
  std::memcpy(header.version, bytes, 32);
  header.version[31] = '\0';
  std::memcpy(header.created, bytes + 32, 28);
  header.created[27] = '\0';
  header.count = int32_t(get32(bytes + 60));
  header.depth = int32_t(get32(bytes + 64));
}

void EncodeBookEntry(const BookEntry& entry, unsigned char* bytes) {
  put32(bytes, uint32_t(entry.key));
  put32(bytes + 4, uint32_t(entry.key >> 32));
  put32(bytes + 8, entry.played);
  put32(bytes + 12, entry.whiteWins);
  put32(bytes + 16, entry.blackWins);
  put32(bytes + 20, entry.draws);
  put32(bytes + 24, entry.learn);
  put32(bytes + 28, entry.flags);
}

void DecodeBookEntry(const unsigned char* bytes, BookEntry& entry) {
  entry.key = HashKey(get32(bytes)) | HashKey(get32(bytes + 4)) << 32;
  entry.played = get32(bytes + 8);
  entry.whiteWins = get32(bytes + 12);
  entry.blackWins = get32(bytes + 16);
  entry.draws = get32(bytes + 20);
  entry.learn = get32(bytes + 24);
  entry.flags = get32(bytes + 28);
}

bool ReadHeaderAt(FILE* f, BookHeader& header) {
  unsigned char bytes[BookHeaderSize];
  if (std::fseek(f, 0, SEEK_SET) != 0) return false;
  if (std::fread(bytes, 1, sizeof bytes, f) != sizeof bytes) return false;
  DecodeBookHeader(bytes, header);
  return true;
}

bool WriteHeaderAt(FILE* f, const BookHeader& header) {
  unsigned char bytes[BookHeaderSize];
  EncodeBookHeader(header, bytes);
  if (std::fseek(f, 0, SEEK_SET) != 0) return false;
  return std::fwrite(bytes, 1, sizeof bytes, f) == sizeof bytes;
}

bool ReadEntry(FILE* f, BookEntry& entry) {
  unsigned char bytes[BookEntrySize];
  if (std::fread(bytes, 1, sizeof bytes, f) != sizeof bytes) return false;
  DecodeBookEntry(bytes, entry);
  return true;
}

bool WriteEntry(FILE* f, const BookEntry& entry) {
  unsigned char bytes[BookEntrySize];
  EncodeBookEntry(entry, bytes);
  return std::fwrite(bytes, 1, sizeof bytes, f) == sizeof bytes;
}

int OpenBook(const char* name, bool quietWhenMissing) {
  CloseBook();
  if (!name || !*name) {
    PrintInfo("Opening book disabled");
    frontend.bookEnabled = 0;
    return -1;
  }
  PrintInfo("Open book: %s\n", name);
  FILE* f = std::fopen(name, "rb+");
  if (!f) {
    f = std::fopen(name, "rb");
    if (!f) {
      frontend.bookEnabled = 0;
      if (quietWhenMissing && errno == ENOENT)
        PrintToLog("Cannot open opening book: %s: %s\n", name, std::strerror(errno));
      else
        PrintInfo("Cannot open opening book: %s: %s\n", name, std::strerror(errno));
      return -1;
    }
    PrintInfo("Book open in read only mode\n");
    book.readOnly = 1;
  }
  return openStream(f, name);
}

int OpenBookFromBytes(const void* data, size_t size, const char* name) {
  CloseBook();
  FILE* f = std::tmpfile();
  if (!f || (size && std::fwrite(data, 1, size, f) != size)) {
    if (f) std::fclose(f);
    frontend.bookEnabled = 0;
    PrintInfo("Cannot open opening book: %s: %s\n", name, std::strerror(errno));
    return -1;
  }
  PrintInfo("Open book: %s\n", name);
  return openStream(f, name);
}

void CloseBook() {
  if (book.file) std::fclose(book.file);
  book.file = nullptr;
  book.readOnly = 0;
  book.count = 0;
}

int ReadBookHeader(BookHeader& header) { return book.file && ReadHeaderAt(book.file, header) ? 1 : 0; }

void ReadBookEntry(int32_t index, BookEntry& entry) {
  if (!seekRecord(book.file, index)) bookIoFailure("fseek");
  if (!ReadEntry(book.file, entry)) bookIoFailure("fread");
}

void WriteBookEntry(int32_t index, const BookEntry& entry) {
  if (!seekRecord(book.file, index)) bookIoFailure("fseek");
  if (!WriteEntry(book.file, entry)) bookIoFailure("fwrite");
}

int32_t BookFind(HashKey key, int32_t lo, int32_t hi) {
  // Small ranges are read in one pass; the buffer is static so that a probe
  // allocates nothing.
  static unsigned char range[512 * BookEntrySize];
  while (true) {
    int32_t n = hi - lo;
    if (n <= 512) {
      if (n <= 0 || !seekRecord(book.file, lo)) return -1;
      size_t bytes = std::fread(range, 1, size_t(n) * BookEntrySize, book.file);
      if (bytes < size_t(n) * BookEntrySize && std::ferror(book.file)) bookIoFailure("fread");
      // At the end of the file the rest of the range is not there.
      int32_t read = int32_t(bytes / BookEntrySize);
      for (int32_t i = 0; i < read; ++i) {
        BookEntry entry;
        DecodeBookEntry(range + size_t(i) * BookEntrySize, entry);
        if (entry.key == key) return lo + i;
      }
      return -1;
    }
    int32_t mid = lo + n / 2;
    BookCacheSlot& slot = book.cache[mid % BookCacheSlots];
    HashKey midKey = 0;
    ++book.cacheProbes;
    if (slot.index == uint32_t(mid)) {
      ++book.cacheHits;
      midKey = slot.key;
    }
    if (midKey == 0) {
      BookEntry entry;
      ReadBookEntry(mid, entry);
      midKey = entry.key;
      slot.key = midKey;
      slot.index = uint32_t(mid);
    }
    if (midKey == key) return mid;
    if (key < midKey) hi = mid;
    else lo = mid;
  }
}

std::string ChooseBookFile(const std::string& name, bool named, const std::vector<std::string>& installedBooks) {
  if (named || name != DefaultBookName || access(name.c_str(), F_OK) == 0) return name;
  for (const std::string& installed : installedBooks)
    if (access(installed.c_str(), F_OK) == 0) return installed;
  return name;
}

std::vector<std::string> InstalledBookPaths() {
  std::vector<std::string> paths;
  char self[4096];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n > 0) {
    std::string binary(self, size_t(n));
    size_t slash = binary.rfind('/');
    if (slash != std::string::npos)
      paths.push_back(binary.substr(0, slash) + "/../share/games/tarrock/" + DefaultBookName);
  }
  paths.push_back(std::string(TARROCK_BOOK_DIR) + "/" + DefaultBookName);
  return paths;
}

}  // namespace tarrock
