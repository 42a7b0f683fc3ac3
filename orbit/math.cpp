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
inline void TwoSum(double a, double b, double& s, double& e) {
  s = a + b;
  const double bb = s - a;
  e = (a - (s - bb)) + (b - bb);
}

// a + b = s + e exactly, if a is zero or |a| >= |b|.
inline void FastTwoSum(double a, double b, double& s, double& e) {
  s = a + b;
  e = b - (s - a);
}

// Veltkamp's split: a = hi + lo, each with at most 26 significant bits.
inline void Split(double a, double& hi, double& lo) {
  const double t = 134217729.0 * a;  // 2^27 + 1
  hi = t - (t - a);
  lo = a - hi;
}

// a * b = p + e exactly (Dekker), for a split into ah + al.
inline void TwoProdSplit(double a, double ah, double al, double b, double bh, double bl, double& p, double& e) {
  p = a * b;
  e = ((ah * bh - p) + ah * bl + al * bh) + al * bl;
}

inline void TwoProd(double a, double b, double& p, double& e) {
  double ah, al, bh, bl;
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
// Returns false when it does.
inline bool ReduceHalfPi(double x, double& rh, double& rl, int& quadrant) {
  const double kd = (x * kTwoOverPi + kRoundToInt) - kRoundToInt;
  const double y = x - kd * kP1;
  const double t = kd * kP2;
  double e;
  TwoSum(y, -t, rh, e);
  const double lo = e - kd * kP3;
  FastTwoSum(rh, lo, rh, rl);
  quadrant = static_cast<int>(static_cast<std::int64_t>(kd) & 3);
  return kd == 0.0 || Abs(rh) >= 0x1p-25;
}

// sin(1/256 * i + d) and cos(...) from the table and short series in d.
constexpr double kS3 = -1.0 / 6.0;
constexpr double kS5 = 1.0 / 120.0;
constexpr double kS7 = -1.0 / 5040.0;
constexpr double kC2 = -0.5;
constexpr double kC4 = 1.0 / 24.0;
constexpr double kC6 = -1.0 / 720.0;

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
inline void SinCosKernel(double rh, double rl, double& sh, double& sl, double& ch, double& cl) {
  // sin is odd and cos even: work on |r| and give sin r the sign of r.
  const std::uint64_t sign = std::bit_cast<std::uint64_t>(rh) & (std::uint64_t{1} << 63);
  const double r = std::bit_cast<double>(std::bit_cast<std::uint64_t>(rh) ^ sign);
  const double dl = std::bit_cast<double>(std::bit_cast<std::uint64_t>(rl) ^ sign);
  const double id = (r * 256.0 + kRoundToInt) - kRoundToInt;
  const SinCosEntry& t = kSinCosTable[static_cast<int>(id)];
  const double dh = r - id * 0x1p-8;
  const double d2 = dh * dh;
  const double ps = dh * d2 * (kS3 + d2 * (kS5 + d2 * kS7));
  const double pc = d2 * (kC2 + d2 * (kC4 + d2 * kC6));
  const double cosDm1 = pc - dh * dl;
  const double sinDmD = ps + dl * pc;
  double dhh, dhl;
  Split(dh, dhh, dhl);

  // sin r
  double p, pe;
  TwoProdSplit(t.cosHi, t.cosHiUpper, t.cosHi - t.cosHiUpper, dh, dhh, dhl, p, pe);
  double s, se;
  FastTwoSum(t.sinHi, p, s, se);
  const double sSmall = (t.sinHi * cosDm1 + t.cosHi * sinDmD) + (t.cosHi * dl + t.cosLo * dh);
  const double sLow = se + (pe + (t.sinLo + sSmall));
  FastTwoSum(s, sLow, sh, sl);
  sh = std::bit_cast<double>(std::bit_cast<std::uint64_t>(sh) ^ sign);
  sl = std::bit_cast<double>(std::bit_cast<std::uint64_t>(sl) ^ sign);

  // cos r
  double q, qe;
  TwoProdSplit(t.sinHi, t.sinHiUpper, t.sinHi - t.sinHiUpper, dh, dhh, dhl, q, qe);
  double c, ce;
  FastTwoSum(t.cosHi, -q, c, ce);
  const double cSmall = (t.cosHi * cosDm1 - t.sinHi * sinDmD) - (t.sinHi * dl + t.sinLo * dh);
  const double cLow = ce + ((t.cosLo - qe) + cSmall);
  FastTwoSum(c, cLow, ch, cl);
}

// x / y for x = xh + xl, y = yh + yl, as qh + ql (relative error below
// 2^-100 beyond that of x and y).
inline void DivDD(double xh, double xl, double yh, double yl, double& qh, double& ql) {
  qh = xh / yh;
  double p, pe;
  TwoProd(qh, yh, p, pe);
  const double rem = (((xh - p) - pe) + xl) - qh * yl;
  FastTwoSum(qh, rem / yh, qh, ql);
}

constexpr double kAt3 = -1.0 / 3.0;
constexpr double kAt5 = 1.0 / 5.0;
constexpr double kAt7 = -1.0 / 7.0;
constexpr double kAt9 = 1.0 / 9.0;

// atan(q) for q = qh + ql, 0 <= q <= 1, as hi + lo.
//
// With c = i/128 the nearest table point, atan q = atan c + atan t, t = (q -
// c) / (1 + q c), |t| <= 2^-8. qh - c is exact (Sterbenz), 1 + q c and the
// quotient are carried in double-double (relative error below 2^-100), and
// atan t = t + t^3 (-1/3 + t^2/5 - t^4/7 + t^6/9) (next term below 2^-88 |t|)
// with the bracket in plain doubles: the t^3 term is at most 2^-17.5 |t| and
// computed with relative error below 6 * 2^-53, that is 2^-67.9 |t| <=
// 2^-67.9 atan q. The sums of the low parts add below 2^-70, the table
// 2^-106: under 2^-67.2 of the result.
inline void AtanKernel(double qh, double ql, double& hi, double& lo) {
  const double id = (qh * 128.0 + kRoundToInt) - kRoundToInt;
  const int i = static_cast<int>(id);
  double th, tl;
  if (i == 0) {
    th = qh;
    tl = ql;
  } else {
    const double c = id * 0x1p-7;
    double nh, nl;
    TwoSum(qh - c, ql, nh, nl);
    double qch, qcl;  // qh * c exactly; c has at most 8 bits
    double qhh, qhl;
    Split(qh, qhh, qhl);
    qch = qh * c;
    qcl = (qhh * c - qch) + qhl * c;
    double dh, de;
    FastTwoSum(1.0, qch, dh, de);
    const double dl = de + (qcl + ql * c);
    DivDD(nh, nl, dh, dl, th, tl);
  }
  const double t2 = th * th;
  const double poly = th * t2 * (kAt3 + t2 * (kAt5 + t2 * (kAt7 + t2 * kAt9)));
  const AtanEntry& a = kAtanTable[i];
  double s, se;
  FastTwoSum(a.hi, th, s, se);
  FastTwoSum(s, se + (a.lo + (tl + poly)), hi, lo);
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

}  // namespace

bool SinCosFastParts(double x, double* sinHi, double* sinLo, double* cosHi, double* cosLo) {
  const double ax = Abs(x);
  if (!(ax >= 0x1p-27 && ax <= 0x1p20)) return false;
  double rh, rl;
  int quadrant;
  if (!ReduceHalfPi(x, rh, rl, quadrant)) return false;
  double sh, sl, ch, cl;
  SinCosKernel(rh, rl, sh, sl, ch, cl);
  // By quadrant: (sin, cos) x = (s, c), (c, -s), (-s, -c), (-c, s) of r,
  // chosen with bit operations rather than branches.
  const std::uint64_t swap = std::uint64_t{0} - static_cast<std::uint64_t>(quadrant & 1);
  const std::uint64_t sinSign = static_cast<std::uint64_t>(quadrant & 2) << 62;
  const std::uint64_t cosSign = static_cast<std::uint64_t>((quadrant + 1) & 2) << 62;
  auto pick = [swap](double a, double b, std::uint64_t sign) {
    const std::uint64_t ua = std::bit_cast<std::uint64_t>(a), ub = std::bit_cast<std::uint64_t>(b);
    return std::bit_cast<double>(((ua & ~swap) | (ub & swap)) ^ sign);
  };
  *sinHi = pick(sh, ch, sinSign);
  *sinLo = pick(sl, cl, sinSign);
  *cosHi = pick(ch, sh, cosSign);
  *cosLo = pick(cl, sl, cosSign);
  return true;
}

// Finite y, x, not both zero, with the quotient's exponent difference
// handled by the caller (see Atan2 below): the fast path's atan2 as hi + lo.
bool Atan2FastParts(double y, double x, double* hi, double* lo) {
  if (!IsFinite(x) || !IsFinite(y) || x == 0.0 || y == 0.0) return false;
  const double ay = Abs(y);
  const double ax = Abs(x);
  const bool swap = ay > ax;
  int en, ed;
  const double nm = Mantissa(swap ? ax : ay, en);
  const double dm = Mantissa(swap ? ay : ax, ed);
  const int e = en - ed;
  if (e < -60) return false;
  // q = (nm / dm) * 2^e = qh + ql, nm - qh dm exact.
  double qh = nm / dm;
  double p, pe;
  TwoProd(qh, dm, p, pe);
  double ql = ((nm - p) - pe) / dm;
  const double scale = Pow2(e);
  qh *= scale;
  ql *= scale;
  double ah, al;
  AtanKernel(qh, ql, ah, al);
  double s, se;
  if (swap) {  // pi/2 - atan(1/q)
    FastTwoSum(kHalfPiHi, -ah, s, se);
    FastTwoSum(s, se + (kHalfPiLo - al), ah, al);
  }
  if (x < 0.0) {  // pi - the angle
    FastTwoSum(kPiHi, -ah, s, se);
    FastTwoSum(s, se + (kPiLo - al), ah, al);
  }
  if (y < 0.0) {
    ah = -ah;
    al = -al;
  }
  *hi = ah;
  *lo = al;
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
    if (IsFinite(x)) return sign * kHalfPiHi;                 // y = +-inf
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
  const int shift = e + 1074;  // q * 2^1074 = (nm / dm) * 2^shift
  if (shift < -2) return sign * 0.0;  // q < 2^-1076: rounds to zero
  const double u = qh * Pow2(shift);  // exact
  const double n = static_cast<double>(static_cast<std::int64_t>(u));  // u < 2^53
  const double f = u - n;  // exact, 0 <= f < 1
  // Exactly half-way, the part of q beyond qh (the sign of rem) decides; if
  // there is none, the exact value lies just below u.
  const bool up = f > 0.5 || (f == 0.5 && rem > 0.0);
  const double result = up ? n + 1.0 : n;
  return sign * (result * 0x1p-1074);
}

double Atan(double x) {
  return Atan2(x, 1.0);
}

}  // namespace quorvex
