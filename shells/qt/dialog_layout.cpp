#include "shells/qt/dialog_layout.h"

#include <QDialog>
#include <QEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <algorithm>

namespace quorvex {
namespace {

// a * b / c, rounded to the nearest whole number.
int MulDiv(int a, int b, int c) {
  const long long p = static_cast<long long>(a) * b;
  return static_cast<int>(p >= 0 ? (p + c / 2) / c : -((-p + c / 2) / c));
}

}  // namespace

DialogUnits::DialogUnits(const QFont& font) {
  const QFontMetrics metrics(font);
  // The average width of the 52 letters, rounded.
  const int letters =
      metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  baseWidth_ = std::max(1, (letters / 26 + 1) / 2);
  baseHeight_ = std::max(1, metrics.height());
}

int DialogUnits::X(int units) const {
  return MulDiv(units, baseWidth_, 4);
}
int DialogUnits::Y(int units) const {
  return MulDiv(units, baseHeight_, 8);
}

QRect DialogUnits::Rect(int x, int y, int width, int height) const {
  return QRect(X(x), Y(y), X(width), Y(height));
}

QFont DialogFont() {
  QFont font(QStringLiteral("MS Sans Serif"));
  font.setPointSize(8);
  font.setStyleHint(QFont::SansSerif);
  return font;
}

namespace {

// Some window managers offer to minimise any window, whatever it asks for;
// a dialog minimised while its owner is hidden, as at start-up, would leave
// nothing on screen. A dialog brought to the minimised state comes back.
class StayRestored : public QObject {
 public:
  using QObject::QObject;

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::WindowStateChange) {
      auto* dialog = static_cast<QWidget*>(watched);
      if (dialog->windowState() & Qt::WindowMinimized)
        QTimer::singleShot(0, dialog, [dialog] {
          dialog->setWindowState(dialog->windowState() & ~Qt::WindowMinimized);
          dialog->activateWindow();
        });
    }
    return false;
  }
};

}  // namespace

void UseDialogFrame(QDialog& dialog) {
  dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                        Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  dialog.installEventFilter(new StayRestored(&dialog));
}

void UseModalFrame(QDialog& dialog, QSize clientSize) {
  UseDialogFrame(dialog);
  dialog.setFixedSize(clientSize);
}

void CentreDialog(QDialog& dialog, const QWidget* owner) {
  const bool overOwner = owner && owner->isVisible() && !owner->isMinimized();
  QScreen* screen = overOwner ? owner->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect work = screen->availableGeometry();
  const QRect around = overOwner ? owner->frameGeometry() : work;
  // The frame adds a title bar and borders, which are known only once the
  // window exists; the client size is a good enough measure before that.
  const QSize size = dialog.frameGeometry().size().expandedTo(dialog.size());
  QPoint topLeft(around.center().x() - size.width() / 2, around.center().y() - size.height() / 2);
  topLeft.setX(std::clamp(topLeft.x(), work.left(), std::max(work.left(), work.right() + 1 - size.width())));
  topLeft.setY(std::clamp(topLeft.y(), work.top(), std::max(work.top(), work.bottom() + 1 - size.height())));
  dialog.move(topLeft);
}

int ExecCentred(QDialog& dialog, QWidget* focus) {
  focus->setFocus(Qt::OtherFocusReason);
  CentreDialog(dialog, dialog.parentWidget());
  // The base class's modal run: the dialogs' own exec() calls this.
  return dialog.QDialog::exec();
}

}  // namespace quorvex
