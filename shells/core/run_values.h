#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "chart/run_parameters.h"

namespace quorvex {

// The rules by which every shell reads the run values a user typed.

// Reading a whole number typed into a field: at most the first 31
// characters; blanks and tabs, an optional sign and decimal digits, then
// only blanks and tabs; a value beyond 32 bits becomes the nearest extreme.
// On failure `message` holds the text to show the user.
struct FieldReading {
  bool ok = false;
  std::int32_t value = 0;
  std::string message;
};

FieldReading ReadIntegerField(std::string_view text, IntRange range);

std::string NotAnIntegerMessage();
std::string RangeMessage(IntRange range);

// The run values as a dialog or a command line holds them: the two numbers
// and the speed as typed, the interaction as chosen.
struct RunValueTexts {
  std::string durationYears;
  std::string stepDays;
  std::string plotSpeed;
  Interaction interaction = Interaction::On;
};

// The texts that show the given values.
RunValueTexts TextsOf(const RunParameters& values);

enum class RunField { StepDays, DurationYears, PlotSpeed };

// Run values read from their texts, or the first one that failed, with the
// message to show for it.
struct RunValuesReading {
  std::optional<RunParameters> values;
  RunField field = RunField::StepDays;
  std::string message;
};

// Reads run values by the dialog's rules (ReadIntegerField for each number
// within its range), in the dialog's order: the integration step first,
// although the duration stands above it, then the duration, then the speed.
// Only the first failure is reported.
RunValuesReading ReadRunValues(const RunValueTexts& texts);

}  // namespace quorvex
