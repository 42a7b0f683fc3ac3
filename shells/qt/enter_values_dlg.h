#pragma once

#include <QDialog>
#include <cstdint>

#include "shells/core/run_values.h"

class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;

namespace quorvex {

// The "Enter Values" dialog: plot duration, integration step, plot speed
// and the Neptune - Pluto interaction. The caller writes the four public
// values before exec() and reads them after it returned Accepted; the
// numbers are checked when "Start Plot" is pressed, the step first.
class CEnterValuesDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CEnterValuesDlg(QWidget* parent = nullptr);

  std::int32_t stepDays = 50;
  std::int32_t durationYears = 35000;
  std::int32_t interactionChoice = 0;
  std::int32_t plotSpeed = 5;

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
  // Loads the controls from the public values.
  void LoadControls();
  // Reads and checks one number; on failure tells the user, selects the
  // field and returns false.
  bool ReadField(QLineEdit* edit, const IntRange& range, std::int32_t& into);

  QPushButton* startPlot_;
  QPushButton* cancel_;
  QLineEdit* duration_;
  QLineEdit* step_;
  QRadioButton* on_;
  QRadioButton* off_;
  QSlider* speedSlider_;
};

}  // namespace quorvex
