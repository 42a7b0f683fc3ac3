#pragma once

#include <cstdint>

namespace quorvex {

// Whether Neptune's direct pull on Pluto acts during a run. The values are
// the places of the two choices in the "Enter Values" dialog.
enum class Interaction : std::int32_t { On = 0, Off = 1 };

// The four values a plot run is made with.
struct RunParameters {
  std::int32_t stepDays = 50;          // integration step, days (1 to 250)
  std::int32_t plotSpeed = 5;          // plot speed (1 to 5)
  std::int32_t durationYears = 35000;  // plot duration, years (1 to 50000)
  Interaction interaction = Interaction::On;

  bool interactionOn() const { return interaction == Interaction::On; }
  friend bool operator==(const RunParameters&, const RunParameters&) = default;
};

struct IntRange {
  std::int32_t low;
  std::int32_t high;
};

inline constexpr IntRange kStepDaysRange{1, 250};
inline constexpr IntRange kDurationYearsRange{1, 50000};
inline constexpr IntRange kPlotSpeedRange{1, 5};

}  // namespace quorvex
