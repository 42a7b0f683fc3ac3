#include <fcntl.h>
#include <pthread.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <string_view>

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
    // The others wait while one is noted: a second request arriving at once
    // would otherwise run inside the first one's handler and be noted first.
    sigemptyset(&sa.sa_mask);
    for (const int other : kTerminating) sigaddset(&sa.sa_mask, other);
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

KeepRequestsOnThisThread::KeepRequestsOnThisThread() {
  static_assert(sizeof(sigset_t) <= sizeof saved_);
  sigset_t block;
  sigemptyset(&block);
  for (const int sig : kTerminating) sigaddset(&block, sig);
  pthread_sigmask(SIG_BLOCK, &block, reinterpret_cast<sigset_t*>(saved_));
}

KeepRequestsOnThisThread::~KeepRequestsOnThisThread() {
  pthread_sigmask(SIG_SETMASK, reinterpret_cast<const sigset_t*>(saved_), nullptr);
}

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

void WriteText(std::FILE* stream, std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stream);
}

int ErrorTerminalColumns() {
  if (isatty(STDERR_FILENO) != 1) return 0;
  struct winsize ws {};
  if (ioctl(STDERR_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0) return ws.ws_col;
  return 80;  // a terminal that does not say
}

}  // namespace quorvex
