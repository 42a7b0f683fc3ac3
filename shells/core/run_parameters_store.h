#pragma once

#include "chart/run_parameters.h"

namespace quorvex {

// The one process-wide record of the run values, initialised when the
// program starts and never saved. Only CMainFrame writes it.
RunParameters& TheRunParameters();

// The "Enter Values" dialog shows the four run values the user sets (both
// shells' dialogs have public members of the same names)...
template <class Dialog>
void SeedDialog(const RunParameters& params, Dialog& dialog) {
  dialog.stepDays = params.stepDays;
  dialog.durationYears = params.durationYears;
  dialog.interactionChoice = params.interactionChoice;
  dialog.plotSpeed = params.plotSpeed;
}

// ...and once accepted, they become the run values and plotting is on.
template <class Dialog>
void AcceptDialog(const Dialog& dialog, RunParameters& params) {
  params.stepDays = dialog.stepDays;
  params.durationYears = dialog.durationYears;
  params.interactionChoice = dialog.interactionChoice;
  params.plotSpeed = dialog.plotSpeed;
  params.plotEnabled = 1;
}

}  // namespace quorvex
