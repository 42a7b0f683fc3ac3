#pragma once

#include <QMainWindow>

#include "shells/core/pending_commands.h"
#include "shells/qt/plot_view.h"

class QAction;

namespace quorvex {

class CEnterValuesDlg;

// The main window: the menu bar and the plot view filling the client area.
// It keeps the run values last accepted and hands them to its view.
class CMainFrame : public QMainWindow {
  Q_OBJECT

 public:
  // The client area the view starts with, so that the whole chart shows.
  static constexpr int kBaseWidth = kCanvasWidth;
  static constexpr int kBaseHeight = kCanvasHeight;

  explicit CMainFrame(QWidget* parent = nullptr);
  ~CMainFrame() override;

  CPlotView& view() { return view_; }
  // The run values the next dialog shows: the defaults until a dialog has
  // been accepted, then the values accepted last.
  const RunParameters& runValues() const { return values_; }
  // Whether a dialog has been accepted, so that the view plots.
  bool plotEnabled() const { return plotEnabled_; }

  // Runs the "Enter Values" dialog seeded from the run values; on "Start
  // Plot" keeps the four values and enables plotting. Returns whether the
  // dialog was accepted.
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
  enum class Command { EnterNewValues, About };

  // Menu commands chosen while a run is in progress wait for it to end (see
  // PendingCommands); meanwhile the pointer shows that the program is busy.
  void Dispatch(Command command);
  void Execute(Command command);
  void RunPendingCommands();
  void ShowBusy(bool busy);
  // F10 opens the first menu with its first item highlighted.
  void OpenMenuBar();

  RunParameters values_;
  bool plotEnabled_ = false;
  CPlotView view_;
  QAction* enterNewValues_;
  QAction* exit_;
  QAction* about_;
  PendingCommands<Command> pending_;
};

}  // namespace quorvex
