#pragma once

#include <QFont>
#include <QRect>

class QDialog;
class QWidget;

namespace quorvex {

// Dialog templates are laid out in dialog units: a quarter of the dialog
// font's average character width across, an eighth of its height down.
class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font);

  int X(int units) const;
  int Y(int units) const;
  QRect Rect(int x, int y, int width, int height) const;

 private:
  int baseWidth_;
  int baseHeight_;
};

// The dialogs' font: "MS Sans Serif" at 8 points, or the system's
// sans-serif face where that is missing.
QFont DialogFont();

// A dialog's frame: a title bar and a close box only, no minimise or
// maximise button, and no staying minimised where the window manager offers
// it anyway.
void UseDialogFrame(QDialog& dialog);
// The same, at a fixed size.
void UseModalFrame(QDialog& dialog, QSize clientSize);

// Runs a dialog modally as it opens on the platform: the keyboard focus on
// `focus`, centred as CentreDialog places it over its parent.
int ExecCentred(QDialog& dialog, QWidget* focus);

// Places a dialog centred over its owner when the owner is visible and not
// minimised, otherwise centred in the screen's work area, and keeps it
// inside the work area.
void CentreDialog(QDialog& dialog, const QWidget* owner);

}  // namespace quorvex
