#include "shells/qt/enter_values_dlg.h"

#include <QAccessible>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>

#include "shells/qt/orbit_app.h"
#include "tests/shells/qt/gui_helpers.h"

namespace quorvex {

class EnterValuesDialogTest : public QObject {
  Q_OBJECT

  struct Outcome {
    bool accepted = false;
    QString message;  // empty when no message box was shown
    QString caption;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
  };

  // A session whose dialog values are the given ones.
  static void Seed(Session& session, const RunParameters& values) { session.Accept(TextsOf(values)); }

  // Seeds a dialog with the defaults, types into the two fields and presses
  // "Start Plot"; any message box is recorded and dismissed.
  Outcome Press(CEnterValuesDlg& d, const QString& years, const QString& step) {
    d.durationEdit()->setText(years);
    d.stepEdit()->setText(step);
    Outcome out;
    testing::WhenModal<QMessageBox>([&out](QMessageBox* box) {
      out.message = box->text();
      out.caption = box->windowTitle();
      out.icon = box->icon();
      out.buttons = box->standardButtons();
      box->accept();
    });
    QTest::mouseClick(d.startPlotButton(), Qt::LeftButton);
    out.accepted = d.result() == QDialog::Accepted && !d.isVisible();
    return out;
  }

 private slots:
  void seedsTheControls() {
    Session s;
    Seed(s, {7, 2, 1234, Interaction::Off});
    CEnterValuesDlg d(s);
    bool seen = false;
    testing::WhenModal<CEnterValuesDlg>([&seen](CEnterValuesDlg* dlg) {
      QCOMPARE(dlg->durationEdit()->text(), QStringLiteral("1234"));
      QCOMPARE(dlg->stepEdit()->text(), QStringLiteral("7"));
      QCOMPARE(dlg->speedSlider()->value(), 2);
      QCOMPARE(dlg->speedSlider()->minimum(), 1);
      QCOMPARE(dlg->speedSlider()->maximum(), 5);
      QCOMPARE(dlg->speedSlider()->tickPosition(), QSlider::TicksAbove);
      QVERIFY(dlg->offButton()->isChecked());
      QVERIFY(!dlg->onButton()->isChecked());
      QCOMPARE(dlg->focusWidget(), static_cast<QWidget*>(dlg->startPlotButton()));
      QVERIFY(dlg->startPlotButton()->isDefault());
      QCOMPARE(dlg->windowTitle(), QStringLiteral("Enter Values"));
      seen = true;
      dlg->reject();
    });
    QCOMPARE(d.exec(), int(QDialog::Rejected));
    QVERIFY(seen);
  }

  void enterAcceptsTheValuesAsShown() {
    RunParameters off;
    off.interaction = Interaction::Off;
    Session s;
    Seed(s, off);
    CEnterValuesDlg d(s);
    testing::WhenModal<CEnterValuesDlg>([](CEnterValuesDlg* dlg) { QTest::keyClick(dlg, Qt::Key_Return); });
    QCOMPARE(d.exec(), int(QDialog::Accepted));
    QVERIFY(s.values() == off);
  }

  void validation_data() {
    QTest::addColumn<QString>("years");
    QTest::addColumn<QString>("step");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("focusField");  // 0 duration, 1 step
    const QString notInteger = QStringLiteral("Please enter an integer.");
    const QString stepRange = QStringLiteral("Please enter an integer between 1 and 250.");
    const QString yearsRange = QStringLiteral("Please enter an integer between 1 and 50000.");
    // The reading's rules are ReadRunValues' (run_values_test); here the
    // dialog shows the session's message and selects the field at fault.
    QTest::newRow("empty duration") << ""
                                    << "50" << notInteger << 0;
    QTest::newRow("both out of range: the step first") << "0"
                                                       << "0" << stepRange << 1;
    QTest::newRow("duration 50001") << "50001"
                                    << "50" << yearsRange << 0;
  }

  void validation() {
    QFETCH(QString, years);
    QFETCH(QString, step);
    QFETCH(QString, message);
    QFETCH(int, focusField);
    Session s;
    CEnterValuesDlg d(s);
    d.show();
    const Outcome out = Press(d, years, step);
    QVERIFY(!out.accepted);
    QVERIFY(!s.plotEnabled());
    QVERIFY(d.isVisible());
    QCOMPARE(out.message, message);
    QCOMPARE(out.caption, QStringLiteral("Quorvex"));
    QCOMPARE(out.icon, QMessageBox::Warning);
    QCOMPARE(out.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QLineEdit* field = focusField == 0 ? d.durationEdit() : d.stepEdit();
    QCOMPARE(d.focusWidget(), static_cast<QWidget*>(field));
    QCOMPARE(field->selectedText(), field->text());
  }

  void acceptedValuesReachTheSession() {
    Session s;
    CEnterValuesDlg d(s);
    d.show();
    const Outcome out = Press(d, QStringLiteral(" 12 "), QStringLiteral("+250"));
    QVERIFY2(out.accepted, qPrintable(out.message));
    QCOMPARE(s.values()->durationYears, 12);
    QCOMPARE(s.values()->stepDays, 250);
  }

  void cancelAfterEditsChangesNothing() {
    const RunParameters given{10, 3, 100, Interaction::On};
    Session s;
    Seed(s, given);
    CEnterValuesDlg d(s);
    testing::WhenModal<CEnterValuesDlg>([](CEnterValuesDlg* dlg) {
      dlg->durationEdit()->setText(QStringLiteral("999"));
      dlg->stepEdit()->setText(QStringLiteral("abc"));
      dlg->speedSlider()->setValue(1);
      dlg->offButton()->setChecked(true);
      dlg->cancelButton()->click();
    });
    QCOMPARE(d.exec(), int(QDialog::Rejected));
    QVERIFY(s.values() == given);
  }

  void escapeCancels() {
    Session s;
    CEnterValuesDlg d(s);
    testing::WhenModal<CEnterValuesDlg>([](CEnterValuesDlg* dlg) {
      dlg->stepEdit()->setText(QStringLiteral("abc"));
      QTest::keyClick(dlg, Qt::Key_Escape);
    });
    QCOMPARE(d.exec(), int(QDialog::Rejected));
    QVERIFY(!s.plotEnabled());
  }

  void trackbarAtOne() {
    Session s;
    CEnterValuesDlg d(s);
    testing::WhenModal<CEnterValuesDlg>([](CEnterValuesDlg* dlg) {
      dlg->speedSlider()->setValue(1);
      dlg->startPlotButton()->click();
    });
    QCOMPARE(d.exec(), int(QDialog::Accepted));
    QCOMPARE(s.values()->plotSpeed, 1);
  }

  // Assistive technology reads each field's name from the label beside it.
  void accessibleNames() {
    Session s;
    CEnterValuesDlg d(s);
    const struct {
      QWidget* control;
      QString name;
      QString description;
    } cases[] = {{d.durationEdit(), QStringLiteral("Duration Plot : "), QString()},
                 {d.stepEdit(), QStringLiteral("Integration Step :"), QString()},
                 {d.speedSlider(), QStringLiteral("Plot Speed :"), QString()},
                 {d.onButton(), QStringLiteral("On"), QStringLiteral("Interaction Neptune - Pluto :")},
                 {d.offButton(), QStringLiteral("Off"), QStringLiteral("Interaction Neptune - Pluto :")},
                 {d.startPlotButton(), QStringLiteral("Start Plot"), QString()}};
    for (const auto& c : cases) {
      QAccessibleInterface* a = QAccessible::queryAccessibleInterface(c.control);
      QVERIFY(a);
      QCOMPARE(a->text(QAccessible::Name), c.name);
      QCOMPARE(a->text(QAccessible::Description), c.description);
    }
  }

  void tabOrder() {
    Session s;
    CEnterValuesDlg d(s);
    QList<QWidget*> order;
    testing::WhenModal<CEnterValuesDlg>([&order](CEnterValuesDlg* dlg) {
      QWidget* w = dlg->startPlotButton();
      for (int i = 0; i < 6; ++i) {
        order << w;
        w = w->nextInFocusChain();
        while (!(w->focusPolicy() & Qt::TabFocus)) w = w->nextInFocusChain();
      }
      dlg->reject();
    });
    d.exec();
    const QList<QWidget*> expected{d.startPlotButton(), d.cancelButton(), d.durationEdit(),
                                   d.stepEdit(),        d.speedSlider(),  d.startPlotButton()};
    QCOMPARE(order, expected);
    QVERIFY(!(d.onButton()->focusPolicy() & Qt::TabFocus));
    QVERIFY(!(d.offButton()->focusPolicy() & Qt::TabFocus));
  }
};

}  // namespace quorvex

int main(int argc, char** argv) {
  quorvex::COrbitApp app(argc, argv);
  quorvex::EnterValuesDialogTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "enter_values_dlg_test.moc"
