#pragma once

#include <windows.h>

namespace quorvex {

// A modal dialog built from a dialog template in the program's resources,
// a small class around its dialog procedure. "OK" (and Enter) calls OnOK,
// "Cancel", Escape and the close box call OnCancel; the default versions
// end the dialog with IDOK and IDCANCEL. While the dialog is open its owner
// is disabled.
class CModalDialog {
 public:
  CModalDialog(int templateId, HWND owner);
  virtual ~CModalDialog();
  CModalDialog(const CModalDialog&) = delete;
  CModalDialog& operator=(const CModalDialog&) = delete;

  // Runs the dialog until it ends; returns IDOK or IDCANCEL (-1 if the
  // dialog could not be made).
  INT_PTR DoModal();
  HWND hwnd() const { return hwnd_; }

 protected:
  // Called once the controls exist; places the dialog (CentreDialog).
  // Returning TRUE lets the keyboard focus go to the first tab stop.
  virtual BOOL OnInitDialog();
  virtual void OnOK();
  virtual void OnCancel();

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  int templateId_;
  HWND owner_;
  HWND hwnd_ = nullptr;
};

// Places a dialog centred over its owner when the owner is visible and not
// minimised, otherwise centred in the work area of the screen, and keeps
// it inside the work area.
void CentreDialog(HWND dialog);

}  // namespace quorvex
