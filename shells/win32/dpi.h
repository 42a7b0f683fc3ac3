#pragma once

#include <windows.h>

namespace quorvex {

// The pixel density the program draws for, in dots per inch; 96 is 100 %.
inline constexpr int kBaseDpi = 96;

// The density of the monitor a window is on (the program is per-monitor
// aware through its manifest). Windows before 10 version 1607 lack the
// per-window call; there the system's density applies.
int WindowDpi(HWND window);
// The system's density: the primary monitor's when the program starts.
int SystemDpi();

// A length of `base` pixels at 96 DPI, scaled to `dpi` and rounded.
inline int Scale(int base, int dpi) {
  return MulDiv(base, dpi, kBaseDpi);
}

}  // namespace quorvex
