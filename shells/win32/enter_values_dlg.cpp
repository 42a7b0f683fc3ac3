#include "shells/win32/enter_values_dlg.h"

#include <commctrl.h>

#include <string>

#include "shells/win32/orbit_app.h"
#include "shells/win32/resource.h"

namespace quorvex {
namespace {

// The radio buttons of the interaction group, in index order: 0 = "On".
constexpr int kInteractionButtons[] = {IDC_INTERACTION_ON, IDC_INTERACTION_OFF};

}  // namespace

CEnterValuesDlg::CEnterValuesDlg(HWND parent) : CModalDialog(IDD_ENTER_VALUES, parent) {}

CEnterValuesDlg::~CEnterValuesDlg() = default;

BOOL CEnterValuesDlg::OnInitDialog() {
  CModalDialog::OnInitDialog();
  DoDataExchange(false);
  SendMessageA(speedSlider_, TBM_SETRANGEMIN, FALSE, kPlotSpeedRange.low);
  SendMessageA(speedSlider_, TBM_SETRANGEMAX, FALSE, kPlotSpeedRange.high);
  SendMessageA(speedSlider_, TBM_SETPOS, TRUE, plotSpeed);
  // The focus goes to the first tab stop, "Start Plot": Enter accepts the
  // values as shown.
  return TRUE;
}

void CEnterValuesDlg::OnOK() {
  if (DoDataExchange(true)) EndDialog(hwnd(), IDOK);
}

bool CEnterValuesDlg::DoDataExchange(bool save) {
  if (!speedSlider_) speedSlider_ = GetDlgItem(hwnd(), IDC_SPEED);
  // The step is exchanged before the duration, although it stands below
  // it: when both are wrong, the message concerns the step.
  if (save) {
    if (!ReadField(IDC_STEP, kStepDaysRange, stepDays)) return false;
    if (!ReadField(IDC_DURATION, kDurationYearsRange, durationYears)) return false;
    interactionChoice = -1;
    for (int i = 0; i < 2; ++i)
      if (IsDlgButtonChecked(hwnd(), kInteractionButtons[i]) == BST_CHECKED) interactionChoice = i;
    plotSpeed = static_cast<std::int32_t>(SendMessageA(speedSlider_, TBM_GETPOS, 0, 0));
    return true;
  }
  SetDlgItemTextA(hwnd(), IDC_STEP, std::to_string(stepDays).c_str());
  SetDlgItemTextA(hwnd(), IDC_DURATION, std::to_string(durationYears).c_str());
  for (int i = 0; i < 2; ++i)
    CheckDlgButton(hwnd(), kInteractionButtons[i], i == interactionChoice ? BST_CHECKED : BST_UNCHECKED);
  return true;
}

bool CEnterValuesDlg::ReadField(int editId, const IntRange& range, std::int32_t& into) {
  // At most the first 31 characters count.
  char text[32] = {};
  GetDlgItemTextA(hwnd(), editId, text, sizeof text);
  const FieldReading reading = ReadIntegerField(text, range);
  if (reading.ok) {
    into = reading.value;
    return true;
  }
  COrbitApp::Instance().ShowWarning(hwnd(), reading.message);
  // The offending field takes the focus with its whole text selected.
  const HWND edit = GetDlgItem(hwnd(), editId);
  SendMessageA(hwnd(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(edit), TRUE);
  SendMessageA(edit, EM_SETSEL, 0, -1);
  return false;
}

}  // namespace quorvex
