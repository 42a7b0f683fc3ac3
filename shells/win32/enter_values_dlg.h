#pragma once

#include <windows.h>

#include <cstdint>

#include "shells/core/run_values.h"
#include "shells/win32/modal_dialog.h"

namespace quorvex {

// The "Enter Values" dialog (template 130): plot duration, integration
// step, plot speed and the Neptune - Pluto interaction. The caller writes
// the four public values before DoModal() and reads them after it returned
// IDOK; the numbers are checked when "Start Plot" is pressed, the step
// first.
class CEnterValuesDlg : public CModalDialog {
 public:
  explicit CEnterValuesDlg(HWND parent);
  ~CEnterValuesDlg() override;

  std::int32_t stepDays = 50;
  std::int32_t durationYears = 35000;
  std::int32_t interactionChoice = 0;
  std::int32_t plotSpeed = 5;

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override;

 private:
  // Loads the controls from the values, or (save) reads and checks the
  // controls into the values; a failed check is reported to the user, the
  // offending field selected, and false returned at once.
  bool DoDataExchange(bool save);
  // Reads one number from an edit field and checks its range.
  bool ReadField(int editId, const IntRange& range, std::int32_t& into);

  // The speed trackbar (control 1006), once the dialog exists.
  HWND speedSlider_ = nullptr;
};

}  // namespace quorvex
