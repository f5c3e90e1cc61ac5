#include "core/config.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "core/numbers.h"
#include "core/output.h"

namespace tarrock {

Configuration config;

namespace {

enum SymbolKind { StringKind, IntegerKind, SizeKind };

struct ConfigSymbol {
  const char* name;
  SymbolKind kind;
  int32_t* number;
  std::string* text;
  bool fromCommandLine;
  bool fromFile;
};

ConfigSymbol symbols[] = {
    {"RESIGN", IntegerKind, &config.resign, nullptr, false, false},
    {"HASH", SizeKind, &config.hash, nullptr, false, false},
    {"LOGFNAME", StringKind, nullptr, &config.logFileName, false, false},
    {"BOOK", StringKind, nullptr, &config.book, false, false},
    {"EGTB_HASH_SIZE", SizeKind, &config.egtbHashSize, nullptr, false, false},
    {"TB_PATH", StringKind, nullptr, &config.tbPath, false, false},
};

// Reads the next whitespace-separated token of at most 255 characters; a
// longer word is returned in pieces. False at end of file.
bool readToken(FILE* f, std::string& token) {
  token.clear();
  int c;
  do c = std::fgetc(f);
  while (c != EOF && std::isspace(c));
  if (c == EOF) return false;
  while (c != EOF && !std::isspace(c)) {
    token += char(c);
    if (token.size() == 255) return true;
    c = std::fgetc(f);
  }
  if (c != EOF) std::ungetc(c, f);
  return true;
}

// The rest of the current line, line break excluded (consumed).
std::string restOfLine(FILE* f) {
  std::string rest;
  int c;
  while ((c = std::fgetc(f)) != EOF && c != '\n') rest += char(c);
  return rest;
}

// An integer in the manner of fscanf("%d"): white space (line breaks too),
// a sign, digits. When no number follows, the file is left at the token after
// the white space (which is then read as the next symbol) and the value stays.
void readInteger(FILE* f, int32_t& target) {
  int c;
  do c = std::fgetc(f);
  while (c != EOF && std::isspace(c));
  if (c == EOF) return;
  std::ungetc(c, f);
  long start = std::ftell(f);
  std::string digits;
  c = std::fgetc(f);
  if (c == '-' || c == '+') {
    digits += char(c);
    c = std::fgetc(f);
  }
  bool any = false;
  while (c != EOF && std::isdigit(c)) {
    digits += char(c);
    any = true;
    c = std::fgetc(f);
  }
  if (c != EOF) std::ungetc(c, f);
  if (any) target = readNumber(digits.c_str());
  else if (start >= 0) std::fseek(f, start, SEEK_SET);
}

// A quoted string: the text between the first two double quotes of the rest
// of the line; after a lone quote it runs to the end of the line. A line
// without quotes gives its trimmed text.
std::string readStringValue(FILE* f) {
  std::string rest = restOfLine(f);
  size_t open = rest.find('"');
  if (open == std::string::npos) {
    size_t first = rest.find_first_not_of(" \t\r");
    if (first == std::string::npos) return "";
    size_t last = rest.find_last_not_of(" \t\r");
    return rest.substr(first, last - first + 1);
  }
  size_t close = rest.find('"', open + 1);
  if (close == std::string::npos) return rest.substr(open + 1) + "\n";
  return rest.substr(open + 1, close - open - 1);
}

}  // namespace

int32_t ParseSize(const char* text) {
  int64_t value = 0;
  for (const char* p = text; std::isdigit(static_cast<unsigned char>(*p)); ++p) {
    value = value * 10 + (*p - '0');
    if (value > INT32_MAX) value = int64_t(INT32_MAX) + 1;
  }
  size_t length = std::strlen(text);
  char last = length ? text[length - 1] : '\0';
  if (last == 'K' || last == 'k') value *= 1024;
  else if (last == 'M' || last == 'm') value *= 1048576;
  else if (last == 'G' || last == 'g') value *= 1073741824;
  return value > INT32_MAX ? INT32_MAX : int32_t(value);
}

void SetSymbol(const char* name, const char* text) {
  for (ConfigSymbol& symbol : symbols) {
    if (std::strcmp(symbol.name, name) != 0) continue;
    switch (symbol.kind) {
      case StringKind: *symbol.text = text; break;
      case IntegerKind: *symbol.number = readNumber(text); break;
      case SizeKind: *symbol.number = ParseSize(text); break;
    }
    symbol.fromCommandLine = true;
  }
}

void LoadConfiguration(const char* fileName, bool quietWhenMissing) {
  if (!fileName) {
    std::fprintf(stderr, "No config file\n");
    return;
  }
  FILE* f = std::fopen(fileName, "r");
  if (!f) {
    if (!(quietWhenMissing && errno == ENOENT)) std::fprintf(stderr, "%s: %s\n", fileName, std::strerror(errno));
    return;
  }
  PrintInfo("Loading configuration: %s\n", fileName);
  std::string token;
  while (readToken(f, token)) {
    if (token[0] == '#') {
      restOfLine(f);
      continue;
    }
    bool known = false;
    for (ConfigSymbol& symbol : symbols) {
      if (token != symbol.name) continue;
      known = true;
      if (symbol.fromCommandLine) {
        restOfLine(f);
        continue;
      }
      switch (symbol.kind) {
        case IntegerKind: readInteger(f, *symbol.number); break;
        case SizeKind: {
          std::string value;
          if (readToken(f, value)) *symbol.number = ParseSize(value.c_str());
          break;
        }
        case StringKind: *symbol.text = readStringValue(f); break;
      }
      symbol.fromFile = true;
    }
    if (!known) PrintInfo("Warning: unknown symbol: %s\n", token.c_str());
  }
  std::fclose(f);
}

void PrintConfiguration() {
  for (const ConfigSymbol& symbol : symbols) {
    switch (symbol.kind) {
      case StringKind: std::printf("%s \"%s\"\n", symbol.name, symbol.text->c_str()); break;
      case IntegerKind: std::printf("%s %d\n", symbol.name, *symbol.number); break;
      case SizeKind:
        if (*symbol.number < 1048576)
          std::printf("%s %dK\n", symbol.name, *symbol.number >> 10);
        else
          std::printf("%s %dM\n", symbol.name, *symbol.number >> 20);
        break;
    }
  }
  std::fflush(stdout);
}

bool SymbolGiven(const char* name) {
  for (const ConfigSymbol& symbol : symbols)
    if (std::strcmp(symbol.name, name) == 0) return symbol.fromCommandLine || symbol.fromFile;
  return false;
}

void ResetConfiguration() {
  config = Configuration();
  for (ConfigSymbol& symbol : symbols) symbol.fromCommandLine = symbol.fromFile = false;
}

}  // namespace tarrock
