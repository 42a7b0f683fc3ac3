#pragma once

#include <QDialog>

class QPushButton;

namespace quorvex {

// "About Quorvex": the program's icon, name and version, and "OK".
class CAboutDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CAboutDlg(QWidget* parent = nullptr);
  int exec() override;
  QPushButton* okButton() const { return ok_; }

 private:
  QPushButton* ok_;
};

}  // namespace quorvex
