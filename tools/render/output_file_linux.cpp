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

#include "tools/render/output_file_platform.h"
#include "tools/render/path_join.h"

namespace quorvex::output_platform {
namespace {

bool Fail(std::string& error, int err) {
  error = std::strerror(err);
  return false;
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
  const std::string dir = RealPath(FolderOf(path));
  if (dir != "/proc/" + std::to_string(getpid()) + "/fd" && dir != "/proc/self/fd") return -1;
  const std::string name = NameOf(path);
  int fd = -1;
  const auto [end, ec] = std::from_chars(name.data(), name.data() + name.size(), fd);
  return ec == std::errc() && end == name.data() + name.size() ? fd : -1;
}

// Follows symbolic links from `path` to the name a file is or would be
// created under, or to a name for one of this process's descriptors. False
// with errno set on failure.
bool FollowLinks(std::string path, std::string& resolved, int& ownFd) {
  constexpr int kMaxLinks = 40;  // as many as the kernel follows
  for (int hops = 0;; ++hops) {
    char link[PATH_MAX];
    const ssize_t n = readlink(path.c_str(), link, sizeof link);
    if (n < 0 && errno != EINVAL && errno != ENOENT) return false;
    // Not a link (EINVAL), or nothing there yet: a new file, or what a
    // dangling link names.
    if (n < 0 || (ownFd = OwnDescriptor(path)) >= 0) {
      resolved = path;
      return true;
    }
    if (hops == kMaxLinks || n == sizeof link) {
      errno = hops == kMaxLinks ? ELOOP : ENAMETOOLONG;
      return false;
    }
    const std::string next(link, static_cast<size_t>(n));
    path = next.starts_with('/') ? next : JoinPath(FolderOf(path), next);
  }
}

bool SameStat(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Whether `name` in `dirFd` is immutable or append-only (false when its
// flags cannot be read).
bool Unchangeable(int dirFd, const char* name) {
  const int fd = openat(dirFd, name, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return false;
  int flags = 0;
  const bool read = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  close(fd);
  return read && (flags & (FS_IMMUTABLE_FL | FS_APPEND_FL));
}

std::FILE* StreamOf(int fd, std::string& error) {
  std::FILE* stream = fd >= 0 ? fdopen(fd, "wb") : nullptr;
  if (!stream) Fail(error, errno);
  if (!stream && fd >= 0) close(fd);
  return stream;
}

}  // namespace

bool LookAt(const std::string& path, Target& t, std::string& error) {
  NativeTarget& n = t.native;
  if (path.empty()) return Fail(error, ENOENT);
  if (path == "-")
    n.ownFd = STDOUT_FILENO;
  else if (!FollowLinks(path, n.finalPath, n.ownFd))
    return Fail(error, errno);
  // One of this process's descriptors is written through it, whatever it is.
  const int found = n.ownFd >= 0 ? fstat(n.ownFd, &n.existing) : stat(n.finalPath.c_str(), &n.existing);
  if (found != 0) return errno == ENOENT && n.ownFd < 0 ? true : Fail(error, errno);
  if (S_ISDIR(n.existing.st_mode))
    t.kind = Target::Kind::kDirectory;
  else if (S_ISREG(n.existing.st_mode) && n.ownFd < 0)
    t.kind = Target::Kind::kFile;
  else
    t.kind = Target::Kind::kDirect;
  // Also what standard output writes to, unless a terminal (the closing
  // line may go there as well).
  struct stat out {};
  t.isStdout = path == "-" || (t.kind == Target::Kind::kDirect && fstat(STDOUT_FILENO, &out) == 0 &&
                               SameStat(out, n.existing) && !S_ISCHR(out.st_mode));
  return true;
}

bool HoldFolder(Target& t, std::string& error) {
  NativeTarget& n = t.native;
  const std::string dir = FolderOf(n.finalPath);
  n.base = NameOf(n.finalPath);
  n.dirFd = open(dir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (n.dirFd < 0) return Fail(error, errno);
  if (t.exists()) return true;
  const std::string real = RealPath(dir);
  if (real.empty()) return Fail(error, errno);
  n.canonical = JoinPath(real, n.base);
  return true;
}

std::string WhyNotReplaceable(const Target& t) {
  const NativeTarget& n = t.native;
  const std::string refused = std::strerror(EPERM);
  if (Unchangeable(n.dirFd, n.base.c_str())) return refused + " (the file is immutable or append-only)";
  if (Unchangeable(n.dirFd, ".")) return refused + " (its folder is immutable or append-only)";
  struct stat dir {};
  const uid_t me = geteuid();
  if (me != 0 && fstat(n.dirFd, &dir) == 0 && (dir.st_mode & S_ISVTX) && n.existing.st_uid != me &&
      dir.st_uid != me)
    return refused + " (another user's file in a folder with the sticky bit)";
  return {};
}

bool SameFile(const Target& a, const Target& b) {
  if (a.exists() || b.exists())
    return a.exists() == b.exists() && SameStat(a.native.existing, b.native.existing);
  return a.native.canonical == b.native.canonical;
}

std::FILE* CreateTemp(Target& t, bool& taken, std::string& error) {
  NativeTarget& n = t.native;
  // A new file gets 0666 less the umask, as any; a replacement starts
  // private and takes the old file's bits below.
  const int fd =
      openat(n.dirFd, t.tempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, t.exists() ? 0600 : 0666);
  taken = fd < 0 && errno == EEXIST;
  if (fd < 0) return Fail(error, errno), nullptr;
  fstat(fd, &n.temp);
  if (t.exists()) {
    // The same owner where this process may say so, then the same
    // permission bits (after the owner, which may clear set-id bits).
    if (fchown(fd, n.existing.st_uid, n.existing.st_gid) != 0 &&
        fchown(fd, static_cast<uid_t>(-1), n.existing.st_gid) != 0) {
      // Neither may be set: the new file keeps this process's owner.
    }
    fchmod(fd, n.existing.st_mode & 07777);
  }
  std::FILE* stream = StreamOf(fd, error);
  if (!stream) unlinkat(n.dirFd, t.tempName.c_str(), 0);
  return stream;
}

std::FILE* OpenDirect(Target& t, std::string& error) {
  NativeTarget& n = t.native;
  // Through the descriptor itself: a pipe, or the file a shell opened (at
  // its offset, appending if it appends).
  if (n.ownFd >= 0) return StreamOf(fcntl(n.ownFd, F_DUPFD_CLOEXEC, 3), error);
  // A device or pipe is written as it stands. O_NOCTTY: a terminal named as
  // the output does not become this process's controlling one.
  const int fd = open(n.finalPath.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
  struct stat now {};
  if (fd >= 0 && (fstat(fd, &now) != 0 || !SameStat(now, n.existing))) {
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
  if (linkat(n.dirFd, n.base.c_str(), n.dirFd, name.c_str(), 0) == 0) return Link::kDone;
  return errno == EEXIST ? Link::kTaken : errno == ENOENT ? Link::kNoFile : Link::kFailed;
}

bool InstallTemp(Target& t, std::string& error) {
  const NativeTarget& n = t.native;
  return renameat(n.dirFd, t.tempName.c_str(), n.dirFd, n.base.c_str()) == 0 || Fail(error, errno);
}

bool PutBack(Target& t, const std::string& old) {
  const NativeTarget& n = t.native;
  if (!old.empty()) return renameat(n.dirFd, old.c_str(), n.dirFd, n.base.c_str()) == 0;
  // The new file goes while it is still the one this run made.
  struct stat now {};
  if (fstatat(n.dirFd, n.base.c_str(), &now, AT_SYMLINK_NOFOLLOW) != 0 || !SameStat(now, n.temp)) return true;
  return unlinkat(n.dirFd, n.base.c_str(), 0) == 0;
}

void RemoveName(Target& t, const std::string& name) {
  unlinkat(t.native.dirFd, name.c_str(), 0);
}

void RemoveTemp(Target& t) {
  if (!t.tempName.empty()) RemoveName(t, t.tempName);
}

std::string NameInFolder(const Target& t, const std::string& name) {
  return JoinPath(FolderOf(t.native.finalPath), name);
}

}  // namespace quorvex::output_platform
