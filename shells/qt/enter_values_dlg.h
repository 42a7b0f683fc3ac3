#pragma once

#include <QDialog>

#include "shells/core/run_values.h"

class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;

namespace quorvex {

// The "Enter Values" dialog: plot duration, integration step, plot speed
// and the Neptune - Pluto interaction. It opens showing the run values it
// was given; once exec() has returned Accepted, values() are the values the
// user accepted. The numbers are checked when "Start Plot" is pressed (see
// ReadRunValues).
class CEnterValuesDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CEnterValuesDlg(const RunParameters& values, QWidget* parent = nullptr);

  const RunParameters& values() const { return values_; }

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

  RunParameters values_;

  QPushButton* startPlot_;
  QPushButton* cancel_;
  QLineEdit* duration_;
  QLineEdit* step_;
  QRadioButton* on_;
  QRadioButton* off_;
  QSlider* speedSlider_;
};

}  // namespace quorvex
