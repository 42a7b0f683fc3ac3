#pragma once

#include "orbit/math.h"
#include "orbit/math_tables.h"

// The pieces shared by orbit/math.cpp (the fast path) and
// orbit/math_precise.cpp (the path for arguments whose rounding the fast path
// cannot decide).
namespace quorvex::math_detail {

// The precise path: correctly rounded results from 256-bit fixed-point
// arithmetic. Arguments: finite, and for SinPrecise / CosPrecise /
// TanPrecise of magnitude at least 2^-27; for Atan2Precise both nonzero with
// min(|y|, |x|) / max(|y|, |x|) at least 2^-62.
double SinPrecise(double x);
double CosPrecise(double x);
double TanPrecise(double x);
double Atan2Precise(double y, double x);

// The fast path's unrounded results, hi + lo, for tests of its error bound.
// Each returns false where the fast path hands the argument to the precise
// path without trying (reduction not accurate enough, or a special value).
bool SinCosFastParts(double x, double* sinHi, double* sinLo, double* cosHi, double* cosLo);
bool Atan2FastParts(double y, double x, double* hi, double* lo);

// The AVX2 forms of SinCosMany and Atan2Many (orbit/math_avx2.cpp, built on
// x86-64 Linux only): they do the first multiple of four of the n values and
// return how many they did. Call only where the processor has AVX2.
int SinCosManyAvx2(const double* x, int n, SinCosPair* out);
int Atan2ManyAvx2(const double* y, const double* x, int n, double* out);

// Relative error bounds of the fast path (see orbit/math.cpp).
inline constexpr double kSinCosErrorBound = 0x1p-69;
inline constexpr double kTanErrorBound = 0x1p-67;
inline constexpr double kAtanErrorBound = 0x1p-68;

}  // namespace quorvex::math_detail
