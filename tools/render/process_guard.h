#pragma once

#include <atomic>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace quorvex {

// The process-wide conditions a command-line run relies on.
//
// StartProcessGuard() is called first in main, before anything opens a file:
// - a standard stream (input, output, error) that is closed at start gets the
//   null device, so that no file opened later takes its place and receives
//   diagnostics meant for it;
// - the terminating requests (SIGINT, SIGTERM, SIGHUP and SIGQUIT; on Windows
//   Ctrl+C, Ctrl+Break and closing the console) set InterruptFlag() instead of
//   ending the process, so that the run can stop and remove its temporary
//   files; one that was ignored when the program started stays ignored;
// - writing to a pipe nobody reads fails with an error instead of ending the
//   process.
// False with `error` set if a closed standard stream could not be given the
// null device; the program should then stop.
bool StartProcessGuard(std::string& error);

// Set once a terminating request has arrived; safe to read from any thread.
const std::atomic<bool>& InterruptFlag();
inline bool Interrupted() {
  return InterruptFlag().load(std::memory_order_relaxed);
}
// The exit status for the request that arrived: 128 + its signal number.
int InterruptExitStatus();

// While one lives, threads started by this one do not take the terminating
// requests: they all go to the thread that made it, one after another, so
// that the first one to arrive decides the exit status.
class KeepRequestsOnThisThread {
 public:
  KeepRequestsOnThisThread();
  ~KeepRequestsOnThisThread();
  KeepRequestsOnThisThread(const KeepRequestsOnThisThread&) = delete;
  KeepRequestsOnThisThread& operator=(const KeepRequestsOnThisThread&) = delete;

 private:
  alignas(16) unsigned char saved_[128];
};

// The program's arguments after its name, as UTF-8 (on Windows taken from
// the wide command line, so that every name arrives as typed).
std::vector<std::string> CommandLineArguments(int argc, char** argv);

// Writes UTF-8 text to standard output or standard error; a Windows console
// is given it as UTF-16, so that every name shows as typed.
void WriteText(std::FILE* stream, std::string_view text);

// The columns of the terminal (or console) standard error shows on, 0 when
// standard error is not one.
int ErrorTerminalColumns();

// Flushes and closes standard output. False with `error` set when what was
// written to it did not arrive, or when it was closed at start.
bool CloseStandardOutput(std::string& error);

}  // namespace quorvex
