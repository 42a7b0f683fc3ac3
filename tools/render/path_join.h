#pragma once

#include <string>

namespace quorvex {

// A Windows folder and a name in it, joined by one separator: a folder that
// already ends in one (a drive's root, "\\?\D:\") gets none added, since a
// doubled separator is an invalid name on Windows.
inline std::wstring JoinPath(const std::wstring& folder, const std::wstring& name) {
  if (folder.empty()) return name;
  if (folder.back() == L'\\' || folder.back() == L'/') return folder + name;
  return folder + L'\\' + name;
}

// The folder part of a full Windows name, keeping the separator of a
// drive's root ("C:\" rather than "C:", which names the drive's current
// folder); "." for a bare name.
inline std::wstring FolderOf(const std::wstring& path) {
  const size_t sep = path.find_last_of(L"\\/");
  if (sep == std::wstring::npos) return L".";
  std::wstring folder = path.substr(0, sep);
  if (folder.empty() || folder.back() == L':') folder += path[sep];
  return folder;
}

inline std::wstring NameOf(const std::wstring& path) {
  const size_t sep = path.find_last_of(L"\\/");
  return sep == std::wstring::npos ? path : path.substr(sep + 1);
}

}  // namespace quorvex
