// The configuration table: six named settings (resign threshold, hash size,
// log file, book file, tablebase cache size, tablebase directory) with their
// defaults, set from the command line, from the configuration file (which
// skips symbols the command line set) and printed by "-C".
#pragma once

#include <cstdint>
#include <string>

namespace tarrock {

struct Configuration {
  int32_t resign = 700;
  int32_t hash = 33554432;
  std::string logFileName;
  std::string book = "tarrock.bok";
  int32_t egtbHashSize = 1048576;
  std::string tbPath = "c:\\chess\\tb";
};
extern Configuration config;

// Sets a symbol from the command line; the file loader then skips it.
// Unknown names are ignored.
void SetSymbol(const char* name, const char* text);
// Leading decimal digits, times 1024 for a K suffix, 1048576 for M,
// 1073741824 for G (either case); values beyond 2^31 - 1 are held at 2^31 - 1.
int32_t ParseSize(const char* text);
// Reads the file; a file that cannot be read is reported on standard error,
// except a missing one when quietWhenMissing (the default file is optional,
// and xboard takes such a line from an engine for a failed start).
void LoadConfiguration(const char* fileName, bool quietWhenMissing = false);
// True when the command line or the configuration file gave the symbol.
bool SymbolGiven(const char* name);
// The current values, one line per symbol, straight to standard output.
void PrintConfiguration();
// Puts the table back to its defaults and forgets command-line settings (tests).
void ResetConfiguration();

}  // namespace tarrock
