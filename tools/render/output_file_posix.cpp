#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
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
  // For a name that does not exist yet: the real directory plus the name.
  std::string canonical;
  // A regular file or nothing: written through a temporary and renamed.
  bool replace = true;
  std::string tempPath;
};

namespace {

// The maximum number of symbolic links followed, as the kernel allows.
constexpr int kMaxLinks = 40;

bool Fail(std::string& error, int err) {
  error = std::strerror(err);
  return false;
}

// The directory part of a name: "." for a bare name, "/" for one in the root.
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

// Follows symbolic links from `path` to the name a file is or would be
// created under. False with errno set on failure.
bool FollowLinks(std::string path, std::string& resolved) {
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

}  // namespace

OutputFile::OutputFile() = default;

OutputFile::~OutputFile() {
  Abandon();
}

bool OutputFile::Prepare(const std::string& path, std::string& error) {
  path_ = path;
  target_ = std::make_unique<Target>();
  Target& t = *target_;
  if (path.empty()) return Fail(error, ENOENT);
  if (path.ends_with('/')) {
    error = "a name ending in / stands for a directory";
    return false;
  }
  errno = 0;
  if (!FollowLinks(path, t.finalPath)) return Fail(error, errno);
  if (stat(t.finalPath.c_str(), &t.existing) == 0) {
    if (S_ISDIR(t.existing.st_mode)) return Fail(error, EISDIR);
    t.exists = true;
    t.replace = S_ISREG(t.existing.st_mode);
    return true;
  }
  if (errno != ENOENT) return Fail(error, errno);
  // Nothing there yet: the directory must be one, and its real name makes
  // two spellings of the same new file comparable.
  const std::string dir = DirectoryOf(t.finalPath);
  char* real = realpath(dir.c_str(), nullptr);
  if (!real) return Fail(error, errno);
  t.canonical = std::string(real) + "/" + BaseOf(t.finalPath);
  std::free(real);
  struct stat dirStat {};
  if (stat(dir.c_str(), &dirStat) != 0) return Fail(error, errno);
  if (!S_ISDIR(dirStat.st_mode)) return Fail(error, ENOTDIR);
  return true;
}

bool OutputFile::SameTarget(const OutputFile& other) const {
  if (!target_ || !other.target_) return false;
  const Target& a = *target_;
  const Target& b = *other.target_;
  if (a.exists != b.exists) return false;
  if (a.exists) return a.existing.st_dev == b.existing.st_dev && a.existing.st_ino == b.existing.st_ino;
  return a.canonical == b.canonical;
}

bool OutputFile::Open(std::string& error) {
  if (!target_ || stream_) return Fail(error, EINVAL);
  Target& t = *target_;
  int fd = -1;
  if (t.replace) {
    // A short name, whatever the length of the target's: any legal name
    // still leaves room for it.
    std::string name = DirectoryOf(t.finalPath) + "/.qv-XXXXXX";
    fd = mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) return Fail(error, errno);
    t.tempPath = name;
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
      fchmod(fd, NewFileMode());
    }
  } else {
    // A device or pipe is written as it stands. O_NOCTTY: a terminal named
    // as the output does not become this process's controlling one.
    fd = open(t.finalPath.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return Fail(error, errno);
    struct stat now {};
    if (fstat(fd, &now) != 0 || now.st_dev != t.existing.st_dev || now.st_ino != t.existing.st_ino) {
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

bool OutputFile::Commit(std::string& error) {
  if (!target_ || stream_) return Fail(error, EINVAL);
  Target& t = *target_;
  if (!t.tempPath.empty()) {
    if (rename(t.tempPath.c_str(), t.finalPath.c_str()) != 0) {
      const int err = errno;
      Abandon();
      return Fail(error, err);
    }
    t.tempPath.clear();
  }
  return true;
}

void OutputFile::Abandon() {
  if (stream_) {
    std::fclose(stream_);
    stream_ = nullptr;
  }
  if (target_ && !target_->tempPath.empty()) {
    unlink(target_->tempPath.c_str());
    target_->tempPath.clear();
  }
}

}  // namespace quorvex
