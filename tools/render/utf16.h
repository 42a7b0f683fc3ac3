#pragma once

// UTF-8 and UTF-16, the one conversion between the program's text and
// Windows' wide names, command line and console.

#include <windows.h>

#include <string>
#include <string_view>

namespace quorvex {

inline std::string Utf8Of(std::wstring_view w) {
  if (w.empty()) return {};
  const int size = static_cast<int>(w.size());
  const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), size, nullptr, 0, nullptr, nullptr);
  std::string s(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) WideCharToMultiByte(CP_UTF8, 0, w.data(), size, s.data(), n, nullptr, nullptr);
  return s;
}

inline std::wstring Utf16Of(std::string_view s) {
  if (s.empty()) return {};
  const int size = static_cast<int>(s.size());
  const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), size, nullptr, 0);
  std::wstring w(static_cast<size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) MultiByteToWideChar(CP_UTF8, 0, s.data(), size, w.data(), n);
  return w;
}

}  // namespace quorvex
