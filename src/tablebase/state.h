// Process-wide state of the endgame tablebases: the probe counters the search
// reads, the class table in use, the registered files per class and side, the
// material lookup, the 8 KB block cache and the decoder's shared work block.
// One record, set up by TbInit and TbCacheInit.
#pragma once

#include <cstdint>
#include <string>

#include "tablebase/classes.h"

namespace tarrock {

struct TbCompressedLayout;

constexpr int TbBlockBits = 13;
constexpr uint32_t TbBlockSize = 1u << TbBlockBits;  // 8192
constexpr int TbBucketCount = 32;
constexpr uint32_t TbDataStride = TbBlockSize + 36;            // 8228
constexpr uint32_t TbEntryBytes = 32 + TbDataStride;           // 8260, header and data
constexpr int TbLookupSize = 1 << 20;                          // ten counts of 2 bits

// The header of one cached block. Links are entry numbers, -1 for none; the
// free list runs through lruNext.
struct TbCacheEntry {
  int32_t lruPrev, lruNext;
  int32_t bucketPrev, bucketNext;
  uint32_t firstIndex;  // index of the block's first byte
  uint32_t dataOffset;  // of the data area from the buffer's start
  int16_t classId;
  int16_t side;
  uint32_t unused;
};
static_assert(sizeof(TbCacheEntry) <= 32, "a cache header is 32 bytes");

struct TbCache {
  unsigned char* buffer = nullptr;  // handed to TbCacheInit, not owned
  TbCacheEntry* entries = nullptr;  // the headers, at the start of the buffer
  int32_t count = 0;                // entries; 0: no cache
  int32_t lruHead = -1, lruTail = -1;
  int32_t freeHead = -1;
};

// One registered class: per side to move, the file and its bucket heads.
struct TbClassRecord {
  std::string fileName[2];                 // empty: the side is not probed
  int file[2] = {-1, -1};                  // descriptor, opened on the first read
  TbCompressedLayout* layout[2] = {nullptr, nullptr};  // compressed files only
  uint32_t length[2] = {0, 0};
  bool hasBuckets[2] = {false, false};
  int32_t buckets[2][TbBucketCount];
};

struct TablebaseState {
  int tbProbeDepth = 4;  // plies; the search probes only above this depth
  uint32_t tbProbes = 0;
  uint32_t tbHits = 0;
  const TbClassInfo* classTable = tbClassInfo;  // tests may install their own
  TbClassRecord records[TbClassCount + 1];
  int8_t* lookup = nullptr;                     // +id, -id (colours exchanged) or 0
  TbCache cache;
  void* cacheMemory = nullptr;                  // the buffer the engine allocated for the cache
  int64_t cacheBytes = 0;                       // and its size
  unsigned char* decodeWork = nullptr;          // read buffer of the block decoder
};
extern TablebaseState tablebases;

}  // namespace tarrock
