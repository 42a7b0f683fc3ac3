#include "shells/qt/enter_values_dlg.h"

#include <QButtonGroup>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

#include "shells/core/run_values.h"
#include "shells/qt/dialog_layout.h"
#include "shells/qt/message_box.h"

namespace quorvex {
namespace {

QLabel* Static(QWidget* parent, const DialogUnits& du, const char* text, int x, int y, int w, int h) {
  auto* label = new QLabel(QString::fromLatin1(text), parent);
  label->setTextFormat(Qt::PlainText);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setGeometry(du.Rect(x, y, w, h));
  return label;
}

}  // namespace

CEnterValuesDlg::CEnterValuesDlg(Session& session, QWidget* parent) : QDialog(parent), session_(session) {
  setWindowTitle(QStringLiteral("Enter Values"));
  setFont(DialogFont());
  const DialogUnits du(font());
  UseModalFrame(*this, QSize(du.X(189), du.Y(169)));

  // The controls in their tab order: "Start Plot", "Cancel", the duration,
  // the step and the trackbar; the labels and radio buttons take no tab.
  startPlot_ = new QPushButton(QStringLiteral("Start Plot"), this);
  startPlot_->setGeometry(du.Rect(41, 148, 50, 14));
  startPlot_->setDefault(true);
  cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
  cancel_->setGeometry(du.Rect(101, 148, 50, 14));

  QLabel* durationLabel = Static(this, du, "Duration Plot : ", 14, 15, 51, 12);
  duration_ = new QLineEdit(this);
  duration_->setGeometry(du.Rect(79, 14, 49, 13));
  Static(this, du, "years", 137, 15, 32, 10);

  QLabel* stepLabel = Static(this, du, "Integration Step :", 14, 34, 61, 12);
  step_ = new QLineEdit(this);
  step_->setGeometry(du.Rect(79, 32, 49, 13));
  Static(this, du, "days", 137, 32, 27, 10);

  QLabel* speedLabel = Static(this, du, "Plot Speed :", 14, 52, 43, 12);
  QLabel* interactionLabel = Static(this, du, "Interaction Neptune - Pluto :", 15, 73, 110, 11);

  on_ = new QRadioButton(QStringLiteral("On"), this);
  on_->setGeometry(du.Rect(26, 84, 75, 13));
  off_ = new QRadioButton(QStringLiteral("Off"), this);
  off_->setGeometry(du.Rect(26, 98, 75, 13));
  for (QRadioButton* r : {on_, off_}) r->setFocusPolicy(Qt::ClickFocus);
  auto* group = new QButtonGroup(this);
  group->addButton(on_, 0);
  group->addButton(off_, 1);

  speedSlider_ = new QSlider(Qt::Horizontal, this);
  speedSlider_->setGeometry(du.Rect(59, 50, 102, 21));
  speedSlider_->setTickPosition(QSlider::TicksAbove);
  speedSlider_->setTickInterval(1);
  speedSlider_->setPageStep(1);

  // Each label names the control beside it for assistive technology (its
  // accessible name and "labelled by" relation); the labels have no
  // mnemonics, so the keyboard is not affected. The radio buttons carry
  // their own names and the group's label as their description.
  durationLabel->setBuddy(duration_);
  stepLabel->setBuddy(step_);
  speedLabel->setBuddy(speedSlider_);
  for (QRadioButton* r : {on_, off_}) r->setAccessibleDescription(interactionLabel->text());

  setTabOrder(startPlot_, cancel_);
  setTabOrder(cancel_, duration_);
  setTabOrder(duration_, step_);
  setTabOrder(step_, speedSlider_);

  connect(startPlot_, &QPushButton::clicked, this, &CEnterValuesDlg::accept);
  connect(cancel_, &QPushButton::clicked, this, &CEnterValuesDlg::reject);
  LoadControls();
}

void CEnterValuesDlg::LoadControls() {
  const RunParameters values = session_.DialogValues();
  duration_->setText(QString::number(values.durationYears));
  step_->setText(QString::number(values.stepDays));
  on_->setChecked(values.interaction == Interaction::On);
  off_->setChecked(values.interaction == Interaction::Off);
  speedSlider_->setRange(kPlotSpeedRange.low, kPlotSpeedRange.high);
  speedSlider_->setValue(values.plotSpeed);
}

int CEnterValuesDlg::exec() {
  // Enter accepts the values as shown.
  return ExecCentred(*this, startPlot_);
}

void CEnterValuesDlg::accept() {
  const RunValuesReading reading = session_.Accept(
      {duration_->text().toStdString(), step_->text().toStdString(), std::to_string(speedSlider_->value()),
       off_->isChecked() ? Interaction::Off : Interaction::On});
  if (!reading.values) {
    ShowWarning(this, QString::fromStdString(reading.message));
    // The offending field takes the focus with its whole text selected.
    QLineEdit* edit = reading.field == RunField::DurationYears ? duration_ : step_;
    edit->setFocus(Qt::OtherFocusReason);
    edit->selectAll();
    return;
  }
  QDialog::accept();
}

}  // namespace quorvex
