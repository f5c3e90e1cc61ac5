// The tablebase file readers: any bytes as a compressed file have their
// header read and every block decoded, twice for the first block to see the
// decoder repeat itself. Then the same bytes are registered as a class's
// files, plain for White to move and compressed for Black (each alone in its
// directory), and read through the block cache: a plain file must read back
// its own bytes, a compressed one the bytes its blocks decoded to, anything
// unreadable "unknown" (127).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "tablebase/classes.h"
#include "tablebase/decode.h"
#include "tablebase/files.h"
#include "tablebase/state.h"

using namespace tarrock;

namespace {

constexpr size_t MaxInput = 1 << 20;
constexpr uint32_t MaxBlocks = 4096;
constexpr int ClassId = 1;  // "kpk": the fuzz bytes stand for its files
constexpr size_t CacheEntries = 3;

struct Decoded {
  TbDecodeResult header = TbDecodeReadError;
  TbCompressedLayout layout;
  std::vector<TbDecodeResult> results;  // per block
  std::vector<unsigned char> plain;     // blockSize bytes per block
};

void decodeFile(const char* path, Decoded& d) {
  const int fd = open(path, O_RDONLY);
  if (fd < 0) fuzz::fail("cannot open %s", path);
  d.header = ReadCompressedHeader(fd, d.layout);
  if (d.header == TbDecodeOk) {
    const TbCompressedLayout& l = d.layout;
    struct stat info;
    fstat(fd, &info);
    if (l.offsets.size() != size_t(l.blockCount) + 1) fuzz::fail("%zu offsets for %u blocks", l.offsets.size(), l.blockCount);
    for (uint32_t i = 0; i < l.blockCount; ++i)
      if (l.offsets[i] > l.offsets[i + 1]) fuzz::fail("block %u ends before it starts", i);
    if (l.blockCount && l.offsets[l.blockCount] > uint64_t(info.st_size)) fuzz::fail("blocks run past the file's end");
    if (l.lastBlockSize > l.blockSize) fuzz::fail("the last block is larger than a block");
    const uint32_t blocks = l.blockCount < MaxBlocks ? l.blockCount : MaxBlocks;
    std::vector<unsigned char> work(TbDecodeWorkSize), again(l.blockSize);
    d.plain.assign(size_t(blocks) * l.blockSize, 0);
    for (uint32_t i = 0; i < blocks; ++i)
      d.results.push_back(DecodeBlock(l, fd, i, d.plain.data() + size_t(i) * l.blockSize, work.data()));
    if (blocks > 0 && DecodeBlock(l, fd, 0, again.data(), work.data()) != d.results[0])
      fuzz::fail("block 0 decodes differently the second time");
    if (blocks > 0 && d.results[0] == TbDecodeOk) {
      const size_t n = l.blockCount == 1 ? l.lastBlockSize : l.blockSize;
      if (std::memcmp(again.data(), d.plain.data(), n) != 0) fuzz::fail("block 0 decodes to other bytes");
    }
    if (DecodeBlock(l, fd, l.blockCount, again.data(), work.data()) == TbDecodeOk)
      fuzz::fail("a block past the last one decoded");
  }
  close(fd);
}

void writeFile(const std::string& path, const std::string& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f || (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size())) fuzz::fail("cannot write %s", path.c_str());
  std::fclose(f);
}

struct Probe {
  std::string dir;
  const std::string* bytes;
  const Decoded* decoded;
};

// The indices read: the ends of the first blocks and of the file, and past it.
std::vector<uint32_t> indicesOf(uint64_t length) {
  std::vector<uint32_t> at = {0, 1, TbBlockSize - 1, TbBlockSize, TbBlockSize + 7, 3 * TbBlockSize + 100};
  for (uint64_t back = 0; back < 3; ++back)
    if (length > back) at.push_back(uint32_t(length - 1 - back));
  at.push_back(uint32_t(length));
  at.push_back(UINT32_MAX);
  return at;
}

// Plain, White to move: the file's own bytes, 127 past its end.
void readPlain(void* arg) {
  const Probe& p = *static_cast<Probe*>(arg);
  TbInit(p.dir.c_str());
  const std::string& bytes = *p.bytes;
  if (tablebases.records[ClassId].fileName[0].empty()) fuzz::fail("a plain file was not registered");
  for (uint32_t index : indicesOf(bytes.size())) {
    const int expected = index < bytes.size() ? (unsigned char)bytes[index] : 127;
    const int got = TbReadByte(ClassId, 0, index);
    if (got != expected) fuzz::fail("plain byte %u read as %d, not %d", index, got, expected);
  }
}

// Compressed, Black to move: registered only with a sound header (else the
// engine ends), then each byte is what its block decoded to; the first broken
// block drops the file, and every later read is unknown.
void readCompressed(void* arg) {
  const Probe& p = *static_cast<Probe*>(arg);
  TbInit(p.dir.c_str());
  const Decoded& d = *p.decoded;
  if (tablebases.records[ClassId].fileName[1].empty()) fuzz::fail("a compressed file was not registered");
  if (d.header != TbDecodeOk) fuzz::fail("a file whose header does not read was registered");
  const TbCompressedLayout& l = d.layout;
  bool dropped = false;
  for (uint32_t index : indicesOf(l.length)) {
    const int got = TbReadByte(ClassId, 1, index);
    const uint32_t block = index / l.blockSize;
    if (index >= l.length || dropped) {
      if (got != 127) fuzz::fail("byte %u read as %d, not unknown", index, got);
      continue;
    }
    if (block >= d.results.size()) continue;  // past the blocks decoded here
    if (d.results[block] != TbDecodeOk) {
      if (got != 127) fuzz::fail("a byte of a broken block read as %d", got);
      dropped = true;
    } else if (got != d.plain[index]) {
      fuzz::fail("compressed byte %u read as %d, not %d", index, got, d.plain[index]);
    }
  }
}

void writeOnly(const std::string& dir, const std::string& file, const std::string& bytes) {
  mkdir(dir.c_str(), 0700);
  writeFile(dir + "/" + file, bytes);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::startEngine();
  fuzz::resetSession();
  const std::string bytes(reinterpret_cast<const char*>(data), size < MaxInput ? size : MaxInput);
  Decoded decoded;
  decodeFile(fuzz::writeScratchFile(bytes), decoded);

  // Any length is accepted for the class, so the fuzz bytes are judged on
  // their content alone.
  static TbClassInfo table[TbClassCount + 1];
  std::memcpy(table, tbClassInfo, sizeof table);
  table[ClassId].length[0] = table[ClassId].length[1] = 0;
  static std::vector<unsigned char> cache(CacheEntries * TbEntryBytes);
  const std::string stem = table[ClassId].name;
  Probe plain{fuzz::scratchPath("plain"), &bytes, &decoded};
  Probe packed{fuzz::scratchPath("packed"), &bytes, &decoded};
  writeOnly(plain.dir, stem + ".nbw", bytes);
  writeOnly(packed.dir, stem + ".nbb.emd", bytes);

  tablebases.classTable = table;
  TbCacheInit(cache.data(), cache.size());
  if (fuzz::runGuarded(readPlain, &plain) >= 0) fuzz::fail("registering a plain file ended the engine");
  TbCacheInit(cache.data(), cache.size());
  // Registration refuses (and ends the engine on) a header that does not
  // read or a block size other than 8 KB; the header was read above, so only
  // files it accepts are registered here, and any end is a finding.
  if (decoded.header == TbDecodeOk && decoded.layout.blockSize == TbBlockSize) {
    const int exited = fuzz::runGuarded(readCompressed, &packed);
    if (exited >= 0) fuzz::fail("registering a sound compressed file ended the engine");
  }
  TbInit("");
  TbCacheInit(nullptr, 0);
  tablebases.classTable = tbClassInfo;
  return 0;
}
