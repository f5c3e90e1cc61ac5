#include "book/build.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "board/attacks.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "board/print.h"
#include "book/bookfile.h"
#include "core/memory.h"
#include "core/output.h"
#include "search/timecontrol.h"

namespace tarrock {

namespace {

constexpr size_t MaxTokenLength = 255;
constexpr int MaxMergeWidth = 64;

// A PGN collection read byte by byte from a file or from memory, with one
// byte of push-back.
class PgnInput {
 public:
  explicit PgnInput(FILE* f) : file_(f) {}
  PgnInput(const char* data, size_t size) : data_(reinterpret_cast<const unsigned char*>(data)), size_(size) {}

  int get() {
    if (pushed_ != EOF) {
      int c = pushed_;
      pushed_ = EOF;
      return c;
    }
    if (file_) return std::fgetc(file_);
    return at_ < size_ ? data_[at_++] : EOF;
  }
  void unget(int c) { pushed_ = c; }

  // The next whitespace-separated token, at most 255 bytes (a longer word
  // comes back in pieces). False at end of input.
  bool token(std::string& out) {
    out.clear();
    int c;
    do c = get();
    while (c != EOF && std::isspace(c));
    if (c == EOF) return false;
    while (c != EOF && !std::isspace(c)) {
      out += char(c);
      if (out.size() == MaxTokenLength) return true;
      c = get();
    }
    if (c != EOF) unget(c);
    return true;
  }

  void skipLine() {
    int c;
    while ((c = get()) != EOF && c != '\n') {}
  }

  // Skips characters until the open brackets counted so far are all closed.
  void skipNested(char open, char close, int depth) {
    int c;
    while (depth > 0 && (c = get()) != EOF) {
      if (c == open) ++depth;
      else if (c == close) --depth;
    }
  }

 private:
  FILE* file_ = nullptr;
  const unsigned char* data_ = nullptr;
  size_t size_ = 0;
  size_t at_ = 0;
  int pushed_ = EOF;
};

bool keyLess(const BookEntry& a, const BookEntry& b) { return a.key < b.key; }

void addCounts(BookEntry& into, const BookEntry& from) {
  into.played += from.played;
  into.whiteWins += from.whiteWins;
  into.blackWins += from.blackWins;
  into.draws += from.draws;
  into.flags |= from.flags;
}

void currentTime(char* out, size_t size) { FormatBookTime(out, size, std::time(nullptr)); }

class BookBuilder {
 public:
  BookBuilder(const char* bookName, const BookBuildOptions& options) : bookName_(bookName), options_(options) {}
  ~BookBuilder() { cleanUp(); }

  // 0 or 1 as BuildBook returns it.
  int run(PgnInput& input);

 private:
  bool makeWorkDirectory();
  std::string tempPath(int number) const { return workDir_ + "/book.tmp." + std::to_string(number); }
  bool readGames(PgnInput& input);
  bool moveText(const char* text);
  bool writeTempFile(BookEntry* records, int n);
  int mergeTempFiles();
  bool finalizeBook(const std::string& source);
  bool systemError(const std::string& name) {
    std::fprintf(stderr, "%s: %s\n", name.c_str(), std::strerror(errno));
    return false;
  }
  void cleanUp();

  const char* bookName_;
  BookBuildOptions options_;
  std::string workDir_;
  Position* pos_ = nullptr;
  BookEntry* pool_ = nullptr;
  uint32_t* index_ = nullptr;  // pool index + 1, 0 for an empty slot
  int inUse_ = 0;
  int counter_ = 0;
  int result_ = 0;
  int ply_ = 0;
  int games_ = 0;
  bool skipGame_ = false;
  uint32_t lastTicks_ = 0;
};

bool BookBuilder::makeWorkDirectory() {
  std::string book = bookName_;
  size_t slash = book.rfind('/');
  std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : book.substr(0, slash);
  std::string pattern = dir + "/book.tmp.XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (!mkdtemp(name.data())) return systemError(pattern);
  workDir_ = name.data();
  return true;
}

void BookBuilder::cleanUp() {
  if (!workDir_.empty()) {
    if (DIR* dir = opendir(workDir_.c_str())) {
      while (dirent* entry = readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
        std::remove((workDir_ + "/" + entry->d_name).c_str());
      }
      closedir(dir);
    }
    rmdir(workDir_.c_str());
    workDir_.clear();
  }
  if (pos_) FreePosition(pos_);
  pos_ = nullptr;
  Release(pool_);
  pool_ = nullptr;
  Release(index_);
  index_ = nullptr;
}

int BookBuilder::run(PgnInput& input) {
  if (options_.poolSize < 1) options_.poolSize = 1;
  if (options_.indexSize < 1) options_.indexSize = 1;
  options_.mergeWidth = std::clamp(options_.mergeWidth, 2, MaxMergeWidth);
  if (!makeWorkDirectory()) return 1;
  pos_ = NewPosition();
  pool_ = static_cast<BookEntry*>(AllocateOrDie(sizeof(BookEntry) * size_t(options_.poolSize)));
  index_ = static_cast<uint32_t*>(AllocateOrDie(sizeof(uint32_t) * size_t(options_.indexSize)));
  std::memset(pool_, 0, sizeof(BookEntry) * size_t(options_.poolSize));
  std::memset(index_, 0, sizeof(uint32_t) * size_t(options_.indexSize));
  newGame(*pos_);
  lastTicks_ = Ticks();

  if (!readGames(input)) return 1;
  if (!writeTempFile(pool_, inUse_)) return 1;
  PrintInfo("\n");
  int merged;
  while ((merged = mergeTempFiles()) == 0) {}
  if (merged > 0) return 1;
  if (!finalizeBook(tempPath(0))) return 1;
  return 0;
}

bool BookBuilder::readGames(PgnInput& input) {
  std::string token;
  while (input.token(token)) {
    const char* t = token.c_str();
    switch (t[0]) {
      case '$': break;
      case '(':
      case '{': {
        const char open = t[0], close = open == '(' ? ')' : '}';
        size_t n = token.size();
        if (token[n - 1] == close || (n >= 2 && token[n - 2] == close)) break;
        int depth = 0;
        for (char c : token) depth += c == open ? 1 : c == close ? -1 : 0;
        input.skipNested(open, close, std::max(depth, 1));
        break;
      }
      case '[':
        if (token == "[Result") {
          std::string value;
          input.token(value);
          if (value == "\"1-0\"]") result_ = 1;
          else if (value == "\"0-1\"]") result_ = 2;
          else if (value == "\"1/2-1/2\"]") result_ = 3;
          else if (value == "\"*\"]") result_ = 4;
          else {
            PrintInfo("Parse error: %s\n", value.c_str());
            return false;
          }
        } else if (token == "[FEN") {
          PrintInfo("SN\n");
          result_ = 4;
          input.skipLine();
        } else {
          input.skipLine();
        }
        break;
      default:
        if (std::isdigit(static_cast<unsigned char>(t[0]))) {
          if (t[0] == '1' && t[1] == '.' && t[2] != '.') {
            if (++games_ % 1000 == 0) {
              PrintInfo("Games %d, positions %d, %s(sec)\n", games_, inUse_, FormatTime(lastTicks_, Ticks()));
              lastTicks_ = Ticks();
            }
            newGame(*pos_);
            ply_ = 0;
            skipGame_ = false;
          }
          if (token == "1/2-1/2" || token == "1-0" || token == "0-1") break;
          const char* dot = std::strrchr(t, '.');
          if (!moveText(dot ? dot + 1 : t)) return false;
        } else if (!moveText(t)) {
          return false;
        }
    }
  }
  return true;
}

bool BookBuilder::moveText(const char* text) {
  while (*text == '*') ++text;
  if (!*text) return true;
  Position& pos = *pos_;
  // The undo stacks bound a game's length whatever the cut depth.
  if (ply_ >= options_.cutDepth || result_ == 4 || skipGame_ || pos.keyTop >= MaxGamePlies - 2) {
    ++ply_;
    return true;
  }
  int net = 0;
  for (const char* p = text; *p; ++p) net += *p == '!' ? 1 : *p == '?' ? -1 : 0;

  Move m = parseMove(pos, text);
  Move legal[MaxMoves];
  int count = m ? filterLegal(pos, legal, generateAll(pos, legal)) : 0;
  if (std::find(legal, legal + count, m) == legal + count) {
    // The rest of this game cannot be replayed.
    reportInvalidMove(pos, m);
    skipGame_ = true;
    ++ply_;
    return true;
  }
  makeMove(pos, m);

  const HashKey key = pos.key();
  uint32_t& slot = index_[key % uint64_t(options_.indexSize)];
  BookEntry* entry = slot ? &pool_[slot - 1] : nullptr;
  if (!entry || entry->key != key) {
    entry = &pool_[inUse_];
    *entry = BookEntry{key, 0, 0, 0, 0, NewLearn, 0};
    slot = uint32_t(++inUse_);
  }
  if (net == 1) entry->flags |= MarkGood;
  else if (net == 2) entry->flags |= MarkExcellent;
  else if (net == -1) entry->flags |= MarkBad;
  else if (net == -2) entry->flags |= MarkBlunder;
  entry->played++;
  if (result_ == 1) entry->whiteWins++;
  else if (result_ == 2) entry->blackWins++;
  else if (result_ == 3) entry->draws++;

  if (inUse_ == options_.poolSize) {
    if (!writeTempFile(pool_, inUse_)) return false;
    std::memset(pool_, 0, sizeof(BookEntry) * size_t(options_.poolSize));
    inUse_ = 0;
  }
  ++ply_;
  return true;
}

bool BookBuilder::writeTempFile(BookEntry* records, int n) {
  const std::string name = tempPath(counter_++);
  FILE* f = std::fopen(name.c_str(), "wb");
  if (!f) return systemError(name);
  std::sort(records, records + n, keyLess);
  BookHeader header = MakeBookHeader("1999", n, options_.cutDepth);
  bool ok = WriteHeaderAt(f, header);
  if (!ok) {
    std::fclose(f);
    return systemError(name);
  }
  int count = n;
  for (int i = 0; i < n;) {
    BookEntry merged = records[i];
    int j = i + 1;
    for (; j < n && records[j].key == merged.key; ++j) {
      addCounts(merged, records[j]);
      --count;
    }
    if (!WriteEntry(f, merged)) {
      PrintInfo("book: fwrite: %s\n", std::strerror(errno));
      std::fclose(f);
      return false;
    }
    i = j;
  }
  header.count = count;
  ok = WriteHeaderAt(f, header);
  if (std::fclose(f) != 0 || !ok) return systemError(name);
  return true;
}

// 0 after a pass, -1 when fewer than two temporary files remain, 1 after a
// failure.
int BookBuilder::mergeTempFiles() {
  if (counter_ < 2) return -1;
  const int k = std::min(counter_, options_.mergeWidth);
  PrintInfo("Merging");
  for (int i = 1; i <= k; ++i) PrintInfo(" book.tmp.%d", counter_ - i);
  PrintInfo("\n");

  struct Source {
    FILE* f = nullptr;
    int32_t left = 0;  // records not yet consumed, the current one included
    bool hasCurrent = false;
    BookEntry current{};
  };
  Source sources[MaxMergeWidth];
  std::string names[MaxMergeWidth];
  const std::string outName = workDir_ + "/book.tmp";
  FILE* out = nullptr;
  BookHeader header{};
  int failed = 0;
  int32_t written = 0;

  for (int i = 0; i < k && !failed; ++i) {
    names[i] = tempPath(--counter_);
    BookHeader h;
    sources[i].f = std::fopen(names[i].c_str(), "rb");
    if (!sources[i].f || !ReadHeaderAt(sources[i].f, h)) {
      systemError(names[i]);
      failed = 1;
      break;
    }
    sources[i].left = std::max(h.count, 0);
    if (i == 0) header = h;
  }
  if (!failed) {
    out = std::fopen(outName.c_str(), "wb");
    if (!out) failed = !systemError(outName);
    else if (!WriteHeaderAt(out, header)) failed = !systemError("fwrite");
  }
  while (!failed) {
    bool any = false;
    for (int i = 0; i < k; ++i) {
      Source& s = sources[i];
      if (s.left > 0 && !s.hasCurrent) {
        if (!ReadEntry(s.f, s.current)) {
          failed = !systemError(names[i]);
          break;
        }
        s.hasCurrent = true;
      }
      any = any || s.left > 0;
    }
    if (failed || !any) break;
    for (int i = 0; i < k; ++i) {
      if (!sources[i].hasCurrent) continue;
      for (int j = i + 1; j < k; ++j) {
        Source& s = sources[j];
        if (!s.hasCurrent || s.current.key != sources[i].current.key) continue;
        addCounts(sources[i].current, s.current);
        s.hasCurrent = false;
        if (--s.left > 0) {
          if (!ReadEntry(s.f, s.current)) {
            failed = !systemError(names[j]);
            break;
          }
          s.hasCurrent = true;
        }
      }
      if (failed) break;
    }
    if (failed) break;
    int best = -1;
    for (int i = 0; i < k; ++i)
      if (sources[i].hasCurrent && (best < 0 || sources[i].current.key < sources[best].current.key)) best = i;
    if (best < 0) break;
    if (!WriteEntry(out, sources[best].current)) {
      failed = !systemError("fwrite");
      break;
    }
    sources[best].left--;
    sources[best].hasCurrent = false;
    ++written;
  }
  if (!failed) {
    currentTime(header.created, sizeof header.created);
    header.count = written;
    if (!WriteHeaderAt(out, header)) failed = !systemError("fwrite");
  }
  if (out && std::fclose(out) != 0 && !failed) failed = !systemError(outName);
  for (int i = 0; i < k; ++i)
    if (sources[i].f) std::fclose(sources[i].f);
  if (failed) return 1;

  for (int i = 0; i < k; ++i)
    if (std::remove(names[i].c_str()) != 0) return systemError(names[i]), 1;
  const std::string merged = tempPath(counter_);
  if (std::rename(outName.c_str(), merged.c_str()) != 0) return systemError("rename"), 1;
  ++counter_;
  return 0;
}

bool BookBuilder::finalizeBook(const std::string& source) {
  PrintInfo("Removing moves played lesser then %d times\n", options_.minPlayed);
  const std::string newBook = workDir_ + "/book.new";
  FILE* out = std::fopen(newBook.c_str(), "wb");
  if (!out) return systemError(newBook);
  FILE* in = std::fopen(source.c_str(), "rb");
  if (!in) {
    std::fclose(out);
    return systemError(source);
  }
  BookHeader header;
  bool ok = ReadHeaderAt(in, header);
  if (!ok) systemError(source);
  ok = ok && (WriteHeaderAt(out, header) || systemError(newBook));
  int32_t written = 0;
  HashKey previous = 0;
  for (int32_t i = 0; ok && i < header.count; ++i) {
    BookEntry entry;
    if (!ReadEntry(in, entry)) {
      ok = systemError(source);
      break;
    }
    if (entry.key <= previous) {
      PrintInfo("Duplicated hashkeys\n");
      ok = false;
      break;
    }
    previous = entry.key;
    if (int64_t(entry.played) < options_.minPlayed) continue;
    if (!WriteEntry(out, entry)) {
      PrintInfo("book: fwrite: %s\n", std::strerror(errno));
      ok = false;
      break;
    }
    ++written;
  }
  if (ok) {
    currentTime(header.created, sizeof header.created);
    header.count = written;
    ok = WriteHeaderAt(out, header) || systemError(newBook);
  }
  // The new book must be on disk before it replaces the old one.
  if (ok && (std::fflush(out) != 0 || fsync(fileno(out)) != 0)) ok = systemError(newBook);
  std::fclose(in);
  if (std::fclose(out) != 0 && ok) ok = systemError(newBook);
  if (ok && std::rename(newBook.c_str(), bookName_) != 0) ok = systemError(bookName_);
  return ok;
}

}  // namespace

int BuildBook(const char* pgnFile, const char* bookName, const BookBuildOptions& options) {
  FILE* f = std::fopen(pgnFile, "rb");
  if (!f) {
    std::fprintf(stderr, "%s: %s\n", pgnFile, std::strerror(errno));
    return 0;
  }
  PgnInput input(f);
  int status = BookBuilder(bookName, options).run(input);
  std::fclose(f);
  return status;
}

int BuildBookFromBytes(const char* data, size_t size, const char* bookName, const BookBuildOptions& options) {
  PgnInput input(data, size);
  return BookBuilder(bookName, options).run(input);
}

}  // namespace tarrock
