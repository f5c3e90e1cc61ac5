#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "tablebase/decode.h"
#include "tablebase_test_util.h"
#include "test_support.h"

using namespace tarrock;
using namespace tarrock::testutil;

namespace {

const std::vector<uint32_t> someDistances = {1, 2, 3, 4, 8, 16, 47, 61, 64, 128, 1024, 4096};

// Bytes that look like a tablebase: long runs of a few values with some noise.
std::string tablebaseLike(size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string data;
  while (data.size() < size) {
    const char value = char("\x00\x81\x7f\x05\xfe"[random() % 5]);
    data.append(std::min<size_t>(size - data.size(), 1 + random() % 200), value);
    if (random() % 4 == 0 && data.size() < size) data += char(random());
  }
  return data;
}

// A file holding bytes, open for reading; closed and removed with the object.
struct TempFile {
  explicit TempFile(const std::string& bytes) {
    file = std::tmpfile();
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fflush(file);
    fd = fileno(file);
  }
  ~TempFile() { std::fclose(file); }
  FILE* file;
  int fd;
};

// Reads the header of bytes and decodes every block; the plain bytes, or the
// first failure.
TbDecodeResult decodeAll(const std::string& bytes, std::string& plain) {
  TempFile f(bytes);
  TbCompressedLayout layout;
  TbDecodeResult r = ReadCompressedHeader(f.fd, layout);
  if (r != TbDecodeOk) return r;
  std::vector<unsigned char> out(layout.blockSize), work(TbDecodeWorkSize);
  plain.clear();
  for (uint32_t i = 0; i < layout.blockCount; ++i) {
    if ((r = DecodeBlock(layout, f.fd, i, out.data(), work.data())) != TbDecodeOk) return r;
    plain.append(reinterpret_cast<const char*>(out.data()),
                 i + 1 == layout.blockCount ? layout.lastBlockSize : layout.blockSize);
  }
  return TbDecodeOk;
}

Token literal(int byte) { return Token{byte}; }
Token copy(int slot, uint32_t length) { return Token{-1, slot, length}; }

}  // namespace

TEST(TablebaseDecode, ChecksumTableShiftsInThePolynomialOnAZeroBit) {
  // The checksum of one byte i is the table entry of i: eight rounds that
  // XOR the polynomial after shifting out a 0 bit (the usual table does so
  // after a 1 bit).
  for (unsigned byte : {0u, 1u, 0x80u, 0xFFu}) {
    uint32_t c = byte;
    for (int i = 0; i < 8; ++i) c = (c & 1) ? c >> 1 : (c >> 1) ^ 0xEDB88320u;
    const unsigned char b = (unsigned char)byte;
    EXPECT_EQ(TbChecksum(&b, 1), c) << byte;
  }
  const unsigned char text[] = {'k', 'q', 'k'};
  EXPECT_EQ(TbChecksum(text, 0), 0u);
  EXPECT_NE(TbChecksum(text, 3), TbChecksum(text + 1, 2));
}

TEST(TablebaseDecode, FilesRoundTripThroughTheEncoder) {
  struct Case {
    const char* what;
    std::string data;
  } cases[] = {
      {"runs and noise, a short last block", tablebaseLike(3 * 8192 + 1000, 1)},
      {"one full block", tablebaseLike(8192, 2)},
      {"a single short block", tablebaseLike(77, 3)},
      {"one repeated byte (a one-symbol code)", std::string(2 * 8192 + 5, '\x81')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EncodedFile file = encodeTablebase(c.data, someDistances);
    std::string plain;
    ASSERT_EQ(decodeAll(file.bytes, plain), TbDecodeOk);
    EXPECT_EQ(plain, c.data);
    EXPECT_LT(file.bytes.size(), c.data.size() / 2 + 400);
  }
}

TEST(TablebaseDecode, HeaderGivesTheBlockIndexAndLength) {
  const std::string data = tablebaseLike(2 * 8192 + 300, 4);
  EncodedFile file = encodeTablebase(data, someDistances);
  TempFile f(file.bytes);
  TbCompressedLayout layout;
  ASSERT_EQ(ReadCompressedHeader(f.fd, layout), TbDecodeOk);
  EXPECT_EQ(layout.blockSize, 8192u);
  EXPECT_EQ(layout.blockCount, 3u);
  EXPECT_EQ(layout.lastBlockSize, 300u);
  EXPECT_EQ(layout.length, data.size());
  EXPECT_EQ(layout.offsets[0], file.headerLength);
  EXPECT_EQ(layout.offsets[3], file.bytes.size());
  for (size_t k = 0; k < someDistances.size(); ++k) EXPECT_EQ(layout.distances[k], someDistances[k]);
}

TEST(TablebaseDecode, IncompressibleBlockIsStoredAndCopied) {
  // Every byte value equally often and no byte like the one before it: eight
  // bits a byte at best.
  std::string data(8192 + 100, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = char(i * 167);
  EncodedFile file = encodeTablebase(data, {1});
  TempFile f(file.bytes);
  TbCompressedLayout layout;
  ASSERT_EQ(ReadCompressedHeader(f.fd, layout), TbDecodeOk);
  EXPECT_EQ(layout.offsets[1] - layout.offsets[0], 8192u);  // stored as it is
  std::string plain;
  ASSERT_EQ(decodeAll(file.bytes, plain), TbDecodeOk);
  EXPECT_EQ(plain, data);
}

TEST(TablebaseDecode, CopiesRepeatOverlappingBytesAndReadExtraLengthBits) {
  // Lengths 1..15 take no extra bit, 16 and 17 one (length code 15), 4000 eleven.
  struct Case {
    const char* what;
    std::vector<Token> tokens;
    std::string expected;
  } cases[] = {
      {"distance 1, length 20", {literal('a'), copy(0, 20)}, std::string(21, 'a')},
      {"distance 3, overlapping", {literal('x'), literal('y'), literal('z'), copy(2, 7)}, "xyzxyzxyzx"},
      {"length 16 and 17", {literal('b'), copy(0, 16), literal('c'), copy(0, 17)},
       std::string(17, 'b') + std::string(18, 'c')},
      {"length 15 without extra bits", {literal('d'), copy(0, 15)}, std::string(16, 'd')},
      {"a long copy", {literal('e'), literal('f'), copy(1, 4000)}, [] {
         std::string s;
         for (int i = 0; i < 2001; ++i) s += "ef";
         return s;
       }()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EncodedFile file = encodeTablebase(c.expected, {1, 2, 3}, 13, [&](uint32_t) { return c.tokens; });
    std::string plain;
    ASSERT_EQ(decodeAll(file.bytes, plain), TbDecodeOk);
    EXPECT_EQ(plain, c.expected);
  }
}

TEST(TablebaseDecode, BadBlocksAreRejectedWithoutReadingOutside) {
  struct Case {
    const char* what;
    std::vector<Token> tokens;
    size_t plainSize;
  } cases[] = {
      {"a copy from before the block's start", {literal('a'), copy(2, 4)}, 5},
      {"a copy that passes the block's end", {literal('a'), copy(0, 9)}, 6},
      {"length code 31 (17 extra bits) in an 8 KB block", {literal('a'), copy(0, 14 + 131072)}, 300},
      {"the block's bits run out", {literal('a'), literal('b')}, 300},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EncodedFile file = encodeTablebase(std::string(c.plainSize, 'a'), {1, 2, 3}, 13,
                                       [&](uint32_t) { return c.tokens; });
    std::string plain;
    EXPECT_EQ(decodeAll(file.bytes, plain), TbDecodeBadBlock);
  }
}

TEST(TablebaseDecode, MalformedHeadersAreRejected) {
  const std::string data = tablebaseLike(8192 + 500, 6);
  const EncodedFile good = encodeTablebase(data, someDistances);
  auto put32 = [](std::string& s, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) s[at + i] = char(v >> (24 - 8 * i));
  };
  struct Case {
    const char* what;
    std::function<void(std::string&)> change;
    bool reseal;
    TbDecodeResult expected;
  } cases[] = {
      {"shorter than the fixed fields", [](std::string& s) { s.resize(50); }, false, TbDecodeReadError},
      {"header length below 84", [&](std::string& s) { put32(s, 64, 83); }, false, TbDecodeBrokenHeader},
      {"header length past the end", [&](std::string& s) { put32(s, 64, 0xFFFFFFF0u); }, false,
       TbDecodeBrokenHeader},
      {"block-size exponent 17", [](std::string& s) { s[70] = 17; }, true, TbDecodeBrokenHeader},
      {"23 distances", [](std::string& s) { s[71] = 23; }, true, TbDecodeBrokenHeader},
      {"wrong fixed word", [&](std::string& s) { put32(s, 76, 0x004001F6u); }, true, TbDecodeBrokenHeader},
      {"no blocks", [&](std::string& s) { put32(s, 72, 0); }, true, TbDecodeBrokenHeader},
      {"a block index too large for the header", [&](std::string& s) { put32(s, 72, 0x10000000u); }, true,
       TbDecodeBrokenHeader},
      {"checksum mismatch", [&](std::string& s) { s[good.headerLength - 1] ^= 1; }, false, TbDecodeBadChecksum},
      {"a changed byte under the checksum", [&](std::string& s) { s[100] ^= 0x10; }, false,
       TbDecodeBadChecksum},
      {"truncated blocks", [](std::string& s) { s.resize(s.size() - 1); }, false, TbDecodeBrokenHeader},
      {"truncated inside the header", [&](std::string& s) { s.resize(good.headerLength - 2); }, false,
       TbDecodeBrokenHeader},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string bytes = good.bytes;
    c.change(bytes);
    if (c.reseal) resealHeader(bytes, good.headerLength);
    TempFile f(bytes);
    TbCompressedLayout layout;
    EXPECT_EQ(ReadCompressedHeader(f.fd, layout), c.expected);
  }
}

TEST(TablebaseDecode, ALengthRunPastTheLastSymbolIsRejected) {
  const std::string data = tablebaseLike(1000, 9);
  EncodedFile file = encodeTablebase(data, someDistances, 13, nullptr, 40);
  std::string plain;
  EXPECT_EQ(decodeAll(file.bytes, plain), TbDecodeLongRun);
  file = encodeTablebase(data, someDistances, 13, nullptr, 0);
  EXPECT_EQ(decodeAll(file.bytes, plain), TbDecodeOk);
}

TEST(TablebaseDecode, CodesMustBeCompleteAndNotOverfull) {
  struct Case {
    std::vector<uint8_t> lengths;
    TbDecodeResult expected;
  } cases[] = {
      {{0, 0, 0}, TbDecodeOk},           // decodes nothing
      {{0, 1, 0}, TbDecodeOk},           // one symbol, no bits
      {{0, 2, 0}, TbDecodeIncompleteCode},
      {{1, 2, 0}, TbDecodeIncompleteCode},
      {{1, 1, 1}, TbDecodeOverfullCode},
      {{1, 2, 2}, TbDecodeOk},
      {{1, 2, 3, 3}, TbDecodeOk},
      {{32, 1}, TbDecodeOverfullCode},
  };
  for (const Case& c : cases) {
    TbHuffmanCode code;
    EXPECT_EQ(BuildHuffmanCode(c.lengths.data(), int(c.lengths.size()), 8, code), c.expected)
        << int(c.lengths[0]) << int(c.lengths[1]);
  }
  // A complete code of 1024 symbols with lengths beyond the 13-bit table:
  // 1 x length 1, 1 x 2, ..., then the rest fill the deepest level.
  std::vector<uint8_t> lengths(1024, 0);
  for (int i = 0; i < 20; ++i) lengths[i] = uint8_t(i + 1);
  lengths[20] = 20;
  TbHuffmanCode code;
  EXPECT_EQ(BuildHuffmanCode(lengths.data(), 1024, 13, code), TbDecodeOk);
  EXPECT_EQ(code.maxLength, 20);
}

TEST(TablebaseDecode, DeepCodesDecodeThroughTheLongPath) {
  // Literal frequencies as powers of two give codes up to 17 bits long.
  std::string data;
  for (int i = 0; i < 13 && data.size() < 8192; ++i) data.append(size_t(1) << (12 - i), char('A' + i));
  data.append(8192 - data.size(), 'Z');
  std::vector<Token> tokens;
  for (char c : data) tokens.push_back(literal(uint8_t(c)));
  EncodedFile file = encodeTablebase(data, {1}, 13, [&](uint32_t) { return tokens; });
  std::string plain;
  ASSERT_EQ(decodeAll(file.bytes, plain), TbDecodeOk);
  EXPECT_EQ(plain, data);
}

TEST(TablebaseDecode, CorruptFilesNeverReadOutOfBounds) {
  const std::string data = tablebaseLike(3 * 8192 + 77, 7);
  const EncodedFile good = encodeTablebase(data, someDistances);
  std::mt19937 random(8);
  int accepted = 0;
  for (int round = 0; round < 1500; ++round) {
    std::string bytes = good.bytes;
    const int changes = 1 + int(random() % 4);
    const bool inHeader = round % 2 == 0;
    for (int i = 0; i < changes; ++i) {
      size_t at = inHeader ? 64 + random() % (good.headerLength - 64) : good.headerLength + random() % (bytes.size() - good.headerLength);
      bytes[at] = char(random());
    }
    if (inHeader) resealHeader(bytes, good.headerLength);
    if (round % 7 == 0) bytes.resize(random() % bytes.size());
    std::string plain;
    if (decodeAll(bytes, plain) == TbDecodeOk) {
      ++accepted;
      EXPECT_EQ(plain.size(), data.size());
    }
  }
  EXPECT_LT(accepted, 1500);
}
