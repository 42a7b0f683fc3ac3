// The output policy's operations on Windows: files looked at through
// handles (links followed by the system), the folder held by a handle and
// found by it wherever it went, the temporary renamed and removed through a
// handle of its own, and the attributes a replaced file keeps.

#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "tools/render/output_file_platform.h"
#include "tools/render/path_join.h"
#include "tools/render/utf16.h"

namespace quorvex::output_platform {
namespace {

// The attributes a replacement takes over from the file it replaces.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
// The longest name Windows has (a "\\?\" one), with its terminating null.
constexpr DWORD kLongestName = 32768;

// The system's text for an error code, without the closing period and line end.
std::string SystemMessage(DWORD code) {
  wchar_t* text = nullptr;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string message = n && text ? Utf8Of(std::wstring_view(text, n)) : "error " + std::to_string(code);
  if (text) LocalFree(text);
  message.erase(message.find_last_not_of("\r\n .") + 1);
  return message;
}

bool Fail(std::string& error, DWORD code) {
  error = SystemMessage(code);
  return false;
}

bool Fail(std::string& error, const char* why) {
  error = why;
  return false;
}

// The name a handle's file really has, links followed ("\\?\C:\dir\file"),
// or given `path` instead its full name; empty when the system gives none.
std::wstring FullName(HANDLE h, const wchar_t* path = nullptr) {
  std::wstring name(kLongestName, L'\0');
  const DWORD n = path ? GetFullPathNameW(path, kLongestName, name.data(), nullptr)
                       : GetFinalPathNameByHandleW(h, name.data(), kLongestName, VOLUME_NAME_DOS);
  name.resize(n < kLongestName ? n : 0);
  return name;
}

// Opens whatever stands at `path` (links followed) only to look at it.
HANDLE OpenToLookAt(const std::wstring& path) {
  return CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                     FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// Takes the identity and attributes of a disk file; false for anything else.
bool TakeIdentity(NativeTarget& n, HANDLE h) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (GetFileType(h) != FILE_TYPE_DISK || !GetFileInformationByHandle(h, &info)) return false;
  n.hasId = true;
  n.volume = info.dwVolumeSerialNumber;
  n.index = (static_cast<ULONGLONG>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  n.attributes = info.dwFileAttributes;
  return true;
}

// The current full name of `name` in the held folder, wherever the folder
// is now.
std::wstring InFolder(const NativeTarget& n, const std::string& name) {
  const std::wstring now = n.folder != INVALID_HANDLE_VALUE ? FullName(n.folder) : std::wstring();
  return JoinPath(now.empty() ? n.folderPath : now, Utf16Of(name));
}

// A stream over a descriptor or handle, which it takes over (closed on failure).
std::FILE* StreamOf(int fd, std::string& error) {
  std::FILE* stream = fd >= 0 ? _fdopen(fd, "wb") : nullptr;
  if (!stream) error = std::strerror(errno);
  if (!stream && fd >= 0) _close(fd);
  return stream;
}

std::FILE* StreamOf(HANDLE h, std::string& error) {
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_WRONLY | _O_BINARY);
  if (fd < 0) CloseHandle(h);
  return StreamOf(fd, error);
}

// Deletes `path`, also when read-only; true when nothing is left there.
bool Delete(const std::wstring& path) {
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  return DeleteFileW(path.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND;
}

}  // namespace

bool LookAt(const std::string& path, Target& t, std::string& error) {
  NativeTarget& n = t.native;
  if (path.empty()) return Fail(error, ERROR_PATH_NOT_FOUND);
  if (path == "-") {
    t.kind = Target::Kind::kDirect;
    t.isStdout = true;
    TakeIdentity(n, reinterpret_cast<HANDLE>(_get_osfhandle(1)));
    n.canonical = L"-";
    return true;
  }
  const std::wstring wide = Utf16Of(path);
  n.canonical = FullName(nullptr, wide.c_str());
  const HANDLE h = OpenToLookAt(wide);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD err = GetLastError();
    if (err != ERROR_FILE_NOT_FOUND) return Fail(error, err);
    // A link naming no file: moving a result onto its name would replace
    // the link itself.
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
      return Fail(error, "a link to a file that does not exist");
    n.finalPath = n.canonical;
    return true;
  }
  // A device such as NUL or a pipe is written as it stands.
  t.kind = GetFileType(h) == FILE_TYPE_DISK ? Target::Kind::kFile : Target::Kind::kDirect;
  if (TakeIdentity(n, h)) {
    if (n.attributes & FILE_ATTRIBUTE_DIRECTORY) t.kind = Target::Kind::kDirectory;
    n.finalPath = FullName(h);
  }
  CloseHandle(h);
  if (n.finalPath.empty()) n.finalPath = n.canonical;
  return true;
}

bool HoldFolder(Target& t, std::string& error) {
  NativeTarget& n = t.native;
  n.folderPath = FolderOf(n.finalPath);
  n.base = Utf8Of(NameOf(n.finalPath));
  n.folder = OpenToLookAt(n.folderPath);
  if (n.folder == INVALID_HANDLE_VALUE) return Fail(error, GetLastError());
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(n.folder, &info) || !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return Fail(error, ERROR_DIRECTORY);
  // Two spellings of the same new file compare equal by the folder's real name.
  if (!t.exists()) n.canonical = InFolder(n, n.base);
  return true;
}

std::string WhyNotReplaceable(const Target& t) {
  // A program holding the file open without letting others delete it (a
  // viewer), or no right to delete it. A read-only file refuses delete
  // access too, but its attribute is lifted for the move.
  const HANDLE h =
      CreateFileW(t.native.finalPath.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  const DWORD err = h == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS;
  if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  const bool readOnly = t.native.attributes & FILE_ATTRIBUTE_READONLY;
  if (err == ERROR_SHARING_VIOLATION || (err == ERROR_ACCESS_DENIED && !readOnly)) return SystemMessage(err);
  return {};
}

bool SameFile(const Target& a, const Target& b) {
  if (a.native.hasId || b.native.hasId)
    return a.native.hasId == b.native.hasId && a.native.volume == b.native.volume &&
           a.native.index == b.native.index;
  return CompareStringOrdinal(a.native.canonical.c_str(), -1, b.native.canonical.c_str(), -1, TRUE) ==
         CSTR_EQUAL;
}

std::FILE* CreateTemp(Target& t, bool& taken, std::string& error) {
  NativeTarget& n = t.native;
  const HANDLE h = CreateFileW(InFolder(n, t.tempName).c_str(), GENERIC_WRITE | DELETE, 0, nullptr,
                               CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  taken = h == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_EXISTS;
  if (h == INVALID_HANDLE_VALUE) return Fail(error, GetLastError()), nullptr;
  const bool held =
      DuplicateHandle(GetCurrentProcess(), h, GetCurrentProcess(), &n.temp, 0, FALSE, DUPLICATE_SAME_ACCESS);
  if (!held) Fail(error, GetLastError());
  std::FILE* stream = held ? StreamOf(h, error) : nullptr;
  if (!held) CloseHandle(h);
  if (!stream) RemoveTemp(t);
  return stream;
}

std::FILE* OpenDirect(Target& t, std::string& error) {
  if (t.isStdout) {
    const int fd = _dup(1);
    if (fd >= 0) _setmode(fd, _O_BINARY);
    return StreamOf(fd, error);
  }
  const HANDLE h = CreateFileW(t.native.finalPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return Fail(error, GetLastError()), nullptr;
  return StreamOf(h, error);
}

bool SyncToDisk(std::FILE* stream, std::string& error) {
  return FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)))) ||
         Fail(error, GetLastError());
}

Link LinkCurrent(Target& t, const std::string& name) {
  const std::wstring target = InFolder(t.native, t.native.base);
  if (CreateHardLinkW(InFolder(t.native, name).c_str(), target.c_str(), nullptr)) return Link::kDone;
  const DWORD err = GetLastError();
  if (err == ERROR_FILE_NOT_FOUND) return Link::kNoFile;
  return err == ERROR_ALREADY_EXISTS || err == ERROR_FILE_EXISTS ? Link::kTaken : Link::kFailed;
}

bool InstallTemp(Target& t, std::string& error) {
  NativeTarget& n = t.native;
  const std::wstring target = InFolder(n, n.base);
  // A read-only file cannot be replaced as it stands: the attribute is
  // lifted for the move and the replacement gets it back.
  const bool readOnly = t.exists() && (n.attributes & FILE_ATTRIBUTE_READONLY);
  if (readOnly) SetFileAttributesW(target.c_str(), n.attributes & ~FILE_ATTRIBUTE_READONLY);
  // Through its handle: the temporary is found wherever its folder went.
  const DWORD size = static_cast<DWORD>(target.size() * sizeof(wchar_t));
  std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + size);
  auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  rename->ReplaceIfExists = TRUE;
  rename->FileNameLength = size;
  std::memcpy(rename->FileName, target.c_str(), size);
  if (!SetFileInformationByHandle(n.temp, FileRenameInfo, rename, static_cast<DWORD>(buffer.size()))) {
    const DWORD err = GetLastError();
    if (readOnly) SetFileAttributesW(target.c_str(), n.attributes);
    return Fail(error, err);
  }
  CloseHandle(n.temp);
  n.temp = INVALID_HANDLE_VALUE;
  if (t.exists() && (n.attributes & kKeptAttributes))
    SetFileAttributesW(target.c_str(), n.attributes & kKeptAttributes);
  return true;
}

bool PutBack(Target& t, const std::string& old) {
  const std::wstring target = InFolder(t.native, t.native.base);
  if (old.empty()) return Delete(target);
  SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
  const bool back = MoveFileExW(InFolder(t.native, old).c_str(), target.c_str(),
                                MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (back && t.native.attributes) SetFileAttributesW(target.c_str(), t.native.attributes);
  return back;
}

void RemoveName(Target& t, const std::string& name) {
  Delete(InFolder(t.native, name));
}

void RemoveTemp(Target& t) {
  NativeTarget& n = t.native;
  // Through its handle, wherever its folder went; by its name when that
  // fails, once the handle no longer keeps others out.
  FILE_DISPOSITION_INFO remove{TRUE};
  const bool gone = n.temp != INVALID_HANDLE_VALUE &&
                    SetFileInformationByHandle(n.temp, FileDispositionInfo, &remove, sizeof remove);
  if (n.temp != INVALID_HANDLE_VALUE) CloseHandle(n.temp);
  n.temp = INVALID_HANDLE_VALUE;
  if (!gone && !t.tempName.empty()) DeleteFileW(InFolder(n, t.tempName).c_str());
}

std::string NameInFolder(const Target& t, const std::string& name) {
  return Utf8Of(InFolder(t.native, name));
}

}  // namespace quorvex::output_platform
