// The run's trigonometric functions: special values, the fast path's
// rounding test and the hand-over to the precise path.
#include "orbit/math.h"

#include <cstdint>

#include "orbit/math_fast.h"
#include "orbit/math_internal.h"

namespace quorvex {
namespace math_detail {

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
  // The quotient of two values each within 2^-69 adds 2^-100: below 2^-67.
  double th, tl;
  DivDD(sh, sl, ch, cl, th, tl);
  if (RoundsSurely(th, tl, kTanErrorBound * Abs(th))) return th + tl;
  return TanPrecise(x);
}

double Atan2(double y, double x) {
  if (!IsFinite(x) || !IsFinite(y)) {
    if (x != x || y != y) return x + y;  // NaN
    const double sign = __builtin_bit_cast(std::int64_t, y) < 0 ? -1.0 : 1.0;
    if (IsFinite(y)) return sign * (x > 0.0 ? 0.0 : kPiHi);  // x = +-inf
    if (IsFinite(x)) return sign * kHalfPiHi;                // y = +-inf
    // Both infinite: +-pi/4 or +-3pi/4, each correctly rounded.
    return sign * (x > 0.0 ? 0x1.921fb54442d18p-1 : 0x1.2d97c7f3321d2p+1);
  }
  if (y == 0.0) {
    const double sign = __builtin_bit_cast(std::int64_t, y) < 0 ? -1.0 : 1.0;
    return __builtin_bit_cast(std::int64_t, x) < 0 ? sign * kPiHi : y;
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

#if defined(QUORVEX_MATH_AVX2)
namespace {
bool HasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}
}  // namespace
#endif

void SinCosMany(const double* x, int n, SinCosPair* out) {
  int i = 0;
#if defined(QUORVEX_MATH_AVX2)
  if (HasAvx2()) i = SinCosManyAvx2(x, n, out);
#endif
  for (; i + 2 <= n; i += 2) SinCosLanes<Pair>(x + i, out + i);
  for (; i < n; ++i) out[i] = SinCos(x[i]);
}

void Atan2Many(const double* y, const double* x, int n, double* out) {
  int i = 0;
#if defined(QUORVEX_MATH_AVX2)
  if (HasAvx2()) i = Atan2ManyAvx2(y, x, n, out);
#endif
  for (; i + 2 <= n; i += 2) Atan2Lanes<Pair>(y + i, x + i, out + i);
  for (; i < n; ++i) out[i] = Atan2(y[i], x[i]);
}

// atan x = atan2(x, 1) for every x, the signed zeros, infinities and NaN
// included.
double Atan(double x) {
  return Atan2(x, 1.0);
}

}  // namespace quorvex
