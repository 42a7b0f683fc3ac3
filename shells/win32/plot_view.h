#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "canvas/canvas.h"
#include "shells/core/session.h"
#include "shells/win32/window_proc.h"

namespace quorvex {

// The main frame's only child, on which the chart and the plot run are
// drawn. The session's ViewRun keeps a canvas the size of its client area at 96 DPI,
// and a 32-bit top-down DIB section of the client area's device pixels,
// which shows the canvas scaled in whole pixel blocks, holds what a paint
// copies to the screen with BitBlt; at 96 DPI the two are the same size. A run draws the chart and then
// advances in slices driven by the application's message loop; the view is redrawn as ViewRun says, so the
// orbits and the separation curve visibly grow.
class CPlotView {
 public:
  // Posted to the parent when a run has ended, by reaching its end time or
  // by a click.
  static constexpr UINT kRunEndedMessage = WM_APP + 1;

  explicit CPlotView(Session& session);
  ~CPlotView();
  CPlotView(const CPlotView&) = delete;
  CPlotView& operator=(const CPlotView&) = delete;

  // Makes the view window: a child of `parent` with the sunken client edge
  // and the frame's main-pane id, initially empty.
  bool Create(HWND parent);
  HWND hwnd() const { return hwnd_; }

  // Erases the canvas to the client area's size and, once run values have
  // been accepted, draws the chart and starts a new run from t = 0 with them
  // (Session::Restart).
  void Restart();
  bool runInProgress() const { return session_.run().runInProgress(); }
  // Advances the run in progress by one slice.
  void RunSlice();

  // The pixels the view shows.
  const Canvas& canvas() const { return session_.run().canvas(); }

 private:
  friend LRESULT CALLBACK WindowProcFor<CPlotView>(HWND, UINT, WPARAM, LPARAM);
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void OnPaint();
  void OnSize(int width, int height);
  void OnLButtonDown();
  // Stops the run in progress before its next step (a click, Escape).
  void StopRun();

  // A DIB section of the client area's size, selected into a memory DC.
  void MakeSurface();
  void FreeSurface();
  // Copies the canvas into the DIB section if it changed since, scaled to
  // the client area's device pixels.
  void RefreshSurface();
  void Changed();

  HWND hwnd_ = nullptr;
  int clientWidth_ = 0;  // the client area in device pixels
  int clientHeight_ = 0;
  Session& session_;
  HDC surfaceDc_ = nullptr;
  HBITMAP surface_ = nullptr;
  HGDIOBJ surfaceOld_ = nullptr;
  std::uint32_t* surfaceBits_ = nullptr;
  bool surfaceStale_ = false;
  std::vector<int> columns_;  // the canvas column of every surface column
};

}  // namespace quorvex
