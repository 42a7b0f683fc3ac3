#include "shells/qt/message_box.h"

#include <QMessageBox>

#include "shells/qt/dialog_layout.h"

namespace quorvex {

void ShowWarning(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::Warning, QString::fromLatin1(kAppName), text, QMessageBox::Ok, parent);
  box.setTextFormat(Qt::PlainText);
  UseDialogFrame(box);
  box.exec();
}

}  // namespace quorvex
