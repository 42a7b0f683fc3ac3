// The precise path of the run's trigonometric functions: arguments whose
// rounding the fast path (orbit/math.cpp) cannot decide come here. It is
// slow and simple: non-negative 256-bit fixed-point numbers (type Fix, one
// 64-bit integer word and four 64-bit fraction words), Taylor series and
// exact integer arithmetic.
//
// Error: every Fix operation truncates at 2^-256, and no step below loses
// more than a few hundred of those units, so each result before rounding is
// within 2^-240 of the exact value. The smallest magnitudes that reach the
// rounding here are about 2^-64 (the sine of an argument very close to a
// multiple of pi/2; for doubles the closest is about 2^-61 away, and the arc
// tangent path takes quotients from 2^-62 on), so the relative error is
// below 2^-170. Results of these functions at double arguments need far
// fewer bits than that to round correctly: the hardest cases known for
// double sine, cosine, tangent and arc tangent lie within about 2^-120
// (relative) of a rounding boundary.
#include <cstdint>

#include "orbit/math_internal.h"

namespace quorvex::math_detail {
namespace {

using u64 = std::uint64_t;
__extension__ typedef unsigned __int128 u128;

constexpr int kN = kFixWords;

Fix FixInt(u64 v) {
  Fix r{};
  r.w[0] = v;
  return r;
}

bool IsZero(const Fix& a) {
  for (u64 w : a.w)
    if (w != 0) return false;
  return true;
}

bool Less(const Fix& a, const Fix& b) {
  for (int i = 0; i < kN; ++i)
    if (a.w[i] != b.w[i]) return a.w[i] < b.w[i];
  return false;
}

Fix Add(const Fix& a, const Fix& b) {
  Fix r;
  u64 carry = 0;
  for (int i = kN - 1; i >= 0; --i) {
    const u128 s = static_cast<u128>(a.w[i]) + b.w[i] + carry;
    r.w[i] = static_cast<u64>(s);
    carry = static_cast<u64>(s >> 64);
  }
  return r;
}

// a - b for a >= b.
Fix Sub(const Fix& a, const Fix& b) {
  Fix r;
  u64 borrow = 0;
  for (int i = kN - 1; i >= 0; --i) {
    const u64 d = a.w[i] - b.w[i];
    const u64 borrow1 = a.w[i] < b.w[i] ? 1 : 0;
    r.w[i] = d - borrow;
    const u64 borrow2 = d < borrow ? 1 : 0;
    borrow = borrow1 | borrow2;
  }
  return r;
}

// Signed numbers as a magnitude and a sign, for the few places that need them.
struct SFix {
  Fix m;
  bool neg;
};

SFix SignedSub(const Fix& a, const Fix& b) {
  if (Less(a, b)) return {Sub(b, a), true};
  return {Sub(a, b), false};
}

Fix Mul(const Fix& a, const Fix& b) {
  // acc[p + 1] collects the words of weight 2^(-64 p); words below 2^-256
  // are dropped (truncation, less than 2^-255 in all).
  u64 acc[2 * kN + 1] = {};
  auto addAt = [&acc](int pos, u64 v) {
    for (int k = pos; k >= 0 && v != 0; --k) {
      const u64 s = acc[k] + v;
      v = s < v ? 1 : 0;
      acc[k] = s;
    }
  };
  for (int i = 0; i < kN; ++i) {
    if (a.w[i] == 0) continue;
    for (int j = 0; j < kN; ++j) {
      const u128 p = static_cast<u128>(a.w[i]) * b.w[j];
      addAt(i + j + 1, static_cast<u64>(p));
      addAt(i + j, static_cast<u64>(p >> 64));
    }
  }
  Fix r;
  for (int i = 0; i < kN; ++i) r.w[i] = acc[i + 1];
  return r;
}

Fix MulSmall(const Fix& a, u64 m) {
  Fix r;
  u64 carry = 0;
  for (int i = kN - 1; i >= 0; --i) {
    const u128 p = static_cast<u128>(a.w[i]) * m + carry;
    r.w[i] = static_cast<u64>(p);
    carry = static_cast<u64>(p >> 64);
  }
  return r;
}

Fix DivSmall(const Fix& a, u64 d) {
  Fix r;
  u64 rem = 0;
  for (int i = 0; i < kN; ++i) {
    const u128 cur = (static_cast<u128>(rem) << 64) | a.w[i];
    r.w[i] = static_cast<u64>(cur / d);
    rem = static_cast<u64>(cur % d);
  }
  return r;
}

// The bit of weight 2^(b - 256) (b = 0 is the last fraction bit).
int TopBit(const Fix& a) {
  for (int i = 0; i < kN; ++i)
    if (a.w[i] != 0) return (kN - 1 - i) * 64 + 63 - __builtin_clzll(a.w[i]);
  return -1;
}

// a * 2^n (n may be negative; bits shifted out are dropped).
Fix Shift(const Fix& a, int n) {
  Fix r{};
  for (int i = 0; i < kN; ++i) {
    if (a.w[i] == 0) continue;
    // Word i holds the bits from (kN - 1 - i) * 64 up; after the shift its
    // lowest bit is at `low`, which may straddle two words.
    const int low = (kN - 1 - i) * 64 + n;
    const int word = low >= 0 ? low / 64 : -((-low + 63) / 64);
    const int off = low - word * 64;
    const int idx = kN - 1 - word;
    if (idx >= 0 && idx < kN) r.w[idx] |= a.w[i] << off;
    if (off != 0 && idx - 1 >= 0 && idx - 1 < kN) r.w[idx - 1] |= a.w[i] >> (64 - off);
  }
  return r;
}

double ApproxDouble(const Fix& a) {
  return static_cast<double>(a.w[0]) + static_cast<double>(a.w[1]) * 0x1p-64 +
         static_cast<double>(a.w[2]) * 0x1p-128;
}

// Exact value of a double 0 < v < 2^63 whose last bit weighs at least 2^-256.
Fix FromDouble(double v) {
  const u64 bits = __builtin_bit_cast(u64, v);
  const int e = static_cast<int>(bits >> 52) - 1075;
  const u64 m = (bits & ((u64{1} << 52) - 1)) | (u64{1} << 52);
  return Shift(FixInt(m), e);
}

// 1 / a for a > 0: Newton's iteration y <- y (2 - a y) from a double's
// reciprocal, on a scaled into [1, 2); each step doubles the correct bits
// (53, 106, 212, then the full width).
Fix Recip(const Fix& a) {
  const int s = TopBit(a) - 256;  // a = an * 2^s, an in [1, 2)
  const Fix an = Shift(a, -s);
  Fix y = FromDouble(1.0 / ApproxDouble(an));
  const Fix two = FixInt(2);
  for (int k = 0; k < 4; ++k) y = Mul(y, Sub(two, Mul(an, y)));
  return Shift(y, -s);
}

// The double nearest to (neg ? -a : a), a > 0 normal-sized (2^-1000 .. 2^63).
double ToDouble(const Fix& a, bool neg) {
  const int top = TopBit(a);
  auto bit = [&a](int b) -> u64 { return (a.w[kN - 1 - b / 64] >> (b % 64)) & 1; };
  // 64 bits from the top bit down, and whether any bit below them is set.
  u64 head = 0;
  for (int k = 0; k < 64; ++k) head = (head << 1) | (top - k >= 0 ? bit(top - k) : 0);
  bool sticky = false;
  for (int b = top - 64; b >= 0 && !sticky; --b) sticky = bit(b) != 0;
  u64 mant = head >> 11;
  const bool roundBit = (head >> 10) & 1;
  sticky = sticky || (head & 0x3FF) != 0;
  int exponent = top - 256;
  if (roundBit && (sticky || (mant & 1))) {
    ++mant;
    if (mant == (u64{1} << 53)) {
      mant >>= 1;
      ++exponent;
    }
  }
  const u64 bits = (static_cast<u64>(exponent + 1023) << 52) | (mant & ((u64{1} << 52) - 1));
  const double r = __builtin_bit_cast(double, bits);
  return neg ? -r : r;
}

// 64 bits of 2/pi's fraction from bit pos on (bit 1 weighs 1/2).
u64 TwoOverPiBits(int pos) {
  const int idx = (pos - 1) / 64;
  const int off = (pos - 1) % 64;
  const u64 first = kTwoOverPiBits[idx];
  if (off == 0) return first;
  return (first << off) | (kTwoOverPiBits[idx + 1] >> (64 - off));
}

struct Reduced {
  int quadrant;  // x = quadrant * pi/2 + r, modulo 2 pi
  Fix rho;       // |r| <= pi/4
  bool neg;      // the sign of r
};

// Reduces |x| (finite, at least 2^-27) modulo pi/2 with 2/pi's bits: only
// the bits of 2/pi that can reach the fraction of x * 2/pi or the two bits
// above it are used, so any double's reduction costs the same.
Reduced Reduce(double ax) {
  const u64 bits = __builtin_bit_cast(u64, ax);
  const int e = static_cast<int>(bits >> 52) - 1075;  // ax = m * 2^e
  const u64 m = (bits & ((u64{1} << 52) - 1)) | (u64{1} << 52);
  // Bits of 2/pi before j0 give multiples of 4 in m * 2^e * 2/pi.
  const int j0 = e - 1 > 1 ? e - 1 : 1;
  constexpr int kWindow = 7;  // words of 2/pi used: 448 bits
  u64 win[kWindow];
  for (int k = 0; k < kWindow; ++k) win[k] = TwoOverPiBits(j0 + 64 * k);
  // p = m * win, most significant word first, 8 words.
  u64 p[kWindow + 1];
  u64 carry = 0;
  for (int k = kWindow - 1; k >= 0; --k) {
    const u128 t = static_cast<u128>(win[k]) * m + carry;
    p[k + 1] = static_cast<u64>(t);
    carry = static_cast<u64>(t >> 64);
  }
  p[0] = carry;
  // p's bit s (counted from its last bit) weighs 1 in x * 2/pi.
  const int s = j0 + 64 * kWindow - 1 - e;
  auto bitOf = [&p](int b) -> u64 {
    if (b < 0 || b >= 64 * (kWindow + 1)) return 0;
    return (p[kWindow - b / 64] >> (b % 64)) & 1;
  };
  auto word = [&bitOf](int low) {
    u64 v = 0;
    for (int k = 63; k >= 0; --k) v = (v << 1) | bitOf(low + k);
    return v;
  };
  Reduced r;
  r.quadrant = static_cast<int>(bitOf(s) | (bitOf(s + 1) << 1));
  Fix f{};
  for (int i = 1; i < kN; ++i) f.w[i] = word(s - 64 * i);
  r.neg = false;
  if (f.w[1] >> 63) {  // fraction at least 1/2: round the quotient up
    r.quadrant = (r.quadrant + 1) & 3;
    f = Sub(FixInt(1), f);
    r.neg = true;
  }
  r.rho = Mul(f, kFixHalfPi);
  return r;
}

// sin and cos of 0 <= rho <= pi/4 by their Taylor series; the terms fall
// below 2^-256 before the 70th.
void SinCosSeries(const Fix& rho, Fix* sinOut, Fix* cosOut) {
  Fix sinPos = rho, sinNeg{}, cosPos = FixInt(1), cosNeg{};
  Fix term = rho;
  for (u64 n = 2; !IsZero(term); ++n) {
    term = DivSmall(Mul(term, rho), n);
    switch (n & 3) {
      case 0:
        cosPos = Add(cosPos, term);
        break;
      case 1:
        sinPos = Add(sinPos, term);
        break;
      case 2:
        cosNeg = Add(cosNeg, term);
        break;
      default:
        sinNeg = Add(sinNeg, term);
        break;
    }
  }
  *sinOut = Sub(sinPos, sinNeg);
  *cosOut = Sub(cosPos, cosNeg);
}

// atan(q) for 0 <= q <= 1: atan(q) = atan(c) + atan((q - c) / (1 + q c)) with
// c the nearest multiple of 1/8, then the Taylor series of the second
// arc tangent, whose argument is at most 1/16.
Fix AtanSeries(const Fix& q) {
  const u64 eighths = (q.w[0] << 3) | (q.w[1] >> 61);
  const u64 k = eighths + ((q.w[1] >> 60) & 1);
  const Fix c = DivSmall(FixInt(k), 8);
  const SFix num = SignedSub(q, c);
  const Fix den = Add(FixInt(1), DivSmall(MulSmall(q, k), 8));
  const Fix t = Mul(num.m, Recip(den));
  const Fix t2 = Mul(t, t);
  Fix pos = t, neg{};
  Fix power = t;
  for (u64 n = 3; !IsZero(power); n += 2) {
    power = Mul(power, t2);
    const Fix term = DivSmall(power, n);
    if (n & 2)
      neg = Add(neg, term);
    else
      pos = Add(pos, term);
  }
  const Fix at = Sub(pos, neg);
  return num.neg ? Sub(kFixAtanEighths[k], at) : Add(kFixAtanEighths[k], at);
}

}  // namespace

double SinPrecise(double x) {
  const Reduced r = Reduce(x < 0 ? -x : x);
  Fix s, c;
  SinCosSeries(r.rho, &s, &c);
  // sin(|x|) by quadrant; sin is odd.
  bool neg = x < 0;
  switch (r.quadrant) {
    case 0:
      return ToDouble(s, neg != r.neg);
    case 1:
      return ToDouble(c, neg);
    case 2:
      return ToDouble(s, neg == r.neg);
    default:
      return ToDouble(c, !neg);
  }
}

double CosPrecise(double x) {
  const Reduced r = Reduce(x < 0 ? -x : x);
  Fix s, c;
  SinCosSeries(r.rho, &s, &c);
  switch (r.quadrant) {
    case 0:
      return ToDouble(c, false);
    case 1:
      return ToDouble(s, !r.neg);
    case 2:
      return ToDouble(c, true);
    default:
      return ToDouble(s, r.neg);
  }
}

double TanPrecise(double x) {
  const Reduced r = Reduce(x < 0 ? -x : x);
  Fix s, c;
  SinCosSeries(r.rho, &s, &c);
  const bool neg = x < 0;
  // tan is odd and has period pi; in the odd quadrants it is -cot(r).
  if ((r.quadrant & 1) == 0) return ToDouble(Mul(s, Recip(c)), neg != r.neg);
  return ToDouble(Mul(c, Recip(s)), neg == r.neg);
}

double Atan2Precise(double y, double x) {
  const double ay = y < 0 ? -y : y;
  const double ax = x < 0 ? -x : x;
  const bool swap = ay > ax;
  const double num = swap ? ax : ay;
  const double den = swap ? ay : ax;
  // num / den = (mn / md) * 2^(en - ed) with mn, md 53-bit integers; the
  // subnormals are normalised first.
  auto parts = [](double v, u64* m, int* e) {
    u64 bits = __builtin_bit_cast(u64, v);
    int ex = static_cast<int>(bits >> 52);
    u64 mant = bits & ((u64{1} << 52) - 1);
    if (ex == 0) {
      const int shift = __builtin_clzll(mant) - 11;
      mant <<= shift;
      ex = 1 - shift;
    }
    *m = mant | (u64{1} << 52);
    *e = ex;
  };
  u64 mn, md;
  int en, ed;
  parts(num, &mn, &en);
  parts(den, &md, &ed);
  const Fix q = Shift(DivSmall(FixInt(mn), md), en - ed);
  Fix a = AtanSeries(q);
  if (swap) a = Sub(kFixHalfPi, a);
  if (x < 0) a = Sub(kFixPi, a);
  return ToDouble(a, y < 0);
}

}  // namespace quorvex::math_detail
