#include "frontend/input.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tarrock {

namespace {

struct InputBuffer {
  char data[65536];
  size_t start = 0;  // first unread byte
  size_t end = 0;    // one past the last buffered byte
  bool eof = false;
} input;

// A whole line, or a piece as long as the longest line a reader takes.
bool bufferedLineComplete() {
  size_t available = input.end - input.start;
  return available >= LineBufferSize - 1 || std::memchr(input.data + input.start, '\n', available) != nullptr;
}

// Reads more bytes from descriptor 0 (blocking). False at end of input.
bool fill() {
  if (input.eof) return false;
  if (input.start > 0) {
    std::memmove(input.data, input.data + input.start, input.end - input.start);
    input.end -= input.start;
    input.start = 0;
  }
  if (input.end == sizeof input.data) return true;  // full: the caller takes a piece
  for (;;) {
    ssize_t n = ::read(0, input.data + input.end, sizeof input.data - input.end);
    if (n > 0) {
      input.end += size_t(n);
      return true;
    }
    if (n < 0 && errno == EINTR) continue;
    input.eof = true;
    return false;
  }
}

}  // namespace

bool InputWaiting() {
  if (bufferedLineComplete()) return true;
  if (input.eof) return input.end > input.start;
  struct pollfd p = {0, POLLIN, 0};
  if (::poll(&p, 1, 0) == 0) return false;
  // Something arrived (or the input ended): take what is there without
  // blocking, since only a complete line counts as waiting. Bytes of a line
  // still being typed or sent stay in the buffer.
  if (input.start > 0) {
    std::memmove(input.data, input.data + input.start, input.end - input.start);
    input.end -= input.start;
    input.start = 0;
  }
  ssize_t n = ::read(0, input.data + input.end, sizeof input.data - input.end);
  if (n > 0) input.end += size_t(n);
  else if (n == 0 || (errno != EINTR && errno != EAGAIN)) input.eof = true;
  if (input.eof) return input.end > input.start;
  return bufferedLineComplete();
}

bool ReadInputLine(char* buffer, size_t size) {
  if (size == 0) return false;
  size_t limit = size - 1;
  for (;;) {
    size_t available = input.end - input.start;
    const char* begin = input.data + input.start;
    const char* newline = static_cast<const char*>(std::memchr(begin, '\n', available));
    size_t length = newline ? size_t(newline - begin) : available;
    if (newline || length >= limit || (input.eof && available > 0)) {
      size_t take = length < limit ? length : limit;
      std::memcpy(buffer, begin, take);
      buffer[take] = '\0';
      input.start += take;
      if (take == length && newline) input.start += 1;  // consume the newline
      return true;
    }
    if (!fill()) {
      if (input.end > input.start) continue;
      buffer[0] = '\0';
      return false;
    }
  }
}

bool InputAtEnd() { return input.eof && input.start == input.end; }

void ResetInput() {
  input.start = input.end = 0;
  input.eof = false;
}

bool InputIsTerminal() { return ::isatty(0) == 1; }

void TrimLineEnd(char* line) {
  size_t n = std::strlen(line);
  while (n > 0) {
    unsigned char c = static_cast<unsigned char>(line[n - 1]);
    if (c >= 0x20 && c != 0x7F) break;
    line[--n] = '\0';
  }
}

}  // namespace tarrock
