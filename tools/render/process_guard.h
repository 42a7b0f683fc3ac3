#pragma once

#include <atomic>
#include <string>

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

// Flushes and closes standard output. False with `error` set when what was
// written to it did not arrive, or when it was closed at start.
bool CloseStandardOutput(std::string& error);

}  // namespace quorvex
