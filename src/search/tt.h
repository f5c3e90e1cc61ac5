// The transposition table: two-entry buckets of 16-byte entries keyed by the
// position's hash key, with a depth-preferred slot and an always-replace slot,
// search generations (ages 1..7) and per-age usage counters. Also the sizing
// of both hash tables (this one and the evaluation's pawn table) from the hash
// memory setting.
#pragma once

#include <cstdint>

#include "board/position.h"

namespace tarrock {

enum BoundType : int { Exact = 1, LowerBound = 2, UpperBound = 3 };

struct HashEntry {
  HashKey key;
  Move move;
  uint16_t flags;  // bit 0 threat, bits 1-2 bound type, bits 3-12 depth, bits 13-15 age
  int16_t score;
};
static_assert(sizeof(HashEntry) == 16);

struct TransTable {
  HashEntry* entries = nullptr;
  uint32_t entryCount = 0;
  uint32_t bucketCount = 0;
  uint32_t configuredEntries = 0;      // takes effect at the next AllocateHashTable
  uint32_t configuredPawnEntries = 0;  // read by the pawn-table allocation
  int age = 1;
  int32_t usage[8] = {};
  uint32_t probes = 0;
  uint32_t hits = 0;
};
extern TransTable transTable;

// Prints "Total hash size" and computes both tables' entry counts.
void ResizeHashMemory(int64_t bytes);
void AllocateHashTable(uint32_t entries);
void ClearHashTable();
void ResetHashStatistics();
void NewSearchGeneration();
int HashFull();
// "%dM", "%dK" or "%d" bytes; the text lives in a shared buffer.
const char* FormatMemorySize(int64_t bytes);
void PrintHashStatistics();

void StoreHash(Position& pos, Move move, int depth, int ply, int score, int type);
// 0: cutoff (alpha holds the score); 1: nothing decided; 2: a null move would
// not reach beta. Also sets the ply's hash move and threat flag.
int ProbeHash(Position& pos, int depth, int ply, int& alpha, int& beta);

// Asks the processor to start loading the bucket of the key, so that the
// probe of a node about to be searched finds it in the cache. No effect on
// any result.
// Always inlined: g++ otherwise finds the out-of-line call free of effects
// and drops it, prefetch and all.
[[gnu::always_inline]] inline void PrefetchHash(HashKey key) {
  if (transTable.entries)
    __builtin_prefetch(transTable.entries + 2 * (uint32_t(key) & (transTable.bucketCount - 1)));
}

}  // namespace tarrock
