// Building a book from a PGN collection: every game is replayed up to a cut
// depth and each position reached is counted with the game's result and the
// "!"/"?" marks of the move into it. At most a pool of records is held in
// memory; each full pool is sorted into a numbered temporary book, the
// temporaries are merged in passes of up to 20, and a final pass drops the
// rarely played positions. All temporaries live in a private directory next
// to the book, and the finished book replaces the old one only by a rename,
// so a build that fails or is killed half-way leaves the old book as it was.
#pragma once

#include <cstddef>

namespace tarrock {

struct BookBuildOptions {
  int cutDepth = 60;      // plies of each game counted
  int minPlayed = 2;      // positions reached by fewer games are dropped
  int poolSize = 100000;  // records held in memory before a temporary file
  int indexSize = 1000000;
  int mergeWidth = 20;    // temporary files merged in one pass
};

// The status for the process: 0 when the book was written or the PGN file
// could not be opened (reported on standard error), 1 after a fatal error
// (message printed, temporaries removed, the old book untouched).
int BuildBook(const char* pgnFile, const char* bookName, const BookBuildOptions& options);
// The same for a PGN collection given as bytes.
int BuildBookFromBytes(const char* data, size_t size, const char* bookName, const BookBuildOptions& options);

}  // namespace tarrock
