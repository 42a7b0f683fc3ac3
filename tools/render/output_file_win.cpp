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

using Kind = Target::Kind;

// The attributes a replacement takes over from the file it replaces.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

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

// A name from a call that says first how long it is.
template <class Get>
std::wstring SizedName(Get get) {
  const DWORD n = get(nullptr, 0);
  std::wstring name(n, L'\0');
  name.resize(n ? get(name.data(), n) : 0);
  return name;
}

std::wstring FullPath(const std::wstring& path) {
  return SizedName([&](wchar_t* to, DWORD n) { return GetFullPathNameW(path.c_str(), n, to, nullptr); });
}

// The name a handle's file really has, links followed: "\\?\C:\dir\file".
std::wstring FinalPath(HANDLE h) {
  return SizedName([&](wchar_t* to, DWORD n) {
    return GetFinalPathNameByHandleW(h, to, n, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  });
}

// Opens whatever stands at `path` (links followed) only to look at it.
HANDLE OpenToLookAt(const std::wstring& path) {
  return CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                     FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

void TakeIdentity(NativeTarget& n, const BY_HANDLE_FILE_INFORMATION& info) {
  n.hasId = true;
  n.volume = info.dwVolumeSerialNumber;
  n.index = (static_cast<ULONGLONG>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
}

// The current full name of `name` in the held folder, wherever the folder
// is now.
std::wstring InFolder(const NativeTarget& n, const std::wstring& name) {
  const std::wstring now = n.folder != INVALID_HANDLE_VALUE ? FinalPath(n.folder) : std::wstring();
  return JoinPath(now.empty() ? n.folderPath : now, name);
}

std::wstring InFolder(const NativeTarget& n, const std::string& name) {
  return InFolder(n, Utf16Of(name));
}

std::FILE* StreamOf(int fd, std::string& error) {
  std::FILE* stream = fd >= 0 ? _fdopen(fd, "wb") : nullptr;
  if (!stream) {
    error = std::strerror(errno);
    if (fd >= 0) _close(fd);
  }
  return stream;
}

std::FILE* StreamOf(HANDLE h, std::string& error) {
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_WRONLY | _O_BINARY);
  if (fd < 0) CloseHandle(h);
  return StreamOf(fd, error);
}

}  // namespace

std::string NoSuchFile() {
  return SystemMessage(ERROR_PATH_NOT_FOUND);
}

bool LookAtStandardOutput(Target& t, std::string&) {
  t.kind = Kind::kDirect;
  t.isStdout = true;
  const HANDLE out = reinterpret_cast<HANDLE>(_get_osfhandle(1));
  BY_HANDLE_FILE_INFORMATION info{};
  if (GetFileType(out) == FILE_TYPE_DISK && GetFileInformationByHandle(out, &info))
    TakeIdentity(t.native, info);
  t.native.canonical = L"-";
  return true;
}

bool LookAt(const std::string& path, Target& t, std::string& error) {
  NativeTarget& n = t.native;
  const std::wstring wide = Utf16Of(path);
  const HANDLE h = OpenToLookAt(wide);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD err = GetLastError();
    if (err != ERROR_FILE_NOT_FOUND) return Fail(error, err);
    // A link naming no file: moving a result onto its name would replace
    // the link itself.
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
      error = "a link to a file that does not exist";
      return false;
    }
    n.finalPath = FullPath(wide);
    return true;
  }
  const DWORD type = GetFileType(h);
  BY_HANDLE_FILE_INFORMATION info{};
  // A device such as NUL or a pipe is written as it stands.
  t.kind = type == FILE_TYPE_DISK ? Kind::kFile : Kind::kDirect;
  if (type == FILE_TYPE_DISK && GetFileInformationByHandle(h, &info)) {
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) t.kind = Kind::kDirectory;
    TakeIdentity(n, info);
    n.attributes = info.dwFileAttributes;
    n.finalPath = FinalPath(h);
  }
  CloseHandle(h);
  n.canonical = FullPath(wide);
  if (n.finalPath.empty()) n.finalPath = n.canonical;
  return true;
}

bool HoldFolder(Target& t, std::string& error) {
  NativeTarget& n = t.native;
  n.folderPath = FolderOf(n.finalPath);
  n.base = NameOf(n.finalPath);
  n.folder = OpenToLookAt(n.folderPath);
  if (n.folder == INVALID_HANDLE_VALUE) return Fail(error, GetLastError());
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(n.folder, &info) || !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return Fail(error, ERROR_DIRECTORY);
  if (!t.exists()) {
    // The folder's real name makes two spellings of the same new file
    // comparable.
    const std::wstring realFolder = FinalPath(n.folder);
    n.canonical = JoinPath(realFolder.empty() ? n.folderPath : realFolder, n.base);
  }
  return true;
}

std::string WhyNotReplaceable(const Target& t) {
  // A program holding the file open without letting others delete it (a
  // viewer), or no right to delete it.
  const HANDLE h =
      CreateFileW(t.native.finalPath.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h != INVALID_HANDLE_VALUE) {
    CloseHandle(h);
    return {};
  }
  const DWORD err = GetLastError();
  // A read-only file refuses delete access, but its attribute is lifted
  // for the move.
  if (err == ERROR_ACCESS_DENIED && (t.native.attributes & FILE_ATTRIBUTE_READONLY)) return {};
  if (err == ERROR_SHARING_VIOLATION || err == ERROR_ACCESS_DENIED) return SystemMessage(err);
  return {};
}

bool SameFile(const Target& a, const Target& b) {
  if (a.native.hasId && b.native.hasId)
    return a.native.volume == b.native.volume && a.native.index == b.native.index;
  if (a.native.hasId != b.native.hasId) return false;
  const std::wstring& x = a.native.canonical;
  const std::wstring& y = b.native.canonical;
  return CompareStringOrdinal(x.c_str(), static_cast<int>(x.size()), y.c_str(), static_cast<int>(y.size()),
                              TRUE) == CSTR_EQUAL;
}

std::FILE* CreateTemp(Target& t, bool& taken, std::string& error) {
  NativeTarget& n = t.native;
  const HANDLE h = CreateFileW(InFolder(n, t.tempName).c_str(), GENERIC_WRITE | DELETE, 0, nullptr,
                               CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    taken = GetLastError() == ERROR_FILE_EXISTS;
    Fail(error, GetLastError());
    return nullptr;
  }
  if (!DuplicateHandle(GetCurrentProcess(), h, GetCurrentProcess(), &n.temp, 0, FALSE,
                       DUPLICATE_SAME_ACCESS)) {
    Fail(error, GetLastError());
    CloseHandle(h);
    DeleteFileW(InFolder(n, t.tempName).c_str());
    return nullptr;
  }
  std::FILE* stream = StreamOf(h, error);
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
  if (GetFileAttributesW(target.c_str()) == INVALID_FILE_ATTRIBUTES)
    return GetLastError() == ERROR_FILE_NOT_FOUND ? Link::kNoFile : Link::kFailed;
  if (CreateHardLinkW(InFolder(t.native, name).c_str(), target.c_str(), nullptr)) return Link::kDone;
  const DWORD err = GetLastError();
  return err == ERROR_ALREADY_EXISTS || err == ERROR_FILE_EXISTS ? Link::kTaken : Link::kFailed;
}

bool InstallTemp(Target& t, std::string& error) {
  NativeTarget& n = t.native;
  const std::wstring target = InFolder(n, n.base);
  // A read-only file cannot be replaced as it stands: the attribute is
  // lifted for the move and the replacement gets it back.
  const bool readOnly = t.exists() && (n.attributes & FILE_ATTRIBUTE_READONLY);
  if (readOnly) SetFileAttributesW(target.c_str(), n.attributes & ~FILE_ATTRIBUTE_READONLY);
  // Renamed through its handle: the temporary is found wherever its folder
  // went.
  std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + target.size() * sizeof(wchar_t));
  auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  rename->ReplaceIfExists = TRUE;
  rename->RootDirectory = nullptr;
  rename->FileNameLength = static_cast<DWORD>(target.size() * sizeof(wchar_t));
  std::memcpy(rename->FileName, target.c_str(), target.size() * sizeof(wchar_t));
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

bool RenameBack(Target& t, const std::string& name) {
  const std::wstring target = InFolder(t.native, t.native.base);
  SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (!MoveFileExW(InFolder(t.native, name).c_str(), target.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return false;
  if (t.native.attributes) SetFileAttributesW(target.c_str(), t.native.attributes);
  return true;
}

bool RemoveInstalled(Target& t) {
  const std::wstring target = InFolder(t.native, t.native.base);
  SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
  return DeleteFileW(target.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND;
}

void RemoveName(Target& t, const std::string& name) {
  // It may share the old file's attributes; a read-only one could not go.
  const std::wstring path = InFolder(t.native, name);
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(path.c_str());
}

void RemoveTemp(Target& t) {
  NativeTarget& n = t.native;
  if (n.temp != INVALID_HANDLE_VALUE) {
    // Removed through its handle, wherever its folder went.
    FILE_DISPOSITION_INFO remove{};
    remove.DeleteFile = TRUE;
    if (!SetFileInformationByHandle(n.temp, FileDispositionInfo, &remove, sizeof remove) &&
        !t.tempName.empty())
      DeleteFileW(InFolder(n, t.tempName).c_str());
    CloseHandle(n.temp);
    n.temp = INVALID_HANDLE_VALUE;
  } else if (!t.tempName.empty()) {
    DeleteFileW(InFolder(n, t.tempName).c_str());
  }
}

std::string NameInFolder(const Target& t, const std::string& name) {
  return Utf8Of(InFolder(t.native, name));
}

void Release(Target& t) {
  if (t.native.folder != INVALID_HANDLE_VALUE) CloseHandle(t.native.folder);
  t.native.folder = INVALID_HANDLE_VALUE;
}

}  // namespace quorvex::output_platform
