#include "app/main_frame.h"

#include <QAction>
#include <QCloseEvent>
#include <QMenuBar>
#include <QWindowStateChangeEvent>

#include "app/enter_values_dlg.h"
#include "app/message_box.h"
#include "app/run_parameters_store.h"

namespace quorvex {

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent), view_(this) {
  setWindowTitle(QString::fromLatin1(kAppName));
  setCentralWidget(&view_);
  setFocusProxy(&view_);

  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  enterNewValues_ = file->addAction(QStringLiteral("Enter New Values"));
  exit_ = file->addAction(QStringLiteral("E&xit"));
  QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
  about_ = help->addAction(QStringLiteral("&About Quorvex..."));

  connect(enterNewValues_, &QAction::triggered, this, [this] { Dispatch([this] { OnEnterNewValues(); }); });
  connect(about_, &QAction::triggered, this, [this] { Dispatch([this] { emit aboutRequested(); }); });
  // Exit ends the program at once, also while a run is in progress.
  connect(exit_, &QAction::triggered, this, &QWidget::close);
  connect(&view_, &CPlotView::runEnded, this, &CMainFrame::RunPendingCommands, Qt::QueuedConnection);

  // A client area of 640 x 480 inside the view's sunken edge.
  const int edge = 2 * view_.frameWidth();
  resize(kBaseWidth + edge, kBaseHeight + edge + menuBar()->sizeHint().height());
}

CMainFrame::~CMainFrame() = default;

bool CMainFrame::AskForValues() {
  RunParameters& params = TheRunParameters();
  CEnterValuesDlg dialog(this);
  dialog.stepDays = params.stepDays;
  dialog.durationYears = params.durationYears;
  dialog.interactionChoice = params.interactionChoice;
  dialog.plotSpeed = params.plotSpeed;
  if (dialog.exec() != QDialog::Accepted) return false;
  params.stepDays = dialog.stepDays;
  params.durationYears = dialog.durationYears;
  params.interactionChoice = dialog.interactionChoice;
  params.plotSpeed = dialog.plotSpeed;
  params.plotEnabled = 1;
  return true;
}

void CMainFrame::OnEnterNewValues() {
  if (AskForValues()) view_.Restart();
}

void CMainFrame::Dispatch(std::function<void()> command) {
  if (view_.runInProgress() || !pending_.empty()) {
    pending_.push_back(std::move(command));
    return;
  }
  command();
}

void CMainFrame::RunPendingCommands() {
  // One command at a time: a command that starts a new run holds the rest
  // back until that run has ended too.
  while (!pending_.empty() && !view_.runInProgress()) {
    std::function<void()> command = std::move(pending_.front());
    pending_.pop_front();
    command();
  }
}

void CMainFrame::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange) {
    const auto* change = static_cast<QWindowStateChangeEvent*>(event);
    // Restoring the window from the minimised state repaints it, and every
    // such repaint starts the run again.
    if ((change->oldState() & Qt::WindowMinimized) && !(windowState() & Qt::WindowMinimized)) view_.Restart();
  }
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  // No question, nothing to save: the window closes at once.
  pending_.clear();
  event->accept();
}

}  // namespace quorvex
