#pragma once

namespace quorvex {

// What the platform's StartProcessGuard and its handlers report to the
// shared part of the process guard (process_guard.cpp).

// A terminating request arrived, numbered as the POSIX signal it stands
// for; the first one decides the exit status. Safe to call from a signal
// handler.
void NoteTerminatingRequest(int signalNumber);
// Standard output was closed when the program started (and has been given
// the null device).
void NoteStdoutClosedAtStart();

}  // namespace quorvex
