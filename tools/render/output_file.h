#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>

namespace quorvex {

// One output of a run, written so that a failed or interrupted run leaves
// whatever stood at its name as it was.
//
// What stands at the name decides how it is written:
// - a regular file, or nothing yet: a temporary file with a short name in the
//   same folder is written, flushed and closed completely, and only then
//   renamed over the name; a replaced file's permission bits (and owner, where
//   the process may set it) carry over to the new one;
// - a symbolic link: followed to the file it names, which is then treated as
//   above, so the link stays a link;
// - "-", a name for one of the process's open descriptors (/dev/stdout,
//   /dev/fd/N, /proc/self/fd/N), a device, pipe or other special file:
//   written directly through the open descriptor, never replaced;
// - a directory, or a name ending in a separator: refused.
//
// The folder a temporary is made in is held open from the start, and the
// temporary is made, renamed and removed relative to it, so that a folder
// moved during the run still has its temporaries removed.
//
// The steps are separate so that a caller with several outputs can check
// them all before a long computation and put them in place only when every
// one of them has been finished:
//   Prepare -> SameTarget -> Open -> (write stream()) -> Finish -> CommitAll.
// Anything not committed is abandoned on destruction: the temporary is
// closed and removed.
class OutputFile {
 public:
  OutputFile();
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Looks at what stands at `path`, following symbolic links, holds its
  // folder open and refuses a directory, a name that cannot be a file, or a
  // file that foreseeably cannot be replaced (one in use without delete
  // sharing, an immutable one, another user's file in a sticky folder).
  // Opens no file for writing. False with `error` set.
  bool Prepare(const std::string& path, std::string& error);
  // True when both prepared outputs would end up in the same file, however
  // their names are spelled.
  bool SameTarget(const OutputFile& other) const;
  // The output goes to the file standard output writes to; the closing
  // line then goes to standard error.
  bool IsStandardOutput() const;
  // Written directly rather than through a temporary: whatever was written
  // before a failure has arrived.
  bool direct() const;

  // Creates the temporary file, or opens a special file for writing.
  bool Open(std::string& error);
  std::FILE* stream() const { return stream_; }
  // Flushes, writes through to the disk and closes the stream, checking each
  // step; the result is complete but not yet under its name.
  bool Finish(std::string& error);
  // Puts every finished output under its name, or none of them: a file
  // replaced first keeps its old content reachable under a second name
  // until the last one is in place, and gets it back if a later one fails.
  // On failure `error` says what failed and which files were left as they
  // were, by the names the caller gave.
  static bool CommitAll(std::span<OutputFile* const> outputs, std::string& error);
  // Closes and removes whatever was not committed.
  void Abandon();

  // The name as the caller gave it, for messages.
  const std::string& path() const { return path_; }

  // What stands at the name, as the policy and the platform see it
  // (output_file_platform.h).
  struct Target;

 private:
  // Steps of CommitAll.
  // Keeps the current file at the name reachable under a second name; true
  // when the name can afterwards be given back what stood there (also when
  // nothing stood there).
  bool KeepOld();
  // Renames the temporary over the name.
  bool Install(std::string& error);
  // Gives the name back what stood there before Install; false when that
  // failed, and the old content then stays under its second name.
  bool PutBackOld();
  // The second name of the kept old content, for a message.
  std::string OldName() const;
  // Forgets the kept old content (removes its second name).
  void DropOld();

  std::unique_ptr<Target> target_;
  std::string path_;
  std::FILE* stream_ = nullptr;
};

}  // namespace quorvex
