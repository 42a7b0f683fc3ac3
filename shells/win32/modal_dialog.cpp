#include "shells/win32/modal_dialog.h"

#include <algorithm>

#include "shells/win32/orbit_app.h"

namespace quorvex {

CModalDialog::CModalDialog(int templateId, HWND owner) : templateId_(templateId), owner_(owner) {}

CModalDialog::~CModalDialog() = default;

INT_PTR CModalDialog::DoModal() {
  return DialogBoxParamA(COrbitApp::Instance().instance(), MAKEINTRESOURCEA(templateId_), owner_, DialogProc,
                         reinterpret_cast<LPARAM>(this));
}

BOOL CModalDialog::OnInitDialog() {
  CentreDialog(hwnd_);
  // A dialog whose owner is hidden (the first "Enter Values", before the
  // main window is shown) would have no taskbar button: once minimised,
  // nothing could bring it back. It gets a button of its own.
  if (!owner_ || !IsWindowVisible(owner_))
    SetWindowLongPtrA(hwnd_, GWL_EXSTYLE, GetWindowLongPtrA(hwnd_, GWL_EXSTYLE) | WS_EX_APPWINDOW);
  return TRUE;
}

void CModalDialog::OnOK() {
  EndDialog(hwnd_, IDOK);
}

void CModalDialog::OnCancel() {
  EndDialog(hwnd_, IDCANCEL);
}

INT_PTR CALLBACK CModalDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* self = reinterpret_cast<CModalDialog*>(lParam);
    SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
    self->hwnd_ = hwnd;
    return self->OnInitDialog();
  }
  auto* self = reinterpret_cast<CModalDialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  if (message == WM_SIZE && wParam == SIZE_MINIMIZED) {
    // The dialogs offer no minimise box; a shell or window manager that
    // minimises one anyway (its owner is disabled meanwhile) gets it back
    // at once.
    PostMessageA(hwnd, WM_SYSCOMMAND, SC_RESTORE, 0);
    return TRUE;
  }
  if (!self || message != WM_COMMAND || HIWORD(wParam) != BN_CLICKED) return FALSE;
  switch (LOWORD(wParam)) {
    case IDOK:
      self->OnOK();
      return TRUE;
    case IDCANCEL:
      self->OnCancel();
      return TRUE;
    default:
      return FALSE;
  }
}

void CentreDialog(HWND dialog) {
  const HWND owner = GetWindow(dialog, GW_OWNER);
  const bool overOwner = owner && IsWindowVisible(owner) && !IsIconic(owner);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoA(MonitorFromWindow(overOwner ? owner : dialog, MONITOR_DEFAULTTOPRIMARY), &monitor);
  const RECT work = monitor.rcWork;
  RECT around = work;
  if (overOwner) GetWindowRect(owner, &around);
  RECT box;
  GetWindowRect(dialog, &box);
  const int width = box.right - box.left;
  const int height = box.bottom - box.top;
  int x = (around.left + around.right) / 2 - width / 2;
  int y = (around.top + around.bottom) / 2 - height / 2;
  x = std::clamp(x, static_cast<int>(work.left), std::max<int>(work.left, work.right - width));
  y = std::clamp(y, static_cast<int>(work.top), std::max<int>(work.top, work.bottom - height));
  SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace quorvex
