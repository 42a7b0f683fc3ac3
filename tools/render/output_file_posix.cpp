#include <fcntl.h>
#include <limits.h>
#include <linux/fs.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <vector>

#include "tools/render/output_file.h"

namespace quorvex {

struct OutputFile::Target {
  // The name the result goes under, symbolic links followed.
  std::string finalPath;
  // Something stands at finalPath; its status and identity.
  bool exists = false;
  struct stat existing {};
  // For a name that does not exist yet: the real folder plus the name.
  std::string canonical;
  // A regular file or nothing: written through a temporary and renamed,
  // relative to the folder held open in dirFd.
  bool replace = true;
  int dirFd = -1;
  std::string base;      // the name within that folder
  std::string tempName;  // the temporary's name there
  struct stat temp {};   // the temporary's identity
  // The old file's second name while the outputs are put in place.
  std::string oldName;
  bool installed = false;
  // Written directly: standard output ("-"), or one of this process's
  // descriptors named through /proc (-1 for any other special file).
  bool direct = false;
  int ownFd = -1;
  bool isStdout = false;
};

namespace {

// The maximum number of symbolic links followed, as the kernel allows.
constexpr int kMaxLinks = 40;

bool Fail(std::string& error, int err) {
  error = std::strerror(err);
  return false;
}

// The folder part of a name: "." for a bare name, "/" for one in the root.
std::string DirectoryOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string BaseOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string RealPath(const std::string& path) {
  char* real = realpath(path.c_str(), nullptr);
  if (!real) return {};
  std::string s(real);
  std::free(real);
  return s;
}

// The descriptor number when `path` names one of this process's open
// descriptors through /proc (as /dev/stdout, /dev/fd/N and bash's >(...)
// do), else -1. Such a name is a link whose target is no path (a pipe's is
// "pipe:[N]"), so it must be written through the descriptor itself.
int OwnDescriptor(const std::string& path) {
  const std::string dir = RealPath(DirectoryOf(path));
  const std::string own = "/proc/" + std::to_string(getpid()) + "/fd";
  if (dir != own && dir != "/proc/self/fd") return -1;
  const std::string base = BaseOf(path);
  int fd = -1;
  const auto [end, ec] = std::from_chars(base.data(), base.data() + base.size(), fd);
  return ec == std::errc() && end == base.data() + base.size() ? fd : -1;
}

// Follows symbolic links from `path` to the name a file is or would be
// created under, or to a name for one of this process's descriptors. False
// with errno set on failure.
bool FollowLinks(std::string path, std::string& resolved, int& ownFd) {
  ownFd = -1;
  for (int hops = 0;; ++hops) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0) {
      if (errno != ENOENT) return false;
      resolved = path;  // a new file, or what a dangling link names
      return true;
    }
    if (!S_ISLNK(st.st_mode)) {
      resolved = path;
      return true;
    }
    if ((ownFd = OwnDescriptor(path)) >= 0) {
      resolved = path;
      return true;
    }
    if (hops == kMaxLinks) {
      errno = ELOOP;
      return false;
    }
    std::vector<char> buf(static_cast<size_t>(st.st_size > 0 ? st.st_size : PATH_MAX) + 1);
    const ssize_t n = readlink(path.c_str(), buf.data(), buf.size());
    if (n < 0) return false;
    if (static_cast<size_t>(n) >= buf.size()) {
      errno = ENAMETOOLONG;
      return false;
    }
    const std::string link(buf.data(), static_cast<size_t>(n));
    path = link.starts_with('/') ? link : DirectoryOf(path) + "/" + link;
  }
}

// The permission bits a new file gets: 0666 less the umask.
mode_t NewFileMode() {
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

// A fresh ".qv-XXXXXX" name: short, whatever the length of the target's, so
// that any legal name still leaves room for it.
std::string TempName() {
  static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
  unsigned char bytes[6];
  if (getrandom(bytes, sizeof bytes, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bytes)) {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    unsigned long long seed =
        static_cast<unsigned long long>(now.tv_nsec) ^ (static_cast<unsigned long long>(getpid()) << 32);
    for (unsigned char& b : bytes) {
      seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
      b = static_cast<unsigned char>(seed >> 56);
    }
  }
  std::string name = ".qv-";
  for (unsigned char b : bytes) name += kDigits[b % (sizeof kDigits - 1)];
  return name;
}

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The inode flags of `name` in `dirFd` (0 when they cannot be read).
unsigned InodeFlags(int dirFd, const char* name, int openFlags) {
  const int fd = openat(dirFd, name, openFlags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return 0;
  int flags = 0;
  if (ioctl(fd, FS_IOC_GETFLAGS, &flags) != 0) flags = 0;
  close(fd);
  return static_cast<unsigned>(flags);
}

// Why renaming a new file over the existing `base` in the folder `dirFd`
// is bound to fail, or empty when nothing says so beforehand.
std::string WhyNotReplaceable(int dirFd, const std::string& base, const struct stat& file) {
  if (InodeFlags(dirFd, base.c_str(), O_RDONLY) & (FS_IMMUTABLE_FL | FS_APPEND_FL))
    return std::string(std::strerror(EPERM)) + " (the file is immutable or append-only)";
  if (InodeFlags(dirFd, ".", O_RDONLY | O_DIRECTORY) & (FS_IMMUTABLE_FL | FS_APPEND_FL))
    return std::string(std::strerror(EPERM)) + " (its folder is immutable or append-only)";
  struct stat dir {};
  const uid_t me = geteuid();
  if (me != 0 && fstat(dirFd, &dir) == 0 && (dir.st_mode & S_ISVTX) && file.st_uid != me && dir.st_uid != me)
    return std::string(std::strerror(EPERM)) + " (another user's file in a folder with the sticky bit)";
  return {};
}

}  // namespace

OutputFile::OutputFile() = default;

OutputFile::~OutputFile() {
  Abandon();
  if (target_ && target_->dirFd >= 0) close(target_->dirFd);
}

bool OutputFile::Prepare(const std::string& path, std::string& error) {
  path_ = path;
  target_ = std::make_unique<Target>();
  Target& t = *target_;
  if (path.empty()) return Fail(error, ENOENT);
  if (path == "-") {
    // Standard output, as it stands.
    if (fstat(STDOUT_FILENO, &t.existing) != 0) return Fail(error, errno);
    t.exists = true;
    t.replace = false;
    t.direct = true;
    t.ownFd = STDOUT_FILENO;
    t.isStdout = true;
    return true;
  }
  if (path.ends_with('/')) {
    error = "a name ending in / stands for a directory";
    return false;
  }
  errno = 0;
  if (!FollowLinks(path, t.finalPath, t.ownFd)) return Fail(error, errno);
  if (t.ownFd >= 0) {
    // One of this process's descriptors: written through it, whatever it is.
    if (fstat(t.ownFd, &t.existing) != 0) return Fail(error, errno);
    if (S_ISDIR(t.existing.st_mode)) return Fail(error, EISDIR);
    struct stat out {};
    t.exists = true;
    t.replace = false;
    t.direct = true;
    t.isStdout = fstat(STDOUT_FILENO, &out) == 0 && SameFile(out, t.existing) && !S_ISCHR(out.st_mode);
    return true;
  }
  if (stat(t.finalPath.c_str(), &t.existing) == 0) {
    if (S_ISDIR(t.existing.st_mode)) return Fail(error, EISDIR);
    t.exists = true;
    t.replace = S_ISREG(t.existing.st_mode);
    if (!t.replace) {
      struct stat out {};
      t.direct = true;
      t.isStdout = fstat(STDOUT_FILENO, &out) == 0 && SameFile(out, t.existing) && !S_ISCHR(out.st_mode);
      return true;
    }
  } else if (errno != ENOENT) {
    return Fail(error, errno);
  }
  // A regular file or nothing yet: the folder is held from here on, and
  // everything else happens relative to it.
  const std::string dir = DirectoryOf(t.finalPath);
  t.base = BaseOf(t.finalPath);
  t.dirFd = open(dir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (t.dirFd < 0) return Fail(error, errno);
  if (t.exists) {
    error = WhyNotReplaceable(t.dirFd, t.base, t.existing);
    return error.empty();
  }
  // Nothing there yet: the real folder's name makes two spellings of the
  // same new file comparable.
  const std::string real = RealPath(dir);
  if (real.empty()) return Fail(error, errno);
  t.canonical = real + "/" + t.base;
  return true;
}

bool OutputFile::SameTarget(const OutputFile& other) const {
  if (!target_ || !other.target_) return false;
  const Target& a = *target_;
  const Target& b = *other.target_;
  if (a.exists != b.exists) return false;
  if (a.exists) return SameFile(a.existing, b.existing);
  return a.canonical == b.canonical;
}

bool OutputFile::IsStandardOutput() const {
  return target_ && target_->isStdout;
}

bool OutputFile::direct() const {
  return target_ && !target_->replace;
}

bool OutputFile::Open(std::string& error) {
  if (!target_ || stream_) return Fail(error, EINVAL);
  Target& t = *target_;
  int fd = -1;
  if (t.replace) {
    const mode_t mode = t.exists ? (t.existing.st_mode & 0777) : NewFileMode();
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
      t.tempName = TempName();
      fd = openat(t.dirFd, t.tempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
      if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) {
      const int err = errno;
      t.tempName.clear();
      return Fail(error, err);
    }
    fstat(fd, &t.temp);
    if (t.exists) {
      // The replacement belongs to the same owner where this process may say
      // so, and gets the same permission bits (after the owner, which may
      // clear set-id bits).
      if (fchown(fd, t.existing.st_uid, t.existing.st_gid) != 0 &&
          fchown(fd, static_cast<uid_t>(-1), t.existing.st_gid) != 0) {
        // Neither may be set: the new file keeps this process's owner.
      }
      fchmod(fd, t.existing.st_mode & 07777);
    } else {
      fchmod(fd, mode);
    }
  } else if (t.ownFd >= 0) {
    // Through the descriptor itself: a pipe, or the file a shell opened
    // (at its offset, appending if it appends).
    fd = fcntl(t.ownFd, F_DUPFD_CLOEXEC, 3);
    if (fd < 0) return Fail(error, errno);
  } else {
    // A device or pipe is written as it stands. O_NOCTTY: a terminal named
    // as the output does not become this process's controlling one.
    fd = open(t.finalPath.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return Fail(error, errno);
    struct stat now {};
    if (fstat(fd, &now) != 0 || !SameFile(now, t.existing)) {
      close(fd);
      error = "replaced by another file while the run was being prepared";
      return false;
    }
  }
  stream_ = fdopen(fd, "wb");
  if (!stream_) {
    const int err = errno;
    close(fd);
    Abandon();
    return Fail(error, err);
  }
  return true;
}

bool OutputFile::Finish(std::string& error) {
  if (!stream_) return Fail(error, EBADF);
  errno = 0;
  int err = 0;
  if (std::fflush(stream_) != 0 || std::ferror(stream_)) err = errno ? errno : EIO;
  // Through to the disk before the rename, so that the name never stands for
  // a file whose data a crash could still lose.
  if (!err && target_->replace && fsync(fileno(stream_)) != 0) err = errno;
  if (std::fclose(stream_) != 0 && !err) err = errno;
  stream_ = nullptr;
  if (err) {
    Abandon();
    return Fail(error, err);
  }
  return true;
}

bool OutputFile::KeepOld() {
  Target& t = *target_;
  if (!t.replace || t.tempName.empty()) return true;
  struct stat now {};
  if (fstatat(t.dirFd, t.base.c_str(), &now, AT_SYMLINK_NOFOLLOW) != 0) return errno == ENOENT;
  for (int attempt = 0; attempt < 100; ++attempt) {
    t.oldName = TempName();
    if (linkat(t.dirFd, t.base.c_str(), t.dirFd, t.oldName.c_str(), 0) == 0) return true;
    if (errno != EEXIST) break;
  }
  t.oldName.clear();
  return false;
}

bool OutputFile::Install(std::string& error) {
  Target& t = *target_;
  if (!t.replace || t.tempName.empty()) return true;
  if (renameat(t.dirFd, t.tempName.c_str(), t.dirFd, t.base.c_str()) != 0) return Fail(error, errno);
  t.tempName.clear();
  t.installed = true;
  return true;
}

bool OutputFile::PutBackOld() {
  Target& t = *target_;
  if (!t.installed) return true;
  t.installed = false;
  if (!t.oldName.empty()) {
    if (renameat(t.dirFd, t.oldName.c_str(), t.dirFd, t.base.c_str()) != 0) return false;
    t.oldName.clear();
    return true;
  }
  // Nothing stood there: the new file goes, if it is still ours.
  struct stat now {};
  if (fstatat(t.dirFd, t.base.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 && SameFile(now, t.temp))
    return unlinkat(t.dirFd, t.base.c_str(), 0) == 0;
  return true;
}

std::string OutputFile::OldName() const {
  return target_ ? DirectoryOf(target_->finalPath) + "/" + target_->oldName : std::string();
}

void OutputFile::DropOld() {
  Target& t = *target_;
  if (t.oldName.empty()) return;
  unlinkat(t.dirFd, t.oldName.c_str(), 0);
  t.oldName.clear();
}

void OutputFile::Abandon() {
  if (stream_) {
    std::fclose(stream_);
    stream_ = nullptr;
  }
  if (target_ && !target_->tempName.empty()) {
    unlinkat(target_->dirFd, target_->tempName.c_str(), 0);
    target_->tempName.clear();
  }
}

}  // namespace quorvex
