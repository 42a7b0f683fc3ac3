#include "orbit/integrator.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <string>

#include "tests/orbit/expect_vector.h"

namespace quorvex {
namespace {

using testing::ExpectNear;

TEST(Measures, SeparationAndSpeed) {
  // Differences of (2, 3, 6) and (1, 4, 8) are 7 and 9 apart, exactly.
  const Vec3 a{1.5, -2.0, 7.25};
  EXPECT_EQ(Separation(a, a), 0.0);
  EXPECT_EQ(Separation(a, {-0.5, -5.0, 1.25}), 7.0);
  EXPECT_EQ(Separation({-0.5, -5.0, 1.25}, {0.5, -1.0, 9.25}), 9.0);
  EXPECT_EQ(Speed({3.0, 4.0, 0.0}), 5.0);
}

TEST(Measures, NeptuneFrameRotation) {
  // Longitude 0 leaves a vector as it is; 90 degrees turns (x, y) into (y, -x).
  const Vec3 v{1.5, -2.5, 3.0};
  const Vec3 alongX = InTurningFrame(1.0, 0.0, v);
  EXPECT_EQ(alongX.x, v.x);
  EXPECT_EQ(alongX.y, v.y);
  EXPECT_EQ(alongX.z, v.z);
  ExpectNear(InTurningFrame(0.0, 1.0, v), v.y, -v.x, v.z, 0.0);

  // Neptune in its own turning frame lies on the x axis, at its distance
  // from the Sun in the ecliptic plane.
  for (double t : {0.0, 100.0, 18262000.0}) {
    const NeptuneStep n = NeptuneStepAt(KeplerOrbit(NeptuneElements), t);
    ExpectNear(n.rot, std::sqrt(n.pos.x * n.pos.x + n.pos.y * n.pos.y), 0.0, n.pos.z, 1e-13);
  }
}

TEST(PlutoAcceleration, AtTheStartWithAndWithoutTheInteraction) {
  const PlutoStart p = PlutoStartState();
  const Vec3 n = KeplerOrbit(NeptuneElements).PositionAt(0.0);
  ExpectNear(PlutoAcceleration(p.position, n, true), 1.058636e-07, 2.995260e-07, -6.268015e-08, 5e-13);
  ExpectNear(PlutoAcceleration(p.position, n, false), 1.058440e-07, 2.995238e-07, -6.267594e-08, 5e-13);
  EXPECT_NEAR(Separation(p.position, n), 27.45617, 5e-6);
}

TEST(PlutoAcceleration, WithoutInteractionOnlyTheSunAndTheIndirectTermRemain) {
  // -k^2 P / |P|^3 - k^2 m N / |N|^3 for these P and N, worked out to 12
  // digits in 200-bit arithmetic (mpmath) from the constants' doubles.
  ExpectNear(PlutoAcceleration({-9.5, -28.0, 5.5}, {17.0, -24.0, 0.25}, false), 1.03331055477e-7,
             3.04599047238e-7, -5.98292835066e-8, 1e-18);
}

TEST(Integrator, FirstSampleOfTheDefaultRun) {
  IntegratorState st = StartIntegrator(50, true);
  EXPECT_EQ(st.dt, 50.0);
  EXPECT_EQ(st.twoDt, 100.0);
  EXPECT_EQ(st.t, 100.0);

  const StepSample s = AdvanceIntegrator(st);
  EXPECT_EQ(s.t, 100.0);
  ExpectNear(s.plutoPos, -9.579385, -28.11690, 5.780297, 5e-6);
  ExpectNear(s.neptunePos, 17.06190, -24.81356, 0.1167236, 5e-6);
  EXPECT_NEAR(s.separation, 27.43622, 5e-6);
  EXPECT_NEAR(s.speed, 0.003473085, 5e-10);
  ExpectNear(s.neptuneRot, 30.11347, 0.0, 0.1167236, 5e-6);
  ExpectNear(s.plutoRot, 17.74082, -23.82410, 5.780297, 5e-6);
  EXPECT_EQ(st.t, 150.0);
}

TEST(Integrator, SampleTimesAreWholeSteps) {
  for (int step : {1, 7, 50, 250}) {
    IntegratorState st = StartIntegrator(step, false);
    for (int k = 1; k <= 40; ++k) {
      const StepSample s = AdvanceIntegrator(st);
      ASSERT_EQ(s.t, (k + 1) * static_cast<double>(step)) << "step " << step << " k " << k;
      ASSERT_EQ(st.t, s.t + step);
    }
  }
}

struct RunResult {
  long samples = 0;
  double shortest = 80.0;
};

RunResult RunDefault(bool interactionOn) {
  const double end = 35000.0 * 365.4;
  IntegratorState st = StartIntegrator(50, interactionOn);
  RunResult r;
  while (st.t < end) {
    const StepSample s = AdvanceIntegrator(st);
    ++r.samples;
    if (s.separation < r.shortest) r.shortest = s.separation;
  }
  return r;
}

std::string Fixed5(double v) {
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 5);
  return std::string(buf, res.ptr);
}

TEST(Integrator, DefaultRunEndToEnd) {
  const RunResult on = RunDefault(true);
  EXPECT_EQ(on.samples, 255778);
  EXPECT_EQ(Fixed5(on.shortest), "18.19664");

  const RunResult off = RunDefault(false);
  EXPECT_EQ(off.samples, 255778);
  EXPECT_EQ(Fixed5(off.shortest), "2.58479");
}

}  // namespace
}  // namespace quorvex
