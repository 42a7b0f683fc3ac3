#pragma once

// The few operations on files that the output policy (output_file.cpp)
// needs from a platform: what stands at a name, the folder held open, a
// temporary made, linked, renamed and removed there. output_file_linux.cpp
// and output_file_win.cpp implement them over their system calls; the
// sequence, retries and messages about which file was left how are the
// policy's alone.

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "tools/render/output_file.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace quorvex {

// The platform's own view of an output's target. It lets go of the folder
// when it goes.
#if defined(_WIN32)
struct NativeTarget {
  NativeTarget() = default;
  NativeTarget(const NativeTarget&) = delete;
  ~NativeTarget() {
    if (folder != INVALID_HANDLE_VALUE) CloseHandle(folder);
  }
  std::wstring finalPath;  // the name the result goes under, links followed
  // Its identity, when the file system gives one (disk files do).
  bool hasId = false;
  DWORD volume = 0;
  ULONGLONG index = 0;
  DWORD attributes = 0;
  // The full name, compared without regard to case when there is no identity.
  std::wstring canonical;
  HANDLE folder = INVALID_HANDLE_VALUE;  // found by its handle wherever it went
  std::wstring folderPath;               // its name when it was opened
  std::string base;                      // the name within it
  // A second handle of the temporary, with delete access, kept until it is
  // in place or removed: it is renamed and removed through the handle, so
  // wherever its folder went.
  HANDLE temp = INVALID_HANDLE_VALUE;
};
inline constexpr std::string_view kSeparators = "/\\";
#else
struct NativeTarget {
  NativeTarget() = default;
  NativeTarget(const NativeTarget&) = delete;
  ~NativeTarget() {
    if (dirFd >= 0) close(dirFd);
  }
  std::string finalPath;  // the name the result goes under, links followed
  struct stat existing {};
  std::string canonical;  // for a name that does not exist yet: the real folder plus the name
  int dirFd = -1;         // the folder, held open
  std::string base;       // the name within it
  struct stat temp {};    // the temporary's identity
  int ownFd = -1;         // one of this process's descriptors named through /proc
};
inline constexpr std::string_view kSeparators = "/";
#endif

struct OutputFile::Target {
  enum class Kind {
    kNothing,    // nothing stands at the name yet
    kFile,       // a regular file: replaced through a temporary
    kDirectory,  // refused
    kDirect,     // written as it stands: standard output, a device, a pipe, an open descriptor
  };
  Kind kind = Kind::kNothing;
  bool isStdout = false;  // the file standard output writes to
  std::string tempName;   // the temporary's name in the held folder
  std::string oldName;    // the old file's second name while the outputs are put in place
  bool installed = false;
  NativeTarget native;

  bool exists() const { return kind != Kind::kNothing; }
  bool replace() const { return kind == Kind::kNothing || kind == Kind::kFile; }
};

namespace output_platform {

using Target = OutputFile::Target;

// What stands at `path`, links followed to the name a file is or would be
// made under; sets kind, identity and the final name. "-" is standard
// output as it stands; an empty name is no such file.
bool LookAt(const std::string& path, Target& t, std::string& error);
// For a file or nothing: holds the folder open, and for nothing yet makes
// the name comparable (the folder's real name plus the name).
bool HoldFolder(Target& t, std::string& error);
// Why replacing the existing file is bound to fail, or empty when nothing
// says so beforehand.
std::string WhyNotReplaceable(const Target& t);
bool SameFile(const Target& a, const Target& b);

// Makes `t.tempName` in the held folder, exclusively, with what the
// replaced file's permissions carry over; nullptr with `taken` when the
// name exists, else with `error`.
std::FILE* CreateTemp(Target& t, bool& taken, std::string& error);
// Opens a directly written output for writing.
std::FILE* OpenDirect(Target& t, std::string& error);
// The written data through to the disk, before the rename.
bool SyncToDisk(std::FILE* stream, std::string& error);

enum class Link { kDone, kTaken, kNoFile, kFailed };
// Makes `name` a second name of the file now at the target's name.
Link LinkCurrent(Target& t, const std::string& name);
// Renames the temporary over the target's name.
bool InstallTemp(Target& t, std::string& error);
// Undoes that: renames `old` back over the target's name or, with no old
// name (nothing stood there), removes the new file.
bool PutBack(Target& t, const std::string& old);
// Removes `name` in the held folder.
void RemoveName(Target& t, const std::string& name);
// Removes the temporary, wherever its folder went.
void RemoveTemp(Target& t);
// The full name of `name` in the held folder, for messages.
std::string NameInFolder(const Target& t, const std::string& name);

}  // namespace output_platform
}  // namespace quorvex
