#pragma once

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <functional>

#include "shells/qt/enter_values_dlg.h"

namespace quorvex::testing {

// Runs `act` on the next modal dialog of type T once it is open, from the
// event loop that dialog runs. Gives up after `timeoutMs`.
template <typename T>
void WhenModal(std::function<void(T*)> act, int timeoutMs = 10000) {
  auto* timer = new QTimer;
  auto started = std::make_shared<QElapsedTimer>();
  started->start();
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, [timer, act, started, timeoutMs] {
    if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
      timer->stop();
      timer->deleteLater();
      act(dialog);
    } else if (started->elapsed() > timeoutMs) {
      timer->stop();
      timer->deleteLater();
    }
  });
  timer->start();
}

struct Values {
  QString years = QStringLiteral("35000");
  QString step = QStringLiteral("50");
  int speed = 5;
  bool interactionOn = true;
};

// Answers the next "Enter Values" dialog with these values and "Start Plot".
inline void AcceptNextDialog(const Values& v) {
  WhenModal<CEnterValuesDlg>([v](CEnterValuesDlg* d) {
    d->durationEdit()->setText(v.years);
    d->stepEdit()->setText(v.step);
    d->speedSlider()->setValue(v.speed);
    (v.interactionOn ? static_cast<QAbstractButton*>(d->onButton()) : d->offButton())->setChecked(true);
    d->startPlotButton()->click();
  });
}

inline void CancelNextDialog() {
  WhenModal<CEnterValuesDlg>([](CEnterValuesDlg* d) { d->cancelButton()->click(); });
}

}  // namespace quorvex::testing
