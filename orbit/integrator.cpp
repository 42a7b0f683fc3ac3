#include "orbit/integrator.h"

#include <cmath>

#include "orbit/math.h"

namespace quorvex {
namespace {

inline double Square(double v) {
  return v * v;
}
inline double Cube(double v) {
  return v * v * v;
}

inline Vec3 MulAdd(const Vec3& v, double f, const Vec3& base) {
  return {v.x * f + base.x, v.y * f + base.y, v.z * f + base.z};
}

}  // namespace

Vec3 NeptuneIndirectTerm(const Vec3& N) {
  const double rN = std::sqrt((Square(N.z) + Square(N.y)) + Square(N.x));
  const double mN = kNeptuneMassRatio;
  const double rN3 = Cube(rN);
  return {(N.x * mN) / rN3, (N.y * mN) / rN3, (N.z * mN) / rN3};
}

Vec3 PlutoAccelerationWith(const Vec3& P, const Vec3& N, const Vec3& indirect, bool interactionOn) {
  const double rP = std::sqrt((Square(P.z) + Square(P.y)) + Square(P.x));
  const Vec3 D{N.x - P.x, N.y - P.y, N.z - P.z};
  const double d = std::sqrt((Square(D.x) + Square(D.y)) + Square(D.z));
  const double s = interactionOn ? 1.0 : 0.0;
  const double k2 = Square(kGauss);
  const double mN = kNeptuneMassRatio;
  const double d3 = Cube(d);
  const double rP3 = Cube(rP);
  return {k2 * ((((s * D.x) * mN) / d3 - P.x / rP3) - indirect.x),
          k2 * ((((s * D.y) * mN) / d3 - P.y / rP3) - indirect.y),
          k2 * ((((s * D.z) * mN) / d3 - P.z / rP3) - indirect.z)};
}

Vec3 PlutoAcceleration(const Vec3& P, const Vec3& N, bool interactionOn) {
  return PlutoAccelerationWith(P, N, NeptuneIndirectTerm(N), interactionOn);
}

double Separation(const Vec3& A, const Vec3& B) {
  return std::sqrt((Square(B.z - A.z) + Square(B.y - A.y)) + Square(B.x - A.x));
}

double Speed(const Vec3& V) {
  return std::sqrt((Square(V.z) + Square(V.y)) + Square(V.x));
}

Vec3 InTurningFrame(double cosTheta, double sinTheta, const Vec3& V) {
  return {V.x * cosTheta + V.y * sinTheta, V.y * cosTheta - V.x * sinTheta, V.z};
}

IntegratorState StartIntegrator(int stepDays, bool interactionOn) {
  IntegratorState st;
  st.dt = static_cast<double>(stepDays);
  st.interactionOn = interactionOn;

  const PlutoStart start = PlutoStartState();
  const Vec3 r0 = start.position;
  const Vec3 v0 = start.velocity;
  const Vec3 a0 = PlutoAcceleration(r0, st.neptune.PositionAt(0.0), interactionOn);

  // One explicit Euler step; the position uses the velocity at t = 0.
  const Vec3 v1 = MulAdd(a0, st.dt, v0);
  const Vec3 r1 = MulAdd(v0, st.dt, r0);
  const Vec3 a1 = PlutoAcceleration(r1, st.neptune.PositionAt(st.dt), interactionOn);

  st.rPrev = r0;
  st.vPrev = v0;
  st.rCur = r1;
  st.vCur = v1;
  st.aCur = a1;
  st.twoDt = static_cast<double>(2 * stepDays);
  st.t = st.twoDt;
  return st;
}

NeptuneStep NeptuneStepAt(const KeplerOrbit& neptune, double t) {
  NeptuneStep n;
  n.pos = neptune.PositionAt(t);
  n.indirect = NeptuneIndirectTerm(n.pos);
  // Both rotations of a step turn by Neptune's longitude: take it and its
  // sine and cosine once for the two.
  const SinCosPair sc = SinCos(Atan2(n.pos.y, n.pos.x));
  n.cosTheta = sc.cos;
  n.sinTheta = sc.sin;
  n.rot = InTurningFrame(n.cosTheta, n.sinTheta, n.pos);
  return n;
}

void NeptuneStepsAt(const KeplerOrbit& neptune, double firstT, double dt, int n, NeptuneStep* out) {
  // Each pass below runs one stage of NeptuneStepAt over a group of steps,
  // so that consecutive library calls belong to different steps.
  constexpr int kGroup = 64;
  double mean[kGroup];
  double E[kGroup];
  double theta[kGroup];
  double ys[kGroup];
  double xs[kGroup];
  SinCosPair sc[kGroup];
  for (int first = 0; first < n; first += kGroup) {
    const int count = n - first < kGroup ? n - first : kGroup;
    NeptuneStep* const o = out + first;
    for (int j = 0; j < count; ++j) {
      // The times are whole numbers of days, so that this sum is exact.
      const double t = firstT + static_cast<double>(first + j) * dt;
      mean[j] = neptune.MeanAt(t);
    }
    SolveKeplerInterleaved(mean, neptune.e, E, count);
    // The sines, cosines and arc tangents of the group at once (the Many
    // functions give the same bits as the single ones).
    SinCosMany(E, count, sc);
    for (int j = 0; j < count; ++j) o[j].pos = neptune.PositionFromSinCos(sc[j].sin, sc[j].cos);
    for (int j = 0; j < count; ++j) {
      o[j].indirect = NeptuneIndirectTerm(o[j].pos);
      ys[j] = o[j].pos.y;
      xs[j] = o[j].pos.x;
    }
    Atan2Many(ys, xs, count, theta);
    SinCosMany(theta, count, sc);
    for (int j = 0; j < count; ++j) {
      o[j].cosTheta = sc[j].cos;
      o[j].sinTheta = sc[j].sin;
      o[j].rot = InTurningFrame(sc[j].cos, sc[j].sin, o[j].pos);
    }
  }
}

StepSample AdvanceIntegratorWith(IntegratorState& st, const NeptuneStep& neptune) {
  const Vec3 vNew = MulAdd(st.aCur, st.twoDt, st.vPrev);
  const Vec3 rNew = MulAdd(st.vCur, st.twoDt, st.rPrev);
  const Vec3& N = neptune.pos;
  const Vec3 aNew = PlutoAccelerationWith(rNew, N, neptune.indirect, st.interactionOn);

  StepSample s;
  s.t = st.t;
  s.plutoPos = rNew;
  s.plutoVel = vNew;
  s.neptunePos = N;
  s.separation = Separation(rNew, N);
  s.speed = Speed(vNew);
  s.neptuneRot = neptune.rot;
  s.plutoRot = InTurningFrame(neptune.cosTheta, neptune.sinTheta, rNew);

  MoveOn(st, rNew, vNew, aNew);
  return s;
}

StepSample AdvanceIntegrator(IntegratorState& st) {
  return AdvanceIntegratorWith(st, NeptuneStepAt(st.neptune, st.t));
}

void MoveOn(IntegratorState& st, const Vec3& rNew, const Vec3& vNew, const Vec3& aNew) {
  st.t = st.t + st.dt;
  st.vPrev = st.vCur;
  st.vCur = vNew;
  st.rPrev = st.rCur;
  st.rCur = rNew;
  st.aCur = aNew;
}

}  // namespace quorvex
