#pragma once

#include <cstdint>

namespace quorvex {

// The four values of a plot run, as the user last accepted them, and
// whether any run has been accepted yet.
struct RunParameters {
  std::int32_t stepDays = 50;          // integration step, days (1 to 250)
  std::int32_t plotSpeed = 5;          // plot speed (1 to 5)
  std::int32_t durationYears = 35000;  // plot duration, years (1 to 50000)
  std::int32_t interactionChoice = 0;  // 0 = "On" (Neptune's pull applied), 1 = "Off"
  std::int32_t plotEnabled = 0;        // 1 once a run has been accepted

  bool interactionOn() const { return interactionChoice == 0; }
};

struct IntRange {
  std::int32_t low;
  std::int32_t high;
};

inline constexpr IntRange kStepDaysRange{1, 250};
inline constexpr IntRange kDurationYearsRange{1, 50000};
inline constexpr IntRange kPlotSpeedRange{1, 5};

}  // namespace quorvex
