#include "tablebase/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "core/output.h"
#include "tablebase/decode.h"
#include "tablebase/state.h"

namespace tarrock {

TablebaseState tablebases;

namespace {

// Ends the process with a registration failure.
[[noreturn]] void fail(const std::string& text) { fatalError(text.c_str()); }

// The men counts of a class name ("kqkr": white queen, black rook) in lookup
// order; false for a name that is not two kings with at most three men.
bool countsOfName(const char* name, int* counts) {
  static const char kinds[] = "pnbrq";
  std::memset(counts, 0, 10 * sizeof(int));
  if (!name || name[0] != 'k') return false;
  int colour = 0, men = 0;
  for (const char* c = name + 1; *c; ++c) {
    if (*c == 'k') {
      if (colour == 1) return false;
      colour = 1;
      continue;
    }
    const char* kind = std::strchr(kinds, *c);
    if (!kind) return false;
    counts[colour * 5 + int(kind - kinds)]++;
    if (++men > 3) return false;
  }
  return colour == 1;
}

int lookupKey(const int* counts) {
  int key = 0;
  for (int i = 0; i < 10; ++i) key = key << 2 | counts[i];
  return key;
}

void freeRegistration() {
  for (TbClassRecord& record : tablebases.records) {
    for (int side = 0; side < 2; ++side) {
      record.fileName[side].clear();
      delete record.layout[side];
      record.layout[side] = nullptr;
      record.length[side] = 0;
      record.hasBuckets[side] = false;
    }
  }
}

TbCacheEntry& entry(int32_t e) { return tablebases.cache.entries[e]; }

int32_t& bucketHead(const TbCacheEntry& e) {
  return tablebases.records[e.classId].buckets[e.side][(e.firstIndex >> TbBlockBits) & (TbBucketCount - 1)];
}

void unlinkLru(int32_t e) {
  TbCache& cache = tablebases.cache;
  TbCacheEntry& x = entry(e);
  if (x.lruPrev >= 0) entry(x.lruPrev).lruNext = x.lruNext; else cache.lruHead = x.lruNext;
  if (x.lruNext >= 0) entry(x.lruNext).lruPrev = x.lruPrev; else cache.lruTail = x.lruPrev;
}

void linkLruFront(int32_t e) {
  TbCache& cache = tablebases.cache;
  TbCacheEntry& x = entry(e);
  x.lruPrev = -1;
  x.lruNext = cache.lruHead;
  if (cache.lruHead >= 0) entry(cache.lruHead).lruPrev = e; else cache.lruTail = e;
  cache.lruHead = e;
}

void unlinkBucket(int32_t e) {
  TbCacheEntry& x = entry(e);
  if (x.bucketPrev >= 0) entry(x.bucketPrev).bucketNext = x.bucketNext; else bucketHead(x) = x.bucketNext;
  if (x.bucketNext >= 0) entry(x.bucketNext).bucketPrev = x.bucketPrev;
}

void linkBucketFront(int32_t e) {
  TbCacheEntry& x = entry(e);
  int32_t& head = bucketHead(x);
  x.bucketPrev = -1;
  x.bucketNext = head;
  if (head >= 0) entry(head).bucketPrev = e;
  head = e;
}

void pushFree(int32_t e) {
  entry(e).lruNext = tablebases.cache.freeHead;
  entry(e).lruPrev = -1;
  tablebases.cache.freeHead = e;
}

// Opens a regular file for reading; -1 for anything else.
int openForReading(const char* name) {
  int fd = open(name, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat info;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    return -1;
  }
  return fd;
}

// The side's file can no longer be read: it is not probed again.
void dropFile(TbClassRecord& record, int side) {
  record.fileName[side].clear();
  if (record.file[side] >= 0) close(record.file[side]);
  record.file[side] = -1;
}

// Reads the block of entry e from the side's file; false on any failure.
bool fillBlock(TbClassRecord& record, int side, uint32_t firstIndex, unsigned char* data) {
  const int fd = record.file[side];
  if (record.layout[side]) {
    if (!tablebases.decodeWork) return false;
    return DecodeBlock(*record.layout[side], fd, firstIndex >> TbBlockBits, data, tablebases.decodeWork) ==
           TbDecodeOk;
  }
  const long long got = TbReadAt(fd, data, TbBlockSize, firstIndex);
  if (got < 0) return false;
  std::memset(data + got, 127, TbBlockSize - size_t(got));  // past the end: unknown
  return true;
}

}  // namespace

void TbCloseFiles() {
  for (TbClassRecord& record : tablebases.records) {
    for (int side = 0; side < 2; ++side) {
      if (record.file[side] >= 0) close(record.file[side]);
      record.file[side] = -1;
    }
  }
}

int TbLookupClass(const int* counts) {
  int men = 0;
  for (int i = 0; i < 10; ++i) {
    if (counts[i] < 0 || counts[i] > 3) return 0;
    men += counts[i];
  }
  if (men > 3 || !tablebases.lookup) return 0;
  return tablebases.lookup[lookupKey(counts)];
}

bool TbRegister(const char* directory, int id, int side) {
  TbClassRecord& record = tablebases.records[id];
  if (!record.fileName[side].empty()) return false;
  const TbClassInfo& info = tablebases.classTable[id];
  const std::string dir = directory ? directory : "";
  const std::string stem = (dir.empty() ? "" : dir + "/") + info.name;
  const char* suffix = side ? "nbb" : "nbw";

  std::string name = stem + "." + suffix;
  bool compressed = false;
  int fd = openForReading(name.c_str());
  if (fd < 0) {
    name += ".emd";
    compressed = true;
    fd = openForReading(name.c_str());
  }
  if (fd < 0) {
    name = stem + suffix + ".emd";
    fd = openForReading(name.c_str());
  }
  if (fd < 0) return false;

  uint64_t length = 0;
  TbCompressedLayout* layout = nullptr;
  if (!compressed) {
    const off_t end = lseek(fd, 0, SEEK_END);
    if (end < 0) fail("*** Seek in " + name + " failed");
    length = uint64_t(end);
  } else {
    layout = new (std::nothrow) TbCompressedLayout();
    TbDecodeResult r = layout ? ReadCompressedHeader(fd, *layout) : TbDecodeOutOfMemory;
    if (r != TbDecodeOk) {
      const std::string why = r == TbDecodeReadError     ? "read error"
                              : r == TbDecodeOutOfMemory ? "out of memory"
                              : r == TbDecodeBrokenHeader ? "file broken"
                                                          : "error " + std::to_string(int(r));
      fail("*** Unable to read " + name + " - " + why);
    }
    if (layout->blockSize != TbBlockSize)
      fail("*** " + name + ": Unsupported block size " + std::to_string(layout->blockSize));
    length = layout->length;
  }
  if (info.length[side] != 0 && length != info.length[side]) fail("*** " + name + " corrupted");
  if (length > UINT32_MAX) fail("*** " + name + " corrupted");
  close(fd);

  int counts[10];
  if (!countsOfName(info.name, counts)) fail("*** Unable to register " + name);
  int exchanged[10];
  for (int i = 0; i < 5; ++i) {
    exchanged[i] = counts[i + 5];
    exchanged[i + 5] = counts[i];
  }
  // The exchanged form first, so a class that is its own exchange (kqkq) is
  // probed as stored.
  tablebases.lookup[lookupKey(exchanged)] = int8_t(-id);
  tablebases.lookup[lookupKey(counts)] = int8_t(id);

  record.fileName[side] = name;
  record.length[side] = uint32_t(length);
  record.layout[side] = layout;
  record.hasBuckets[side] = true;
  for (int32_t& head : record.buckets[side]) head = -1;
  return true;
}

int TbInit(const char* pathList) {
  TbCloseFiles();
  TbInitIndexing();
  if (!tablebases.lookup) {
    tablebases.lookup = new (std::nothrow) int8_t[TbLookupSize];
    if (!tablebases.lookup) fatalError("malloc: ran out of memory");
  }
  std::memset(tablebases.lookup, 0, TbLookupSize);
  freeRegistration();
  // The cache may hold blocks of files that are no longer registered.
  TbCacheInit(tablebases.cache.buffer, size_t(tablebases.cache.count) * TbEntryBytes);

  const std::string list = pathList ? pathList : "";
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find_first_of(",;", start);
    if (end == std::string::npos) end = list.size();
    const std::string directory = list.substr(start, end - start);
    if (!directory.empty())  // an empty element names no directory
      for (int id = 1; id <= TbClassCount; ++id)
        for (int side = 0; side < 2; ++side) TbRegister(directory.c_str(), id, side);
    start = end + 1;
  }

  int highest = 0;
  bool anyCompressed = false;
  for (int id = 1; id <= TbClassCount; ++id)
    for (int side = 0; side < 2; ++side)
      if (!tablebases.records[id].fileName[side].empty()) {
        highest = id;
        anyCompressed |= tablebases.records[id].layout[side] != nullptr;
      }
  if (anyCompressed && !tablebases.decodeWork) {
    tablebases.decodeWork = static_cast<unsigned char*>(std::malloc(TbDecodeWorkSize));
    if (!tablebases.decodeWork)
      fail("*** Cannot allocate decode block: error code " + std::to_string(TbDecodeOutOfMemory));
  }
  return highest >= 36 ? 5 : highest >= 6 ? 4 : highest >= 1 ? 3 : 0;
}

void TbCacheInit(void* buffer, size_t bytes) {
  TbCloseFiles();
  TbCache& cache = tablebases.cache;
  cache = TbCache();
  for (TbClassRecord& record : tablebases.records)
    for (auto& heads : record.buckets)
      for (int32_t& head : heads) head = -1;
  size_t count = bytes < 32 || !buffer ? 0 : bytes / TbEntryBytes;
  if (count > UINT32_MAX / TbEntryBytes) count = UINT32_MAX / TbEntryBytes;  // data offsets are 32-bit
  if (count == 0) return;
  cache.buffer = static_cast<unsigned char*>(buffer);
  cache.entries = static_cast<TbCacheEntry*>(buffer);
  cache.count = int32_t(count);
  for (int32_t e = cache.count - 1; e >= 0; --e) {
    TbCacheEntry& x = cache.entries[e];
    x = TbCacheEntry();
    x.dataOffset = uint32_t(size_t(cache.count) * 32 + size_t(e) * TbDataStride);
    pushFree(e);
  }
}

int TbReadByte(int id, int side, uint32_t index) {
  TbCache& cache = tablebases.cache;
  TbClassRecord& record = tablebases.records[id];
  if (cache.count == 0 || !record.hasBuckets[side] || index >= record.length[side]) return 127;
  const uint32_t first = index & ~(TbBlockSize - 1);
  for (int32_t e = record.buckets[side][(index >> TbBlockBits) & (TbBucketCount - 1)]; e >= 0;
       e = entry(e).bucketNext) {
    TbCacheEntry& x = entry(e);
    if (x.classId == id && x.side == side && x.firstIndex == first) {
      unlinkLru(e);
      linkLruFront(e);
      unlinkBucket(e);
      linkBucketFront(e);
      return cache.buffer[x.dataOffset + (index - first)];
    }
  }

  int32_t e = cache.freeHead;
  if (e >= 0) {
    cache.freeHead = entry(e).lruNext;
  } else {
    e = cache.lruTail;
    unlinkLru(e);
    unlinkBucket(e);
  }
  TbCacheEntry& x = entry(e);
  x.classId = int16_t(id);
  x.side = int16_t(side);
  x.firstIndex = first;
  if (record.fileName[side].empty()) {
    pushFree(e);
    return 127;
  }
  if (record.file[side] < 0) {
    record.file[side] = openForReading(record.fileName[side].c_str());
    if (record.file[side] < 0) {
      // Perhaps too many files are open: close them all and try once more.
      TbCloseFiles();
      record.file[side] = openForReading(record.fileName[side].c_str());
    }
    if (record.file[side] < 0) {
      dropFile(record, side);
      pushFree(e);
      return 127;
    }
  }
  unsigned char* data = cache.buffer + x.dataOffset;
  if (!fillBlock(record, side, first, data)) {
    dropFile(record, side);
    pushFree(e);
    return 127;
  }
  linkLruFront(e);
  linkBucketFront(e);
  return data[index - first];
}

int TbReadValue(int id, int side, uint32_t index) {
  static const uint32_t kppkpFixed[] = {56802428, 56811076, 56849992, 56858640, 59592489, 67775659, 71071628};
  if (id == 36 && side == 1)
    for (uint32_t fixed : kppkpFixed)
      if (index == fixed) return -32639;
  const int b = int(int8_t(uint8_t(TbReadByte(id, side, index))));
  if (b == 0) return 0;
  if (b == 127) return 32767;
  if (b == -127) return -32640;
  if (b == -128) return 32640;
  return b > 0 ? b + 32640 : b - 32640;
}

}  // namespace tarrock
