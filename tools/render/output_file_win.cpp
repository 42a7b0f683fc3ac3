#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "tools/render/output_file.h"
#include "tools/render/path_join.h"
#include "tools/render/utf16.h"

namespace quorvex {

struct OutputFile::Target {
  // The name the result goes under, links followed.
  std::wstring finalPath;
  // Something stands at finalPath.
  bool exists = false;
  // Its identity, when the file system gives one (disk files do).
  bool hasId = false;
  DWORD volume = 0;
  ULONGLONG index = 0;
  DWORD attributes = 0;
  // The full name, compared without regard to case when there is no identity.
  std::wstring canonical;
  // A disk file or nothing: written through a temporary and moved, in the
  // folder held open by folder (found by its handle wherever it went).
  bool replace = true;
  HANDLE folder = INVALID_HANDLE_VALUE;
  std::wstring folderPath;  // its name when it was opened
  std::wstring base;        // the name within it
  std::wstring tempName;
  // A second handle of the temporary, with delete access, kept until it is
  // in place or removed: it is renamed and removed through the handle, so
  // wherever its folder went.
  HANDLE temp = INVALID_HANDLE_VALUE;
  std::wstring oldName;  // the old file's second name while outputs are put in place
  bool installed = false;
  // Standard output ("-"): written through it.
  bool isStdout = false;
};

namespace {

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
  while (!message.empty() &&
         (message.back() == '\n' || message.back() == '\r' || message.back() == ' ' || message.back() == '.'))
    message.pop_back();
  return message;
}

bool Fail(std::string& error, DWORD code) {
  error = SystemMessage(code);
  return false;
}

std::wstring FullPath(const std::wstring& path) {
  const DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (n == 0) return {};
  std::wstring full(n, L'\0');
  const DWORD m = GetFullPathNameW(path.c_str(), n, full.data(), nullptr);
  full.resize(m);
  return full;
}

// The name a handle's file really has, links followed: "\\?\C:\dir\file".
std::wstring FinalPath(HANDLE h) {
  const DWORD n = GetFinalPathNameByHandleW(h, nullptr, 0, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  if (n == 0) return {};
  std::wstring path(n, L'\0');
  const DWORD m = GetFinalPathNameByHandleW(h, path.data(), n, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  path.resize(m);
  return path;
}

// Opens whatever stands at `path` (links followed) only to look at it.
HANDLE OpenToLookAt(const std::wstring& path) {
  return CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                     FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

bool SameName(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                              TRUE) == CSTR_EQUAL;
}

// A fresh ".qv-XXXXXX" name: short, whatever the length of the target's.
std::wstring TempName(const void* salt) {
  static ULONGLONG seed = GetTickCount64() ^ (static_cast<ULONGLONG>(GetCurrentProcessId()) << 20);
  seed ^= static_cast<ULONGLONG>(reinterpret_cast<uintptr_t>(salt));
  seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
  std::wstring name = L".qv-";
  for (int shift = 60; shift >= 40; shift -= 4) name += L"0123456789abcdef"[(seed >> shift) & 0xF];
  return name;
}

// Why moving a new file over the existing `path` is bound to fail, or empty
// when nothing says so beforehand: a program holding it open without
// letting others delete it (a viewer), or no right to delete it.
std::string WhyNotReplaceable(const std::wstring& path, DWORD attributes) {
  HANDLE h = CreateFileW(path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h != INVALID_HANDLE_VALUE) {
    CloseHandle(h);
    return {};
  }
  const DWORD err = GetLastError();
  // A read-only file refuses delete access, but its attribute is lifted
  // for the move.
  if (err == ERROR_ACCESS_DENIED && (attributes & FILE_ATTRIBUTE_READONLY)) return {};
  if (err == ERROR_SHARING_VIOLATION || err == ERROR_ACCESS_DENIED) return SystemMessage(err);
  return {};
}

}  // namespace

OutputFile::OutputFile() = default;

OutputFile::~OutputFile() {
  Abandon();
  if (target_ && target_->folder != INVALID_HANDLE_VALUE) CloseHandle(target_->folder);
}

bool OutputFile::Prepare(const std::string& path, std::string& error) {
  path_ = path;
  target_ = std::make_unique<Target>();
  Target& t = *target_;
  if (path.empty()) return Fail(error, ERROR_PATH_NOT_FOUND);
  if (path == "-") {
    t.exists = true;
    t.replace = false;
    t.isStdout = true;
    const HANDLE out = reinterpret_cast<HANDLE>(_get_osfhandle(1));
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileType(out) == FILE_TYPE_DISK && GetFileInformationByHandle(out, &info)) {
      t.hasId = true;
      t.volume = info.dwVolumeSerialNumber;
      t.index = (static_cast<ULONGLONG>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    }
    t.canonical = L"-";
    return true;
  }
  if (path.back() == '/' || path.back() == '\\') {
    error = "a name ending in " + std::string(1, path.back()) + " stands for a directory";
    return false;
  }
  const std::wstring wide = Utf16Of(path);
  HANDLE h = OpenToLookAt(wide);
  if (h != INVALID_HANDLE_VALUE) {
    t.exists = true;
    const DWORD type = GetFileType(h);
    BY_HANDLE_FILE_INFORMATION info{};
    if (type == FILE_TYPE_DISK && GetFileInformationByHandle(h, &info)) {
      if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        CloseHandle(h);
        error = "Is a directory";
        return false;
      }
      t.hasId = true;
      t.volume = info.dwVolumeSerialNumber;
      t.index = (static_cast<ULONGLONG>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
      t.attributes = info.dwFileAttributes;
      t.finalPath = FinalPath(h);
    }
    CloseHandle(h);
    // A device such as NUL or a pipe is written as it stands.
    t.replace = type == FILE_TYPE_DISK;
    t.canonical = FullPath(wide);
    if (t.finalPath.empty()) t.finalPath = t.canonical;
    if (!t.replace) return true;
    error = WhyNotReplaceable(t.finalPath, t.attributes);
    if (!error.empty()) return false;
  } else {
    const DWORD err = GetLastError();
    if (err != ERROR_FILE_NOT_FOUND) return Fail(error, err);
    // A link naming no file: moving a result onto its name would replace the
    // link itself.
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
      error = "a link to a file that does not exist";
      return false;
    }
    t.finalPath = FullPath(wide);
  }
  // The folder is held from here on; everything else happens in it, found
  // by its handle.
  t.folderPath = FolderOf(t.finalPath);
  t.base = NameOf(t.finalPath);
  t.folder = OpenToLookAt(t.folderPath);
  if (t.folder == INVALID_HANDLE_VALUE) return Fail(error, GetLastError());
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(t.folder, &info) || !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return Fail(error, ERROR_DIRECTORY);
  if (!t.exists) {
    // Nothing there yet: the folder's real name makes two spellings of the
    // same new file comparable.
    const std::wstring realFolder = FinalPath(t.folder);
    t.canonical = JoinPath(realFolder.empty() ? t.folderPath : realFolder, t.base);
  }
  return true;
}

bool OutputFile::SameTarget(const OutputFile& other) const {
  if (!target_ || !other.target_) return false;
  const Target& a = *target_;
  const Target& b = *other.target_;
  if (a.hasId && b.hasId) return a.volume == b.volume && a.index == b.index;
  if (a.hasId != b.hasId) return false;
  return SameName(a.canonical, b.canonical);
}

bool OutputFile::IsStandardOutput() const {
  return target_ && target_->isStdout;
}

bool OutputFile::direct() const {
  return target_ && !target_->replace;
}

namespace {

// The current full name of `name` in the held folder, wherever the folder
// is now.
std::wstring InFolder(HANDLE folder, const std::wstring& folderPath, const std::wstring& name) {
  const std::wstring now = folder != INVALID_HANDLE_VALUE ? FinalPath(folder) : std::wstring();
  return JoinPath(now.empty() ? folderPath : now, name);
}

}  // namespace

bool OutputFile::Open(std::string& error) {
  if (!target_ || stream_) return Fail(error, ERROR_INVALID_FUNCTION);
  Target& t = *target_;
  int fd = -1;
  if (t.isStdout) {
    fd = _dup(1);
    if (fd < 0) {
      error = std::strerror(errno);
      return false;
    }
    _setmode(fd, _O_BINARY);
  } else {
    HANDLE h = INVALID_HANDLE_VALUE;
    if (t.replace) {
      for (int attempt = 0; attempt < 100 && h == INVALID_HANDLE_VALUE; ++attempt) {
        t.tempName = TempName(this);
        h = CreateFileW(InFolder(t.folder, t.folderPath, t.tempName).c_str(), GENERIC_WRITE | DELETE, 0,
                        nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) break;
      }
      if (h == INVALID_HANDLE_VALUE) {
        const DWORD err = GetLastError();
        t.tempName.clear();
        return Fail(error, err);
      }
      if (!DuplicateHandle(GetCurrentProcess(), h, GetCurrentProcess(), &t.temp, 0, FALSE,
                           DUPLICATE_SAME_ACCESS)) {
        const DWORD err = GetLastError();
        CloseHandle(h);
        Abandon();
        return Fail(error, err);
      }
    } else {
      h = CreateFileW(t.finalPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
      if (h == INVALID_HANDLE_VALUE) return Fail(error, GetLastError());
    }
    fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_WRONLY | _O_BINARY);
    if (fd < 0) {
      CloseHandle(h);
      Abandon();
      error = std::strerror(errno);
      return false;
    }
  }
  stream_ = _fdopen(fd, "wb");
  if (!stream_) {
    error = std::strerror(errno);
    _close(fd);
    Abandon();
    return false;
  }
  return true;
}

bool OutputFile::Finish(std::string& error) {
  if (!stream_) return Fail(error, ERROR_INVALID_HANDLE);
  errno = 0;
  std::string failure;
  if (std::fflush(stream_) != 0 || std::ferror(stream_)) failure = std::strerror(errno ? errno : EIO);
  // Through to the disk before the move, so that the name never stands for a
  // file whose data a crash could still lose.
  if (failure.empty() && target_->replace &&
      !FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream_)))))
    failure = SystemMessage(GetLastError());
  if (std::fclose(stream_) != 0 && failure.empty()) failure = std::strerror(errno);
  stream_ = nullptr;
  if (!failure.empty()) {
    Abandon();
    error = failure;
    return false;
  }
  return true;
}

bool OutputFile::KeepOld() {
  Target& t = *target_;
  if (!t.replace || t.tempName.empty()) return true;
  const std::wstring target = InFolder(t.folder, t.folderPath, t.base);
  if (GetFileAttributesW(target.c_str()) == INVALID_FILE_ATTRIBUTES)
    return GetLastError() == ERROR_FILE_NOT_FOUND;
  for (int attempt = 0; attempt < 100; ++attempt) {
    t.oldName = TempName(this);
    if (CreateHardLinkW(InFolder(t.folder, t.folderPath, t.oldName).c_str(), target.c_str(), nullptr))
      return true;
    if (GetLastError() != ERROR_ALREADY_EXISTS && GetLastError() != ERROR_FILE_EXISTS) break;
  }
  t.oldName.clear();
  return false;
}

bool OutputFile::Install(std::string& error) {
  Target& t = *target_;
  if (!t.replace || t.tempName.empty()) return true;
  const std::wstring target = InFolder(t.folder, t.folderPath, t.base);
  // A read-only file cannot be replaced as it stands: the attribute is lifted
  // for the move and the replacement gets it back.
  const bool readOnly = t.exists && (t.attributes & FILE_ATTRIBUTE_READONLY);
  if (readOnly) SetFileAttributesW(target.c_str(), t.attributes & ~FILE_ATTRIBUTE_READONLY);
  // Renamed through its handle: the temporary is found wherever its folder
  // went.
  std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + target.size() * sizeof(wchar_t));
  auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  rename->ReplaceIfExists = TRUE;
  rename->RootDirectory = nullptr;
  rename->FileNameLength = static_cast<DWORD>(target.size() * sizeof(wchar_t));
  std::memcpy(rename->FileName, target.c_str(), target.size() * sizeof(wchar_t));
  if (!SetFileInformationByHandle(t.temp, FileRenameInfo, rename, static_cast<DWORD>(buffer.size()))) {
    const DWORD err = GetLastError();
    if (readOnly) SetFileAttributesW(target.c_str(), t.attributes);
    return Fail(error, err);
  }
  CloseHandle(t.temp);
  t.temp = INVALID_HANDLE_VALUE;
  t.tempName.clear();
  t.installed = true;
  if (t.exists && (t.attributes & kKeptAttributes))
    SetFileAttributesW(target.c_str(), t.attributes & kKeptAttributes);
  return true;
}

bool OutputFile::PutBackOld() {
  Target& t = *target_;
  if (!t.installed) return true;
  t.installed = false;
  const std::wstring target = InFolder(t.folder, t.folderPath, t.base);
  if (t.oldName.empty()) {
    // Nothing stood there: the new file goes.
    SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    return DeleteFileW(target.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND;
  }
  SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (!MoveFileExW(InFolder(t.folder, t.folderPath, t.oldName).c_str(), target.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return false;
  t.oldName.clear();
  if (t.attributes) SetFileAttributesW(target.c_str(), t.attributes);
  return true;
}

std::string OutputFile::OldName() const {
  return target_ ? Utf8Of(InFolder(target_->folder, target_->folderPath, target_->oldName)) : std::string();
}

void OutputFile::DropOld() {
  Target& t = *target_;
  if (t.oldName.empty()) return;
  // It shares the old file's attributes; a read-only one could not go.
  const std::wstring old = InFolder(t.folder, t.folderPath, t.oldName);
  SetFileAttributesW(old.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(old.c_str());
  t.oldName.clear();
}

void OutputFile::Abandon() {
  if (stream_) {
    std::fclose(stream_);
    stream_ = nullptr;
  }
  if (!target_) return;
  Target& t = *target_;
  if (t.temp != INVALID_HANDLE_VALUE) {
    // Removed through its handle, wherever its folder went.
    FILE_DISPOSITION_INFO remove{};
    remove.DeleteFile = TRUE;
    if (!SetFileInformationByHandle(t.temp, FileDispositionInfo, &remove, sizeof remove) &&
        !t.tempName.empty())
      DeleteFileW(InFolder(t.folder, t.folderPath, t.tempName).c_str());
    CloseHandle(t.temp);
    t.temp = INVALID_HANDLE_VALUE;
  } else if (!t.tempName.empty()) {
    DeleteFileW(InFolder(t.folder, t.folderPath, t.tempName).c_str());
  }
  t.tempName.clear();
}

}  // namespace quorvex
