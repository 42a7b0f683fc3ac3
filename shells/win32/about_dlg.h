#pragma once

#include "shells/win32/modal_dialog.h"

namespace quorvex {

// "About Quorvex" (template 100): the program's icon, name and version,
// and "OK". Its owner is the main window.
class CAboutDlg : public CModalDialog {
 public:
  CAboutDlg();
  ~CAboutDlg() override;

 protected:
  BOOL OnInitDialog() override;

 private:
  // The icon drawn for a density above 96 DPI, if one was loaded.
  HICON largeIcon_ = nullptr;
};

}  // namespace quorvex
