#pragma once

#include <cstdio>
#include <string>

namespace quorvex {

// A file written under a temporary name beside its destination and renamed
// into place only by Commit(), so that a failed or interrupted write never
// leaves a partial file under the final name. Abandoned on destruction.
class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile() { Abandon(); }
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Creates the temporary file; false with `error` set if it cannot be made.
  bool Open(const std::string& path, std::string& error);
  std::FILE* stream() const { return stream_; }
  // Flushes, closes and renames into place; false with `error` set on failure.
  bool Commit(std::string& error);
  void Abandon();

 private:
  std::string path_;
  std::string tempPath_;
  std::FILE* stream_ = nullptr;
};

}  // namespace quorvex
