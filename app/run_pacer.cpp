#include "app/run_pacer.h"

#include <thread>

namespace quorvex {

bool RunPacer::RunSlice(PlotRun& run) {
  const Clock::time_point sliceEnd = Clock::now() + kSlice;
  for (;;) {
    switch (run.Advance(kStepsPerCheck)) {
      case PlotRun::Yield::Finished:
      case PlotRun::Yield::Stopped:
        return true;
      case PlotRun::Yield::PauseDue: {
        // The pause ends kPause after it began, however long the sleep
        // itself takes to return.
        const Clock::time_point resume = Clock::now() + kPause;
        std::this_thread::sleep_until(resume);
        if (Clock::now() >= sliceEnd) return false;
        break;
      }
      case PlotRun::Yield::SliceUsed:
        if (Clock::now() >= sliceEnd) return false;
        break;
    }
  }
}

}  // namespace quorvex
