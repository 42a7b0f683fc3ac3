#include "shells/qt/main_frame.h"

#include <QAction>
#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>
#include <QProxyStyle>
#include <QStyleOptionMenuItem>
#include <QWindowStateChangeEvent>

#include "shells/qt/enter_values_dlg.h"
#include "shells/qt/message_box.h"

namespace quorvex {
namespace {

// The menu bar's look, except that the item selected from the keyboard
// (after a lone Alt) is drawn as the item of an open menu is; some styles
// draw it no differently from the others.
class MenuBarStyle : public QProxyStyle {
 public:
  explicit MenuBarStyle(QObject* owner) { setParent(owner); }

  void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                   const QWidget* widget) const override {
    if (element == CE_MenuBarItem && (option->state & State_Selected) && widget && widget->hasFocus()) {
      if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option)) {
        QStyleOptionMenuItem selected(*item);
        selected.state |= State_Sunken;
        QProxyStyle::drawControl(element, &selected, painter, widget);
        return;
      }
    }
    QProxyStyle::drawControl(element, option, painter, widget);
  }
};

}  // namespace

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent), view_(session_, this) {
  setWindowTitle(QString::fromLatin1(kAppName));
  setCentralWidget(&view_);
  setFocusProxy(&view_);

  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  enterNewValues_ = file->addAction(QStringLiteral("Enter New Values"));
  exit_ = file->addAction(QStringLiteral("E&xit"));
  QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
  about_ = help->addAction(QStringLiteral("&About Quorvex..."));

  connect(enterNewValues_, &QAction::triggered, this, [this] { Dispatch(Command::EnterNewValues); });
  connect(about_, &QAction::triggered, this, [this] { Dispatch(Command::About); });
  // Exit ends the program at once, also while a run is in progress.
  connect(exit_, &QAction::triggered, this, &QWidget::close);
  auto* f10 = new QAction(this);
  f10->setShortcut(Qt::Key_F10);
  addAction(f10);
  connect(f10, &QAction::triggered, this, &CMainFrame::OpenMenuBar);
  // A lone Alt puts the menu bar into keyboard mode: make the item it
  // selects show, as it does while its menu is open.
  menuBar()->setStyle(new MenuBarStyle(menuBar()));
  connect(&view_, &CPlotView::runEnded, this, &CMainFrame::RunWaitingCommands, Qt::QueuedConnection);

  // A client area of 640 x 480 inside the view's sunken edge.
  const int edge = 2 * view_.frameWidth();
  resize(kBaseWidth + edge, kBaseHeight + edge + menuBar()->sizeHint().height());
}

CMainFrame::~CMainFrame() = default;

bool CMainFrame::AskForValues() {
  CEnterValuesDlg dialog(session_, this);
  return dialog.exec() == QDialog::Accepted;
}

void CMainFrame::OnEnterNewValues() {
  if (AskForValues()) view_.Restart();
}

void CMainFrame::Dispatch(Command command) {
  if (session_.Offer(command))
    Execute(command);
  else
    ShowBusy();
}

void CMainFrame::Execute(Command command) {
  switch (command) {
    case Command::EnterNewValues:
      OnEnterNewValues();
      break;
    case Command::About:
      emit aboutRequested();
      break;
  }
}

void CMainFrame::RunWaitingCommands() {
  while (const std::optional<Command> command = session_.Take()) {
    ShowBusy();
    Execute(*command);
  }
}

void CMainFrame::ShowBusy() {
  // The view keeps its own cursor, the arrow; the rest of the window takes
  // the frame's.
  const bool busy = session_.busy();
  setCursor(busy ? Qt::BusyCursor : Qt::ArrowCursor);
  view_.setCursor(busy ? Qt::BusyCursor : Qt::ArrowCursor);
}

void CMainFrame::OpenMenuBar() {
  const QList<QAction*> menus = menuBar()->actions();
  if (menus.isEmpty()) return;
  menuBar()->setActiveAction(menus.first());
  // As Alt+F does: the open menu's first item is highlighted, so Enter
  // carries it out at once.
  if (QMenu* menu = menus.first()->menu(); menu && menu->isVisible() && !menu->actions().isEmpty())
    menu->setActiveAction(menu->actions().first());
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
  session_.Close();
  ShowBusy();
  event->accept();
}

}  // namespace quorvex
