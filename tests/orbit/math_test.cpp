// The run's trigonometric functions against MPFR's correctly rounded values.
#include "orbit/math.h"

#include <gtest/gtest.h>
#include <mpfr.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "orbit/kepler.h"
#include "orbit/math_internal.h"
#include "tests/orbit/mpfr_reference.h"

namespace quorvex {
namespace {

using testing::Fn;
using testing::MpfrReference;
using testing::SameDouble;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kMin = std::numeric_limits<double>::min();
constexpr double kTrue = std::numeric_limits<double>::denorm_min();
constexpr double kMax = std::numeric_limits<double>::max();

double Ours(Fn f, double x, double y) {
  switch (f) {
    case Fn::kSin:
      return Sin(x);
    case Fn::kCos:
      return Cos(x);
    case Fn::kTan:
      return Tan(x);
    case Fn::kAtan:
      return Atan(x);
    case Fn::kAtan2:
      return Atan2(x, y);
  }
  return 0.0;
}

const char* Name(Fn f) {
  switch (f) {
    case Fn::kSin:
      return "Sin";
    case Fn::kCos:
      return "Cos";
    case Fn::kTan:
      return "Tan";
    case Fn::kAtan:
      return "Atan";
    case Fn::kAtan2:
      return "Atan2";
  }
  return "";
}

// Checks f at each argument (for Atan2: y, x) against MPFR; reports the first
// few mismatches and returns their number.
int Mismatches(MpfrReference& ref, Fn f, const std::vector<double>& a, const std::vector<double>& b = {}) {
  int bad = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    const double y = b.empty() ? 0.0 : b[i];
    const double got = Ours(f, a[i], y);
    const double want = ref(f, a[i], y);
    if (!SameDouble(got, want) && ++bad <= 5) {
      ADD_FAILURE() << Name(f) << "(" << std::hexfloat << a[i] << (b.empty() ? "" : ", ")
                    << (b.empty() ? std::string() : std::to_string(y)) << ") = " << got << ", MPFR " << want;
    }
  }
  return bad;
}

double Uniform(std::mt19937_64& g, double lo, double hi) {
  return std::uniform_real_distribution<double>(lo, hi)(g);
}

double RandomBits(std::mt19937_64& g) {
  return std::bit_cast<double>(g());
}

TEST(MathFunctions, SpecialValuesAsMpfrAndCDefineThem) {
  const std::vector<double> singles = {0.0,      -0.0,
                                       kInf,     -kInf,
                                       kNaN,     kTrue,
                                       -kTrue,   kMin,
                                       -kMin,    0x1p-27,
                                       -0x1p-27, 0x1.fffffffffffffp-28,
                                       0x1p20,   0x1.0000000000001p20,
                                       kMax,     -kMax,
                                       1e300,    1e22,
                                       0x1p1023, 3.0};
  MpfrReference ref;
  for (Fn f : {Fn::kSin, Fn::kCos, Fn::kTan, Fn::kAtan}) EXPECT_EQ(Mismatches(ref, f, singles), 0) << Name(f);
  std::vector<double> ys, xs;
  const std::vector<double> parts = {0.0,  -0.0,  kInf,   -kInf, kNaN,  1.0,
                                     -1.0, kTrue, -kTrue, kMax,  -kMax, 3.5};
  for (double y : parts)
    for (double x : parts) {
      ys.push_back(y);
      xs.push_back(x);
    }
  EXPECT_EQ(Mismatches(ref, Fn::kAtan2, ys, xs), 0);
  // The signs of zeros, which the comparison above checks bit by bit, once
  // more in words.
  EXPECT_TRUE(std::signbit(Sin(-0.0)));
  EXPECT_TRUE(std::signbit(Atan2(-0.0, 1.0)));
  EXPECT_EQ(Atan2(-0.0, -1.0), -Atan2(0.0, -1.0));
  EXPECT_EQ(Cos(-0.0), 1.0);
}

struct ArgumentClass {
  const char* name;
  std::function<double(std::mt19937_64&)> draw;
};

// Classes of single arguments: the ranges of the run, multiples of pi/2 and
// pi/4 and their neighbours, tiny, huge and any bits at all.
std::vector<ArgumentClass> SingleClasses() {
  return {
      {"eccentric anomalies", [](std::mt19937_64& g) { return Uniform(g, -2200.0, 2200.0); }},
      {"longitudes", [](std::mt19937_64& g) { return Uniform(g, -3.2, 3.2); }},
      {"first octant", [](std::mt19937_64& g) { return Uniform(g, 0.0, 0.8); }},
      {"near multiples of pi/4",
       [](std::mt19937_64& g) {
         const double k = static_cast<double>(g() % (1u << 21)) - static_cast<double>(1u << 20);
         const double near = k * 0.78539816339744830962;
         // The double itself, or a few ulps off.
         const int steps = static_cast<int>(g() % 9) - 4;
         double x = near;
         for (int s = 0; s < std::abs(steps); ++s) x = std::nextafter(x, steps > 0 ? kInf : -kInf);
         return x;
       }},
      {"tiny",
       [](std::mt19937_64& g) { return std::ldexp(Uniform(g, -1.0, 1.0), -static_cast<int>(g() % 1074)); }},
      {"up to 2^20",
       [](std::mt19937_64& g) { return std::ldexp(Uniform(g, -1.0, 1.0), static_cast<int>(g() % 21)); }},
      {"huge",
       [](std::mt19937_64& g) {
         return std::ldexp(Uniform(g, -1.0, 1.0), 21 + static_cast<int>(g() % 1003));
       }},
      {"any bits", [](std::mt19937_64& g) { return RandomBits(g); }},
  };
}

TEST(MathFunctions, AgreeWithMpfrInEveryClassOfArguments) {
  MpfrReference ref;
  std::mt19937_64 g(20261207);
  for (const ArgumentClass& c : SingleClasses()) {
    std::vector<double> xs(4000);
    for (double& x : xs) x = c.draw(g);
    for (Fn f : {Fn::kSin, Fn::kCos, Fn::kTan, Fn::kAtan})
      EXPECT_EQ(Mismatches(ref, f, xs), 0) << Name(f) << " " << c.name;
  }
}

// Pairs for Atan2: Neptune-like positions, every exponent difference,
// near the axes and diagonals, subnormal quotients (including results
// exactly half-way between two subnormals) and any bits.
TEST(MathFunctions, Atan2AgreesWithMpfrForEveryKindOfPair) {
  MpfrReference ref;
  std::mt19937_64 g(17);
  std::vector<double> ys, xs;
  auto add = [&](double y, double x) {
    ys.push_back(y);
    xs.push_back(x);
  };
  for (int i = 0; i < 6000; ++i) add(Uniform(g, -31.0, 31.0), Uniform(g, -31.0, 31.0));
  for (int i = 0; i < 6000; ++i) {
    const int e = static_cast<int>(g() % 2100) - 1050;
    add(std::ldexp(Uniform(g, -1.0, 1.0), e / 2), std::ldexp(Uniform(g, -1.0, 1.0), -e / 2));
  }
  for (int i = 0; i < 2000; ++i) {
    const double x = Uniform(g, -30.0, 30.0);
    add(x * std::ldexp(1.0, -static_cast<int>(g() % 80)), x);  // near the x axis
    add(x, x * std::ldexp(1.0, -static_cast<int>(g() % 80)));  // near the y axis
    add(x, std::nextafter(x, g() & 1 ? kInf : -kInf));         // near the diagonals
  }
  for (int i = 0; i < 2000; ++i) {
    // y / x = n * 2^-1075 exactly for an odd n: half-way between subnormals.
    const double n = static_cast<double>((g() % (1u << 20)) | 1);
    const double x = std::ldexp(1.0, static_cast<int>(g() % 40));
    add(std::ldexp(n, -1075) * x, g() & 1 ? x : -x);
    add(RandomBits(g), RandomBits(g));
  }
  EXPECT_EQ(Mismatches(ref, Fn::kAtan2, ys, xs), 0);
}

// The fast path's unrounded results stay within the bounds that its
// rounding test relies on (measured against MPFR at 200 bits).
TEST(MathFunctions, FastPathStaysWithinItsErrorBounds) {
  mpfr_t exact, sum, arg, arg2;
  mpfr_inits2(200, exact, sum, arg, arg2, static_cast<mpfr_ptr>(nullptr));
  auto relativeError = [&](double hi, double lo) {
    mpfr_set_d(sum, hi, MPFR_RNDN);
    mpfr_add_d(sum, sum, lo, MPFR_RNDN);
    mpfr_sub(sum, sum, exact, MPFR_RNDN);
    mpfr_div(sum, sum, exact, MPFR_RNDN);
    return std::fabs(mpfr_get_d(sum, MPFR_RNDN));
  };
  std::mt19937_64 g(5);
  double worstSinCos = 0.0, worstAtan = 0.0;
  for (int i = 0; i < 20000; ++i) {
    const double x = i % 2 ? Uniform(g, -2200.0, 2200.0)
                           : std::ldexp(Uniform(g, -1.0, 1.0), static_cast<int>(g() % 48) - 27);
    double sh, sl, ch, cl;
    if (math_detail::SinCosFastParts(x, &sh, &sl, &ch, &cl)) {
      mpfr_set_d(arg, x, MPFR_RNDN);
      mpfr_sin(exact, arg, MPFR_RNDN);
      worstSinCos = std::max(worstSinCos, relativeError(sh, sl));
      mpfr_cos(exact, arg, MPFR_RNDN);
      worstSinCos = std::max(worstSinCos, relativeError(ch, cl));
    }
    const double y = Uniform(g, -31.0, 31.0) * std::ldexp(1.0, static_cast<int>(g() % 120) - 60);
    const double xx = Uniform(g, -31.0, 31.0);
    double hi, lo;
    if (math_detail::Atan2FastParts(y, xx, &hi, &lo)) {
      mpfr_set_d(arg, y, MPFR_RNDN);
      mpfr_set_d(arg2, xx, MPFR_RNDN);
      mpfr_atan2(exact, arg, arg2, MPFR_RNDN);
      worstAtan = std::max(worstAtan, relativeError(hi, lo));
    }
  }
  mpfr_clears(exact, sum, arg, arg2, static_cast<mpfr_ptr>(nullptr));
  EXPECT_LT(worstSinCos, math_detail::kSinCosErrorBound);
  EXPECT_LT(worstAtan, math_detail::kAtanErrorBound);
  std::printf("worst relative error of the fast path: sin/cos %a, atan2 %a\n", worstSinCos, worstAtan);
}

// The precise path on its own (the functions reach it only rarely).
TEST(MathFunctions, PrecisePathAgreesWithMpfr) {
  MpfrReference ref;
  std::mt19937_64 g(11);
  int bad = 0;
  for (int i = 0; i < 1500; ++i) {
    const double x = i % 3 == 0   ? Uniform(g, -2200.0, 2200.0)
                     : i % 3 == 1 ? std::ldexp(Uniform(g, -1.0, 1.0), static_cast<int>(g() % 1050) - 26)
                                  : Uniform(g, -0.8, 0.8);
    if (std::fabs(x) < 0x1p-27) continue;
    bad += !SameDouble(math_detail::SinPrecise(x), ref(Fn::kSin, x));
    bad += !SameDouble(math_detail::CosPrecise(x), ref(Fn::kCos, x));
    bad += !SameDouble(math_detail::TanPrecise(x), ref(Fn::kTan, x));
    const double y = Uniform(g, -31.0, 31.0) * std::ldexp(1.0, static_cast<int>(g() % 100) - 50);
    const double xx = Uniform(g, -31.0, 31.0);
    if (std::fabs(y) / std::fabs(xx) > 0x1p-60 && std::fabs(xx) / std::fabs(y) > 0x1p-60)
      bad += !SameDouble(math_detail::Atan2Precise(y, xx), ref(Fn::kAtan2, y, xx));
  }
  EXPECT_EQ(bad, 0);
}

TEST(MathFunctions, ManyAtOnceGivesTheSameBitsAsOneAtATime) {
  std::mt19937_64 g(3);
  std::vector<double> pool = {0.0, -0.0, kInf, kNaN, kTrue, 0x1p-30, 1e300, 0x1p20, 3.0, -1.5};
  for (int i = 0; i < 200; ++i) pool.push_back(Uniform(g, -2200.0, 2200.0));
  for (int n = 0; n <= 13; ++n) {
    for (int round = 0; round < 40; ++round) {
      std::vector<double> x(n), y(n), angle(n);
      for (int i = 0; i < n; ++i) {
        x[i] = pool[g() % pool.size()];
        y[i] = pool[g() % pool.size()];
      }
      std::vector<SinCosPair> sc(n);
      SinCosMany(x.data(), n, sc.data());
      Atan2Many(y.data(), x.data(), n, angle.data());
      for (int i = 0; i < n; ++i) {
        EXPECT_TRUE(SameDouble(sc[i].sin, Sin(x[i]))) << x[i];
        EXPECT_TRUE(SameDouble(sc[i].cos, Cos(x[i]))) << x[i];
        EXPECT_TRUE(SameDouble(angle[i], Atan2(y[i], x[i]))) << y[i] << " " << x[i];
      }
    }
  }
}

// The fixed angles of both bodies and Pluto's start: the element angles, the
// half eccentric anomaly's tangent, the arc tangent and the true anomaly.
TEST(MathFunctions, AgreeWithMpfrAtTheModelsFixedAngles) {
  MpfrReference ref;
  int bad = 0;
  auto check = [&](Fn f, double got, double x) { bad += !SameDouble(got, ref(f, x)); };
  for (const OrbitalElements& el : {NeptuneElements, PlutoElements}) {
    for (double deg : {el.i, el.Omega, el.omega}) {
      check(Fn::kSin, Sin(DegToRad(deg)), DegToRad(deg));
      check(Fn::kCos, Cos(DegToRad(deg)), DegToRad(deg));
    }
  }
  const double E = SolveKepler(MeanAnomalyAt(PlutoElements, 0.0), PlutoElements.e);
  check(Fn::kTan, Tan(E / 2.0), E / 2.0);
  const double t = Tan(E / 2.0);
  const double arg = std::sqrt(kPlutoEccentricityRatio * (t * t));
  check(Fn::kAtan, Atan(arg), arg);
  const double nu = TrueAnomalyFromEccentric(E);
  check(Fn::kSin, Sin(nu), nu);
  check(Fn::kCos, Cos(nu), nu);
  EXPECT_EQ(bad, 0);
}

// The tables the fast path starts from, against MPFR.
TEST(MathTables, HoldTheValuesTheyName) {
  mpfr_t v, a;
  mpfr_inits2(300, v, a, static_cast<mpfr_ptr>(nullptr));
  auto within = [&](double hi, double lo) {
    // |hi + lo - v| <= 2^-104 |v|, and hi is v rounded.
    mpfr_t s;
    mpfr_init2(s, 300);
    mpfr_set_d(s, hi, MPFR_RNDN);
    mpfr_add_d(s, s, lo, MPFR_RNDN);
    mpfr_sub(s, s, v, MPFR_RNDN);
    const double err = std::fabs(mpfr_get_d(s, MPFR_RNDN));
    mpfr_clear(s);
    return err <= std::ldexp(std::fabs(mpfr_get_d(v, MPFR_RNDN)), -104) && hi == mpfr_get_d(v, MPFR_RNDN);
  };
  for (int i = 0; i < math_detail::kSinCosTableSize; ++i) {
    const math_detail::SinCosEntry& e = math_detail::kSinCosTable[i];
    mpfr_set_ui(a, i, MPFR_RNDN);
    mpfr_div_2ui(a, a, 9, MPFR_RNDN);
    mpfr_sin(v, a, MPFR_RNDN);
    EXPECT_TRUE(within(e.sinHi, e.sinLo)) << i;
    mpfr_cos(v, a, MPFR_RNDN);
    EXPECT_TRUE(within(e.cosHi, e.cosLo)) << i;
    // The upper halves have at most 26 significant bits and leave an exact
    // remainder of at most 27.
    for (auto [hi, upper] : {std::pair{e.sinHi, e.sinHiUpper}, std::pair{e.cosHi, e.cosHiUpper}}) {
      EXPECT_EQ(std::fmod(std::ldexp(upper, 25 - std::ilogb(upper == 0 ? 1.0 : upper)), 1.0), 0.0) << i;
      EXPECT_LE(std::fabs(hi - upper), std::ldexp(std::fabs(hi), -26)) << i;
    }
  }
  for (int i = 0; i < math_detail::kAtanTableSize; ++i) {
    mpfr_set_ui(a, i, MPFR_RNDN);
    mpfr_div_2ui(a, a, 8, MPFR_RNDN);
    mpfr_atan(v, a, MPFR_RNDN);
    EXPECT_TRUE(within(math_detail::kAtanTable[i].hi, math_detail::kAtanTable[i].lo)) << i;
  }
  mpfr_clears(v, a, static_cast<mpfr_ptr>(nullptr));
}

}  // namespace
}  // namespace quorvex
