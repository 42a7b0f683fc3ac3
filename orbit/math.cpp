// The fast path of the run's trigonometric functions.
//
// Each function works out its value as an unevaluated sum hi + lo of two
// doubles (double-double arithmetic: Dekker's exact sums, and exact products
// through Veltkamp's split, since no fused multiply-add may be used), with a
// proven bound on the relative error. If hi + lo rounds to the same double
// whether the error is added or subtracted, that double is the correctly
// rounded value; otherwise (about one argument in several thousand) the
// precise path (orbit/math_precise.cpp) decides.
#include "orbit/math.h"

#include <bit>
#include <cstdint>

#include "orbit/math_internal.h"

namespace quorvex {
namespace math_detail {
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
  return std::bit_cast<double>(std::bit_cast<std::uint64_t>(x) & ~(std::uint64_t{1} << 63));
}

// The fast path is written once for plain doubles and once more, through
// the same templates, for pairs of doubles in GCC/clang vector types (SSE2
// on x86-64, SIMD128 in WebAssembly): every lane performs exactly the
// operations of the plain version, in the same order, so both give the same
// bits.
typedef double Pair __attribute__((vector_size(16)));
typedef std::uint64_t PairBits __attribute__((vector_size(16)));

template <class V>
struct LaneTraits;
template <>
struct LaneTraits<double> {
  static constexpr int kLanes = 1;
  using Bits = std::uint64_t;
};
template <>
struct LaneTraits<Pair> {
  static constexpr int kLanes = 2;
  using Bits = PairBits;
};
template <class V>
using BitsOf = typename LaneTraits<V>::Bits;

inline double Lane(double v, int) {
  return v;
}
inline double Lane(Pair v, int j) {
  return v[j];
}
inline void SetLane(double& v, int, double x) {
  v = x;
}
inline void SetLane(Pair& v, int j, double x) {
  v[j] = x;
}
inline std::uint64_t Lane(std::uint64_t v, int) {
  return v;
}
inline std::uint64_t Lane(PairBits v, int j) {
  return v[j];
}
inline void SetLane(std::uint64_t& v, int, std::uint64_t x) {
  v = x;
}
inline void SetLane(PairBits& v, int j, std::uint64_t x) {
  v[j] = x;
}

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
  const V kd = (x * kTwoOverPi + kRoundToInt) - kRoundToInt;
  const V y = x - kd * kP1;
  const V t = kd * kP2;
  V e;
  TwoSum(y, -t, rh, e);
  const V lo = e - kd * kP3;
  FastTwoSum(rh, lo, rh, rl);
  bad = 0;
  for (int j = 0; j < LaneTraits<V>::kLanes; ++j) {
    const double k = Lane(kd, j);
    SetLane(quadrant, j, static_cast<std::uint64_t>(static_cast<std::int64_t>(k)) & 3);
    if (!(k == 0.0 || Abs(Lane(rh, j)) >= 0x1p-25)) bad |= 1 << j;
  }
}

// sin(1/256 * i + d) and cos(...) from the table and short series in d.
constexpr double kS3 = -1.0 / 6.0;
constexpr double kS5 = 1.0 / 120.0;
constexpr double kS7 = -1.0 / 5040.0;
constexpr double kC2 = -0.5;
constexpr double kC4 = 1.0 / 24.0;
constexpr double kC6 = -1.0 / 720.0;

// The table's entries for the lanes' points i.
template <class V>
struct SinCosPoint {
  V sinHi, sinLo, cosHi, cosLo, sinHiUpper, cosHiUpper;
};
template <class V>
inline SinCosPoint<V> LoadSinCos(V id) {
  SinCosPoint<V> p;
  for (int j = 0; j < LaneTraits<V>::kLanes; ++j) {
    const SinCosEntry& t = kSinCosTable[static_cast<int>(Lane(id, j))];
    SetLane(p.sinHi, j, t.sinHi);
    SetLane(p.sinLo, j, t.sinLo);
    SetLane(p.cosHi, j, t.cosHi);
    SetLane(p.cosLo, j, t.cosLo);
    SetLane(p.sinHiUpper, j, t.sinHiUpper);
    SetLane(p.cosHiUpper, j, t.cosHiUpper);
  }
  return p;
}

// sin and cos of r = rh + rl, |r| <= pi/4 + 2^-30, each as hi + lo.
//
// r = a + d with a = i/256 (the table's point) and d = dh + dl, |dh| <=
// 2^-9, dl = rl (|dl| <= 2^-54). Then
//   sin r = Sa + Ca d + Sa (cos d - 1) + Ca (sin d - d)
//   cos r = Ca - Sa d + Ca (cos d - 1) - Sa (sin d - d)
// with Sa, Ca the table's double-double sin a and cos a (relative error
// 2^-106). Ca dh and Sa dh are exact products; the small terms are plain
// doubles: cos d - 1 = pc - dh dl with pc the series to d^6 (truncated after
// d^8/8! < 2^-87), sin d - d = ps + dl pc with ps the series to d^7 (next
// term below 2^-99 |d|).
//
// Error (relative to the result; |sin r| >= |Sa| / 2 for i >= 1 and sin r ~ d
// for i = 0, cos r >= 0.7): the series terms are at most 2^-19 |Sa| and
// 2^-22 |d| and are computed with relative error below 5 * 2^-53, which gives
// 2^-69.6 |Sa| + small; rounding the sum of the low parts (at most 2^-18 of
// the result) adds below 6 * 2^-53 * 2^-18 < 2^-68.4; the neglected dl
// terms and the table's error add below 2^-80. Sum: under 2^-67.7 of the
// result, together with the reduction's 2^-72.
template <class V>
inline void SinCosKernel(V rh, V rl, V& sh, V& sl, V& ch, V& cl) {
  // sin is odd and cos even: work on |r| and give sin r the sign of r.
  const BitsOf<V> sign = ToBits(rh) & kSignBit;
  const V r = FromBits<V>(ToBits(rh) ^ sign);
  const V dl = FromBits<V>(ToBits(rl) ^ sign);
  const V id = (r * 256.0 + kRoundToInt) - kRoundToInt;
  const SinCosPoint<V> t = LoadSinCos(id);
  const V dh = r - id * 0x1p-8;
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
constexpr double kAt9 = 1.0 / 9.0;

// atan(q) for q = qh + ql, 0 <= q <= 1, as hi + lo.
//
// With c = i/128 the nearest table point, atan q = atan c + atan t, t = (q -
// c) / (1 + q c), |t| <= 2^-8 (for i = 0 the same operations give t = q
// exactly). qh - c is exact (Sterbenz), 1 + q c and the quotient are carried
// in double-double (relative error below 2^-100), and atan t = t + t^3 (-1/3
// + t^2/5 - t^4/7 + t^6/9) (next term below 2^-88 |t|) with the bracket in
// plain doubles: the t^3 term is at most 2^-17.5 |t| and computed with
// relative error below 6 * 2^-53, that is 2^-67.9 |t| <= 2^-67.9 atan q. The
// sums of the low parts add below 2^-70, the table 2^-106: under 2^-67.2 of
// the result.
template <class V>
inline void AtanKernel(V qh, V ql, V& hi, V& lo) {
  const V id = (qh * 128.0 + kRoundToInt) - kRoundToInt;
  const V c = id * 0x1p-7;
  V nh, nl;
  TwoSum(qh - c, ql, nh, nl);
  V qhh, qhl;  // qh * c exactly: c has at most 8 bits
  Split(qh, qhh, qhl);
  const V qch = qh * c;
  const V qcl = (qhh * c - qch) + qhl * c;
  V dh, de;
  FastTwoSum(V{} + 1.0, qch, dh, de);
  const V dl = de + (qcl + ql * c);
  V th, tl;
  DivDD(nh, nl, dh, dl, th, tl);
  const V t2 = th * th;
  const V poly = th * t2 * (kAt3 + t2 * (kAt5 + t2 * (kAt7 + t2 * kAt9)));
  V ah, al;
  for (int j = 0; j < LaneTraits<V>::kLanes; ++j) {
    const AtanEntry& a = kAtanTable[static_cast<int>(Lane(id, j))];
    SetLane(ah, j, a.hi);
    SetLane(al, j, a.lo);
  }
  V s, se;
  FastTwoSum(ah, th, s, se);
  FastTwoSum(s, se + (al + (tl + poly)), hi, lo);
}

inline bool IsFinite(double x) {
  return (std::bit_cast<std::uint64_t>(x) & 0x7FF0000000000000ULL) != 0x7FF0000000000000ULL;
}

// v = m * 2^e with 1 <= m < 2 for finite v != 0 (subnormals normalised).
inline double Mantissa(double v, int& e) {
  std::uint64_t bits = std::bit_cast<std::uint64_t>(Abs(v));
  int ex = static_cast<int>(bits >> 52);
  if (ex == 0) {
    bits = std::bit_cast<std::uint64_t>(Abs(v) * 0x1p54);
    ex = static_cast<int>(bits >> 52) - 54;
  }
  e = ex - 1023;
  return std::bit_cast<double>((bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1023} << 52));
}

// 2^e for -1022 <= e <= 1023.
inline double Pow2(int e) {
  return std::bit_cast<double>(static_cast<std::uint64_t>(e + 1023) << 52);
}

// sin x and cos x as hi + lo for lanes with 2^-27 <= |x| <= 2^20; lanes
// whose reduction is not accurate enough are flagged in `bad`.
template <class V>
inline void SinCosParts(V x, V& sinHi, V& sinLo, V& cosHi, V& cosLo, int& bad) {
  V rh, rl;
  BitsOf<V> quadrant;
  ReduceHalfPi(x, rh, rl, quadrant, bad);
  V sh, sl, ch, cl;
  SinCosKernel(rh, rl, sh, sl, ch, cl);
  // By quadrant: (sin, cos) x = (s, c), (c, -s), (-s, -c), (-c, s) of r,
  // chosen with bit operations rather than branches.
  const BitsOf<V> swap = (quadrant & 1) * ~std::uint64_t{0};
  const BitsOf<V> sinSign = (quadrant & 2) << 62;
  const BitsOf<V> cosSign = ((quadrant + 1) & 2) << 62;
  auto pick = [swap](V a, V b, BitsOf<V> sign) {
    return FromBits<V>(((ToBits(a) & ~swap) | (ToBits(b) & swap)) ^ sign);
  };
  sinHi = pick(sh, ch, sinSign);
  sinLo = pick(sl, cl, sinSign);
  cosHi = pick(ch, sh, cosSign);
  cosLo = pick(cl, sl, cosSign);
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
  ySign = std::bit_cast<std::uint64_t>(y) & kSignBit;
  return true;
}

}  // namespace

bool SinCosFastParts(double x, double* sinHi, double* sinLo, double* cosHi, double* cosLo) {
  const double ax = Abs(x);
  if (!(ax >= 0x1p-27 && ax <= 0x1p20)) return false;
  int bad;
  SinCosParts(x, *sinHi, *sinLo, *cosHi, *cosLo, bad);
  return bad == 0;
}

bool Atan2FastParts(double y, double x, double* hi, double* lo) {
  double nm, dm, scale;
  std::uint64_t swap, xNeg, ySign;
  if (!Atan2Split(y, x, nm, dm, scale, swap, xNeg, ySign)) return false;
  Atan2Parts(nm, dm, scale, swap, xNeg, ySign, *hi, *lo);
  return true;
}

}  // namespace math_detail

using namespace math_detail;

SinCosPair SinCos(double x) {
  const double ax = Abs(x);
  if (ax < 0x1p-27) return {x, 1.0};  // sin x = x and cos x = 1 once rounded
  double sh, sl, ch, cl;
  if (!SinCosFastParts(x, &sh, &sl, &ch, &cl)) {
    if (!IsFinite(x)) return {x - x, x - x};
    return {SinPrecise(x), CosPrecise(x)};
  }
  SinCosPair r;
  r.sin = RoundsSurely(sh, sl, kSinCosErrorBound * Abs(sh)) ? sh + sl : SinPrecise(x);
  r.cos = RoundsSurely(ch, cl, kSinCosErrorBound * Abs(ch)) ? ch + cl : CosPrecise(x);
  return r;
}

void SinCos2(const double x[2], SinCosPair out[2]) {
  const bool inRange0 = Abs(x[0]) >= 0x1p-27 && Abs(x[0]) <= 0x1p20;
  const bool inRange1 = Abs(x[1]) >= 0x1p-27 && Abs(x[1]) <= 0x1p20;
  if (!(inRange0 && inRange1)) {
    out[0] = SinCos(x[0]);
    out[1] = SinCos(x[1]);
    return;
  }
  const Pair xv = {x[0], x[1]};
  Pair sh, sl, ch, cl;
  int bad;
  SinCosParts(xv, sh, sl, ch, cl, bad);
  const Pair sinErr = kSinCosErrorBound * AbsV(sh);
  const Pair cosErr = kSinCosErrorBound * AbsV(ch);
  const Pair sinUp = sh + (sl + sinErr), sinDown = sh + (sl - sinErr);
  const Pair cosUp = ch + (cl + cosErr), cosDown = ch + (cl - cosErr);
  for (int j = 0; j < 2; ++j) {
    if (bad & (1 << j)) {
      out[j] = SinCos(x[j]);
      continue;
    }
    out[j].sin = sinUp[j] == sinDown[j] ? sh[j] + sl[j] : SinPrecise(x[j]);
    out[j].cos = cosUp[j] == cosDown[j] ? ch[j] + cl[j] : CosPrecise(x[j]);
  }
}

double Sin(double x) {
  return SinCos(x).sin;
}

double Cos(double x) {
  return SinCos(x).cos;
}

double Tan(double x) {
  const double ax = Abs(x);
  if (ax < 0x1p-27) return x;  // tan x = x once rounded
  double sh, sl, ch, cl;
  if (!SinCosFastParts(x, &sh, &sl, &ch, &cl)) {
    if (!IsFinite(x)) return x - x;
    return TanPrecise(x);
  }
  // The quotient of two values each within 2^-67 adds 2^-100: below 2^-65.
  double th, tl;
  DivDD(sh, sl, ch, cl, th, tl);
  if (RoundsSurely(th, tl, kTanErrorBound * Abs(th))) return th + tl;
  return TanPrecise(x);
}

double Atan2(double y, double x) {
  if (!IsFinite(x) || !IsFinite(y)) {
    if (x != x || y != y) return x + y;  // NaN
    const double sign = std::bit_cast<std::int64_t>(y) < 0 ? -1.0 : 1.0;
    if (IsFinite(y)) return sign * (x > 0.0 ? 0.0 : kPiHi);  // x = +-inf
    if (IsFinite(x)) return sign * kHalfPiHi;                // y = +-inf
    // Both infinite: +-pi/4 or +-3pi/4, each correctly rounded.
    return sign * (x > 0.0 ? 0x1.921fb54442d18p-1 : 0x1.2d97c7f3321d2p+1);
  }
  if (y == 0.0) {
    const double sign = std::bit_cast<std::int64_t>(y) < 0 ? -1.0 : 1.0;
    return std::bit_cast<std::int64_t>(x) < 0 ? sign * kPiHi : y;
  }
  if (x == 0.0) return y > 0.0 ? kHalfPiHi : -kHalfPiHi;

  double hi, lo;
  if (Atan2FastParts(y, x, &hi, &lo)) {
    if (RoundsSurely(hi, lo, kAtanErrorBound * Abs(hi))) return hi + lo;
    return Atan2Precise(y, x);
  }

  // The quotient q of the smaller by the larger magnitude is below 2^-59.
  // Then pi/2 -+ q and pi - q round to pi/2's and pi's nearest doubles
  // (their low parts are over a quarter of an ulp away from a rounding
  // boundary), and atan q = q - q^3/3 + ... rounds as q does: a quotient of
  // doubles is at least 2^-107 (relative) away from any rounding boundary it
  // is not on, far more than q^2/3, and on a boundary the exact value lies
  // just below it.
  const double sign = y < 0.0 ? -1.0 : 1.0;
  const double ay = Abs(y);
  const double ax = Abs(x);
  if (ay > ax) return sign * kHalfPiHi;
  if (x < 0.0) return sign * kPiHi;
  int en, ed;
  const double nm = Mantissa(ay, en);
  const double dm = Mantissa(ax, ed);
  const int e = en - ed;  // below -60
  const double qh = nm / dm;
  double p, pe;
  TwoProd(qh, dm, p, pe);
  const double rem = (nm - p) - pe;  // sign of q - qh; zero if qh is exact
  if (e > -1022 || (e == -1022 && qh >= 1.0)) return sign * (qh * Pow2(e));  // normal: exact
  // A subnormal or zero result: round q * 2^1074 to an integer n by hand,
  // since qh was rounded to 53 bits, not to the subnormals' spacing.
  const int shift = e + 1074;                                          // q * 2^1074 = (nm / dm) * 2^shift
  if (shift < -2) return sign * 0.0;                                   // q < 2^-1076: rounds to zero
  const double u = qh * Pow2(shift);                                   // exact
  const double n = static_cast<double>(static_cast<std::int64_t>(u));  // u < 2^53
  const double f = u - n;                                              // exact, 0 <= f < 1
  // Exactly half-way, the part of q beyond qh (the sign of rem) decides; if
  // there is none, the exact value lies just below u.
  const bool up = f > 0.5 || (f == 0.5 && rem > 0.0);
  const double result = up ? n + 1.0 : n;
  return sign * (result * 0x1p-1074);
}

void Atan2x2(const double y[2], const double x[2], double out[2]) {
  double nm0, dm0, scale0, nm1, dm1, scale1;
  std::uint64_t swap0, xNeg0, ySign0, swap1, xNeg1, ySign1;
  if (!Atan2Split(y[0], x[0], nm0, dm0, scale0, swap0, xNeg0, ySign0) ||
      !Atan2Split(y[1], x[1], nm1, dm1, scale1, swap1, xNeg1, ySign1)) {
    out[0] = Atan2(y[0], x[0]);
    out[1] = Atan2(y[1], x[1]);
    return;
  }
  Pair hi, lo;
  Atan2Parts(Pair{nm0, nm1}, Pair{dm0, dm1}, Pair{scale0, scale1}, PairBits{swap0, swap1},
             PairBits{xNeg0, xNeg1}, PairBits{ySign0, ySign1}, hi, lo);
  const Pair err = kAtanErrorBound * AbsV(hi);
  const Pair up = hi + (lo + err), down = hi + (lo - err);
  for (int j = 0; j < 2; ++j) out[j] = up[j] == down[j] ? hi[j] + lo[j] : Atan2Precise(y[j], x[j]);
}

double Atan(double x) {
  return Atan2(x, 1.0);
}

}  // namespace quorvex
