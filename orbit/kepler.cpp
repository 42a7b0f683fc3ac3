#include "orbit/kepler.h"

#include <cmath>

namespace quorvex {
namespace {

double Square(double v) {
  return v * v;
}
double Cube(double v) {
  return v * v * v;
}

double MeanMotion(const OrbitalElements& el) {
  return std::sqrt(((el.m + 1.0) * kSunGmDegrees) / Cube(el.a));
}

double MeanAtEpoch(const OrbitalElements& el) {
  return (el.L - el.omega) - el.Omega;
}

double MinorAxis(const OrbitalElements& el) {
  return std::sqrt(1.0 - Square(el.e)) * el.a;
}

}  // namespace

double MeanAnomalyAt(const OrbitalElements& elements, double t) {
  return MeanMotion(elements) * t + MeanAtEpoch(elements);
}

double SolveKepler(double meanAnomalyDeg, double e) {
  const double mr = DegToRad(meanAnomalyDeg);
  double E = mr;
  for (;;) {
    const double s = std::sin(E);
    const double c = std::cos(E);
    const double f = (E - e * s) - mr;
    // The residual is multiplied by (1 - e cos E), not divided by it; the
    // stop test looks at the residual this iteration started with.
    E = E - (1.0 - e * c) * f;
    if (!(std::fabs(f) * kKeplerStopFactor > 1.0)) return E;
  }
}

void SolveKeplerInterleaved(const double* meanAnomalyDeg, double e, double* E, int n) {
  // Groups of equations small enough to stay in registers and the first
  // level of cache; within a group the unfinished ones are kept packed at
  // the front, so that each pass runs only over those still iterating.
  constexpr int kGroup = 16;
  for (int first = 0; first < n; first += kGroup) {
    const int count = n - first < kGroup ? n - first : kGroup;
    double mr[kGroup];
    double cur[kGroup];
    int lane[kGroup];
    for (int j = 0; j < count; ++j) {
      mr[j] = DegToRad(meanAnomalyDeg[first + j]);
      cur[j] = mr[j];
      lane[j] = first + j;
    }
    int open = count;
    while (open > 0) {
      int kept = 0;
      for (int j = 0; j < open; ++j) {
        const double x = cur[j];
        const double s = std::sin(x);
        const double c = std::cos(x);
        const double f = (x - e * s) - mr[j];
        const double next = x - (1.0 - e * c) * f;
        if (std::fabs(f) * kKeplerStopFactor > 1.0) {
          mr[kept] = mr[j];
          cur[kept] = next;
          lane[kept] = lane[j];
          ++kept;
        } else {
          E[lane[j]] = next;
        }
      }
      open = kept;
    }
  }
}

KeplerOrbit::KeplerOrbit(const OrbitalElements& el)
    : a(el.a),
      e(el.e),
      b(MinorAxis(el)),
      meanMotion(MeanMotion(el)),
      meanAtEpoch(MeanAtEpoch(el)),
      cosOmegaPeri(std::cos(DegToRad(el.omega))),
      sinOmegaPeri(std::sin(DegToRad(el.omega))),
      cosNode(std::cos(DegToRad(el.Omega))),
      sinNode(std::sin(DegToRad(el.Omega))),
      cosIncl(std::cos(DegToRad(el.i))),
      sinIncl(std::sin(DegToRad(el.i))) {}

Vec3 KeplerOrbit::ToEcliptic(double x, double y) const {
  const double x1 = x * cosOmegaPeri - y * sinOmegaPeri;
  const double y1 = x * sinOmegaPeri + y * cosOmegaPeri;
  const double y1c = y1 * cosIncl;
  return {x1 * cosNode - y1c * sinNode, x1 * sinNode + y1c * cosNode, y1 * sinIncl};
}

Vec3 KeplerOrbit::PositionFromEccentric(double E) const {
  return ToEcliptic((std::cos(E) - e) * a, std::sin(E) * b);
}

Vec3 KeplerOrbit::PositionAt(double t) const {
  return PositionFromEccentric(SolveKepler(MeanAt(t), e));
}

Vec3 OrbitalToEcliptic(double x, double y, double omegaDeg, double OmegaDeg, double iDeg) {
  const double w = DegToRad(omegaDeg);
  const double node = DegToRad(OmegaDeg);
  const double incl = DegToRad(iDeg);
  const double x1 = x * std::cos(w) - y * std::sin(w);
  const double y1 = x * std::sin(w) + y * std::cos(w);
  return {x1 * std::cos(node) - (y1 * std::cos(incl)) * std::sin(node),
          x1 * std::sin(node) + (y1 * std::cos(incl)) * std::cos(node), y1 * std::sin(incl)};
}

Vec3 PositionAt(const OrbitalElements& elements, double t) {
  return KeplerOrbit(elements).PositionAt(t);
}

double TrueAnomalyFromEccentric(double E) {
  const double tanHalf = std::tan(E / 2.0);
  return 2.0 * std::atan(std::sqrt(kPlutoEccentricityRatio * Square(tanHalf)));
}

Vec3 PlutoStartVelocity(double E) {
  const double e = PlutoElements.e;
  const double p = (1.0 - Square(e)) * PlutoElements.a;
  const double h = std::sqrt(Square(kGauss) * p);
  const double nu = TrueAnomalyFromEccentric(E);
  return {-(std::sin(nu) * h) / p, ((std::cos(nu) + e) * h) / p, 0.0};
}

PlutoStart PlutoStartState() {
  const KeplerOrbit pluto(PlutoElements);
  const double E = SolveKepler(MeanAnomalyAt(PlutoElements, 0.0), PlutoElements.e);
  const Vec3 position = pluto.PositionFromEccentric(E);
  const Vec3 v = PlutoStartVelocity(E);
  return {position, pluto.ToEcliptic(v.x, v.y)};
}

}  // namespace quorvex
