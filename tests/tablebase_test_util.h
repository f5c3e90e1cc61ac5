// Test helpers of the tablebase tests: a class table whose index functions a
// test can follow by hand, and a small encoder that writes compressed files
// in the block layout the engine reads (header, block index, canonical code
// description, checksum, blocks).
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <queue>
#include <string>
#include <vector>

#include "tablebase/classes.h"
#include "tablebase/decode.h"

namespace tarrock::testutil {

// kqk: one byte per (white-role king, queen, black-role king), squares turned
// over (XOR 56) when the colours were exchanged. Other classes: one byte per
// pair of kings.
inline uint32_t rawKqkIndex(const int* w, const int* b, int, int invert) {
  const int f = invert ? 56 : 0;
  return uint32_t(((w[15] ^ f) * 64 + (w[12] ^ f)) * 64 + (b[15] ^ f));
}
inline uint32_t kingPairIndex(const int* w, const int* b, int, int invert) {
  const int f = invert ? 56 : 0;
  return uint32_t((w[15] ^ f) * 64 + (b[15] ^ f));
}
constexpr uint32_t RawKqkLength = 64 * 64 * 64;
constexpr uint32_t KingPairLength = 64 * 64;

// The built-in table with the test index functions: kqk by rawKqkIndex,
// every other class by king pairs, with lengths to match.
inline const TbClassInfo* testClassTable() {
  static TbClassInfo table[TbClassCount + 1];
  static bool made = false;
  if (!made) {
    made = true;
    for (int id = 0; id <= TbClassCount; ++id) {
      table[id] = tbClassInfo[id];
      const bool kqk = id == 5;
      for (int side = 0; side < 2; ++side) {
        table[id].length[side] = id == 0 ? 0 : kqk ? RawKqkLength : KingPairLength;
        table[id].index[side] = id == 0 ? nullptr : kqk ? rawKqkIndex : kingPairIndex;
      }
    }
  }
  return table;
}

// Writes bits most significant first.
class BitWriter {
 public:
  void put(uint64_t value, int bits) {
    for (int i = bits - 1; i >= 0; --i) {
      if (fill_ == 0) bytes.push_back(0);
      if ((value >> i) & 1) bytes.back() |= uint8_t(0x80 >> fill_);
      fill_ = (fill_ + 1) & 7;
    }
  }
  std::vector<uint8_t> bytes;

 private:
  int fill_ = 0;
};

// Huffman code lengths for the frequencies (one used symbol gets length 1).
inline std::vector<uint8_t> huffmanLengths(const std::vector<uint64_t>& freq) {
  std::vector<uint8_t> lengths(freq.size(), 0);
  using Node = std::pair<uint64_t, int>;  // weight, node
  std::priority_queue<Node, std::vector<Node>, std::greater<Node>> heap;
  std::vector<int> parent;
  for (size_t s = 0; s < freq.size(); ++s)
    if (freq[s]) {
      parent.push_back(-1);
      heap.push({freq[s], int(parent.size() - 1)});
    }
  std::vector<int> leafOf;
  for (size_t s = 0; s < freq.size(); ++s)
    if (freq[s]) leafOf.push_back(int(s));
  if (leafOf.size() == 1) lengths[leafOf[0]] = 1;
  if (leafOf.size() <= 1) return lengths;
  while (heap.size() > 1) {
    Node a = heap.top();
    heap.pop();
    Node b = heap.top();
    heap.pop();
    parent.push_back(-1);
    parent[a.second] = parent[b.second] = int(parent.size() - 1);
    heap.push({a.first + b.first, int(parent.size() - 1)});
  }
  for (size_t leaf = 0; leaf < leafOf.size(); ++leaf) {
    int depth = 0;
    for (int n = int(leaf); parent[n] >= 0; n = parent[n]) depth++;
    lengths[leafOf[leaf]] = uint8_t(depth);
  }
  return lengths;
}

// Canonical codes of the lengths: by length, then by symbol.
inline std::vector<uint32_t> canonicalCodes(const std::vector<uint8_t>& lengths) {
  uint32_t count[33] = {}, next[33] = {};
  for (uint8_t l : lengths) count[l]++;
  count[0] = 0;
  uint32_t code = 0;
  for (int len = 1; len <= 32; ++len) {
    code = (code + count[len - 1]) << 1;
    next[len] = code;
  }
  std::vector<uint32_t> codes(lengths.size(), 0);
  for (size_t s = 0; s < lengths.size(); ++s)
    if (lengths[s]) codes[s] = next[lengths[s]]++;
  return codes;
}

inline void putSymbol(BitWriter& out, const std::vector<uint8_t>& lengths, const std::vector<uint32_t>& codes,
                      int symbol, int usedSymbols) {
  if (usedSymbols > 1) out.put(codes[symbol], lengths[symbol]);  // a one-symbol code takes no bits
}

// One token of a block: a literal byte, or a copy of length bytes from the
// distance numbered slot.
struct Token {
  int literal = -1;
  int slot = 0;
  uint32_t length = 0;
};

inline int copySymbol(const Token& t, uint32_t& extra, int& extraBits) {
  extraBits = 0;
  if (t.length <= 15) return 256 + 32 * t.slot + int(t.length) - 1;
  // 14 + 2^j + extra, extra < 2^j
  int j = 1;
  while (14 + (uint32_t(2) << j) <= t.length) ++j;
  extraBits = j;
  extra = t.length - 14 - (1u << j);
  return 256 + 32 * t.slot + 14 + j;
}

// Greedy tokens of a block: the longest copy from any of the distances, else
// a literal.
inline std::vector<Token> tokenize(const uint8_t* data, uint32_t size, const uint32_t* distances) {
  std::vector<Token> tokens;
  for (uint32_t at = 0; at < size;) {
    Token best;
    best.literal = data[at];
    for (int k = 0; k < TbDistanceCount; ++k) {
      uint32_t d = distances[k];
      if (d == 0 || d > at) continue;
      uint32_t len = 0;
      while (at + len < size && data[at + len] == data[at + len - d]) ++len;
      if (len >= 3 && len > best.length) best = Token{-1, k, len};
    }
    tokens.push_back(best);
    at += best.literal >= 0 ? 1 : best.length;
  }
  return tokens;
}

struct EncodedFile {
  std::string bytes;
  uint32_t headerLength = 0;
};

// Writes the code-length description of the 1024 block-code lengths: two
// auxiliary codes (described plainly) for lengths and run counts.
inline void describeLengths(BitWriter& out, const std::vector<uint8_t>& lengths) {
  if (std::all_of(lengths.begin(), lengths.end(), [](uint8_t l) { return l == 0; })) {
    out.put(1, 1);
    return;
  }
  out.put(0, 1);
  struct Item {
    int a;
    int b = -1;
    uint32_t extra = 0;
    int extraBits = 0;
  };
  std::vector<Item> items;
  for (size_t i = 0; i < lengths.size();) {
    size_t run = 1;
    while (i + run < lengths.size() && lengths[i + run] == lengths[i]) ++run;
    if (run >= 2) {
      uint64_t count = run - 2;
      Item item{32 + lengths[i]};
      if (count <= 31) {
        item.b = int(count);
      } else {
        int k = 0;
        while (31 + (uint64_t(2) << k) <= count) ++k;
        item.b = 32 + k;
        item.extra = uint32_t(count - 31 - (uint64_t(1) << k));
        item.extraBits = k;
      }
      items.push_back(item);
    } else {
      items.push_back(Item{lengths[i]});
    }
    i += run;
  }
  std::vector<uint64_t> fa(64, 0), fb(64, 0);
  for (const Item& it : items) {
    fa[it.a]++;
    if (it.b >= 0) fb[it.b]++;
  }
  std::vector<uint8_t> la = huffmanLengths(fa), lb = huffmanLengths(fb);
  std::vector<uint32_t> ca = canonicalCodes(la), cb = canonicalCodes(lb);
  const int usedA = int(std::count_if(fa.begin(), fa.end(), [](uint64_t f) { return f > 0; }));
  const int usedB = int(std::count_if(fb.begin(), fb.end(), [](uint64_t f) { return f > 0; }));
  // The 128 auxiliary lengths, plainly: width 5, a zero length followed by a
  // 4-bit count of further zeros.
  std::vector<uint8_t> aux(la);
  aux.insert(aux.end(), lb.begin(), lb.end());
  out.put(0, 1);
  out.put(5, 5);
  for (size_t i = 0; i < aux.size();) {
    out.put(aux[i], 5);
    ++i;
    if (aux[i - 1] == 0) {
      uint32_t zeros = 0;
      while (zeros < 15 && i + zeros < aux.size() && aux[i + zeros] == 0) ++zeros;
      out.put(zeros, 4);
      i += zeros;
    }
  }
  for (const Item& it : items) {
    putSymbol(out, la, ca, it.a, usedA);
    if (it.b >= 0) {
      putSymbol(out, lb, cb, it.b, usedB);
      out.put(it.extra, it.extraBits);
    }
  }
}

// A compressed file of data in blocks of 2^blockBits bytes. tokensOf, when
// given, supplies the tokens of a block instead of the greedy encoder;
// extraLengths describes that many more zero code lengths than there are
// symbols (a broken description).
inline EncodedFile encodeTablebase(
    const std::string& data, const std::vector<uint32_t>& distanceList, int blockBits = 13,
    std::function<std::vector<Token>(uint32_t block)> tokensOf = nullptr, int extraLengths = 0) {
  const uint32_t blockSize = 1u << blockBits;
  const uint32_t blockCount = uint32_t((data.size() + blockSize - 1) / blockSize);
  uint32_t distances[TbDistanceCount] = {};
  for (size_t k = 0; k < distanceList.size() && k < TbDistanceCount; ++k) distances[k] = distanceList[k];

  std::vector<std::vector<Token>> tokens(blockCount);
  std::vector<uint64_t> freq(TbSymbolCount, 0);
  for (uint32_t i = 0; i < blockCount; ++i) {
    const uint32_t size = std::min<uint32_t>(blockSize, uint32_t(data.size() - size_t(i) * blockSize));
    tokens[i] = tokensOf ? tokensOf(i)
                         : tokenize(reinterpret_cast<const uint8_t*>(data.data()) + size_t(i) * blockSize, size,
                                    distances);
    for (const Token& t : tokens[i]) {
      uint32_t extra;
      int bits;
      freq[t.literal >= 0 ? t.literal : copySymbol(t, extra, bits)]++;
    }
  }
  const std::vector<uint8_t> lengths = huffmanLengths(freq);
  const std::vector<uint32_t> codes = canonicalCodes(lengths);
  const int used = int(std::count_if(freq.begin(), freq.end(), [](uint64_t f) { return f > 0; }));

  std::vector<std::string> blocks(blockCount);
  for (uint32_t i = 0; i < blockCount; ++i) {
    const uint32_t size = std::min<uint32_t>(blockSize, uint32_t(data.size() - size_t(i) * blockSize));
    BitWriter out;
    for (const Token& t : tokens[i]) {
      if (t.literal >= 0) {
        putSymbol(out, lengths, codes, t.literal, used);
        continue;
      }
      uint32_t extra = 0;
      int bits = 0;
      putSymbol(out, lengths, codes, copySymbol(t, extra, bits), used);
      out.put(extra, bits);
    }
    if (out.bytes.empty()) out.bytes.push_back(0);
    if (out.bytes.size() >= size && !tokensOf)  // not smaller: stored as it is
      blocks[i] = data.substr(size_t(i) * blockSize, size);
    else
      blocks[i].assign(out.bytes.begin(), out.bytes.end());
  }

  BitWriter fields;
  for (uint32_t i = 0; i < blockCount; ++i) fields.put(blocks[i].size() & (blockSize - 1), blockBits);
  fields.put((data.size() - size_t(blockCount - 1) * blockSize) & (blockSize - 1), blockBits);
  for (uint32_t d : distances) fields.put(d, blockBits);
  BitWriter description;
  std::vector<uint8_t> described(lengths);
  described.resize(described.size() + size_t(extraLengths), 0);
  describeLengths(description, described);

  std::string header(80, '\0');
  auto put32 = [&header](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) header[at + i] = char(v >> (24 - 8 * i));
  };
  for (int i = 0; i < 64; ++i) header[i] = "test-encoder"[i % 12];
  header[70] = char(blockBits);
  header[71] = char(TbDistanceCount);
  put32(72, blockCount);
  put32(76, 0x004001F5u);
  header += std::string(8 * size_t(blockCount), '\0');
  header.append(fields.bytes.begin(), fields.bytes.end());
  header.append(description.bytes.begin(), description.bytes.end());
  const uint32_t headerLength = uint32_t(header.size() + 4);
  put32(64, headerLength);
  const uint32_t sum = TbChecksum(reinterpret_cast<const unsigned char*>(header.data()), header.size());
  for (int i = 0; i < 4; ++i) header += char(sum >> (24 - 8 * i));
  EncodedFile file;
  file.headerLength = headerLength;
  file.bytes = header;
  for (const std::string& b : blocks) file.bytes += b;
  return file;
}

// Puts a correct checksum into a header changed by a test.
inline void resealHeader(std::string& bytes, uint32_t headerLength) {
  const uint32_t sum = TbChecksum(reinterpret_cast<const unsigned char*>(bytes.data()), headerLength - 4);
  for (int i = 0; i < 4; ++i) bytes[headerLength - 4 + i] = char(sum >> (24 - 8 * i));
}

}  // namespace tarrock::testutil
