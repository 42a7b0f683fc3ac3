#include "shells/win32/about_dlg.h"

#include "shells/win32/orbit_app.h"
#include "shells/win32/resource.h"

namespace quorvex {

CAboutDlg::CAboutDlg() : CModalDialog(IDD_ABOUTBOX, COrbitApp::Instance().mainWindow()) {}

CAboutDlg::~CAboutDlg() = default;

}  // namespace quorvex
