#include "orbit/kepler.h"

#include <cmath>

#include "orbit/math.h"

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
    const SinCosPair sc = SinCos(E);
    const double s = sc.sin;
    const double c = sc.cos;
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
      // The sines and cosines of all open equations first: they do not
      // depend on each other, and SinCosMany works on several at once (to
      // the same bits as SinCos).
      SinCosPair sc[kGroup];
      SinCosMany(cur, open, sc);
      for (int j = 0; j < open; ++j) {
        // `kept` never passes j, so the writes below only reach entries
        // already read.
        const double x = cur[j];
        const double f = (x - e * sc[j].sin) - mr[j];
        const double next = x - (1.0 - e * sc[j].cos) * f;
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
      cosOmegaPeri(Cos(DegToRad(el.omega))),
      sinOmegaPeri(Sin(DegToRad(el.omega))),
      cosNode(Cos(DegToRad(el.Omega))),
      sinNode(Sin(DegToRad(el.Omega))),
      cosIncl(Cos(DegToRad(el.i))),
      sinIncl(Sin(DegToRad(el.i))) {}

Vec3 KeplerOrbit::ToEcliptic(double x, double y) const {
  const double x1 = x * cosOmegaPeri - y * sinOmegaPeri;
  const double y1 = x * sinOmegaPeri + y * cosOmegaPeri;
  const double y1c = y1 * cosIncl;
  return {x1 * cosNode - y1c * sinNode, x1 * sinNode + y1c * cosNode, y1 * sinIncl};
}

Vec3 KeplerOrbit::PositionFromEccentric(double E) const {
  const SinCosPair sc = SinCos(E);
  return PositionFromSinCos(sc.sin, sc.cos);
}

Vec3 KeplerOrbit::PositionFromSinCos(double sinE, double cosE) const {
  return ToEcliptic((cosE - e) * a, sinE * b);
}

Vec3 KeplerOrbit::PositionAt(double t) const {
  return PositionFromEccentric(SolveKepler(MeanAt(t), e));
}

double TrueAnomalyFromEccentric(double E) {
  const double tanHalf = Tan(E / 2.0);
  return 2.0 * Atan(std::sqrt(kPlutoEccentricityRatio * Square(tanHalf)));
}

Vec3 PlutoStartVelocity(double E) {
  const double e = PlutoElements.e;
  const double p = (1.0 - Square(e)) * PlutoElements.a;
  const double h = std::sqrt(Square(kGauss) * p);
  const double nu = TrueAnomalyFromEccentric(E);
  return {-(Sin(nu) * h) / p, ((Cos(nu) + e) * h) / p, 0.0};
}

PlutoStart PlutoStartState() {
  const KeplerOrbit pluto(PlutoElements);
  const double E = SolveKepler(MeanAnomalyAt(PlutoElements, 0.0), PlutoElements.e);
  const Vec3 position = pluto.PositionFromEccentric(E);
  const Vec3 v = PlutoStartVelocity(E);
  return {position, pluto.ToEcliptic(v.x, v.y)};
}

}  // namespace quorvex
