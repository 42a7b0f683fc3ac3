#pragma once

#include <QApplication>
#include <memory>

namespace quorvex {

class CMainFrame;

// The application: start-up, the main window and the About box.
class COrbitApp : public QApplication {
  Q_OBJECT

 public:
  COrbitApp(int& argc, char** argv);
  ~COrbitApp() override;

  // Start-up: makes the main window hidden, runs the first "Enter Values"
  // dialog, then shows the window; an accepted dialog starts the first run.
  bool InitInstance();
  // The About box, modal over the main window.
  void ShowAboutBox();

  CMainFrame* mainFrame() const { return frame_.get(); }

 private:
  std::unique_ptr<CMainFrame> frame_;
};

}  // namespace quorvex
