#include "orbit/kepler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "tests/orbit/expect_vector.h"

namespace quorvex {
namespace {

using testing::ExpectNear;

double Length(const Vec3& v) {
  return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
}

TEST(DegToRad, UsesTheFifteenDigitPi) {
  EXPECT_EQ(DegToRad(180.0), 3.14159265358979);
  EXPECT_NE(DegToRad(180.0), std::numbers::pi);
  EXPECT_EQ(DegToRad(0.0), 0.0);
}

TEST(SolveKepler, ReturnsAfterOneIterationInTheTrivialCases) {
  for (double e : {0.0, 0.00858587, 0.24880766, 0.4}) EXPECT_EQ(SolveKepler(0.0, e), 0.0) << e;
  for (double m : {1.0, 90.0, 200.0, 12345.6}) EXPECT_EQ(SolveKepler(m, 0.0), DegToRad(m)) << m;
}

TEST(SolveKepler, SolvesKeplersEquationForBothEccentricities) {
  for (double e : {NeptuneElements.e, PlutoElements.e}) {
    for (double m = -720.0; m <= 720.0; m += 7.25) {
      const double E = SolveKepler(m, e);
      EXPECT_NEAR(E - e * std::sin(E), DegToRad(m), 1e-9) << "e=" << e << " M=" << m;
    }
  }
}

TEST(SolveKepler, InterleavedEquationsGiveTheSameBits) {
  // Anomalies whose equations need from one to 31 iterations, in groups of
  // every size around the interleaving's group of 16.
  std::vector<double> m;
  for (double v = -200.0; v < 110000.0; v += 3.7 + std::fabs(v) * 0.05) m.push_back(v);
  for (double e : {NeptuneElements.e, PlutoElements.e}) {
    for (std::size_t n : {std::size_t{1}, std::size_t{15}, std::size_t{17}, m.size()}) {
      std::vector<double> E(n);
      SolveKeplerInterleaved(m.data(), e, E.data(), static_cast<int>(n));
      for (std::size_t i = 0; i < n; ++i) EXPECT_EQ(E[i], SolveKepler(m[i], e)) << "e=" << e << " M=" << m[i];
    }
  }
}

// An element set with the given orientation angles (degrees).
KeplerOrbit Oriented(double omega, double Omega, double i) {
  return KeplerOrbit({30.0, 0.1, i, Omega, omega, 0.0, 0.0});
}

TEST(ToEcliptic, IdentityWithZeroAngles) {
  const Vec3 v = Oriented(0.0, 0.0, 0.0).ToEcliptic(1.25, -3.5);
  EXPECT_EQ(v.x, 1.25);
  EXPECT_EQ(v.y, -3.5);
  EXPECT_EQ(v.z, 0.0);
}

TEST(ToEcliptic, PastTheNodeMeansAboveTheEcliptic) {
  // Argument of latitude 90 degrees on an inclined orbit: z is positive.
  const Vec3 v = Oriented(0.0, 40.0, 30.0).ToEcliptic(0.0, 1.0);
  EXPECT_NEAR(v.z, 0.5, 1e-12);
}

TEST(MeanAnomalyAt, EpochValues) {
  EXPECT_NEAR(MeanAnomalyAt(PlutoElements, 0.0), 14.86205, 5e-9);
  EXPECT_NEAR(MeanAnomalyAt(NeptuneElements, 0.0), 259.90868, 5e-9);
  // Mean motions in degrees per day.
  EXPECT_NEAR(MeanAnomalyAt(PlutoElements, 1.0) - MeanAnomalyAt(PlutoElements, 0.0), 0.0039729, 5e-8);
  EXPECT_NEAR(MeanAnomalyAt(NeptuneElements, 1.0) - MeanAnomalyAt(NeptuneElements, 0.0), 0.0059777, 5e-8);
}

TEST(PlutoStartState, MatchesTheKeplerianStart) {
  const double E = SolveKepler(MeanAnomalyAt(PlutoElements, 0.0), PlutoElements.e);
  EXPECT_NEAR(E, 0.3430903, 5e-8);
  EXPECT_NEAR(TrueAnomalyFromEccentric(E), 0.4395400, 5e-8);

  const PlutoStart s = PlutoStartState();
  ExpectNear(s.position, -9.883089, -27.96400, 5.851787, 5e-6);
  EXPECT_NEAR(Length(s.position), 30.23085, 5e-6);
  ExpectNear(s.velocity, 0.003031752, -0.001543950, -0.0007117651, 5e-10);
  EXPECT_NEAR(Length(s.velocity), 0.003475905, 5e-10);
  EXPECT_EQ(PlutoStartVelocity(E).z, 0.0);
}

TEST(PositionAt, NeptuneAtEpoch) {
  const Vec3 n = KeplerOrbit(NeptuneElements).PositionAt(0.0);
  ExpectNear(n, 16.80448, -24.99175, 0.1263214, 5e-6);
  EXPECT_NEAR(Length(n), 30.11634, 5e-6);
}

TEST(PositionAt, LargeAnomalyEqualsTheReducedOne) {
  // Late in a 50000-year run Neptune's mean anomaly is above 109000 degrees.
  const double t = 50000.0 * 365.4;
  const KeplerOrbit orbit(NeptuneElements);
  const double m = MeanAnomalyAt(NeptuneElements, t);
  ASSERT_GT(m, 109000.0);
  const Vec3 late = orbit.PositionAt(t);
  // The same position as the anomaly reduced by whole turns, to about
  // 1e-10 AU (360 degrees are not exactly 2 pi with the 15-digit pi)...
  const Vec3 reduced = orbit.PositionFromEccentric(SolveKepler(std::fmod(m, 360.0), orbit.e));
  ExpectNear(late, reduced.x, reduced.y, reduced.z, 1e-9);
  // ...and the one worked out to 12 digits from the same double anomaly in
  // 200-bit arithmetic (mpmath): Kepler's equation solved exactly, the
  // ellipse and its turn into the ecliptic with exact sines and cosines.
  ExpectNear(late, 5.74735044533, 29.2863684836, -0.734514740138, 1e-9);
}

}  // namespace
}  // namespace quorvex
