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

CEnterValuesDlg::CEnterValuesDlg(HWND parent, Session& session)
    : CModalDialog(IDD_ENTER_VALUES, parent), session_(session) {}

CEnterValuesDlg::~CEnterValuesDlg() = default;

BOOL CEnterValuesDlg::OnInitDialog() {
  CModalDialog::OnInitDialog();
  speedSlider_ = GetDlgItem(hwnd(), IDC_SPEED);
  LoadControls();
  SendMessageA(speedSlider_, TBM_SETRANGEMIN, FALSE, kPlotSpeedRange.low);
  SendMessageA(speedSlider_, TBM_SETRANGEMAX, FALSE, kPlotSpeedRange.high);
  SendMessageA(speedSlider_, TBM_SETPOS, TRUE, session_.DialogValues().plotSpeed);
  // The focus goes to the first tab stop, "Start Plot": Enter accepts the
  // values as shown.
  return TRUE;
}

void CEnterValuesDlg::OnOK() {
  if (ReadControls()) EndDialog(hwnd(), IDOK);
}

void CEnterValuesDlg::LoadControls() {
  const RunParameters values = session_.DialogValues();
  SetDlgItemTextA(hwnd(), IDC_STEP, std::to_string(values.stepDays).c_str());
  SetDlgItemTextA(hwnd(), IDC_DURATION, std::to_string(values.durationYears).c_str());
  const int chosen = static_cast<int>(values.interaction);
  for (int i = 0; i < 2; ++i)
    CheckDlgButton(hwnd(), kInteractionButtons[i], i == chosen ? BST_CHECKED : BST_UNCHECKED);
  // Checking an automatic radio button also makes it a tab stop; the
  // dialog's tab order leaves both radio buttons out.
  for (int id : kInteractionButtons) {
    const HWND button = GetDlgItem(hwnd(), id);
    SetWindowLongPtrA(button, GWL_STYLE, GetWindowLongPtrA(button, GWL_STYLE) & ~LONG_PTR{WS_TABSTOP});
  }
}

std::string CEnterValuesDlg::FieldText(int editId) const {
  // At most the first 31 characters count.
  char text[32] = {};
  GetDlgItemTextA(hwnd(), editId, text, sizeof text);
  return text;
}

bool CEnterValuesDlg::ReadControls() {
  const Interaction interaction =
      IsDlgButtonChecked(hwnd(), IDC_INTERACTION_OFF) == BST_CHECKED ? Interaction::Off : Interaction::On;
  const RunValuesReading reading =
      session_.Accept({FieldText(IDC_DURATION), FieldText(IDC_STEP),
                       std::to_string(SendMessageA(speedSlider_, TBM_GETPOS, 0, 0)), interaction});
  if (reading.values) return true;
  COrbitApp::Instance().ShowWarning(hwnd(), reading.message);
  // The offending field takes the focus with its whole text selected.
  const HWND edit = GetDlgItem(hwnd(), reading.field == RunField::DurationYears ? IDC_DURATION : IDC_STEP);
  SendMessageA(hwnd(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(edit), TRUE);
  SendMessageA(edit, EM_SETSEL, 0, -1);
  return false;
}

}  // namespace quorvex
