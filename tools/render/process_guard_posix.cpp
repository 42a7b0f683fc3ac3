#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include "tools/render/process_guard.h"
#include "tools/render/process_guard_platform.h"

namespace quorvex {
namespace {

constexpr int kTerminating[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

void OnTerminate(int sig) {
  NoteTerminatingRequest(sig);
}

}  // namespace

bool StartProcessGuard(std::string& error) {
  // In order from 0, so that open() returns the lowest free descriptor: the
  // closed one itself.
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    if (fd == STDOUT_FILENO) NoteStdoutClosedAtStart();
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

}  // namespace quorvex
