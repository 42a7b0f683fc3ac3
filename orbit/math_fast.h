#pragma once

// The fast path of the run's trigonometric functions, written once as
// templates over a plain double and over vectors of doubles (GCC/clang vector
// types: SSE2 pairs on x86-64, SIMD128 in WebAssembly, AVX2 quadruples where
// the processor has them). Every lane performs exactly the operations of the
// plain version, in the same order, so that all forms give the same bits. It
// is included by orbit/math.cpp and, compiled for AVX2, by
// orbit/math_avx2.cpp; everything here has internal linkage, so that the two
// compilations never mix.
//
// Each function works out its value as an unevaluated sum hi + lo of two
// doubles (double-double arithmetic: Dekker's exact sums, and exact products
// through Veltkamp's split, since no fused multiply-add may be used), with a
// proven bound on the relative error. If hi + lo rounds to the same double
// whether the error is added or subtracted, that double is the correctly
// rounded value; otherwise the precise path (orbit/math_precise.cpp)
// decides: for about one argument in 20000 (one sine or cosine in 40000,
// one arc tangent in 22000, as the error bounds below make likely).

#include <cstdint>
#include <cstring>

#if defined(__wasm_simd128__)
#include <wasm_simd128.h>
#elif defined(__SSE2__)
#include <immintrin.h>
#endif

#include "orbit/math.h"
#include "orbit/math_internal.h"

namespace quorvex::math_detail {
namespace {

// a + b = s + e exactly.
template <class V>
inline void TwoSum(V a, V b, V& s, V& e) {
  s = a + b;
  const V bb = s - a;
  e = (a - (s - bb)) + (b - bb);
}

// a + b = s + e exactly, if a is zero or |a| >= |b|.
template <class V>
inline void FastTwoSum(V a, V b, V& s, V& e) {
  s = a + b;
  e = b - (s - a);
}

// Veltkamp's split: a = hi + lo, each with at most 26 significant bits.
template <class V>
inline void Split(V a, V& hi, V& lo) {
  const V t = 134217729.0 * a;  // 2^27 + 1
  hi = t - (t - a);
  lo = a - hi;
}

// a * b = p + e exactly (Dekker), for a split into ah + al.
template <class V>
inline void TwoProdSplit(V a, V ah, V al, V b, V bh, V bl, V& p, V& e) {
  p = a * b;
  e = ((ah * bh - p) + ah * bl + al * bh) + al * bl;
}

template <class V>
inline void TwoProd(V a, V b, V& p, V& e) {
  V ah, al, bh, bl;
  Split(a, ah, al);
  Split(b, bh, bl);
  TwoProdSplit(a, ah, al, b, bh, bl, p, e);
}

// Whether hi + lo, known to within err of the exact value, rounds the same
// way as the exact value; then hi + lo is the correctly rounded result.
inline bool RoundsSurely(double hi, double lo, double err) {
  return hi + (lo + err) == hi + (lo - err);
}

inline double Abs(double x) {
  return __builtin_bit_cast(double, __builtin_bit_cast(std::uint64_t, x) & ~(std::uint64_t{1} << 63));
}

// The fast path is written once for plain doubles and once more, through
// the same templates, for pairs of doubles in GCC/clang vector types (SSE2
// on x86-64, SIMD128 in WebAssembly): every lane performs exactly the
// operations of the plain version, in the same order, so both give the same
// bits.
typedef double Pair __attribute__((vector_size(16)));
typedef std::uint64_t PairBits __attribute__((vector_size(16)));
typedef std::int64_t PairInts __attribute__((vector_size(16)));

template <class V>
struct LaneTraits;
template <>
struct LaneTraits<double> {
  static constexpr int kLanes = 1;
  using Bits = std::uint64_t;
  using Ints = std::int64_t;
};
template <>
struct LaneTraits<Pair> {
  static constexpr int kLanes = 2;
  using Bits = PairBits;
  using Ints = PairInts;
};
#if defined(__AVX2__)
// Four doubles in one AVX register (only in code compiled for AVX2).
typedef double Quad __attribute__((vector_size(32)));
typedef std::uint64_t QuadBits __attribute__((vector_size(32)));
typedef std::int64_t QuadInts __attribute__((vector_size(32)));
template <>
struct LaneTraits<Quad> {
  static constexpr int kLanes = 4;
  using Bits = QuadBits;
  using Ints = QuadInts;
};
#endif
template <class V>
using BitsOf = typename LaneTraits<V>::Bits;
template <class V>
using IntsOf = typename LaneTraits<V>::Ints;

// Whether any lane of a lane mask (all ones or all zeros in each lane) is
// set: one instruction on each target rather than a look at every lane.
inline bool AnyLane(PairBits m) {
#if defined(__wasm_simd128__)
  return wasm_v128_any_true(reinterpret_cast<v128_t>(m));
#elif defined(__SSE2__)
  return _mm_movemask_pd(reinterpret_cast<__m128d>(m)) != 0;
#else
  return (m[0] | m[1]) != 0;
#endif
}
#if defined(__AVX2__)
inline bool AnyLane(QuadBits m) {
  return _mm256_movemask_pd(reinterpret_cast<__m256d>(m)) != 0;
}
#endif
template <class B>
inline bool AllLanes(B m) {
  return !AnyLane(~m);
}

inline double Lane(double v, int) {
  return v;
}
inline double Lane(Pair v, int j) {
  return v[j];
}
#if defined(__AVX2__)
inline double Lane(Quad v, int j) {
  return v[j];
}
#endif

template <class V>
inline BitsOf<V> ToBits(V v) {
  return __builtin_bit_cast(BitsOf<V>, v);
}
template <class V>
inline V FromBits(BitsOf<V> b) {
  return __builtin_bit_cast(V, b);
}
constexpr std::uint64_t kSignBit = std::uint64_t{1} << 63;

template <class V>
inline V AbsV(V v) {
  return FromBits<V>(ToBits(v) & ~kSignBit);
}

// x + 1.5 * 2^52 - 1.5 * 2^52 rounds x (|x| < 2^51) to the nearest integer.
constexpr double kRoundToInt = 0x1.8p52;

// pi/2 = kP1 + kP2 + kP3 + (about 1e-37): kP1 and kP2 have 33 significant
// bits each, so that k * kP1 and k * kP2 are exact for |k| < 2^20.
constexpr double kP1 = 0x1.921fb544p+0;
constexpr double kP2 = 0x1.0b4611a6p-34;
constexpr double kP3 = 0x1.3198a2e037073p-69;
constexpr double kTwoOverPi = 0x1.45f306dc9c883p-1;
constexpr double kHalfPiHi = 0x1.921fb54442d18p+0;
constexpr double kHalfPiLo = 0x1.1a62633145c07p-54;
constexpr double kPiHi = 0x1.921fb54442d18p+1;
constexpr double kPiLo = 0x1.1a62633145c07p-53;

// Reduction modulo pi/2 for 2^-27 <= |x| <= 2^20 (Cody and Waite's method,
// carried in double-double): x = k pi/2 + rh + rl, |rh + rl| <= pi/4 + 2^-30.
//
// y = x - k kP1 is exact: k kP1 is exact, and for k != 0 both x and k kP1 are
// multiples of 2^-53 with a difference below 1. k kP2 is exact, TwoSum keeps
// y - k kP2 exactly, and k kP3 rounds with an error below 2^-53 |k kP3| <
// 2^-98; the pi/2 left out weighs 2^20 * 1e-37 < 2^-102. So |r - (rh + rl)|
// < 2^-97. The fast path requires |rh| >= 2^-25 for k != 0 (relative error
// below 2^-72); closer to a multiple of pi/2 the precise path takes over.
// The lanes whose reduction the fast path cannot trust come back with the
// bit set in `bad`.
template <class V>
inline void ReduceHalfPi(V x, V& rh, V& rl, BitsOf<V>& quadrant, int& bad) {
  // kd + 1.5 * 2^52 holds k in its last bits, two's complement.
  const V shifted = x * kTwoOverPi + kRoundToInt;
  const V kd = shifted - kRoundToInt;
  const V y = x - kd * kP1;
  const V t = kd * kP2;
  V e;
  TwoSum(y, -t, rh, e);
  const V lo = e - kd * kP3;
  FastTwoSum(rh, lo, rh, rl);
  quadrant = ToBits(shifted) & 3;
  bad = 0;
  if constexpr (LaneTraits<V>::kLanes > 1) {
    // The arguments are finite here, so that |rh| < 2^-25 is the negation of
    // |rh| >= 2^-25; the lanes are looked at one by one only if one is bad.
    if (!AnyLane((BitsOf<V>)((kd != 0.0) & (AbsV(rh) < 0x1p-25)))) return;
  }
  for (int j = 0; j < LaneTraits<V>::kLanes; ++j)
    if (!(Lane(kd, j) == 0.0 || Abs(Lane(rh, j)) >= 0x1p-25)) bad |= 1 << j;
}

// sin(i/512 + d) and cos(i/512 + d) from the table and short series in d.
constexpr double kS3 = -1.0 / 6.0;
constexpr double kS5 = 1.0 / 120.0;
constexpr double kS7 = -1.0 / 5040.0;
constexpr double kC2 = -0.5;
constexpr double kC4 = 1.0 / 24.0;
constexpr double kC6 = -1.0 / 720.0;

// The table's entries for the lanes' points i. Each lane's i is read from
// the last bits of i + 1.5 * 2^52 (`shifted`), the sum that rounded it: the
// indices are below 2^10, and no conversion from floating point is needed.
constexpr std::uint64_t kIndexMask = 1023;
inline int TableIndex(std::uint64_t shifted) {
  return static_cast<int>(shifted & kIndexMask);
}

template <class V>
struct SinCosPoint {
  V sinHi, sinLo, cosHi, cosLo, sinHiUpper, cosHiUpper;
};
inline SinCosPoint<double> LoadSinCos(std::uint64_t shifted) {
  const SinCosEntry& t = kSinCosTable[TableIndex(shifted)];
  return {t.sinHi, t.sinLo, t.cosHi, t.cosLo, t.sinHiUpper, t.cosHiUpper};
}

// Two neighbouring doubles of an entry as one vector.
inline Pair LoadPair(const double* p) {
  Pair v;
  __builtin_memcpy(&v, p, sizeof v);
  return v;
}
// For pairs, each entry is read as three vectors (its fields in pairs), and
// the lanes' fields are gathered by shuffles.
inline SinCosPoint<Pair> LoadSinCos(PairBits shifted) {
  const SinCosEntry& a = kSinCosTable[TableIndex(shifted[0])];
  const SinCosEntry& b = kSinCosTable[TableIndex(shifted[1])];
  static_assert(sizeof(SinCosEntry) == 6 * sizeof(double));
  const Pair as = LoadPair(&a.sinHi), bs = LoadPair(&b.sinHi);
  const Pair ac = LoadPair(&a.cosHi), bc = LoadPair(&b.cosHi);
  const Pair au = LoadPair(&a.sinHiUpper), bu = LoadPair(&b.sinHiUpper);
  return {__builtin_shufflevector(as, bs, 0, 2), __builtin_shufflevector(as, bs, 1, 3),
          __builtin_shufflevector(ac, bc, 0, 2), __builtin_shufflevector(ac, bc, 1, 3),
          __builtin_shufflevector(au, bu, 0, 2), __builtin_shufflevector(au, bu, 1, 3)};
}

#if defined(__AVX2__)
inline SinCosPoint<Quad> LoadSinCos(QuadBits shifted) {
  const SinCosEntry& a = kSinCosTable[TableIndex(shifted[0])];
  const SinCosEntry& b = kSinCosTable[TableIndex(shifted[1])];
  const SinCosEntry& c = kSinCosTable[TableIndex(shifted[2])];
  const SinCosEntry& d = kSinCosTable[TableIndex(shifted[3])];
  return {Quad{a.sinHi, b.sinHi, c.sinHi, d.sinHi},
          Quad{a.sinLo, b.sinLo, c.sinLo, d.sinLo},
          Quad{a.cosHi, b.cosHi, c.cosHi, d.cosHi},
          Quad{a.cosLo, b.cosLo, c.cosLo, d.cosLo},
          Quad{a.sinHiUpper, b.sinHiUpper, c.sinHiUpper, d.sinHiUpper},
          Quad{a.cosHiUpper, b.cosHiUpper, c.cosHiUpper, d.cosHiUpper}};
}
#endif

// atan(i/256) as hi + lo for the lanes' points i.
inline void LoadAtan(std::uint64_t shifted, double& hi, double& lo) {
  const AtanEntry& a = kAtanTable[TableIndex(shifted)];
  hi = a.hi;
  lo = a.lo;
}
inline void LoadAtan(PairBits shifted, Pair& hi, Pair& lo) {
  static_assert(sizeof(AtanEntry) == 2 * sizeof(double));
  const Pair a = LoadPair(&kAtanTable[TableIndex(shifted[0])].hi);
  const Pair b = LoadPair(&kAtanTable[TableIndex(shifted[1])].hi);
  hi = __builtin_shufflevector(a, b, 0, 2);
  lo = __builtin_shufflevector(a, b, 1, 3);
}
#if defined(__AVX2__)
inline void LoadAtan(QuadBits shifted, Quad& hi, Quad& lo) {
  const AtanEntry& a = kAtanTable[TableIndex(shifted[0])];
  const AtanEntry& b = kAtanTable[TableIndex(shifted[1])];
  const AtanEntry& c = kAtanTable[TableIndex(shifted[2])];
  const AtanEntry& d = kAtanTable[TableIndex(shifted[3])];
  hi = Quad{a.hi, b.hi, c.hi, d.hi};
  lo = Quad{a.lo, b.lo, c.lo, d.lo};
}
#endif

// sin and cos of r = rh + rl, |r| <= pi/4 + 2^-30, each as hi + lo.
//
// r = a + d with a = i/512 (the table's point) and d = dh + dl, |dh| <=
// 2^-10, dl = rl (|dl| <= 2^-54). Then
//   sin r = Sa + Ca d + Sa (cos d - 1) + Ca (sin d - d)
//   cos r = Ca - Sa d + Ca (cos d - 1) - Sa (sin d - d)
// with Sa, Ca the table's double-double sin a and cos a (relative error
// 2^-106). Ca dh and Sa dh are exact products; the small terms are plain
// doubles: cos d - 1 = pc - dh dl with pc the series to d^6 (truncated after
// d^8/8! < 2^-95), sin d - d = ps + dl pc with ps the series to d^7 (next
// term below 2^-108 |d|).
//
// Error, relative to the result y (for i >= 1, |Sa| <= 2 |sin r| and |Ca| <=
// 1.5 |cos r|; for i = 0, sin r ~ d and cos r ~ 1): pc and ps carry a
// relative error below 3 * 2^-53 and are at most 2^-21 |Sa| (resp. 2^-31 |d|)
// in the sums, giving 2^-72.4 |Sa|; the products by Sa and Ca and the seven
// additions of small terms, each rounding a value below 2^-21 |Sa| + 2^-53
// |y|, add below 7 * 2^-74 |Sa|; dl's neglected higher terms, the table's
// error and the last normalisation add below 2^-100. Together below 2^-70.6
// |Sa| <= 2^-69.6 |y|; with the reduction's 2^-72 and some margin the bound
// used is 2^-69 (kSinCosErrorBound).
template <class V>
inline void SinCosKernel(V rh, V rl, V& sh, V& sl, V& ch, V& cl) {
  // sin is odd and cos even: work on |r| and give sin r the sign of r.
  const BitsOf<V> sign = ToBits(rh) & kSignBit;
  const V r = FromBits<V>(ToBits(rh) ^ sign);
  const V dl = FromBits<V>(ToBits(rl) ^ sign);
  const V shifted = r * 512.0 + kRoundToInt;
  const V id = shifted - kRoundToInt;
  const SinCosPoint<V> t = LoadSinCos(ToBits(shifted));
  const V dh = r - id * 0x1p-9;
  const V d2 = dh * dh;
  const V ps = dh * d2 * (kS3 + d2 * (kS5 + d2 * kS7));
  const V pc = d2 * (kC2 + d2 * (kC4 + d2 * kC6));
  const V cosDm1 = pc - dh * dl;
  const V sinDmD = ps + dl * pc;
  V dhh, dhl;
  Split(dh, dhh, dhl);

  // sin r
  V p, pe;
  TwoProdSplit(t.cosHi, t.cosHiUpper, t.cosHi - t.cosHiUpper, dh, dhh, dhl, p, pe);
  V s, se;
  FastTwoSum(t.sinHi, p, s, se);
  const V sSmall = (t.sinHi * cosDm1 + t.cosHi * sinDmD) + (t.cosHi * dl + t.cosLo * dh);
  const V sLow = se + (pe + (t.sinLo + sSmall));
  FastTwoSum(s, sLow, sh, sl);
  sh = FromBits<V>(ToBits(sh) ^ sign);
  sl = FromBits<V>(ToBits(sl) ^ sign);

  // cos r
  V q, qe;
  TwoProdSplit(t.sinHi, t.sinHiUpper, t.sinHi - t.sinHiUpper, dh, dhh, dhl, q, qe);
  V c, ce;
  FastTwoSum(t.cosHi, -q, c, ce);
  const V cSmall = (t.cosHi * cosDm1 - t.sinHi * sinDmD) - (t.sinHi * dl + t.sinLo * dh);
  const V cLow = ce + ((t.cosLo - qe) + cSmall);
  FastTwoSum(c, cLow, ch, cl);
}

// x / y for x = xh + xl, y = yh + yl, as qh + ql (relative error below
// 2^-100 beyond that of x and y).
template <class V>
inline void DivDD(V xh, V xl, V yh, V yl, V& qh, V& ql) {
  qh = xh / yh;
  V p, pe;
  TwoProd(qh, yh, p, pe);
  const V rem = (((xh - p) - pe) + xl) - qh * yl;
  FastTwoSum(qh, rem / yh, qh, ql);
}

constexpr double kAt3 = -1.0 / 3.0;
constexpr double kAt5 = 1.0 / 5.0;
constexpr double kAt7 = -1.0 / 7.0;

// atan(q) for q = qh + ql, 0 <= q <= 1, as hi + lo.
//
// With c = i/256 the nearest table point, atan q = atan c + atan t, t = (q -
// c) / (1 + q c), |t| <= 2^-9 (for i = 0 the same operations give t = q
// exactly). qh - c is exact (Sterbenz), q c is split exactly (c has at most
// 9 bits), 1 + q c and the quotient are carried in double-double (relative
// error below 2^-100), and atan t = t + t^3 (-1/3 + t^2/5 - t^4/7) (the next
// term is below 2^-75 |t|) with the bracket in plain doubles: the t^3 term
// is at most 2^-19.5 |t| and computed with relative error below 6 * 2^-53,
// that is 2^-69.9 |t|; |t| <= atan q. The sums of the low parts add below
// 2^-72, the table 2^-106: under 2^-69.2 of atan q, and of the result, as
// pi/2 - atan q and pi - (...) are larger. The bound used is 2^-68
// (kAtanErrorBound).
template <class V>
inline void AtanKernel(V qh, V ql, V& hi, V& lo) {
  const V shifted = qh * 256.0 + kRoundToInt;
  const V id = shifted - kRoundToInt;
  const V c = id * 0x1p-8;
  V nh, nl;
  TwoSum(qh - c, ql, nh, nl);
  V qhh, qhl;  // qh * c exactly: c has at most 9 bits
  Split(qh, qhh, qhl);
  const V qch = qh * c;
  const V qcl = (qhh * c - qch) + qhl * c;
  V dh, de;
  FastTwoSum(V{} + 1.0, qch, dh, de);
  const V dl = de + (qcl + ql * c);
  V th, tl;
  DivDD(nh, nl, dh, dl, th, tl);
  const V t2 = th * th;
  const V poly = th * t2 * (kAt3 + t2 * (kAt5 + t2 * kAt7));
  V ah, al;
  LoadAtan(ToBits(shifted), ah, al);
  V s, se;
  FastTwoSum(ah, th, s, se);
  FastTwoSum(s, se + (al + (tl + poly)), hi, lo);
}

inline bool IsFinite(double x) {
  return (__builtin_bit_cast(std::uint64_t, x) & 0x7FF0000000000000ULL) != 0x7FF0000000000000ULL;
}

// v = m * 2^e with 1 <= m < 2 for finite v != 0 (subnormals normalised).
inline double Mantissa(double v, int& e) {
  std::uint64_t bits = __builtin_bit_cast(std::uint64_t, Abs(v));
  int ex = static_cast<int>(bits >> 52);
  if (ex == 0) {
    bits = __builtin_bit_cast(std::uint64_t, Abs(v) * 0x1p54);
    ex = static_cast<int>(bits >> 52) - 54;
  }
  e = ex - 1023;
  return __builtin_bit_cast(double, (bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1023} << 52));
}

// 2^e for -1022 <= e <= 1023.
inline double Pow2(int e) {
  return __builtin_bit_cast(double, static_cast<std::uint64_t>(e + 1023) << 52);
}

// sin x and cos x as hi + lo for lanes with 2^-27 <= |x| <= 2^20; lanes
// whose reduction is not accurate enough are flagged in `bad`.
// By quadrant: (sin, cos) x = (s, c), (c, -s), (-s, -c), (-c, s) of r,
// chosen with bit operations rather than branches.
template <class V>
struct QuadrantPick {
  BitsOf<V> swap, sinSign, cosSign;
  explicit QuadrantPick(BitsOf<V> quadrant)
      : swap((quadrant & 1) * ~std::uint64_t{0}),
        sinSign((quadrant & 2) << 62),
        cosSign(((quadrant + 1) & 2) << 62) {}
  V Pick(V a, V b, BitsOf<V> sign) const {
    return FromBits<V>(((ToBits(a) & ~swap) | (ToBits(b) & swap)) ^ sign);
  }
  V Sin(V s, V c) const { return Pick(s, c, sinSign); }
  V Cos(V s, V c) const { return Pick(c, s, cosSign); }
};

template <class V>
inline void SinCosParts(V x, V& sinHi, V& sinLo, V& cosHi, V& cosLo, int& bad) {
  V rh, rl;
  BitsOf<V> quadrant;
  ReduceHalfPi(x, rh, rl, quadrant, bad);
  V sh, sl, ch, cl;
  SinCosKernel(rh, rl, sh, sl, ch, cl);
  const QuadrantPick<V> q(quadrant);
  sinHi = q.Sin(sh, ch);
  sinLo = q.Sin(sl, cl);
  cosHi = q.Cos(sh, ch);
  cosLo = q.Cos(sl, cl);
}

// atan2 as hi + lo for lanes with finite nonzero y and x, already split into
// the quotient's mantissas (1 <= nm, dm < 2), its exponent scale (2^e, e >=
// -60), whether |y| > |x| and the signs of x and y.
template <class V>
inline void Atan2Parts(V nm, V dm, V scale, BitsOf<V> swap, BitsOf<V> xNeg, BitsOf<V> ySign, V& hi, V& lo) {
  // q = (nm / dm) * 2^e = qh + ql, nm - qh dm exact.
  V qh = nm / dm;
  V p, pe;
  TwoProd(qh, dm, p, pe);
  V ql = ((nm - p) - pe) / dm;
  qh = qh * scale;
  ql = ql * scale;
  V ah, al;
  AtanKernel(qh, ql, ah, al);
  // |y| > |x|: pi/2 - atan(|x| / |y|); x < 0: pi - the angle. Both are
  // worked out for every lane, and the lanes pick.
  auto select = [](BitsOf<V> mask, V a, V b) {
    return FromBits<V>((ToBits(a) & mask) | (ToBits(b) & ~mask));
  };
  V s, se, bh, bl;
  FastTwoSum(V{} + kHalfPiHi, -ah, s, se);
  FastTwoSum(s, se + (kHalfPiLo - al), bh, bl);
  ah = select(swap, bh, ah);
  al = select(swap, bl, al);
  FastTwoSum(V{} + kPiHi, -ah, s, se);
  FastTwoSum(s, se + (kPiLo - al), bh, bl);
  ah = select(xNeg, bh, ah);
  al = select(xNeg, bl, al);
  hi = FromBits<V>(ToBits(ah) ^ ySign);
  lo = FromBits<V>(ToBits(al) ^ ySign);
}

// Splits a finite, nonzero pair (y, x) for Atan2Parts; false where the fast
// path does not apply (a zero, an infinity or NaN, or a quotient below
// 2^-60).
inline bool Atan2Split(double y, double x, double& nm, double& dm, double& scale, std::uint64_t& swap,
                       std::uint64_t& xNeg, std::uint64_t& ySign) {
  if (!IsFinite(x) || !IsFinite(y) || x == 0.0 || y == 0.0) return false;
  const double ay = Abs(y);
  const double ax = Abs(x);
  const bool swapped = ay > ax;
  int en, ed;
  nm = Mantissa(swapped ? ax : ay, en);
  dm = Mantissa(swapped ? ay : ax, ed);
  const int e = en - ed;
  if (e < -60) return false;
  scale = Pow2(e);
  swap = swapped ? ~std::uint64_t{0} : 0;
  xNeg = x < 0.0 ? ~std::uint64_t{0} : 0;
  ySign = __builtin_bit_cast(std::uint64_t, y) & kSignBit;
  return true;
}

// The correctly rounded SinCos of the lanes' arguments x[0 .. lanes), with
// the fast path in vector form; lanes the fast path cannot decide go to the
// precise path, arguments outside its range to SinCos.
template <class V>
inline void SinCosLanes(const double* x, SinCosPair* out) {
  constexpr int kLanes = LaneTraits<V>::kLanes;
  using B = BitsOf<V>;
  V xv;
  __builtin_memcpy(&xv, x, sizeof xv);
  const V ax = AbsV(xv);
  if (!AllLanes((B)((ax >= 0x1p-27) & (ax <= 0x1p20)))) {
    for (int j = 0; j < kLanes; ++j) out[j] = SinCos(x[j]);
    return;
  }
  V rh, rl;
  B quadrant;
  int bad;
  ReduceHalfPi(xv, rh, rl, quadrant, bad);
  V sh, sl, ch, cl;
  SinCosKernel(rh, rl, sh, sl, ch, cl);
  // The rounding tests and the sums are made on sin r and cos r, before the
  // quadrant's swap and signs: sin x and cos x are these two in some order
  // and with some signs, and both the test and the rounded sum of -hi - lo
  // are those of hi + lo negated (rounding to nearest is symmetric), so that
  // the outcome is that of the tests on sin x and cos x.
  const V sErr = kSinCosErrorBound * AbsV(sh);
  const V cErr = kSinCosErrorBound * AbsV(ch);
  const V sUp = sh + (sl + sErr), sDown = sh + (sl - sErr);
  const V cUp = ch + (cl + cErr), cDown = ch + (cl - cErr);
  if (bad == 0 && AllLanes((B)((sUp == sDown) & (cUp == cDown)))) {
    // The usual case: every lane rounds surely. The results go out as
    // (sin, cos) pairs.
    const QuadrantPick<V> q(quadrant);
    const V sR = sh + sl, cR = ch + cl;
    const V sinR = q.Sin(sR, cR), cosR = q.Cos(sR, cR);
    static_assert(sizeof(SinCosPair) == 2 * sizeof(double));
    if constexpr (kLanes == 2) {
      const Pair first = __builtin_shufflevector(sinR, cosR, 0, 2);
      const Pair second = __builtin_shufflevector(sinR, cosR, 1, 3);
      __builtin_memcpy(out, &first, sizeof first);
      __builtin_memcpy(out + 1, &second, sizeof second);
    } else if constexpr (kLanes == 4) {
      const V first = __builtin_shufflevector(sinR, cosR, 0, 4, 1, 5);
      const V second = __builtin_shufflevector(sinR, cosR, 2, 6, 3, 7);
      __builtin_memcpy(out, &first, sizeof first);
      __builtin_memcpy(out + 2, &second, sizeof second);
    } else {
      for (int j = 0; j < kLanes; ++j) out[j] = {Lane(sinR, j), Lane(cosR, j)};
    }
    return;
  }
  // Otherwise (rarely) the lanes go one by one the way of SinCos, which
  // makes the same tests.
  for (int j = 0; j < kLanes; ++j) out[j] = SinCos(x[j]);
}

// The same for Atan2 of the lanes' pairs (y[j], x[j]). The split into the
// quotient's mantissas and exponent (Atan2Split) is done here with integer
// vector operations; lanes it does not cover go to Atan2.
template <class V>
inline void Atan2Lanes(const double* y, const double* x, double* out) {
  constexpr int kLanes = LaneTraits<V>::kLanes;
  using B = BitsOf<V>;
  V yv, xv;
  __builtin_memcpy(&yv, y, sizeof yv);
  __builtin_memcpy(&xv, x, sizeof xv);
  const B by = ToBits(yv), bx = ToBits(xv);
  const B ay = by & ~kSignBit, ax = bx & ~kSignBit;
  // The tests below are comparisons of doubles and a sign test, since
  // vector instructions (SIMD128's in particular) have no unsigned 64-bit
  // comparisons. Where y or x is NaN, swap may differ from that of the
  // scalar form, but then num or den is NaN and the lane is not covered.
  const B swap = (B)(FromBits<V>(ay) > FromBits<V>(ax));
  const B num = (ay & ~swap) | (ax & swap);
  const B den = (ax & ~swap) | (ay & swap);
  const B en = num >> 52, ed = den >> 52;
  // Covered: num normal (so neither is zero or subnormal), den finite, and
  // the quotient at least 2^-60 (ed - en <= 60: 2^ed <= 2^en 2^60, with the
  // powers of two as doubles; 2^en 2^60 is exact or, above the range,
  // infinite, which is right too).
  constexpr std::uint64_t kMant = (std::uint64_t{1} << 52) - 1;
  const B ok = (B)(FromBits<V>(num) >= 0x1p-1022) & (B)(FromBits<V>(den) <= 0x1.fffffffffffffp1023) &
               (B)(FromBits<V>(den & ~kMant) <= FromBits<V>(num & ~kMant) * 0x1p60);
  if (!AllLanes(ok)) {
    for (int j = 0; j < kLanes; ++j) out[j] = Atan2(y[j], x[j]);
    return;
  }
  constexpr std::uint64_t kOne = std::uint64_t{1023} << 52;
  const V nm = FromBits<V>((num & kMant) | kOne);
  const V dm = FromBits<V>((den & kMant) | kOne);
  const V scale = FromBits<V>((en - ed + 1023) << 52);
  const B xNeg = (B)((bx >> 63) != 0);
  const B ySign = by & kSignBit;
  V hi, lo;
  Atan2Parts(nm, dm, scale, swap, xNeg, ySign, hi, lo);
  const V err = kAtanErrorBound * AbsV(hi);
  const V up = hi + (lo + err), down = hi + (lo - err);
  const V r = hi + lo;
  if (AllLanes((B)(up == down))) {
    __builtin_memcpy(out, &r, sizeof r);
    return;
  }
  for (int j = 0; j < kLanes; ++j)
    out[j] = Lane(up, j) == Lane(down, j) ? Lane(r, j) : Atan2Precise(y[j], x[j]);
}

}  // namespace
}  // namespace quorvex::math_detail
