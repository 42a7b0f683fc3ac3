#pragma once

#include "orbit/integrator.h"

// A straightforward transcription of the step formulas, kept only as the
// yardstick the benchmarks measure the real integrator against: every sine
// and cosine is taken per call and every square and cube goes through pow.
// It advances a state made by StartIntegrator.
namespace quorvex::transcription {

StepSample Advance(IntegratorState& state);

}  // namespace quorvex::transcription
