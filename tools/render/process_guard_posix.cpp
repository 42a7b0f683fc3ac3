#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "tools/render/process_guard.h"

namespace quorvex {
namespace {

// Written from a signal handler: both must be lock-free.
std::atomic<bool> gInterrupted{false};
std::atomic<int> gSignal{0};
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free);

bool gStdoutClosedAtStart = false;

constexpr int kTerminating[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

void OnTerminate(int sig) {
  int none = 0;
  gSignal.compare_exchange_strong(none, sig);  // the first request decides the status
  gInterrupted.store(true);
}

}  // namespace

bool StartProcessGuard(std::string& error) {
  // In order from 0, so that open() returns the lowest free descriptor: the
  // closed one itself.
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    if (fd == STDOUT_FILENO) gStdoutClosedAtStart = true;
    const int null = open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
    if (null < 0) {
      error = std::string("cannot open /dev/null: ") + std::strerror(errno);
      return false;
    }
    if (null != fd) {
      dup2(null, fd);
      close(null);
    }
  }

  for (const int sig : kTerminating) {
    struct sigaction old {};
    if (sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
    struct sigaction sa {};
    sa.sa_handler = OnTerminate;
    sigemptyset(&sa.sa_mask);
    // No SA_RESTART: a blocking open or write (a pipe nobody reads yet)
    // returns with EINTR, so that the run can stop.
    sa.sa_flags = 0;
    sigaction(sig, &sa, nullptr);
  }
  // A write to a closed pipe then fails with EPIPE and is reported like any
  // other write error, temporaries removed.
  std::signal(SIGPIPE, SIG_IGN);
  return true;
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
