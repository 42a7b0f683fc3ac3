#include "app/win32/about_dlg.h"

#include "app/win32/orbit_app.h"
#include "app/win32/resource.h"

namespace quorvex {

CAboutDlg::CAboutDlg() : CModalDialog(IDD_ABOUTBOX, COrbitApp::Instance().mainWindow()) {}

CAboutDlg::~CAboutDlg() = default;

}  // namespace quorvex
