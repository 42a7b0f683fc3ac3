#pragma once

// The renderer's messages: formatted text, and a line on standard error
// after the program's name.

#include <cstdarg>
#include <cstdio>
#include <string>

#include "tools/render/process_guard.h"

namespace quorvex {

inline constexpr char kProgram[] = "quorvex-render";

// printf into a string, for WriteText.
[[gnu::format(printf, 1, 2)]] inline std::string Format(const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  std::va_list again;
  va_copy(again, args);
  const int n = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  std::string text(n > 0 ? static_cast<size_t>(n) : 0, '\0');
  if (n > 0) std::vsnprintf(text.data(), text.size() + 1, format, again);
  va_end(again);
  return text;
}

// A message on standard error, after the program's name.
inline void Say(const std::string& message) {
  WriteText(stderr, std::string(kProgram) + ": " + message + "\n");
}

}  // namespace quorvex
