#include "search/tt.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/memory.h"
#include "core/output.h"
#include "core/state.h"
#include "eval/pawns.h"

namespace tarrock {

TransTable transTable;

namespace {

uint32_t floorPowerOfTwo(int64_t n) {
  if (n < 1) return 0;
  uint64_t p = 1;
  while (p * 2 <= uint64_t(n) && p < (uint64_t(1) << 31)) p *= 2;
  return uint32_t(p);
}

int entryAge(const HashEntry& e) { return e.flags >> 13; }
int entryDepth(const HashEntry& e) { return (e.flags >> 3) & 1023; }
int entryType(const HashEntry& e) { return (e.flags >> 1) & 3; }
bool isEmpty(const HashEntry& e) { return e.key == 0; }

// The null-move search depth of a node of this remaining depth.
int nullMoveDepth(int depth) { return depth <= 72 ? depth - 24 - 12 : depth - 36 - 12; }

}  // namespace

void ResizeHashMemory(int64_t bytes) {
  if (bytes < 0) bytes = 0;
  PrintInfo("Total hash size %s\n", FormatMemorySize(bytes));
  transTable.configuredEntries = floorPowerOfTwo(((bytes / 4) * 3) / 16);
  if (transTable.configuredEntries < 2) transTable.configuredEntries = 2;
  int64_t tableBytes = int64_t(transTable.configuredEntries) * 16;
  int64_t rest = bytes - tableBytes;
  transTable.configuredPawnEntries = floorPowerOfTwo(((rest / 4) * 3) / 30);
  if (transTable.configuredPawnEntries < 1) transTable.configuredPawnEntries = 1;
  SetPawnTableEntries(transTable.configuredPawnEntries);
}

void AllocateHashTable(uint32_t entries) {
  if (entries < 2) entries = 2;
  Release(transTable.entries);
  transTable.entries = static_cast<HashEntry*>(AllocateTableOrDie(size_t(entries) * sizeof(HashEntry)));
  transTable.entryCount = entries;
  transTable.bucketCount = entries / 2;
  ClearHashTable();
}

void ClearHashTable() {
  if (transTable.entries)
    std::memset(transTable.entries, 0, size_t(transTable.entryCount) * sizeof(HashEntry));
  ResetHashStatistics();
}

void ResetHashStatistics() {
  std::memset(transTable.usage, 0, sizeof transTable.usage);
  transTable.probes = transTable.hits = 0;
}

void NewSearchGeneration() {
  if (++transTable.age == 8) transTable.age = 1;
}

int HashFull() {
  if (!transTable.entryCount) return 0;
  return int(int64_t(transTable.usage[transTable.age]) * 1000 / transTable.entryCount);
}

const char* FormatMemorySize(int64_t n) {
  static char text[32];
  if (n >= 1048576) std::snprintf(text, sizeof text, "%dM", int(n / 1048576));
  else if (n < 1024) std::snprintf(text, sizeof text, "%d", int(n));
  else std::snprintf(text, sizeof text, "%dK", int(n / 1024));
  return text;
}

void PrintHashStatistics() {
  if (frontend.printHashUsage && transTable.bucketCount) {
    int slot0 = 0, slot1 = 0;
    for (uint32_t b = 0; b < transTable.bucketCount; ++b) {
      if (!isEmpty(transTable.entries[2 * b]) && entryAge(transTable.entries[2 * b]) == transTable.age) ++slot0;
      if (!isEmpty(transTable.entries[2 * b + 1]) && entryAge(transTable.entries[2 * b + 1]) == transTable.age)
        ++slot1;
    }
    PrintInfo("Hash usage: used1 %2.2f%%, used2 %2.2f%%\n", slot0 * 100.0 / transTable.bucketCount,
              slot1 * 100.0 / transTable.bucketCount);
  }
  double hitRate = transTable.probes ? transTable.hits * 100.0 / transTable.probes : 0.0;
  PrintInfo("Hash: %s, used %d%%, hits %2.0f%%\n",
            FormatMemorySize(int64_t(transTable.entryCount) * 16), HashFull() / 10, hitRate);
}

void StoreHash(Position& pos, Move move, int depth, int ply, int score, int type) {
  if (type == Exact) {
    if (score > 30000) score += ply;
    else if (score < -30000) score -= ply;
  }
  HashKey key = pos.key();
  HashEntry* bucket = transTable.entries + 2 * (uint32_t(key) & (transTable.bucketCount - 1));
  HashEntry* slot;
  if (bucket[0].key == key) {
    slot = &bucket[0];
  } else if (entryDepth(bucket[0]) > depth && entryAge(bucket[0]) == transTable.age) {
    slot = &bucket[1];
  } else {
    if (!isEmpty(bucket[1])) transTable.usage[entryAge(bucket[1])]--;
    if (!isEmpty(bucket[0])) transTable.usage[entryAge(bucket[0])]++;
    bucket[1] = bucket[0];
    slot = &bucket[0];
  }
  if (move == 0 && slot->key == key && slot->move) move = slot->move;
  if (!isEmpty(*slot)) transTable.usage[entryAge(*slot)]--;
  transTable.usage[transTable.age]++;
  slot->key = key;
  slot->move = move;
  slot->score = int16_t(score);
  slot->flags = uint16_t(transTable.age * 8192 + (depth & 1023) * 8 + type * 2 + (pos.threat[ply] & 1));
}

int ProbeHash(Position& pos, int depth, int ply, int& alpha, int& beta) {
  transTable.probes++;
  HashKey key = pos.key();
  HashEntry* bucket = transTable.entries + 2 * (uint32_t(key) & (transTable.bucketCount - 1));
  HashEntry* e = bucket[0].key == key ? &bucket[0] : bucket[1].key == key ? &bucket[1] : nullptr;
  if (!e || key == 0) {
    pos.hashMove[ply] = 0;
    pos.threat[ply] = 0;
    return 1;
  }
  pos.hashMove[ply] = e->move;
  pos.threat[ply] = e->flags & 1;
  int score = e->score;
  int type = entryType(*e);
  int stored = entryDepth(*e);
  int result = 1;
  if (nullMoveDepth(depth) <= stored && score < beta && (type == UpperBound || type == Exact)) result = 2;
  if (stored < depth) return result;
  transTable.hits++;
  switch (type) {
    case Exact:
      if (score >= 30000) alpha = score - ply;
      else if (score < -29999) alpha = score + ply;
      else alpha = score;
      return 0;
    case LowerBound:
      if (score >= beta) {
        alpha = score;
        return 0;
      }
      break;
    case UpperBound:
      if (score <= alpha) {
        alpha = score;
        return 0;
      }
      break;
  }
  return result;
}

}  // namespace tarrock
