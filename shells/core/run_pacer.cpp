#include "shells/core/run_pacer.h"

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
        // The pause ends kPause after it began by the clock. Sleeps are
        // asked for in whole milliseconds and repeated until the clock has
        // passed the end: MinGW's sleep drops a remainder below a
        // millisecond, and sleep_until on a steady clock sleeps only once.
        const Clock::time_point resume = Clock::now() + kPause;
        for (Clock::time_point now = Clock::now(); now < resume; now = Clock::now())
          std::this_thread::sleep_for(std::chrono::ceil<std::chrono::milliseconds>(resume - now));
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
