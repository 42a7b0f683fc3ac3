#pragma once

#include <windows.h>

#include <string>

#include "shells/core/session.h"
#include "shells/win32/modal_dialog.h"

namespace quorvex {

// The "Enter Values" dialog (template 130): plot duration, integration
// step, plot speed and the Neptune - Pluto interaction. It opens showing the
// session's dialog values; "Start Plot" hands the texts to the session,
// which keeps them once they read well (then DoModal() returns IDOK), else
// the dialog shows why and selects the field at fault.
class CEnterValuesDlg : public CModalDialog {
 public:
  CEnterValuesDlg(HWND parent, Session& session);
  ~CEnterValuesDlg() override;

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override;

 private:
  // Shows the values in the controls.
  void LoadControls();
  // Hands the controls' texts to the session; a failed reading is reported
  // to the user, the offending field selected, and false returned.
  bool ReadControls();
  std::string FieldText(int editId) const;

  Session& session_;

  // The speed trackbar (control 1006), once the dialog exists.
  HWND speedSlider_ = nullptr;
};

}  // namespace quorvex
