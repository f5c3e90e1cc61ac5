// Reading numbers from command words and option arguments the way atoi does
// (leading blanks, a sign, digits, 0 when there are none), but held within the
// 32-bit range instead of overflowing.
#pragma once

#include <cstdint>
#include <cstdlib>

namespace tarrock {

inline int32_t clampTo32(long long value) {
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return int32_t(value);
}

inline int32_t readNumber(const char* text) { return text ? clampTo32(std::strtoll(text, nullptr, 10)) : 0; }

inline int32_t clampedProduct(long long a, long long b) { return clampTo32(a * b); }

}  // namespace tarrock
