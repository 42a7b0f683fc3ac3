// The output policy's operations on Linux: links followed by hand (to the
// name a dangling link would create, and to this process's descriptors
// under /proc), the folder held by an O_PATH descriptor and everything done
// relative to it, and the inode flags that foretell a refused rename.

#include <fcntl.h>
#include <limits.h>
#include <linux/fs.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <memory>
#include <vector>

#include "tools/render/output_file_platform.h"

namespace quorvex::output_platform {
namespace {

using Kind = Target::Kind;

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
  const std::unique_ptr<char, decltype(&std::free)> real(realpath(path.c_str(), nullptr), &std::free);
  return real ? std::string(real.get()) : std::string();
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
    if (!S_ISLNK(st.st_mode) || (ownFd = OwnDescriptor(path)) >= 0) {
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

bool SameStat(const struct stat& a, const struct stat& b) {
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

std::FILE* StreamOf(int fd, std::string& error) {
  std::FILE* stream = fdopen(fd, "wb");
  if (!stream) {
    Fail(error, errno);
    close(fd);
  }
  return stream;
}

}  // namespace

std::string NoSuchFile() {
  return std::strerror(ENOENT);
}

bool LookAtStandardOutput(Target& t, std::string& error) {
  if (fstat(STDOUT_FILENO, &t.native.existing) != 0) return Fail(error, errno);
  t.kind = Kind::kDirect;
  t.native.ownFd = STDOUT_FILENO;
  t.isStdout = true;
  return true;
}

bool LookAt(const std::string& path, Target& t, std::string& error) {
  NativeTarget& n = t.native;
  errno = 0;
  if (!FollowLinks(path, n.finalPath, n.ownFd)) return Fail(error, errno);
  // One of this process's descriptors is written through it, whatever it is.
  const int found = n.ownFd >= 0 ? fstat(n.ownFd, &n.existing) : stat(n.finalPath.c_str(), &n.existing);
  if (found != 0) return errno == ENOENT && n.ownFd < 0 ? true : Fail(error, errno);
  if (S_ISDIR(n.existing.st_mode))
    t.kind = Kind::kDirectory;
  else if (S_ISREG(n.existing.st_mode) && n.ownFd < 0)
    t.kind = Kind::kFile;
  else
    t.kind = Kind::kDirect;
  // What standard output writes to, unless a terminal (the closing line
  // may go there as well).
  struct stat out {};
  t.isStdout = t.kind == Kind::kDirect && fstat(STDOUT_FILENO, &out) == 0 && SameStat(out, n.existing) &&
               !S_ISCHR(out.st_mode);
  return true;
}

bool HoldFolder(Target& t, std::string& error) {
  NativeTarget& n = t.native;
  const std::string dir = DirectoryOf(n.finalPath);
  n.base = BaseOf(n.finalPath);
  n.dirFd = open(dir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (n.dirFd < 0) return Fail(error, errno);
  if (t.exists()) return true;
  const std::string real = RealPath(dir);
  if (real.empty()) return Fail(error, errno);
  n.canonical = real + "/" + n.base;
  return true;
}

std::string WhyNotReplaceable(const Target& t) {
  const NativeTarget& n = t.native;
  if (InodeFlags(n.dirFd, n.base.c_str(), O_RDONLY) & (FS_IMMUTABLE_FL | FS_APPEND_FL))
    return std::string(std::strerror(EPERM)) + " (the file is immutable or append-only)";
  if (InodeFlags(n.dirFd, ".", O_RDONLY | O_DIRECTORY) & (FS_IMMUTABLE_FL | FS_APPEND_FL))
    return std::string(std::strerror(EPERM)) + " (its folder is immutable or append-only)";
  struct stat dir {};
  const uid_t me = geteuid();
  if (me != 0 && fstat(n.dirFd, &dir) == 0 && (dir.st_mode & S_ISVTX) && n.existing.st_uid != me &&
      dir.st_uid != me)
    return std::string(std::strerror(EPERM)) + " (another user's file in a folder with the sticky bit)";
  return {};
}

bool SameFile(const Target& a, const Target& b) {
  if (a.exists() != b.exists()) return false;
  if (a.exists()) return SameStat(a.native.existing, b.native.existing);
  return a.native.canonical == b.native.canonical;
}

std::FILE* CreateTemp(Target& t, bool& taken, std::string& error) {
  NativeTarget& n = t.native;
  const int fd = openat(n.dirFd, t.tempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) {
    taken = errno == EEXIST;
    Fail(error, errno);
    return nullptr;
  }
  fstat(fd, &n.temp);
  if (t.exists()) {
    // The replacement belongs to the same owner where this process may say
    // so, and gets the same permission bits (after the owner, which may
    // clear set-id bits).
    if (fchown(fd, n.existing.st_uid, n.existing.st_gid) != 0 &&
        fchown(fd, static_cast<uid_t>(-1), n.existing.st_gid) != 0) {
      // Neither may be set: the new file keeps this process's owner.
    }
    fchmod(fd, n.existing.st_mode & 07777);
  } else {
    // 0666 less the umask, as any new file.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
  }
  std::FILE* stream = StreamOf(fd, error);
  if (!stream) unlinkat(n.dirFd, t.tempName.c_str(), 0);
  return stream;
}

std::FILE* OpenDirect(Target& t, std::string& error) {
  NativeTarget& n = t.native;
  if (n.ownFd >= 0) {
    // Through the descriptor itself: a pipe, or the file a shell opened (at
    // its offset, appending if it appends).
    const int fd = fcntl(n.ownFd, F_DUPFD_CLOEXEC, 3);
    if (fd < 0) return Fail(error, errno), nullptr;
    return StreamOf(fd, error);
  }
  // A device or pipe is written as it stands. O_NOCTTY: a terminal named as
  // the output does not become this process's controlling one.
  const int fd = open(n.finalPath.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return Fail(error, errno), nullptr;
  struct stat now {};
  if (fstat(fd, &now) != 0 || !SameStat(now, n.existing)) {
    close(fd);
    error = "replaced by another file while the run was being prepared";
    return nullptr;
  }
  return StreamOf(fd, error);
}

bool SyncToDisk(std::FILE* stream, std::string& error) {
  return fsync(fileno(stream)) == 0 || Fail(error, errno);
}

Link LinkCurrent(Target& t, const std::string& name) {
  const NativeTarget& n = t.native;
  struct stat now {};
  if (fstatat(n.dirFd, n.base.c_str(), &now, AT_SYMLINK_NOFOLLOW) != 0)
    return errno == ENOENT ? Link::kNoFile : Link::kFailed;
  if (linkat(n.dirFd, n.base.c_str(), n.dirFd, name.c_str(), 0) == 0) return Link::kDone;
  return errno == EEXIST ? Link::kTaken : Link::kFailed;
}

bool InstallTemp(Target& t, std::string& error) {
  const NativeTarget& n = t.native;
  return renameat(n.dirFd, t.tempName.c_str(), n.dirFd, n.base.c_str()) == 0 || Fail(error, errno);
}

bool RenameBack(Target& t, const std::string& name) {
  return renameat(t.native.dirFd, name.c_str(), t.native.dirFd, t.native.base.c_str()) == 0;
}

bool RemoveInstalled(Target& t) {
  const NativeTarget& n = t.native;
  struct stat now {};
  if (fstatat(n.dirFd, n.base.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 && SameStat(now, n.temp))
    return unlinkat(n.dirFd, n.base.c_str(), 0) == 0;
  return true;
}

void RemoveName(Target& t, const std::string& name) {
  unlinkat(t.native.dirFd, name.c_str(), 0);
}

void RemoveTemp(Target& t) {
  if (!t.tempName.empty()) RemoveName(t, t.tempName);
}

std::string NameInFolder(const Target& t, const std::string& name) {
  return DirectoryOf(t.native.finalPath) + "/" + name;
}

void Release(Target& t) {
  if (t.native.dirFd >= 0) close(t.native.dirFd);
  t.native.dirFd = -1;
}

}  // namespace quorvex::output_platform
