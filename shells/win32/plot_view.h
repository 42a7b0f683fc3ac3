#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>

#include "canvas/canvas.h"
#include "shells/core/view_run.h"
#include "shells/win32/window_proc.h"

namespace quorvex {

// The main frame's only child, on which the chart and the plot run are
// drawn. Its ViewRun keeps a canvas the size of its client area, and a
// 32-bit top-down DIB section of the same size holds what a paint copies to
// the screen with BitBlt. A run draws the chart and then advances in slices
// driven by the application's message loop; the view is redrawn as ViewRun
// says, so the orbits and the separation curve visibly grow.
class CPlotView {
 public:
  // Posted to the parent when a run has ended, by reaching its end time or
  // by a click.
  static constexpr UINT kRunEndedMessage = WM_APP + 1;

  CPlotView();
  ~CPlotView();
  CPlotView(const CPlotView&) = delete;
  CPlotView& operator=(const CPlotView&) = delete;

  // Makes the view window: a child of `parent` with the sunken client edge
  // and the frame's main-pane id, initially empty.
  bool Create(HWND parent);
  HWND hwnd() const { return hwnd_; }

  // The run values accepted last, with which every later restart runs.
  void SetRunValues(const RunParameters& values) { values_ = values; }
  // Erases the canvas to the client area's size and, once run values have
  // been accepted, draws the chart and starts a new run from t = 0 with them.
  void Restart();
  bool runInProgress() const { return run_.runInProgress(); }
  // Advances the run in progress by one slice.
  void RunSlice();
  // Drops the run in progress without finishing it (the window closes).
  void AbandonRun();

  // The pixels the view shows.
  const Canvas& canvas() const { return run_.canvas(); }

 private:
  friend LRESULT CALLBACK WindowProcFor<CPlotView>(HWND, UINT, WPARAM, LPARAM);
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void OnPaint();
  void OnSize(int width, int height);
  void OnLButtonDown();

  // A DIB section of the canvas's size, selected into a memory DC.
  void MakeSurface();
  void FreeSurface();
  // Copies the canvas into the DIB section if it changed since.
  void RefreshSurface();
  void Changed();

  HWND hwnd_ = nullptr;
  std::optional<RunParameters> values_;
  ViewRun run_;
  HDC surfaceDc_ = nullptr;
  HBITMAP surface_ = nullptr;
  HGDIOBJ surfaceOld_ = nullptr;
  std::uint32_t* surfaceBits_ = nullptr;
  bool surfaceStale_ = false;
};

}  // namespace quorvex
