#pragma once

namespace quorvex {

// The threads a run uses: the processors this process may run on, at most
// two.
int RunThreads();

// Clears the upper halves of the processor's wide vector registers where it
// has them. Code that used 256- or 512-bit registers without clearing them
// afterwards (a GUI toolkit's drawing, for one) leaves every later SSE
// instruction of the thread, and of threads it starts, with a false
// dependency on them, which slowed a run in the window by half. The run's
// values live in the low halves and are unchanged.
void ClearUpperVectorState();

}  // namespace quorvex
