#pragma once

#include <windows.h>

#include <memory>
#include <string>

namespace quorvex {

class CMainFrame;

// The application: start-up, the message loop that also drives the plot
// run, and the About box. There is one, made before start-up.
class COrbitApp {
 public:
  COrbitApp();
  ~COrbitApp();
  COrbitApp(const COrbitApp&) = delete;
  COrbitApp& operator=(const COrbitApp&) = delete;

  static COrbitApp& Instance();

  // Start-up, then the message loop until the main window is gone; returns
  // the process's exit code.
  int Run(HINSTANCE instance);

  HINSTANCE instance() const { return instance_; }
  HWND mainWindow() const;
  // The program's name, "Quorvex": the caption of every message box.
  const std::string& name() const { return name_; }

  // A modal message box captioned with the program's name, with the
  // exclamation icon and one OK button.
  void ShowWarning(HWND owner, const std::string& text) const;
  // The About box, modal over the main window.
  void ShowAboutBox();

 private:
  // Makes the main window hidden (its creation runs the first "Enter
  // Values" dialog), then shows it; an accepted dialog starts the first run.
  bool InitInstance();
  int MessageLoop();
  void Deliver(MSG& msg);

  HINSTANCE instance_ = nullptr;
  std::string name_;
  HACCEL accelerators_ = nullptr;
  std::unique_ptr<CMainFrame> frame_;
};

}  // namespace quorvex
