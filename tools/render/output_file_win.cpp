#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "tools/render/output_file.h"

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
  // A disk file or nothing: written through a temporary and moved.
  bool replace = true;
  std::wstring tempPath;
};

namespace {

// The attributes a replacement takes over from the file it replaces.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// The system's text for an error code, without the closing period and line end.
std::string SystemMessage(DWORD code) {
  char* text = nullptr;
  const DWORD n = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<char*>(&text), 0, nullptr);
  std::string message = n && text ? std::string(text, n) : "error " + std::to_string(code);
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

// Command-line names come in the ANSI code page.
std::wstring Widen(const std::string& s) {
  if (s.empty()) return {};
  const int n = MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
  return w;
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

std::wstring DirectoryOf(const std::wstring& path) {
  const size_t sep = path.find_last_of(L"\\/");
  return sep == std::wstring::npos ? L"." : path.substr(0, sep);
}

std::wstring BaseOf(const std::wstring& path) {
  const size_t sep = path.find_last_of(L"\\/");
  return sep == std::wstring::npos ? path : path.substr(sep + 1);
}

// Opens whatever stands at `path` (links followed) only to look at it.
HANDLE OpenToLookAt(const std::wstring& path) {
  return CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                     OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

bool SameName(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                              TRUE) == CSTR_EQUAL;
}

}  // namespace

OutputFile::OutputFile() = default;

OutputFile::~OutputFile() {
  Abandon();
}

bool OutputFile::Prepare(const std::string& path, std::string& error) {
  path_ = path;
  target_ = std::make_unique<Target>();
  Target& t = *target_;
  if (path.empty()) return Fail(error, ERROR_PATH_NOT_FOUND);
  if (path.back() == '/' || path.back() == '\\') {
    error = "a name ending in " + std::string(1, path.back()) + " stands for a directory";
    return false;
  }
  const std::wstring wide = Widen(path);
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
    return true;
  }
  const DWORD err = GetLastError();
  if (err != ERROR_FILE_NOT_FOUND) return Fail(error, err);
  // A link naming no file: moving a result onto its name would replace the
  // link itself.
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    error = "a link to a file that does not exist";
    return false;
  }
  // Nothing there yet: the directory must exist, and its real name makes two
  // spellings of the same new file comparable.
  const std::wstring full = FullPath(wide);
  HANDLE dir = OpenToLookAt(DirectoryOf(full));
  if (dir == INVALID_HANDLE_VALUE) return Fail(error, GetLastError());
  BY_HANDLE_FILE_INFORMATION info{};
  const bool isDir =
      GetFileInformationByHandle(dir, &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
  const std::wstring realDir = FinalPath(dir);
  CloseHandle(dir);
  if (!isDir) return Fail(error, ERROR_DIRECTORY);
  t.canonical = (realDir.empty() ? DirectoryOf(full) : realDir) + L"\\" + BaseOf(full);
  t.finalPath = t.canonical;
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

bool OutputFile::Open(std::string& error) {
  if (!target_ || stream_) return Fail(error, ERROR_INVALID_FUNCTION);
  Target& t = *target_;
  HANDLE h = INVALID_HANDLE_VALUE;
  if (t.replace) {
    // A short name beside the target, whatever the length of the target's.
    const std::wstring dir = DirectoryOf(t.finalPath);
    ULONGLONG seed = GetTickCount64() ^ (static_cast<ULONGLONG>(GetCurrentProcessId()) << 20) ^
                     static_cast<ULONGLONG>(reinterpret_cast<uintptr_t>(this));
    for (int attempt = 0; attempt < 100 && h == INVALID_HANDLE_VALUE; ++attempt) {
      seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
      std::wstring name = L".qv-";
      for (int shift = 60; shift >= 40; shift -= 4) name += L"0123456789abcdef"[(seed >> shift) & 0xF];
      t.tempPath = dir + L"\\" + name;
      h = CreateFileW(t.tempPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                      nullptr);
      if (h == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) break;
    }
    if (h == INVALID_HANDLE_VALUE) {
      const DWORD err = GetLastError();
      t.tempPath.clear();
      return Fail(error, err);
    }
  } else {
    h = CreateFileW(t.finalPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return Fail(error, GetLastError());
  }
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_WRONLY | _O_BINARY);
  if (fd < 0) {
    CloseHandle(h);
    Abandon();
    error = std::strerror(errno);
    return false;
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

bool OutputFile::Commit(std::string& error) {
  if (!target_ || stream_) return Fail(error, ERROR_INVALID_FUNCTION);
  Target& t = *target_;
  if (t.tempPath.empty()) return true;
  // A read-only file cannot be replaced as it stands: the attribute is lifted
  // for the move and the replacement gets it back.
  const bool readOnly = t.exists && (t.attributes & FILE_ATTRIBUTE_READONLY);
  if (readOnly) SetFileAttributesW(t.finalPath.c_str(), t.attributes & ~FILE_ATTRIBUTE_READONLY);
  if (!MoveFileExW(t.tempPath.c_str(), t.finalPath.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const DWORD err = GetLastError();
    if (readOnly) SetFileAttributesW(t.finalPath.c_str(), t.attributes);
    Abandon();
    return Fail(error, err);
  }
  t.tempPath.clear();
  if (t.exists && (t.attributes & kKeptAttributes))
    SetFileAttributesW(t.finalPath.c_str(), t.attributes & kKeptAttributes);
  return true;
}

void OutputFile::Abandon() {
  if (stream_) {
    std::fclose(stream_);
    stream_ = nullptr;
  }
  if (target_ && !target_->tempPath.empty()) {
    DeleteFileW(target_->tempPath.c_str());
    target_->tempPath.clear();
  }
}

}  // namespace quorvex
