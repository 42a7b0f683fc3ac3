#pragma once

#include "orbit/vec3.h"

namespace quorvex {

// One body's fixed Keplerian element set. Angles are in degrees.
struct OrbitalElements {
  double a;      // semi-major axis, AU
  double e;      // eccentricity
  double i;      // inclination to the ecliptic
  double Omega;  // longitude of the ascending node
  double omega;  // argument of perihelion
  double L;      // mean longitude at t = 0
  double m;      // the body's own mass in solar masses (mean motion only)
};

inline constexpr OrbitalElements NeptuneElements{
    30.06896348, 0.00858587, 1.76917, 131.72169, -86.75034, 304.88003, 5.146659969864389e-05};

// Pluto's omega is the double just below 113.76329, written as given.
inline constexpr OrbitalElements PlutoElements{39.48168677,        0.24880766, 17.14175, 110.30347,
                                               113.76328999999998, 238.92881,  0.0};

// The 15-digit value of pi the model is defined with (not M_PI).
inline constexpr double kPi = 3.14159265358979;
inline constexpr double kOneOver180 = 0.005555555555555556;
// The Sun's gravitational parameter in degree units (deg^2 AU^3 / day^2).
// It is a constant of its own, not derived from kGauss at run time.
inline constexpr double kSunGmDegrees = 0.9714226873825793;
// The Gaussian gravitational constant (radians, AU^(3/2) / day).
inline constexpr double kGauss = 0.01720209895;
// The Kepler iteration stops once |residual| * this is no longer above 1,
// that is once the residual is at most 1e-9 radians.
inline constexpr double kKeplerStopFactor = 999999999.9999999;
// (1 + e) / (1 - e) for Pluto's eccentricity, as evaluated in doubles.
inline constexpr double kPlutoEccentricityRatio = 1.6624339646487876;

// Angle in degrees to radians: (deg * 1/180) * pi, in that order.
constexpr double DegToRad(double deg) {
  return (deg * kOneOver180) * kPi;
}

// Mean anomaly in degrees at t days, not reduced modulo 360.
double MeanAnomalyAt(const OrbitalElements& elements, double t);

// Solves E - e sin E = M for the eccentric anomaly E (radians), M in degrees.
double SolveKepler(double meanAnomalyDeg, double e);

// Solves n equations at once: E[i] = SolveKepler(meanAnomalyDeg[i], e), to
// the last bit. Every equation goes through exactly SolveKepler's
// operations in the same order; the equations are only interleaved, so that
// the sines and cosines of different equations, which do not depend on each
// other, can be worked on side by side.
void SolveKeplerInterleaved(const double* meanAnomalyDeg, double e, double* E, int n);

// Pluto's true anomaly for an eccentric anomaly 0 <= E < pi.
double TrueAnomalyFromEccentric(double E);

// Pluto's velocity in its orbital plane (AU/day, z = 0) at eccentric anomaly E.
Vec3 PlutoStartVelocity(double E);

struct PlutoStart {
  Vec3 position;  // AU
  Vec3 velocity;  // AU/day
};

// Pluto's Keplerian position and velocity at t = 0, ecliptic frame.
PlutoStart PlutoStartState();

// The parts of PositionAt that do not depend on time, worked out once so
// that a body can be placed many times cheaply. Placing a body through it
// gives exactly the values of PositionAt: the same operations on the same
// numbers, with the sines and cosines of the constant angles taken once.
struct KeplerOrbit {
  explicit KeplerOrbit(const OrbitalElements& elements);

  Vec3 PositionAt(double t) const;
  // The mean anomaly at time t, degrees, not reduced.
  double MeanAt(double t) const { return meanMotion * t + meanAtEpoch; }
  // The point on the ellipse for the eccentric anomaly E, in the ecliptic
  // frame.
  Vec3 PositionFromEccentric(double E) const;
  // The same from sin E and cos E.
  Vec3 PositionFromSinCos(double sinE, double cosE) const;
  Vec3 ToEcliptic(double x, double y) const;

  double a;
  double e;
  double b;            // sqrt(1 - e^2) * a
  double meanMotion;   // degrees per day
  double meanAtEpoch;  // (L - omega) - Omega, degrees
  double cosOmegaPeri, sinOmegaPeri;
  double cosNode, sinNode;
  double cosIncl, sinIncl;
};

}  // namespace quorvex
