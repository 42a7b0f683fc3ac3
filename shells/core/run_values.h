#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "chart/run_parameters.h"

namespace quorvex {

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

}  // namespace quorvex
