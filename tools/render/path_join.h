#pragma once

// A full name split into its folder and its name, and joined again, by the
// platform's rules: on Windows either slash separates and a backslash
// joins, and a folder that already ends in one (a drive's root, "\\?\D:\")
// gets none added, since a doubled separator is an invalid name there;
// elsewhere only '/' separates, and a backslash is part of a name.

#include <string>

namespace quorvex {

#if defined(_WIN32)
using PathString = std::wstring;
inline constexpr wchar_t kPathSeparators[] = L"\\/";
inline constexpr wchar_t kPathJoin = L'\\';
#else
using PathString = std::string;
inline constexpr char kPathSeparators[] = "/";
inline constexpr char kPathJoin = '/';
#endif

inline PathString JoinPath(const PathString& folder, const PathString& name) {
  if (folder.empty()) return name;
  if (PathString(kPathSeparators).find(folder.back()) != PathString::npos) return folder + name;
  return folder + kPathJoin + name;
}

// The folder part, keeping the separator of a root ("/", "C:\" rather than
// "C:", which names the drive's current folder); "." for a bare name.
inline PathString FolderOf(const PathString& path) {
  const size_t sep = path.find_last_of(kPathSeparators);
  if (sep == PathString::npos) return PathString(1, '.');
  PathString folder = path.substr(0, sep);
  if (folder.empty() || folder.back() == ':') folder += path[sep];
  return folder;
}

inline PathString NameOf(const PathString& path) {
  const size_t sep = path.find_last_of(kPathSeparators);
  return sep == PathString::npos ? path : path.substr(sep + 1);
}

}  // namespace quorvex
