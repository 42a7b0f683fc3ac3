#include "shells/win32/orbit_app.h"

#include <commctrl.h>
#include <mmsystem.h>

#include "shells/win32/about_dlg.h"
#include "shells/win32/main_frame.h"
#include "shells/win32/resource.h"

namespace quorvex {
namespace {

COrbitApp* theInstance = nullptr;

std::string LoadText(HINSTANCE instance, UINT id) {
  char text[256] = {};
  const int n = LoadStringA(instance, id, text, sizeof text);
  return std::string(text, n > 0 ? n : 0);
}

}  // namespace

COrbitApp::COrbitApp() {
  theInstance = this;
}

COrbitApp::~COrbitApp() {
  theInstance = nullptr;
}

COrbitApp& COrbitApp::Instance() {
  return *theInstance;
}

HWND COrbitApp::mainWindow() const {
  return frame_ ? frame_->hwnd() : nullptr;
}

int COrbitApp::Run(HINSTANCE instance) {
  instance_ = instance;
  name_ = LoadText(instance, IDS_APP_NAME);
  // Sleep(1) lasts about a millisecond, as the run's pauses want, rather
  // than a whole scheduler tick.
  timeBeginPeriod(1);
  const int code = InitInstance() ? MessageLoop() : 1;
  frame_.reset();
  timeEndPeriod(1);
  return code;
}

bool COrbitApp::InitInstance() {
  // The trackbar comes from the common controls.
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);

  accelerators_ = LoadAcceleratorsA(instance_, MAKEINTRESOURCEA(IDR_MAINFRAME));
  const HMENU menu = LoadMenuA(instance_, MAKEINTRESOURCEA(IDR_MAINFRAME));
  frame_ = std::make_unique<CMainFrame>();
  if (!frame_->Create(LoadText(instance_, IDR_MAINFRAME).c_str(), menu)) {
    if (menu) DestroyMenu(menu);
    return false;
  }
  ShowWindow(frame_->hwnd(), SW_SHOW);
  UpdateWindow(frame_->hwnd());
  return true;
}

int COrbitApp::MessageLoop() {
  MSG msg;
  for (;;) {
    // While a run is in progress it advances a slice whenever no message
    // waits, so the window repaints, moves, closes and takes clicks between
    // slices.
    while (frame_->view().runInProgress()) {
      if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) return static_cast<int>(msg.wParam);
        Deliver(msg);
      } else {
        frame_->view().RunSlice();
      }
    }
    const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0) return static_cast<int>(msg.wParam);
    if (got < 0) return 1;
    Deliver(msg);
  }
}

void COrbitApp::Deliver(MSG& msg) {
  const HWND frame = frame_->hwnd();
  if (frame && accelerators_ && TranslateAcceleratorA(frame, accelerators_, &msg)) return;
  TranslateMessage(&msg);
  DispatchMessageA(&msg);
}

void COrbitApp::ShowWarning(HWND owner, const std::string& text) const {
  MessageBoxA(owner, text.c_str(), name_.c_str(), MB_OK | MB_ICONEXCLAMATION);
}

void COrbitApp::ShowAboutBox() {
  CAboutDlg about;
  about.DoModal();
}

}  // namespace quorvex
