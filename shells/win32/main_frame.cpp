#include "shells/win32/main_frame.h"

#include <algorithm>

#include "shells/win32/dpi.h"
#include "shells/win32/enter_values_dlg.h"
#include "shells/win32/orbit_app.h"
#include "shells/win32/resource.h"

namespace quorvex {
namespace {

constexpr char kClassName[] = "QuorvexMainFrame";
constexpr UINT_PTR kSliceTimer = 1;

// The frame's window class: no class style, cursor, background or icon;
// the view covers the whole client area.
bool RegisterFrameClass(HINSTANCE instance, WNDPROC proc) {
  WNDCLASSEXA wc{};
  if (GetClassInfoExA(instance, kClassName, &wc)) return true;
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.lpszClassName = kClassName;
  return RegisterClassExA(&wc) != 0;
}

}  // namespace

CMainFrame::CMainFrame() = default;

CMainFrame::~CMainFrame() {
  if (hwnd_) DestroyWindow(hwnd_);
}

bool CMainFrame::Create(const char* caption, HMENU menu) {
  const HINSTANCE instance = COrbitApp::Instance().instance();
  if (!RegisterFrameClass(instance, WindowProcFor<CMainFrame>)) return false;
  // The outer size grows with the density, as the decorations do.
  const int dpi = SystemDpi();
  if (!CreateWindowExA(0, kClassName, caption, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                       Scale(kOuterWidth, dpi), Scale(kOuterHeight, dpi), nullptr, menu, instance, this))
    return false;
  FitClientToChart();
  return true;
}

void CMainFrame::FitClientToChart() {
  // Where the decorations take more than the outer size leaves, the window
  // grows until the view's client area holds the whole 640 x 480 chart at
  // the window's density; at 96 DPI the outer size is 655 x 540 whenever
  // that suffices.
  if (!view_.hwnd()) return;
  const int dpi = WindowDpi(hwnd_);
  // The view fills the frame's client area (a hidden window gets no
  // WM_SIZE until it is shown).
  RECT client{};
  GetClientRect(hwnd_, &client);
  MoveWindow(view_.hwnd(), 0, 0, client.right, client.bottom, FALSE);
  GetClientRect(view_.hwnd(), &client);
  const int wider = std::max(0, Scale(kBaseWidth, dpi) - static_cast<int>(client.right));
  const int taller = std::max(0, Scale(kBaseHeight, dpi) - static_cast<int>(client.bottom));
  if (wider == 0 && taller == 0) return;
  RECT outer{};
  GetWindowRect(hwnd_, &outer);
  SetWindowPos(hwnd_, nullptr, 0, 0, outer.right - outer.left + wider, outer.bottom - outer.top + taller,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CMainFrame::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      return OnCreate();
    case WM_SETFOCUS:
      // The keyboard focus passes on to the view.
      if (view_.hwnd()) SetFocus(view_.hwnd());
      return 0;
    case WM_SIZE:
      OnSize(wParam, LOWORD(lParam), HIWORD(lParam));
      return 0;
    case WM_COMMAND:
      OnCommand(LOWORD(wParam));
      return 0;
    case CPlotView::kRunEndedMessage:
      RunWaitingCommands();
      return 0;
    case WM_SETCURSOR:
      // While a menu command waits for the run to end, the pointer over the
      // whole window (the view included, which asks its parent first) is
      // the busy cursor.
      if (session_.busy()) {
        SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32514)));  // IDC_WAIT
        return TRUE;
      }
      break;
    case WM_DPICHANGED: {
      // Moved to a monitor of another density, or the density changed: take
      // the size Windows suggests; the view then fills its new client area
      // at the new density, starting the run again as any resize does.
      const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
      SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                   suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
      FitClientToChart();
      return 0;
    }
    case WM_ENTERMENULOOP:
    case WM_ENTERSIZEMOVE:
      KeepRunningInModalLoop(true);
      break;
    case WM_EXITMENULOOP:
    case WM_EXITSIZEMOVE:
      KeepRunningInModalLoop(false);
      break;
    case WM_TIMER:
      if (wParam == kSliceTimer) {
        view_.RunSlice();
        return 0;
      }
      break;
    case WM_DESTROY:
      OnDestroy();
      return 0;
    default:
      break;
  }
  return DefWindowProcA(hwnd_, message, wParam, lParam);
}

int CMainFrame::OnCreate() {
  if (!view_.Create(hwnd_)) return -1;
  // The first dialog, while the window is still hidden; showing the window
  // then paints the view and starts the run if it was accepted.
  AskForValues();
  return 0;
}

void CMainFrame::OnSize(WPARAM type, int width, int height) {
  if (type == SIZE_MINIMIZED) {
    minimised_ = true;
    return;
  }
  // The view fills the client area.
  if (view_.hwnd()) MoveWindow(view_.hwnd(), 0, 0, width, height, TRUE);
  // Restoring the window from the minimised state repaints it, and every
  // such repaint starts the run again.
  if (minimised_) {
    minimised_ = false;
    view_.Restart();
  }
}

void CMainFrame::OnCommand(int id) {
  switch (id) {
    case ID_APP_EXIT:
      // Ends the program at once, also while a run is in progress.
      SendMessageA(hwnd_, WM_CLOSE, 0, 0);
      break;
    case ID_ENTER_NEW_VALUES:
      Dispatch(Session::Command::EnterNewValues);
      break;
    case ID_APP_ABOUT:
      Dispatch(Session::Command::About);
      break;
    default:
      // The accelerators' commands: nothing handles them.
      break;
  }
}

void CMainFrame::OnDestroy() {
  // No question, nothing to save.
  KillTimer(hwnd_, kSliceTimer);
  session_.Close();
  PostQuitMessage(0);
}

bool CMainFrame::AskForValues() {
  CEnterValuesDlg dialog(hwnd_, session_);
  return dialog.DoModal() == IDOK;
}

void CMainFrame::OnEnterNewValues() {
  if (!AskForValues()) return;
  view_.Restart();
  UpdateWindow(view_.hwnd());
}

void CMainFrame::Dispatch(Session::Command command) {
  if (session_.Offer(command))
    Execute(command);
  else
    ShowBusy();
}

void CMainFrame::Execute(Session::Command command) {
  switch (command) {
    case Session::Command::EnterNewValues:
      OnEnterNewValues();
      break;
    case Session::Command::About:
      COrbitApp::Instance().ShowAboutBox();
      break;
  }
}

void CMainFrame::RunWaitingCommands() {
  while (const std::optional<Session::Command> command = session_.Take()) {
    ShowBusy();
    Execute(*command);
  }
}

void CMainFrame::ShowBusy() {
  const bool busy = session_.busy();
  if (pointerBusy_ == busy) return;
  pointerBusy_ = busy;
  // The pointer changes at once if it is over the window, not only at its
  // next move.
  POINT at{};
  if (!hwnd_ || !GetCursorPos(&at)) return;
  const HWND under = WindowFromPoint(at);
  if (under != hwnd_ && !IsChild(hwnd_, under)) return;
  const LRESULT hit = SendMessageA(under, WM_NCHITTEST, 0, MAKELPARAM(at.x, at.y));
  SendMessageA(under, WM_SETCURSOR, reinterpret_cast<WPARAM>(under), MAKELPARAM(hit, WM_MOUSEMOVE));
}

void CMainFrame::KeepRunningInModalLoop(bool on) {
  modalLoops_ = std::max(0, modalLoops_ + (on ? 1 : -1));
  if (modalLoops_ > 0)
    SetTimer(hwnd_, kSliceTimer, USER_TIMER_MINIMUM, nullptr);
  else
    KillTimer(hwnd_, kSliceTimer);
}

}  // namespace quorvex
