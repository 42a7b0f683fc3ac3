#pragma once

#include <cstdio>
#include <memory>
#include <string>

namespace quorvex {

// One output of a run, written so that a failed or interrupted run leaves
// whatever stood at its name as it was.
//
// What stands at the name decides how it is written:
// - a regular file, or nothing yet: a temporary file with a short name in the
//   same directory is written, flushed and closed completely, and only then
//   renamed over the name; a replaced file's permission bits (and owner, where
//   the process may set it) carry over to the new one;
// - a symbolic link: followed to the file it names, which is then treated as
//   above, so the link stays a link;
// - a device, pipe or other special file: written directly, never replaced;
// - a directory, or a name ending in a separator: refused.
//
// The steps are separate so that a caller with several outputs can check
// them all before a long computation and put them in place only when every
// one of them has been finished:
//   Prepare -> SameTarget -> Open -> (write stream()) -> Finish -> Commit.
// Anything not committed is abandoned on destruction: the temporary is
// closed and removed.
class OutputFile {
 public:
  OutputFile();
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Looks at what stands at `path`, following symbolic links, and refuses a
  // directory or a name that cannot be a file. Opens nothing. False with
  // `error` set.
  bool Prepare(const std::string& path, std::string& error);
  // True when both prepared outputs would end up in the same file, however
  // their names are spelled.
  bool SameTarget(const OutputFile& other) const;

  // Creates the temporary file, or opens a special file for writing.
  bool Open(std::string& error);
  std::FILE* stream() const { return stream_; }
  // Flushes, writes through to the disk and closes the stream, checking each
  // step; the result is complete but not yet under its name.
  bool Finish(std::string& error);
  // Puts a finished result under its name.
  bool Commit(std::string& error);
  // Closes and removes whatever was not committed.
  void Abandon();

  // The name as the caller gave it, for messages.
  const std::string& path() const { return path_; }

 private:
  struct Target;  // the platform's view of what stands at the name
  std::unique_ptr<Target> target_;
  std::string path_;
  std::FILE* stream_ = nullptr;
};

}  // namespace quorvex
