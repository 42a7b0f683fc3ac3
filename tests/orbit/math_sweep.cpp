// The large sweep of the run's trigonometric functions against MPFR: every
// argument that any run passes to them, and tens of millions of arguments
// drawn over the ranges the run uses. Minutes of work: label `sweep`, run
// with `ctest --preset release -L sweep` (or the program itself).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>

#include "orbit/kepler.h"
#include "orbit/math.h"
#include "tests/orbit/mpfr_reference.h"

namespace quorvex {
namespace {

using testing::Fn;
using testing::MpfrReference;
using testing::SameDouble;

struct Tally {
  long tried[5] = {};
  long wrong = 0;
  MpfrReference ref;

  void Check(Fn f, double got, double a, double b = 0.0) {
    ++tried[static_cast<int>(f)];
    const double want = ref(f, a, b);
    if (!SameDouble(got, want) && ++wrong <= 5)
      ADD_FAILURE() << "function " << static_cast<int>(f) << " at " << std::hexfloat << a << ", " << b << ": "
                    << got << ", MPFR " << want;
  }
  void Print(const char* what) const {
    std::printf("%s: sin %ld, cos %ld, tan %ld, atan %ld, atan2 %ld arguments, %ld wrong\n", what, tried[0],
                tried[1], tried[2], tried[3], tried[4], wrong);
  }
};

// The whole days of the longest run, 50000 years of 365.4 days: every run,
// whatever its step, evaluates Neptune at whole days within them, and
// Neptune's position and longitude depend on the day alone.
constexpr long kLastDay = 18270000;
constexpr int kShards = 16;

class RunArguments : public ::testing::TestWithParam<int> {};

TEST_P(RunArguments, EveryNeptuneArgumentIsCorrectlyRounded) {
  const KeplerOrbit neptune(NeptuneElements);
  const long first = kLastDay / kShards * GetParam();
  const long last = GetParam() == kShards - 1 ? kLastDay : kLastDay / kShards * (GetParam() + 1) - 1;
  Tally tally;
  for (long day = first; day <= last; ++day) {
    // Kepler's equation as SolveKepler solves it, checking each iterate.
    const double e = neptune.e;
    const double mr = DegToRad(neptune.MeanAt(static_cast<double>(day)));
    double E = mr;
    for (;;) {
      const SinCosPair sc = SinCos(E);
      tally.Check(Fn::kSin, sc.sin, E);
      tally.Check(Fn::kCos, sc.cos, E);
      const double f = (E - e * sc.sin) - mr;
      E = E - (1.0 - e * sc.cos) * f;
      if (!(std::fabs(f) * kKeplerStopFactor > 1.0)) break;
    }
    const SinCosPair sc = SinCos(E);
    tally.Check(Fn::kSin, sc.sin, E);
    tally.Check(Fn::kCos, sc.cos, E);
    const Vec3 pos = neptune.PositionFromSinCos(sc.sin, sc.cos);
    const double theta = Atan2(pos.y, pos.x);
    tally.Check(Fn::kAtan2, theta, pos.y, pos.x);
    const SinCosPair rot = SinCos(theta);
    tally.Check(Fn::kSin, rot.sin, theta);
    tally.Check(Fn::kCos, rot.cos, theta);
  }
  EXPECT_EQ(tally.wrong, 0);
  tally.Print("days of the runs");
}

INSTANTIATE_TEST_SUITE_P(Shards, RunArguments, ::testing::Range(0, kShards));

class Uniform : public ::testing::TestWithParam<int> {};

TEST_P(Uniform, ArgumentsOverTheRunsRangesAreCorrectlyRounded) {
  std::mt19937_64 g(1000 + GetParam());
  std::uniform_real_distribution<double> anomaly(-2200.0, 2200.0), coordinate(-32.0, 32.0), small(-1.6, 1.6);
  Tally tally;
  for (int i = 0; i < 1000000; ++i) {
    const double x = anomaly(g);
    const SinCosPair sc = SinCos(x);
    tally.Check(Fn::kSin, sc.sin, x);
    tally.Check(Fn::kCos, sc.cos, x);
    const double y = coordinate(g), xx = coordinate(g);
    tally.Check(Fn::kAtan2, Atan2(y, xx), y, xx);
    const double s = i % 2 ? small(g) : anomaly(g);
    tally.Check(Fn::kTan, Tan(s), s);
    tally.Check(Fn::kAtan, Atan(s * 4.0), s * 4.0);
  }
  EXPECT_EQ(tally.wrong, 0);
  tally.Print("uniform");
}

INSTANTIATE_TEST_SUITE_P(Shards, Uniform, ::testing::Range(0, 8));

}  // namespace
}  // namespace quorvex
