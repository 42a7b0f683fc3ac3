#pragma once

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "orbit/integrator.h"

namespace quorvex {

// Writes "k,t,..." rows with every double at 17 significant digits.
class SampleWriter {
 public:
  explicit SampleWriter(std::FILE* out) : out_(out) {
    const std::string header = std::string("step,") + kSampleValueNames + "\n";
    Put(header.data(), header.size());
  }

  void Write(std::int64_t k, const StepSample& s) {
    char line[512];
    char* p = line;
    char* const end = line + sizeof line;
    p = std::to_chars(p, end, k).ptr;
    for (double v : SampleValues(s)) {
      *p++ = ',';
      p = std::to_chars(p, end, v, std::chars_format::general, 17).ptr;
    }
    *p++ = '\n';
    Put(line, static_cast<size_t>(p - line));
    if (!failed()) rows_ = k;
  }

  // The last step whose row was handed to the stream.
  std::int64_t rows() const { return rows_; }

  // A row could not be written; the rest of the run is of no use.
  bool failed() const { return !error_.empty(); }
  const std::string& error() const { return error_; }

 private:
  void Put(const char* data, size_t size) {
    if (failed()) return;
    errno = 0;
    if (std::fwrite(data, 1, size, out_) != size) error_ = std::strerror(errno ? errno : EIO);
  }

  std::FILE* out_;
  std::string error_;
  std::int64_t rows_ = 0;
};

}  // namespace quorvex
