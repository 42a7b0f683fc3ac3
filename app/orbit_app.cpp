#include "app/orbit_app.h"

#include "app/about_dlg.h"
#include "app/main_frame.h"
#include "app/message_box.h"

namespace quorvex {

COrbitApp::COrbitApp(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(QString::fromLatin1(kAppName));
  setApplicationVersion(QStringLiteral(QUORVEX_VERSION));
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
