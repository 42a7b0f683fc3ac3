#pragma once

#include <QMainWindow>

#include "shells/core/session.h"
#include "shells/qt/plot_view.h"

class QAction;

namespace quorvex {

class CEnterValuesDlg;

// The main window: the menu bar and the plot view filling the client area,
// over the program's session.
class CMainFrame : public QMainWindow {
  Q_OBJECT

 public:
  // The client area the view starts with, so that the whole chart shows.
  static constexpr int kBaseWidth = kCanvasWidth;
  static constexpr int kBaseHeight = kCanvasHeight;

  explicit CMainFrame(QWidget* parent = nullptr);
  ~CMainFrame() override;

  CPlotView& view() { return view_; }
  Session& session() { return session_; }

  // Runs the "Enter Values" dialog over the session, which keeps the values
  // on "Start Plot". Returns whether the dialog was accepted.
  bool AskForValues();
  // The "Enter New Values" command: the dialog, and on acceptance a new run
  // on a freshly erased view.
  void OnEnterNewValues();

  QAction* enterNewValuesAction() const { return enterNewValues_; }
  QAction* exitAction() const { return exit_; }
  QAction* aboutAction() const { return about_; }

 signals:
  void aboutRequested();

 protected:
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  using Command = Session::Command;

  // Menu commands chosen while a run is in progress wait for it to end (see
  // Session::Offer); meanwhile the pointer shows that the program is busy.
  void Dispatch(Command command);
  void Execute(Command command);
  void RunWaitingCommands();
  // The pointer as the session's busy state says.
  void ShowBusy();
  // F10 opens the first menu with its first item highlighted.
  void OpenMenuBar();

  Session session_;
  CPlotView view_;
  QAction* enterNewValues_;
  QAction* exit_;
  QAction* about_;
};

}  // namespace quorvex
