#pragma once

#include "chart/run_parameters.h"

namespace quorvex {

// The one process-wide record of the run values, initialised when the
// program starts and never saved. Only CMainFrame writes it.
RunParameters& TheRunParameters();

}  // namespace quorvex
