#pragma once

#include <windows.h>

#include "shells/core/session.h"
#include "shells/win32/plot_view.h"
#include "shells/win32/window_proc.h"

namespace quorvex {

// The main window: the menu and the plot view filling the client area, over
// the program's session.
class CMainFrame {
 public:
  // The client area the chart is laid out for, and the window's outer size
  // made from it, at 96 DPI; both scale with the density.
  static constexpr int kBaseWidth = kCanvasWidth;
  static constexpr int kBaseHeight = kCanvasHeight;
  static constexpr int kOuterWidth = kBaseWidth + 15;
  static constexpr int kOuterHeight = kBaseHeight + 60;

  CMainFrame();
  ~CMainFrame();
  CMainFrame(const CMainFrame&) = delete;
  CMainFrame& operator=(const CMainFrame&) = delete;

  // Makes the window, still hidden, with the caption, menu and size; its
  // creation makes the view and runs the first "Enter Values" dialog.
  bool Create(const char* caption, HMENU menu);
  HWND hwnd() const { return hwnd_; }
  CPlotView& view() { return view_; }

 private:
  friend LRESULT CALLBACK WindowProcFor<CMainFrame>(HWND, UINT, WPARAM, LPARAM);
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  int OnCreate();
  void OnSize(WPARAM type, int width, int height);
  void OnCommand(int id);
  void OnDestroy();

  // Runs the "Enter Values" dialog over the session, which keeps the values
  // on "Start Plot". Returns whether the dialog was accepted.
  bool AskForValues();
  // The "Enter New Values" command: the dialog, and on acceptance a new run
  // on a freshly erased view.
  void OnEnterNewValues();

  // Menu commands chosen while a run is in progress wait for it to end (see
  // Session::Offer).
  void Dispatch(Session::Command command);
  void Execute(Session::Command command);
  void RunWaitingCommands();
  // The busy cursor over the window while commands wait, as the session's
  // busy state says.
  void ShowBusy();
  // Grows the window where its client area is smaller than the chart.
  void FitClientToChart();

  // While the system runs a modal loop of its own (a menu open, the window
  // being moved or sized) the application's loop is not running: a timer
  // keeps the run advancing.
  void KeepRunningInModalLoop(bool on);

  HWND hwnd_ = nullptr;
  Session session_;
  CPlotView view_{session_};
  bool minimised_ = false;
  bool pointerBusy_ = false;  // the pointer was last set to the busy cursor
  int modalLoops_ = 0;
};

}  // namespace quorvex
