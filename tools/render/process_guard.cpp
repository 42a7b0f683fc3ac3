#include "tools/render/process_guard.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "tools/render/process_guard_platform.h"

namespace quorvex {
namespace {

// Written from a signal handler or the console's control thread: both must
// be lock-free.
std::atomic<bool> gInterrupted{false};
std::atomic<int> gSignal{0};
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free);

bool gStdoutClosedAtStart = false;

}  // namespace

void NoteTerminatingRequest(int signalNumber) {
  int none = 0;
  gSignal.compare_exchange_strong(none, signalNumber);  // the first request decides the status
  gInterrupted.store(true);
}

void NoteStdoutClosedAtStart() {
  gStdoutClosedAtStart = true;
}

const std::atomic<bool>& InterruptFlag() {
  return gInterrupted;
}

int InterruptExitStatus() {
  return 128 + gSignal.load();
}

bool CloseStandardOutput(std::string& error) {
  errno = 0;
  int err = 0;
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) err = errno ? errno : EIO;
  if (std::fclose(stdout) != 0 && !err) err = errno;
  if (!err && gStdoutClosedAtStart) err = EBADF;
  if (err) error = std::strerror(err);
  return err == 0;
}

}  // namespace quorvex
