#include "shells/qt/about_dlg.h"

#include <QIcon>
#include <QLabel>
#include <QPushButton>

#include "shells/core/program.h"
#include "shells/qt/dialog_layout.h"
#include "shells/qt/program_icon.h"

namespace quorvex {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("About Quorvex"));
  setFont(DialogFont());
  const DialogUnits du(font());
  UseModalFrame(*this, QSize(du.X(235), du.Y(55)));

  // An icon control takes the size of its icon, not of its template box;
  // on a high-density screen it is drawn from the larger images.
  auto* icon = new QLabel(this);
  icon->setPixmap(ProgramIcon().pixmap(QSize(32, 32), devicePixelRatioF()));
  icon->setGeometry(du.X(11), du.Y(17), 32, 32);

  auto* text = new QLabel(QString::fromLatin1(kAboutText), this);
  text->setTextFormat(Qt::PlainText);
  text->setGeometry(du.Rect(40, 10, 119, 8));

  ok_ = new QPushButton(QStringLiteral("OK"), this);
  ok_->setGeometry(du.Rect(178, 7, 50, 14));
  ok_->setDefault(true);
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
}

int CAboutDlg::exec() {
  return ExecCentred(*this, ok_);
}

}  // namespace quorvex
