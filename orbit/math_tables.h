#pragma once

#include <cstdint>

// Constants of the run's trigonometric functions (orbit/math.h), written by
// scripts/math-tables.py into orbit/math_tables.cpp.
namespace quorvex::math_detail {

// sin(i/512) and cos(i/512) as unevaluated sums hi + lo (|lo| at most half an
// ulp of hi), with the upper 26 bits of each hi already split off for exact
// products.
struct SinCosEntry {
  double sinHi, sinLo, cosHi, cosLo, sinHiUpper, cosHiUpper;
};
inline constexpr int kSinCosTableSize = 403;  // i/512 up to just above pi/4
extern const SinCosEntry kSinCosTable[kSinCosTableSize];

// atan(i/256) as hi + lo, for i = 0 .. 256.
struct AtanEntry {
  double hi, lo;
};
inline constexpr int kAtanTableSize = 257;
extern const AtanEntry kAtanTable[kAtanTableSize];

// The fraction of 2/pi, 64 bits a word, the most significant word first.
inline constexpr int kTwoOverPiWords = 24;
extern const std::uint64_t kTwoOverPiBits[kTwoOverPiWords];

// A non-negative fixed-point number of the precise path: w[0] is the integer
// part, w[1] .. w[4] the fraction, most significant word first (256 bits).
inline constexpr int kFixWords = 5;
struct Fix {
  std::uint64_t w[kFixWords];
};
extern const Fix kFixHalfPi;
extern const Fix kFixPi;
extern const Fix kFixAtanEighths[9];  // atan(k/8), k = 0 .. 8

}  // namespace quorvex::math_detail
