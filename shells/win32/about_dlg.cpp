#include "shells/win32/about_dlg.h"

#include "shells/win32/dpi.h"
#include "shells/win32/orbit_app.h"
#include "shells/win32/resource.h"

namespace quorvex {

CAboutDlg::CAboutDlg() : CModalDialog(IDD_ABOUTBOX, COrbitApp::Instance().mainWindow()) {}

CAboutDlg::~CAboutDlg() {
  if (largeIcon_) DestroyIcon(largeIcon_);
}

BOOL CAboutDlg::OnInitDialog() {
  // The icon control, the template's first, shows the 32-pixel program
  // icon. Above 96 DPI the icon is drawn larger; it is then taken from the
  // 64 and 128 pixel images, scaled down to the size the density asks for
  // rather than blown up from 32 pixels.
  const int size = Scale(32, WindowDpi(hwnd()));
  const HWND icon = GetWindow(hwnd(), GW_CHILD);
  if (size > 32 && icon) {
    largeIcon_ = static_cast<HICON>(
        LoadImageA(COrbitApp::Instance().instance(), MAKEINTRESOURCEA(IDI_LARGE), IMAGE_ICON, size, size, 0));
    if (largeIcon_) SendMessageA(icon, STM_SETICON, reinterpret_cast<WPARAM>(largeIcon_), 0);
  }
  return CModalDialog::OnInitDialog();
}

}  // namespace quorvex
