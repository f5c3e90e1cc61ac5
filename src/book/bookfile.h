// The opening book file: a 68-byte header (version "0.3", creation time,
// record count, cut depth) and 32-byte records sorted by unsigned HashKey, all
// little-endian. Opening (from a path or from bytes), the binary search with
// its key cache, the record read and write primitives that probing, learning
// and building share, and the choice of the file to open: the default name
// falls back to the installed book when the working directory has none.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "board/types.h"

namespace tarrock {

constexpr int BookHeaderSize = 68;
constexpr int BookEntrySize = 32;
constexpr const char* BookVersion = "0.3";
constexpr const char* DefaultBookName = "tarrock.bok";
constexpr uint32_t NewLearn = 50000;  // learning factor 1.0

// Flag bits of a record: the last learned result for the side that moved
// into the position (bits 0-2), then the annotation of that move.
constexpr uint32_t LastResultMask = 7, LastWon = 1, LastLost = 2, LastDrawn = 4;
constexpr uint32_t MarkGood = 8, MarkExcellent = 16, MarkBad = 32, MarkBlunder = 64;

struct BookHeader {
  char version[32];
  char created[28];
  int32_t count;
  int32_t depth;
};

struct BookEntry {
  HashKey key;
  uint32_t played;
  uint32_t whiteWins;
  uint32_t blackWins;
  uint32_t draws;
  uint32_t learn;
  uint32_t flags;
};

// A header with the version, the given creation text, count and depth.
BookHeader MakeBookHeader(const char* created, int32_t count, int32_t depth);
// "Www Mmm dd hh:mm:ss yyyy" in local time, English names, no line break.
void FormatBookTime(char* out, size_t size, std::time_t when);

void EncodeBookHeader(const BookHeader& header, unsigned char* bytes);
// The texts come back terminated whatever the bytes hold.
void DecodeBookHeader(const unsigned char* bytes, BookHeader& header);
void EncodeBookEntry(const BookEntry& entry, unsigned char* bytes);
void DecodeBookEntry(const unsigned char* bytes, BookEntry& entry);

// Stream primitives: the header at offset 0 and record i at 68 + 32 i. False
// on a failed seek, a short read or a failed write (errno tells which).
bool ReadHeaderAt(FILE* f, BookHeader& header);
bool WriteHeaderAt(FILE* f, const BookHeader& header);
bool ReadEntry(FILE* f, BookEntry& entry);  // at the current offset
bool WriteEntry(FILE* f, const BookEntry& entry);

// Opens the engine's book: 0 on success, -1 (message printed, book disabled)
// on failure. A header whose count is negative or exceeds the records present
// is refused like a short header. With quietWhenMissing a file that does not
// exist is reported in the log only: xboard takes "No such file or directory"
// on an engine's output at start-up for a failed start and refuses the engine.
int OpenBook(const char* name, bool quietWhenMissing = false);
// The same for a book given as bytes (held in an anonymous temporary file,
// so learning can write to it).
int OpenBookFromBytes(const void* data, size_t size, const char* name);
void CloseBook();

// The open book's header; 1 on success.
int ReadBookHeader(BookHeader& header);
// Index of the record with the key among records lo..hi-1, or -1.
int32_t BookFind(HashKey key, int32_t lo, int32_t hi);
// Record access on the open book; I/O errors end the process with status 1.
void ReadBookEntry(int32_t index, BookEntry& entry);
void WriteBookEntry(int32_t index, const BookEntry& entry);

// The file to open for the BOOK setting: a name the user gave (named) is
// used as it is; the default name is used when it exists in the working
// directory, else the first installed book that exists.
std::string ChooseBookFile(const std::string& name, bool named, const std::vector<std::string>& installedBooks);
// Where an installed engine's book is: share/games/tarrock/tarrock.bok
// beside the games/ directory of the running binary (a staged or moved
// installation), then under the install prefix the build was made for.
std::vector<std::string> InstalledBookPaths();

}  // namespace tarrock
