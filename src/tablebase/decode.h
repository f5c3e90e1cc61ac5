// Compressed tablebase files: the header with its block index and checksum,
// and the decoding of one block. Every block holds 8192 bytes of the plain
// file (the last one fewer), Huffman coded over an alphabet of 256 literals and
// 768 copy symbols whose back-references use 24 distances fixed per file. The
// header is read and checked once, at registration; a block is decoded into
// the cache on demand, without allocating, and every read is bounded by the
// block's own bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tarrock {

// Failure codes of the reader and decoder; 0 is success.
enum TbDecodeResult : int {
  TbDecodeOk = 0,
  TbDecodeReadError = 1,     // a short read or failed seek
  TbDecodeOutOfMemory = 2,
  TbDecodeBrokenHeader = 3,  // header fields out of range, blocks past the file's end
  TbDecodeBadChecksum = 4,
  TbDecodeIncompleteCode = 5,
  TbDecodeOverfullCode = 6,
  TbDecodeLongRun = 7,       // a run of code lengths passes the symbol count
  TbDecodeBadBlockNumber = 8,
  TbDecodeBadBlock = 9,      // a block that decodes to the wrong length or reads past its bytes
};

constexpr int TbDistanceCount = 24;
constexpr int TbSymbolCount = 1024;
constexpr size_t TbDecodeWorkSize = 8192 + 32;  // holds a compressed block of an 8 KB file

// A canonical Huffman code with a first-level table of rootBits bits; longer
// codes are found by comparing with the first code of each length.
struct TbHuffmanCode {
  int rootBits = 8;
  int maxLength = 0;
  int single = -1;     // the symbol of a one-symbol code (no bits consumed)
  bool empty = true;   // every length 0: decodes nothing
  std::vector<uint32_t> table;    // symbol << 8 | length, or LongCode
  std::vector<uint16_t> symbols;  // by length, then symbol
  uint32_t firstCode[32] = {};
  uint32_t firstSymbol[32] = {};
  uint32_t countOf[32] = {};
};

// A compressed file's block index and code, read from its header.
struct TbCompressedLayout {
  uint32_t blockBits = 0;
  uint32_t blockSize = 0;
  uint32_t blockCount = 0;
  uint32_t lastBlockSize = 0;
  uint64_t length = 0;                // bytes of the plain file
  std::vector<uint64_t> offsets;      // blockCount + 1 file offsets
  uint32_t distances[TbDistanceCount] = {};
  uint32_t largestBlock = 0;          // compressed size of the largest block
  TbHuffmanCode code;
};

// The table checksum of the header (initial value 0, no final inversion).
uint32_t TbChecksum(const unsigned char* data, size_t size);

// Builds a canonical code from symbol lengths (0: symbol not used).
TbDecodeResult BuildHuffmanCode(const uint8_t* lengths, int n, int rootBits, TbHuffmanCode& code);

// Reads count bytes at offset of the open file descriptor fd; returns the
// bytes read (fewer at the end of the file) or -1 on a read error. Reads by
// position, so it needs no seek and allocates nothing.
long long TbReadAt(int fd, void* buffer, size_t count, uint64_t offset);

// Reads and checks the header of a file open for reading; on success layout
// holds the block index and code. The first 64 bytes (the format's signature)
// are not compared.
TbDecodeResult ReadCompressedHeader(int fd, TbCompressedLayout& layout);

// Decodes block number block into out (room for blockSize bytes), reading the
// compressed bytes into work (TbDecodeWorkSize bytes).
TbDecodeResult DecodeBlock(const TbCompressedLayout& layout, int fd, uint32_t block, unsigned char* out,
                           unsigned char* work);

}  // namespace tarrock
