#pragma once

#include <array>

#include "orbit/kepler.h"
#include "orbit/vec3.h"

namespace quorvex {

// Neptune-to-Sun mass ratio; the same value as NeptuneElements.m.
inline constexpr double kNeptuneMassRatio = 5.146659969864389e-05;

// Acceleration of Pluto (AU/day^2) at position P with Neptune at N: the
// Sun's pull, Neptune's direct pull (only when the interaction is on) and
// Neptune's indirect term, which a Sun-centred frame always adds.
Vec3 PlutoAcceleration(const Vec3& P, const Vec3& N, bool interactionOn);

// Neptune's indirect term of Pluto's acceleration before the factor k^2,
// (N mN) / |N|^3 per component: it depends on Neptune's position alone.
Vec3 NeptuneIndirectTerm(const Vec3& N);

// PlutoAcceleration with Neptune's indirect term already known:
// PlutoAcceleration(P, N, on) is PlutoAccelerationWith(P, N,
// NeptuneIndirectTerm(N), on), bit for bit.
Vec3 PlutoAccelerationWith(const Vec3& P, const Vec3& N, const Vec3& indirect, bool interactionOn);

// Distance between two positions.
double Separation(const Vec3& A, const Vec3& B);

// Magnitude of a velocity.
double Speed(const Vec3& V);

// V expressed in the frame that turns with a longitude theta in the ecliptic
// plane, given theta's cosine and sine: its x along the longitude, its y 90
// degrees ahead of it, its z unchanged. Neptune's turning frame is the one
// of theta = atan2(N.y, N.x) (see NeptuneStep).
Vec3 InTurningFrame(double cosTheta, double sinTheta, const Vec3& V);

// One run's integration of Pluto by the explicit midpoint two-step rule.
struct IntegratorState {
  double dt = 0.0;                       // the step, days
  double twoDt = 0.0;                    // twice the integer step, days
  double t = 0.0;                        // time of the next state to be computed
  Vec3 rPrev;                            // Pluto at t - 2 dt
  Vec3 rCur;                             // Pluto at t - dt
  Vec3 vPrev;                            // velocity at t - 2 dt
  Vec3 vCur;                             // velocity at t - dt
  Vec3 aCur;                             // acceleration at rCur, Neptune at t - dt
  bool interactionOn = true;             // Neptune's direct pull, fixed for the run
  KeplerOrbit neptune{NeptuneElements};  // Neptune's ellipse, prepared once per run
};

// What one step hands to the plot.
struct StepSample {
  double t = 0.0;           // days
  Vec3 plutoPos;            // AU
  Vec3 plutoVel;            // AU/day
  Vec3 neptunePos;          // AU
  double separation = 0.0;  // AU
  double speed = 0.0;       // AU/day
  Vec3 neptuneRot;          // Neptune in its own turning frame, AU
  Vec3 plutoRot;            // Pluto in the frame turning with Neptune, AU
};

// A sample's values in the one order in which every listing of them gives
// them (the samples file's columns, digests of a run), and their names there.
inline constexpr char kSampleValueNames[] =
    "t,pluto_x,pluto_y,pluto_z,pluto_vx,pluto_vy,pluto_vz,neptune_x,neptune_y,neptune_z,"
    "separation,speed,neptune_rot_x,neptune_rot_y,neptune_rot_z,pluto_rot_x,pluto_rot_y,pluto_rot_z";
inline std::array<double, 18> SampleValues(const StepSample& s) {
  return {s.t,          s.plutoPos.x, s.plutoPos.y,   s.plutoPos.z,   s.plutoVel.x,
          s.plutoVel.y, s.plutoVel.z, s.neptunePos.x, s.neptunePos.y, s.neptunePos.z,
          s.separation, s.speed,      s.neptuneRot.x, s.neptuneRot.y, s.neptuneRot.z,
          s.plutoRot.x, s.plutoRot.y, s.plutoRot.z};
}

// Everything of one step that depends only on its time t: Neptune's
// position, its indirect term, its longitude's cosine and sine, and Neptune
// in its own turning frame.
struct NeptuneStep {
  Vec3 pos;               // AU
  Vec3 indirect;          // NeptuneIndirectTerm(pos)
  double cosTheta = 1.0;  // of theta = atan2(pos.y, pos.x)
  double sinTheta = 0.0;
  Vec3 rot;  // InTurningFrame(cosTheta, sinTheta, pos)
};

// The values of one step at time t.
NeptuneStep NeptuneStepAt(const KeplerOrbit& neptune, double t);

// The values of n steps at the times firstT, firstT + dt, ..., each exactly
// what NeptuneStepAt gives: the same operations in the same order, with the
// steps interleaved so that their independent library calls overlap.
void NeptuneStepsAt(const KeplerOrbit& neptune, double firstT, double dt, int n, NeptuneStep* out);

// Starts a run: Pluto's Keplerian state at t = 0, one Euler step to t = dt,
// and the time set to 2 dt. stepDays is a whole number of days (1 to 250).
IntegratorState StartIntegrator(int stepDays, bool interactionOn);

// Computes the state at state.t, moves the state on by one step and returns
// the new state's sample.
StepSample AdvanceIntegrator(IntegratorState& state);

// AdvanceIntegrator with the values of Neptune at state.t already known;
// the same sample and the same new state, bit for bit.
StepSample AdvanceIntegratorWith(IntegratorState& state, const NeptuneStep& neptune);

// Moves the state on by one step once the new position, velocity and
// acceleration at state.t are known: the time advances by dt and the new
// values become the current ones, the current ones the previous ones.
void MoveOn(IntegratorState& state, const Vec3& rNew, const Vec3& vNew, const Vec3& aNew);

}  // namespace quorvex
