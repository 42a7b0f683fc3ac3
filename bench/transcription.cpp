#include "bench/transcription.h"

#include <cmath>

namespace quorvex::transcription {
namespace {

// The exponents are read through a volatile so that the compiler cannot turn
// pow(x, 2.0) into x * x: the yardstick really calls pow, as transcribed.
volatile double two = 2.0;
volatile double three = 3.0;
double Sq(double v) {
  return std::pow(v, two);
}
double Cu(double v) {
  return std::pow(v, three);
}

double Deg(double d) {
  return (d * 0.005555555555555556) * 3.14159265358979;
}

double Mean(const OrbitalElements& el, double t) {
  const double n = std::sqrt(((el.m + 1.0) * 0.9714226873825793) / Cu(el.a));
  return n * t + ((el.L - el.omega) - el.Omega);
}

double Kepler(double m, double e) {
  const double mr = Deg(m);
  double E = mr;
  double f;
  do {
    f = (E - e * std::sin(E)) - mr;
    E = E - (1.0 - e * std::cos(E)) * f;
  } while (std::fabs(f) * 999999999.9999999 > 1.0);
  return E;
}

Vec3 ToEcl(double x, double y, double w, double node, double incl) {
  const double x1 = x * std::cos(Deg(w)) - y * std::sin(Deg(w));
  const double y1 = x * std::sin(Deg(w)) + y * std::cos(Deg(w));
  return {x1 * std::cos(Deg(node)) - (y1 * std::cos(Deg(incl))) * std::sin(Deg(node)),
          x1 * std::sin(Deg(node)) + (y1 * std::cos(Deg(incl))) * std::cos(Deg(node)),
          y1 * std::sin(Deg(incl))};
}

Vec3 Position(const OrbitalElements& el, double t) {
  const double E = Kepler(Mean(el, t), el.e);
  const double b = std::sqrt(1.0 - Sq(el.e)) * el.a;
  return ToEcl((std::cos(E) - el.e) * el.a, std::sin(E) * b, el.omega, el.Omega, el.i);
}

Vec3 Accel(const Vec3& P, const Vec3& N, bool on) {
  const double rP = std::sqrt((Sq(P.z) + Sq(P.y)) + Sq(P.x));
  const double rN = std::sqrt((Sq(N.z) + Sq(N.y)) + Sq(N.x));
  const Vec3 D{N.x - P.x, N.y - P.y, N.z - P.z};
  const double d = std::sqrt((Sq(D.x) + Sq(D.y)) + Sq(D.z));
  const double s = on ? 1.0 : 0.0;
  const double k2 = Sq(0.01720209895);
  const double mN = 5.146659969864389e-05;
  return {k2 * ((((s * D.x) * mN) / Cu(d) - P.x / Cu(rP)) - (N.x * mN) / Cu(rN)),
          k2 * ((((s * D.y) * mN) / Cu(d) - P.y / Cu(rP)) - (N.y * mN) / Cu(rN)),
          k2 * ((((s * D.z) * mN) / Cu(d) - P.z / Cu(rP)) - (N.z * mN) / Cu(rN))};
}

Vec3 Rot(const Vec3& D, const Vec3& V) {
  const double th = std::atan2(D.y, D.x);
  return {V.x * std::cos(th) + V.y * std::sin(th), V.y * std::cos(th) - V.x * std::sin(th), V.z};
}

}  // namespace

StepSample Advance(IntegratorState& st) {
  const Vec3 vNew{st.aCur.x * st.twoDt + st.vPrev.x, st.aCur.y * st.twoDt + st.vPrev.y,
                  st.aCur.z * st.twoDt + st.vPrev.z};
  const Vec3 rNew{st.vCur.x * st.twoDt + st.rPrev.x, st.vCur.y * st.twoDt + st.rPrev.y,
                  st.vCur.z * st.twoDt + st.rPrev.z};
  const Vec3 N = Position(NeptuneElements, st.t);
  const Vec3 aNew = Accel(rNew, N, st.interactionOn);
  StepSample s;
  s.t = st.t;
  s.plutoPos = rNew;
  s.plutoVel = vNew;
  s.neptunePos = N;
  s.separation = std::sqrt((Sq(N.z - rNew.z) + Sq(N.y - rNew.y)) + Sq(N.x - rNew.x));
  s.speed = std::sqrt((Sq(vNew.z) + Sq(vNew.y)) + Sq(vNew.x));
  s.neptuneRot = Rot(N, N);
  s.plutoRot = Rot(N, rNew);
  MoveOn(st, rNew, vNew, aNew);
  return s;
}

}  // namespace quorvex::transcription
