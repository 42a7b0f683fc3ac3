#include "shells/qt/orbit_app.h"

#include "shells/qt/about_dlg.h"
#include "shells/qt/main_frame.h"
#include "shells/qt/message_box.h"

namespace quorvex {

COrbitApp::COrbitApp(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(QString::fromLatin1(kAppName));
  setApplicationVersion(QString::fromLatin1(kVersion));
  setDesktopFileName(QStringLiteral("quorvex"));
}

COrbitApp::~COrbitApp() = default;

bool COrbitApp::InitInstance() {
  frame_ = std::make_unique<CMainFrame>();
  connect(frame_.get(), &CMainFrame::aboutRequested, this, &COrbitApp::ShowAboutBox);
  frame_->AskForValues();
  frame_->show();
  frame_->view().Restart();
  return true;
}

void COrbitApp::ShowAboutBox() {
  CAboutDlg about(frame_.get());
  about.exec();
}

}  // namespace quorvex
