#include "shells/core/run_values.h"

#include <cstdint>
#include <limits>

namespace quorvex {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}
// The white space the C conversion itself skips before a number.
bool IsCSpace(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

}  // namespace

std::string NotAnIntegerMessage() {
  return "Please enter an integer.";
}

std::string RangeMessage(IntRange range) {
  return "Please enter an integer between " + std::to_string(range.low) + " and " +
         std::to_string(range.high) + ".";
}

FieldReading ReadIntegerField(std::string_view text, IntRange range) {
  FieldReading out;
  text = text.substr(0, 31);
  size_t pos = 0;
  while (pos < text.size() && IsBlank(text[pos])) ++pos;
  const size_t first = pos;

  // A base-10 conversion that saturates at the 32-bit extremes.
  size_t p = pos;
  while (p < text.size() && IsCSpace(text[p])) ++p;
  bool negative = false;
  if (p < text.size() && (text[p] == '+' || text[p] == '-')) negative = text[p++] == '-';
  const size_t digitsStart = p;
  std::int64_t magnitude = 0;
  constexpr std::int64_t kCap = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
  while (p < text.size() && IsDigit(text[p])) {
    if (magnitude < kCap) magnitude = magnitude * 10 + (text[p] - '0');
    ++p;
  }
  std::int32_t value = 0;
  size_t end = first;  // without digits the conversion consumes nothing
  if (p > digitsStart) {
    end = p;
    std::int64_t v = negative ? -magnitude : magnitude;
    if (v > std::numeric_limits<std::int32_t>::max()) v = std::numeric_limits<std::int32_t>::max();
    if (v < std::numeric_limits<std::int32_t>::min()) v = std::numeric_limits<std::int32_t>::min();
    value = static_cast<std::int32_t>(v);
  }

  bool integer = !(value == 0 && (first >= text.size() || text[first] != '0'));
  for (size_t i = end; integer && i < text.size(); ++i) integer = IsBlank(text[i]);
  if (!integer) {
    out.message = NotAnIntegerMessage();
    return out;
  }
  out.value = value;
  if (value < range.low || value > range.high) {
    out.message = RangeMessage(range);
    return out;
  }
  out.ok = true;
  return out;
}

RunValueTexts TextsOf(const RunParameters& values) {
  return {std::to_string(values.durationYears), std::to_string(values.stepDays),
          std::to_string(values.plotSpeed), values.interaction};
}

RunValuesReading ReadRunValues(const RunValueTexts& texts) {
  RunValuesReading out;
  RunParameters values;
  const struct {
    RunField field;
    const std::string& text;
    IntRange range;
    std::int32_t& into;
  } fields[] = {
      {RunField::StepDays, texts.stepDays, kStepDaysRange, values.stepDays},
      {RunField::DurationYears, texts.durationYears, kDurationYearsRange, values.durationYears},
      {RunField::PlotSpeed, texts.plotSpeed, kPlotSpeedRange, values.plotSpeed},
  };
  for (const auto& f : fields) {
    FieldReading r = ReadIntegerField(f.text, f.range);
    if (!r.ok) {
      out.field = f.field;
      out.message = std::move(r.message);
      return out;
    }
    f.into = r.value;
  }
  values.interaction = texts.interaction;
  out.values = values;
  return out;
}

}  // namespace quorvex
