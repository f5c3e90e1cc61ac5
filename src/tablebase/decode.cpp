#include "tablebase/decode.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

namespace tarrock {

namespace {

constexpr uint32_t LongCode = 0xFFFFFFFFu;
constexpr uint32_t HeaderMagic = 0x004001F5u;
constexpr int MaxCodeLength = 31;

uint32_t bigEndian32(const unsigned char* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

// Reads bits most significant first from a bounded byte range. Past the end it
// sees zero bits and remembers that it ran over.
class BitReader {
 public:
  BitReader(const unsigned char* data, size_t size) : next_(data), end_(data + size), total_(uint64_t(size) * 8) {}

  uint32_t peek(int n) {
    if (have_ < n) refill();
    return n ? uint32_t(window_ >> (64 - n)) : 0;
  }
  void skip(int n) {
    if (have_ < n) refill();
    window_ <<= n;
    have_ -= n;
    used_ += uint64_t(n);
  }
  uint32_t read(int n) {
    uint32_t v = peek(n);
    skip(n);
    return v;
  }
  bool overrun() const { return used_ > total_; }

 private:
  void refill() {
    while (have_ <= 56) {
      uint64_t byte = next_ < end_ ? *next_++ : 0;
      window_ |= byte << (56 - have_);
      have_ += 8;
    }
  }
  const unsigned char* next_;
  const unsigned char* end_;
  uint64_t total_;
  uint64_t window_ = 0;
  int have_ = 0;
  uint64_t used_ = 0;
};

// The next symbol of code, or -1 when no code matches.
int decodeSymbol(const TbHuffmanCode& code, BitReader& in) {
  if (code.single >= 0) return code.single;
  if (code.empty) return -1;
  uint32_t entry = code.table[in.peek(code.rootBits)];
  if (entry != LongCode) {
    in.skip(int(entry & 0xFF));
    return int(entry >> 8);
  }
  for (int len = code.rootBits + 1; len <= code.maxLength; ++len) {
    uint32_t offset = in.peek(len) - code.firstCode[len];
    if (offset < code.countOf[len]) {
      in.skip(len);
      return code.symbols[code.firstSymbol[len] + offset];
    }
  }
  return -1;
}

// The lengths of n symbols from their description (n = 1024 for the block
// code, 128 for the two auxiliary codes that describe it).
TbDecodeResult readCodeLengths(BitReader& in, int n, uint8_t* lengths) {
  if (in.read(1)) {
    std::memset(lengths, 0, size_t(n));
    return TbDecodeOk;
  }
  if (n <= 128) {
    int width = int(in.read(5));
    for (int i = 0; i < n;) {
      uint32_t len = in.read(width);
      if (len > MaxCodeLength) return TbDecodeBrokenHeader;
      lengths[i++] = uint8_t(len);
      if (len == 0) {
        uint32_t zeros = in.read(4);
        if (zeros > uint32_t(n - i)) return TbDecodeLongRun;
        std::memset(lengths + i, 0, zeros);
        i += int(zeros);
      }
      if (in.overrun()) return TbDecodeBrokenHeader;
    }
    return TbDecodeOk;
  }
  uint8_t aux[128];
  TbDecodeResult r = readCodeLengths(in, 128, aux);
  if (r != TbDecodeOk) return r;
  TbHuffmanCode first, second;
  if ((r = BuildHuffmanCode(aux, 64, 8, first)) != TbDecodeOk) return r;
  if ((r = BuildHuffmanCode(aux + 64, 64, 8, second)) != TbDecodeOk) return r;
  for (int i = 0; i < n;) {
    int a = decodeSymbol(first, in);
    if (a < 0) return TbDecodeBrokenHeader;
    if (a < 32) {
      lengths[i++] = uint8_t(a);
    } else {
      int b = decodeSymbol(second, in);
      if (b < 0) return TbDecodeBrokenHeader;
      uint64_t count = uint64_t(b);
      if (b >= 32) {
        int k = b - 32;
        count = 31 + (uint64_t(1) << k) + in.read(k);
      }
      count += 2;
      if (count > uint64_t(n - i)) return TbDecodeLongRun;
      std::memset(lengths + i, a - 32, size_t(count));
      i += int(count);
    }
    if (in.overrun()) return TbDecodeBrokenHeader;
  }
  return TbDecodeOk;
}

}  // namespace

uint32_t TbChecksum(const unsigned char* data, size_t size) {
  static const struct Table {
    uint32_t entry[256];
    Table() {
      for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int round = 0; round < 8; ++round) c = (c & 1) ? c >> 1 : (c >> 1) ^ 0xEDB88320u;
        entry[i] = c;
      }
    }
  } table;
  uint32_t crc = 0;
  for (size_t i = 0; i < size; ++i) crc = table.entry[(crc ^ data[i]) & 255] ^ (crc >> 8);
  return crc;
}

TbDecodeResult BuildHuffmanCode(const uint8_t* lengths, int n, int rootBits, TbHuffmanCode& code) {
  code = TbHuffmanCode();
  code.rootBits = rootBits;
  uint32_t count[MaxCodeLength + 1] = {};
  int used = 0, last = -1;
  for (int s = 0; s < n; ++s) {
    if (lengths[s] > MaxCodeLength) return TbDecodeOverfullCode;
    if (lengths[s]) {
      count[lengths[s]]++;
      used++;
      last = s;
    }
  }
  if (used == 0) return TbDecodeOk;
  code.empty = false;
  if (used == 1) {
    if (lengths[last] != 1) return TbDecodeIncompleteCode;
    code.single = last;
    return TbDecodeOk;
  }
  uint64_t kraft = 0;
  for (int len = 1; len <= MaxCodeLength; ++len) kraft += uint64_t(count[len]) << (MaxCodeLength - len);
  if (kraft < (uint64_t(1) << MaxCodeLength)) return TbDecodeIncompleteCode;
  if (kraft > (uint64_t(1) << MaxCodeLength)) return TbDecodeOverfullCode;

  // Canonical numbering: by length, then by symbol.
  uint32_t next = 0, position = 0;
  for (int len = 1; len <= MaxCodeLength; ++len) {
    next = (next + (len > 1 ? count[len - 1] : 0)) << (len > 1 ? 1 : 0);
    code.firstCode[len] = next;
    code.firstSymbol[len] = position;
    code.countOf[len] = count[len];
    position += count[len];
    if (count[len]) code.maxLength = len;
  }
  code.symbols.assign(position, 0);
  uint32_t fill[MaxCodeLength + 1];
  std::memcpy(fill, code.firstSymbol, sizeof fill);
  for (int s = 0; s < n; ++s)
    if (lengths[s]) code.symbols[fill[lengths[s]]++] = uint16_t(s);

  code.table.assign(size_t(1) << rootBits, LongCode);
  for (int len = 1; len <= rootBits && len <= code.maxLength; ++len) {
    for (uint32_t j = 0; j < count[len]; ++j) {
      uint32_t symbol = code.symbols[code.firstSymbol[len] + j];
      uint32_t start = (code.firstCode[len] + j) << (rootBits - len);
      for (uint32_t k = 0; k < (1u << (rootBits - len)); ++k) code.table[start + k] = symbol << 8 | uint32_t(len);
    }
  }
  return TbDecodeOk;
}

long long TbReadAt(int fd, void* buffer, size_t count, uint64_t offset) {
  size_t done = 0;
  while (done < count) {
    ssize_t n = pread(fd, static_cast<char*>(buffer) + done, count - done, off_t(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) break;
    done += size_t(n);
  }
  return (long long)done;
}

TbDecodeResult ReadCompressedHeader(int fd, TbCompressedLayout& layout) try {
  struct stat info;
  if (fstat(fd, &info) != 0) return TbDecodeReadError;
  const uint64_t fileSize = uint64_t(info.st_size);

  unsigned char fixed[80];
  if (TbReadAt(fd, fixed, 80, 0) != 80) return TbDecodeReadError;
  const uint32_t headerLength = bigEndian32(fixed + 64);
  const uint32_t blockBits = fixed[70];
  const uint32_t blockCount = bigEndian32(fixed + 72);
  if (headerLength < 84 || blockBits > 16 || fixed[71] != TbDistanceCount ||
      bigEndian32(fixed + 76) != HeaderMagic || blockCount == 0 || headerLength > fileSize)
    return TbDecodeBrokenHeader;
  const uint64_t sizesAt = 80 + 8 * uint64_t(blockCount);
  const uint64_t lengthsAt = sizesAt + ((uint64_t(blockCount) + 25) * blockBits + 7) / 8;
  if (lengthsAt >= uint64_t(headerLength) - 4) return TbDecodeBrokenHeader;

  std::vector<unsigned char> header(headerLength);
  std::memcpy(header.data(), fixed, 80);
  if (TbReadAt(fd, header.data() + 80, headerLength - 80, 80) != (long long)(headerLength - 80))
    return TbDecodeReadError;
  if (TbChecksum(header.data(), headerLength - 4) != bigEndian32(header.data() + headerLength - 4))
    return TbDecodeBadChecksum;

  layout = TbCompressedLayout();
  layout.blockBits = blockBits;
  layout.blockSize = 1u << blockBits;
  layout.blockCount = blockCount;
  BitReader sizes(header.data() + sizesAt, size_t(lengthsAt - sizesAt));
  layout.offsets.resize(size_t(blockCount) + 1);
  layout.offsets[0] = headerLength;
  for (uint32_t i = 0; i < blockCount; ++i) {
    uint32_t size = sizes.read(int(blockBits));
    if (size == 0) size = layout.blockSize;
    if (size > layout.largestBlock) layout.largestBlock = size;
    layout.offsets[i + 1] = layout.offsets[i] + size;
  }
  layout.lastBlockSize = sizes.read(int(blockBits));
  if (layout.lastBlockSize == 0) layout.lastBlockSize = layout.blockSize;
  for (int k = 0; k < TbDistanceCount; ++k) layout.distances[k] = sizes.read(int(blockBits));
  if (layout.offsets[blockCount] > fileSize) return TbDecodeBrokenHeader;
  layout.length = uint64_t(layout.blockSize) * (blockCount - 1) + layout.lastBlockSize;

  BitReader description(header.data() + lengthsAt, size_t(headerLength - 4 - lengthsAt));
  uint8_t lengths[TbSymbolCount];
  TbDecodeResult r = readCodeLengths(description, TbSymbolCount, lengths);
  if (r != TbDecodeOk) return r;
  return BuildHuffmanCode(lengths, TbSymbolCount, 13, layout.code);
} catch (const std::bad_alloc&) {
  return TbDecodeOutOfMemory;
}

TbDecodeResult DecodeBlock(const TbCompressedLayout& layout, int fd, uint32_t block, unsigned char* out,
                           unsigned char* work) {
  if (block >= layout.blockCount) return TbDecodeBadBlockNumber;
  const uint64_t stored = layout.offsets[block + 1] - layout.offsets[block];
  const uint32_t size = block + 1 == layout.blockCount ? layout.lastBlockSize : layout.blockSize;
  if (stored > TbDecodeWorkSize) return TbDecodeBadBlock;
  if (TbReadAt(fd, work, size_t(stored), layout.offsets[block]) != (long long)stored) return TbDecodeReadError;
  if (stored == size) {
    std::memcpy(out, work, size);
    return TbDecodeOk;
  }
  BitReader in(work, size_t(stored));
  uint32_t done = 0;
  while (done < size) {
    int symbol = decodeSymbol(layout.code, in);
    if (symbol < 0 || in.overrun()) return TbDecodeBadBlock;
    if (symbol < 256) {
      out[done++] = uint8_t(symbol);
      continue;
    }
    const uint32_t distance = layout.distances[(symbol - 256) >> 5];
    const uint32_t m = uint32_t(symbol & 31);
    uint32_t length = m + 1;
    if (m >= 15) {
      int extra = int(m) - 14;
      length = 14 + (1u << extra) + in.read(extra);
    }
    if (in.overrun() || distance == 0 || distance > done || length > size - done) return TbDecodeBadBlock;
    unsigned char* to = out + done;
    if (distance >= length) {
      std::memcpy(to, to - distance, length);
    } else {
      // Overlapping: the first period, then the periods written so far again.
      std::memcpy(to, to - distance, distance);
      for (uint32_t copied = distance; copied < length;) {
        const uint32_t n = copied < length - copied ? copied : length - copied;
        std::memcpy(to + copied, to, n);
        copied += n;
      }
    }
    done += length;
  }
  return TbDecodeOk;
}

}  // namespace tarrock
