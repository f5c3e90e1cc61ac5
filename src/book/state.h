// Process-wide state of the opening book: the open book file, whether it could
// only be opened for reading, the number of records the probes may use, and
// the key cache that the binary search fills with the keys of the records it
// visits, with its probe and hit counters (never reset while the process runs).
#pragma once

#include <cstdint>
#include <cstdio>

#include "board/types.h"

namespace tarrock {

constexpr int BookCacheSlots = 10000;

struct BookCacheSlot {
  HashKey key;
  uint32_t index;
};

struct BookState {
  FILE* file = nullptr;
  int readOnly = 0;
  int32_t count = 0;  // records of the open book, as its header gives them
  BookCacheSlot* cache = nullptr;
  uint32_t cacheProbes = 0;
  uint32_t cacheHits = 0;
};

extern BookState book;

}  // namespace tarrock
