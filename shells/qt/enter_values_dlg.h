#pragma once

#include <QDialog>

#include "shells/core/session.h"

class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;

namespace quorvex {

// The "Enter Values" dialog: plot duration, integration step, plot speed
// and the Neptune - Pluto interaction. It opens showing the session's
// dialog values; "Start Plot" hands the texts to the session, which keeps
// them once they read well (then exec() returns Accepted), else the
// dialog shows why and selects the field at fault.
class CEnterValuesDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CEnterValuesDlg(Session& session, QWidget* parent = nullptr);

  int exec() override;
  void accept() override;

  // The controls, for whoever drives the dialog from outside.
  QPushButton* startPlotButton() const { return startPlot_; }
  QPushButton* cancelButton() const { return cancel_; }
  QLineEdit* durationEdit() const { return duration_; }
  QLineEdit* stepEdit() const { return step_; }
  QRadioButton* onButton() const { return on_; }
  QRadioButton* offButton() const { return off_; }
  QSlider* speedSlider() const { return speedSlider_; }

 private:
  // Loads the controls from the values.
  void LoadControls();

  Session& session_;

  QPushButton* startPlot_;
  QPushButton* cancel_;
  QLineEdit* duration_;
  QLineEdit* step_;
  QRadioButton* on_;
  QRadioButton* off_;
  QSlider* speedSlider_;
};

}  // namespace quorvex
