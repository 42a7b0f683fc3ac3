#pragma once

#include <windows.h>

#include <string>

#include "shells/core/run_values.h"
#include "shells/win32/modal_dialog.h"

namespace quorvex {

// The "Enter Values" dialog (template 130): plot duration, integration
// step, plot speed and the Neptune - Pluto interaction. It opens showing the
// run values it was given; once DoModal() has returned IDOK, values() are
// the values the user accepted. The numbers are checked when "Start Plot"
// is pressed (see ReadRunValues).
class CEnterValuesDlg : public CModalDialog {
 public:
  CEnterValuesDlg(HWND parent, const RunParameters& values);
  ~CEnterValuesDlg() override;

  const RunParameters& values() const { return values_; }

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override;

 private:
  // Shows the values in the controls.
  void LoadControls();
  // Reads and checks the controls into the values; a failed check is
  // reported to the user, the offending field selected, and false returned.
  bool ReadControls();
  std::string FieldText(int editId) const;

  RunParameters values_;

  // The speed trackbar (control 1006), once the dialog exists.
  HWND speedSlider_ = nullptr;
};

}  // namespace quorvex
