#include "tools/render/output_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace quorvex {

bool OutputFile::Open(const std::string& path, std::string& error) {
  path_ = path;
  std::vector<char> name(path.begin(), path.end());
  const char suffix[] = ".XXXXXX";
  name.insert(name.end(), suffix, suffix + sizeof suffix);
  const int fd = mkstemp(name.data());
  if (fd < 0) {
    error = std::strerror(errno);
    return false;
  }
  tempPath_ = name.data();
#ifndef _WIN32
  // mkstemp makes the file private; the result gets the usual permissions.
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
#endif
  stream_ = fdopen(fd, "wb");
  if (!stream_) {
    error = std::strerror(errno);
    close(fd);
    Abandon();
    return false;
  }
  return true;
}

bool OutputFile::Commit(std::string& error) {
  if (!stream_) {
    error = "not open";
    return false;
  }
  const bool streamOk = std::fflush(stream_) == 0 && !std::ferror(stream_);
  const int flushErrno = errno;
  const bool closed = std::fclose(stream_) == 0;
  stream_ = nullptr;
  if (!streamOk || !closed) {
    error = std::strerror(streamOk ? errno : flushErrno);
    Abandon();
    return false;
  }
  if (std::rename(tempPath_.c_str(), path_.c_str()) != 0) {
    error = std::strerror(errno);
    Abandon();
    return false;
  }
  tempPath_.clear();
  return true;
}

void OutputFile::Abandon() {
  if (stream_) {
    std::fclose(stream_);
    stream_ = nullptr;
  }
  if (!tempPath_.empty()) {
    unlink(tempPath_.c_str());
    tempPath_.clear();
  }
}

}  // namespace quorvex
