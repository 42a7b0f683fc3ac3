#include "app/message_box.h"

#include <QMessageBox>

namespace quorvex {

void ShowWarning(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::Warning, QString::fromLatin1(kAppName), text, QMessageBox::Ok, parent);
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

}  // namespace quorvex
