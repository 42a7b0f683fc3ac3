#include "shells/qt/main_frame.h"

#include <QAccessible>
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>

#include "canvas/canvas.h"
#include "shells/qt/about_dlg.h"
#include "shells/qt/enter_values_dlg.h"
#include "shells/qt/orbit_app.h"
#include "tests/shells/qt/gui_helpers.h"
#include "tests/support/png_read.h"
#include "tests/support/process.h"

namespace quorvex {

class MainFrameTest : public QObject {
  Q_OBJECT

  COrbitApp& app() { return *static_cast<COrbitApp*>(QCoreApplication::instance()); }
  CMainFrame& frame() { return *app().mainFrame(); }
  CPlotView& view() { return frame().view(); }

  // Starts the program with the first dialog answered as given.
  void StartWith(const testing::Values* values) {
    if (values)
      testing::AcceptNextDialog(*values);
    else
      testing::CancelNextDialog();
    app().InitInstance();
    QVERIFY(QTest::qWaitForWindowExposed(&frame()));
  }

  void WaitForRunEnd(int timeoutMs = 30000) { QTRY_VERIFY_WITH_TIMEOUT(!view().runInProgress(), timeoutMs); }

  // The renderer's picture for the same values.
  testing::Picture Rendered(const std::vector<std::string>& args) {
    const std::string dir = testing::MakeTempDir();
    const std::string out = dir + "/view.png";
    std::vector<std::string> all = args;
    all.insert(all.end(), {"--output", out});
    const testing::ProcessResult r = testing::RunProcess(QUORVEX_RENDER, all);
    [&] { QCOMPARE(r.status, 0); }();
    testing::Picture pic;
    testing::ReadPng(out, pic);
    testing::RunProcess("/bin/rm", {"-rf", dir});
    return pic;
  }

  bool AllBlack(const Canvas& c) {
    for (Color p : c.pixels())
      if (p != kBlack) return false;
    return true;
  }

  bool HasColour(const Canvas& c, Color colour, int x0, int y0, int x1, int y1) {
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x)
        if (c.Pixel(x, y) == colour) return true;
    return false;
  }

 private slots:
  void startUpCancelShowsABlackViewThenOffersTheDefaults() {
    StartWith(nullptr);
    QCOMPARE(frame().windowTitle(), QStringLiteral("Quorvex"));
    QVERIFY(!frame().session().plotEnabled());
    QVERIFY(!view().runInProgress());
    QCOMPARE(view().clientSize(), QSize(640, 480));
    QCOMPARE(view().canvas().width(), 640);
    QVERIFY(AllBlack(view().canvas()));

    bool seen = false;
    testing::WhenModal<CEnterValuesDlg>([&seen](CEnterValuesDlg* d) {
      QCOMPARE(d->durationEdit()->text(), QStringLiteral("35000"));
      QCOMPARE(d->stepEdit()->text(), QStringLiteral("50"));
      QCOMPARE(d->speedSlider()->value(), 5);
      QVERIFY(d->onButton()->isChecked());
      seen = true;
      d->cancelButton()->click();
    });
    frame().enterNewValuesAction()->trigger();
    QVERIFY(seen);
    QVERIFY(!view().runInProgress());
    QVERIFY(AllBlack(view().canvas()));
  }

  void startUpAcceptRunsTheRendersPicture() {
    const testing::Values defaults;
    StartWith(&defaults);
    QVERIFY(frame().session().plotEnabled());
    QVERIFY(view().runInProgress());
    WaitForRunEnd();
    const testing::Picture pic = Rendered({});
    QCOMPARE(pic.width, view().canvas().width());
    QCOMPARE(pic.height, view().canvas().height());
    QVERIFY(pic.pixels == view().canvas().pixels());

    // A repaint that only refreshes the window does not repeat the run.
    view().repaint();
    QVERIFY(!view().runInProgress());
  }

  void newValuesStartANewRunAndOffAgreesWithTheRenderer() {
    const testing::Values quick{QStringLiteral("2000"), QStringLiteral("20"), 5, true};
    StartWith(&quick);
    WaitForRunEnd();

    testing::Values off{QStringLiteral("3000"), QStringLiteral("25"), 4, false};
    testing::AcceptNextDialog(off);
    frame().enterNewValuesAction()->trigger();
    QVERIFY((frame().session().values() == RunParameters{25, 4, 3000, Interaction::Off}));
    QVERIFY(view().runInProgress());
    WaitForRunEnd();
    QVERIFY(Rendered({"--years", "3000", "--step", "25", "--speed", "4", "--interaction", "off"}).pixels ==
            view().canvas().pixels());

    // The next dialog is seeded with "Off"; cancelling it changes nothing.
    bool seen = false;
    testing::WhenModal<CEnterValuesDlg>([&seen](CEnterValuesDlg* d) {
      QVERIFY(d->offButton()->isChecked());
      QCOMPARE(d->durationEdit()->text(), QStringLiteral("3000"));
      seen = true;
      d->stepEdit()->setText(QStringLiteral("7"));
      d->cancelButton()->click();
    });
    const std::vector<Color> before = view().canvas().pixels();
    frame().enterNewValuesAction()->trigger();
    QVERIFY(seen);
    QCOMPARE(frame().session().DialogValues().stepDays, 25);
    QVERIFY(!view().runInProgress());
    QVERIFY(view().canvas().pixels() == before);
  }

  void sameValuesAgainStartANewRun() {
    const testing::Values quick{QStringLiteral("1000"), QStringLiteral("50"), 5, true};
    StartWith(&quick);
    WaitForRunEnd();
    testing::AcceptNextDialog(quick);
    frame().enterNewValuesAction()->trigger();
    QVERIFY(view().runInProgress());
    WaitForRunEnd();
  }

  void aClickStopsTheRun() {
    const testing::Values longRun{QStringLiteral("50000"), QStringLiteral("1"), 5, true};
    StartWith(&longRun);
    QTest::qWait(200);
    QVERIFY(view().runInProgress());
    // A right click does nothing; a left click stops the run.
    QTest::mouseClick(&view(), Qt::RightButton, {}, QPoint(300, 200));
    QTest::qWait(50);
    QVERIFY(view().runInProgress());
    QTest::mouseClick(&view(), Qt::LeftButton, {}, QPoint(300, 200));
    QTRY_VERIFY_WITH_TIMEOUT(!view().runInProgress(), 2000);
    const Canvas& c = view().canvas();
    QVERIFY(HasColour(c, Rgb(255, 0, 0), 35, 435, 280, 450));     // the closing line
    QVERIFY(HasColour(c, Rgb(255, 255, 150), 31, 331, 40, 460));  // the curve began
    QVERIFY(!HasColour(c, Rgb(255, 255, 150), 600, 331, 616, 460));
  }

  void escapeInTheViewStopsTheRun() {
    const testing::Values longRun{QStringLiteral("50000"), QStringLiteral("1"), 5, true};
    StartWith(&longRun);
    QTest::qWait(200);
    QVERIFY(view().runInProgress());
    view().setFocus();
    QTest::keyClick(&view(), Qt::Key_Escape);
    QTRY_VERIFY_WITH_TIMEOUT(!view().runInProgress(), 2000);
    const Canvas& c = view().canvas();
    QVERIFY(HasColour(c, Rgb(255, 0, 0), 35, 435, 280, 450));  // the closing line
    QVERIFY(!HasColour(c, Rgb(255, 255, 150), 600, 331, 616, 460));
  }

  // Assistive technology gets the view's name, the three panels, and the
  // closing line as a description change when a run ends.
  void theViewIsNamedAndAnnouncesTheClosingLine() {
    static QList<QAccessible::Event> viewEvents;
    viewEvents.clear();
    // Accessibility is active only where an AT-SPI bus answers (the
    // qt.accessibility test provides one); events are sent only then.
    const bool forced = qEnvironmentVariableIsSet("QT_LINUX_ACCESSIBILITY_ALWAYS_ON");
    for (int i = 0; forced && i < 100 && !QAccessible::isActive(); ++i) QTest::qWait(50);
    const bool active = QAccessible::isActive();
    const QAccessible::UpdateHandler previous = QAccessible::installUpdateHandler([](QAccessibleEvent* e) {
      if (qobject_cast<CPlotView*>(e->object())) viewEvents << e->type();
    });
    // One step: duration 1 year, step 182 days.
    const testing::Values oneStep{QStringLiteral("1"), QStringLiteral("182"), 5, false};
    StartWith(&oneStep);
    WaitForRunEnd();
    QAccessible::installUpdateHandler(previous);

    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(&view());
    QVERIFY(a);
    QCOMPARE(a->text(QAccessible::Name), QStringLiteral("Chart"));
    const QString description = a->text(QAccessible::Description);
    for (const char* part : {"Orbit panel", "Rotating panel", "Distance panel"})
      QVERIFY2(description.contains(QLatin1String(part)), qPrintable(description));
    // The renderer prints the same closing line for the same values.
    const testing::ProcessResult r = testing::RunProcess(
        QUORVEX_RENDER, {"--years", "1", "--step", "182", "--interaction", "off", "--output", "/dev/null"});
    QCOMPARE(r.status, 0);
    const QString closing = QString::fromStdString(r.out).trimmed();
    QVERIFY2(closing.startsWith(QLatin1String("Shortest Distance: ")), qPrintable(closing));
    QVERIFY2(description.endsWith(QLatin1String(". ") + closing), qPrintable(description));

    // A new run takes the closing line back until it ends.
    RunParameters longRun = frame().session().DialogValues();
    longRun.durationYears = 50000;
    longRun.stepDays = 1;
    frame().session().Accept(TextsOf(longRun));
    view().Restart();
    QVERIFY(!a->text(QAccessible::Description).contains(QLatin1String("Shortest")));

    // Under qt.accessibility (an AT-SPI bus, accessibility forced on) it
    // must have become active.
    if (!active && forced) QFAIL("accessibility did not become active on the AT-SPI bus");
    if (!active) QSKIP("accessibility is not active (no AT-SPI bus): qt.accessibility checks the event");
    QVERIFY(viewEvents.contains(QAccessible::DescriptionChanged));
  }

  // When commands wait is the session's rule (session_test); here the wiring.
  void aCommandChosenDuringARunRunsOnceUnderTheBusyCursor() {
    const testing::Values run{QStringLiteral("50000"), QStringLiteral("1"), 5, true};
    StartWith(&run);
    QVERIFY(view().runInProgress());
    for (int i = 0; i < 3; ++i) frame().enterNewValuesAction()->trigger();
    QCOMPARE(view().cursor().shape(), Qt::BusyCursor);
    QCOMPARE(frame().menuBar()->cursor().shape(), Qt::BusyCursor);
    int dialogs = 0;
    QTimer watch;
    connect(&watch, &QTimer::timeout, [&] {
      if (auto* d = qobject_cast<CEnterValuesDlg*>(QApplication::activeModalWidget())) {
        ++dialogs;
        QCOMPARE(view().cursor().shape(), Qt::ArrowCursor);
        d->cancelButton()->click();
      }
    });
    watch.start(5);
    QTest::mouseClick(&view(), Qt::LeftButton, {}, QPoint(300, 200));
    QTRY_COMPARE(dialogs, 1);
    QTest::qWait(100);
    QCOMPARE(dialogs, 1);
    QCOMPARE(view().cursor().shape(), Qt::ArrowCursor);
  }

  void dialogsHaveATitleBarAndACloseBoxOnly() {
    StartWith(nullptr);
    const auto titleAndClose = [](const QWidget* w) {
      const Qt::WindowFlags f = w->windowFlags();
      return f.testFlags(Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) &&
             !(f & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    };
    bool boxSeen = false;
    testing::WhenModal<CEnterValuesDlg>([&](CEnterValuesDlg* d) {
      QVERIFY(titleAndClose(d));
      // Minimised by a window manager that offers it anyway, it comes back.
      d->setWindowState(Qt::WindowMinimized);
      QTRY_VERIFY(!(d->windowState() & Qt::WindowMinimized));
      testing::WhenModal<QMessageBox>([&](QMessageBox* box) {
        boxSeen = titleAndClose(box);
        box->accept();
      });
      d->stepEdit()->setText(QStringLiteral("x"));
      d->startPlotButton()->click();
      d->cancelButton()->click();
    });
    frame().enterNewValuesAction()->trigger();
    QVERIFY(boxSeen);
  }

  void f10AndALoneAltOpenTheMenuBar() {
    StartWith(nullptr);
    QMenuBar* bar = frame().menuBar();
    QMenu* file = bar->actions()[0]->menu();
    QTest::keyClick(&view(), Qt::Key_F10);
    QTRY_VERIFY(file->isVisible());
    // Its first item is highlighted, as after Alt+F.
    QCOMPARE(file->activeAction(), frame().enterNewValuesAction());
    file->close();
    view().setFocus();
    QTRY_VERIFY(bar->activeAction() == nullptr);
    // Alt alone selects "&File", and the selection shows.
    const QImage before = bar->grab().toImage();
    QTest::keyClick(&view(), Qt::Key_Alt);
    QCOMPARE(bar->activeAction(), bar->actions()[0]);
    QVERIFY(bar->grab().toImage() != before);
  }

  void f10ThenEnterCarriesOutEnterNewValues() {
    StartWith(nullptr);
    QMenu* file = frame().menuBar()->actions()[0]->menu();
    QTest::keyClick(&view(), Qt::Key_F10);
    QTRY_VERIFY(file->isVisible());
    bool dialogSeen = false;
    testing::WhenModal<CEnterValuesDlg>([&dialogSeen](CEnterValuesDlg* dlg) {
      dialogSeen = true;
      dlg->reject();
    });
    QTest::keyClick(file, Qt::Key_Return);
    QTRY_VERIFY(dialogSeen);
  }

  void aboutOpensAndClosesWithoutTouchingTheValues() {
    StartWith(nullptr);
    const RunParameters before = frame().session().DialogValues();
    const bool enabledBefore = frame().session().plotEnabled();
    bool seen = false;
    testing::WhenModal<CAboutDlg>([&seen](CAboutDlg* about) {
      QCOMPARE(about->windowTitle(), QStringLiteral("About Quorvex"));
      bool hasText = false;
      bool hasIcon = false;
      for (QLabel* l : about->findChildren<QLabel*>()) {
        hasText |= l->text() == QStringLiteral(QUORVEX_EXPECTED_ABOUT);
        hasIcon |= !l->pixmap().isNull() && l->pixmap().width() == 32;
      }
      QVERIFY(hasText);
      QVERIFY(hasIcon);
      QCOMPARE(about->okButton()->text(), QStringLiteral("OK"));
      seen = true;
      QTest::keyClick(about, Qt::Key_Escape);
    });
    frame().aboutAction()->trigger();
    QVERIFY(seen);
    QCOMPARE(frame().session().plotEnabled(), enabledBefore);
    QCOMPARE(frame().session().DialogValues().stepDays, before.stepDays);
    QVERIFY(!view().runInProgress());
  }

  void aSizeChangeStartsANewRun() {
    const testing::Values quick{QStringLiteral("1000"), QStringLiteral("50"), 5, true};
    StartWith(&quick);
    WaitForRunEnd();
    frame().resize(frame().width() + 60, frame().height() + 40);
    QTRY_COMPARE(view().clientSize(), QSize(700, 520));
    QCOMPARE(view().canvas().width(), 700);
    QCOMPARE(view().canvas().height(), 520);
    QVERIFY(view().runInProgress());
    WaitForRunEnd();
    // The chart stays where it was; the larger area stays black beyond it.
    const testing::Picture pic = Rendered({"--years", "1000"});
    for (int y = 0; y < 520; ++y)
      for (int x = 0; x < 700; ++x)
        if (view().canvas().Pixel(x, y) != (x < 640 && y < 480 ? pic.At(x, y) : kBlack))
          QFAIL(qPrintable(QStringLiteral("pixel %1,%2").arg(x).arg(y)));
  }

  void restoringFromMinimisedStartsANewRun() {
    const testing::Values quick{QStringLiteral("1000"), QStringLiteral("50"), 5, true};
    StartWith(&quick);
    WaitForRunEnd();
    frame().setWindowState(Qt::WindowMinimized);
    QVERIFY(!view().runInProgress());
    frame().setWindowState(Qt::WindowNoState);
    QVERIFY(view().runInProgress());
    WaitForRunEnd();
  }

  void acceleratorKeysDoNothing() {
    const testing::Values quick{QStringLiteral("1000"), QStringLiteral("50"), 5, true};
    StartWith(&quick);
    WaitForRunEnd();
    const std::vector<Color> before = view().canvas().pixels();
    const QList<QPair<int, Qt::KeyboardModifiers>> keys{
        {Qt::Key_C, Qt::ControlModifier},      {Qt::Key_V, Qt::ControlModifier},
        {Qt::Key_X, Qt::ControlModifier},      {Qt::Key_Z, Qt::ControlModifier},
        {Qt::Key_Insert, Qt::ControlModifier}, {Qt::Key_Insert, Qt::ShiftModifier},
        {Qt::Key_Delete, Qt::ShiftModifier},   {Qt::Key_Backspace, Qt::AltModifier},
        {Qt::Key_F6, Qt::NoModifier},          {Qt::Key_F6, Qt::ShiftModifier}};
    for (const auto& [key, mods] : keys) QTest::keyClick(&view(), Qt::Key(key), mods);
    QTest::qWait(20);
    QVERIFY(!view().runInProgress());
    QVERIFY(QApplication::activeModalWidget() == nullptr);
    QVERIFY(view().canvas().pixels() == before);
  }

  void menusAsTheProgramHasThem() {
    StartWith(nullptr);
    const QList<QAction*> menus = frame().menuBar()->actions();
    QCOMPARE(menus.size(), 2);
    QCOMPARE(menus[0]->text(), QStringLiteral("&File"));
    QCOMPARE(menus[1]->text(), QStringLiteral("&Help"));
    QStringList file;
    for (QAction* a : menus[0]->menu()->actions()) file << a->text();
    QCOMPARE(file, QStringList({QStringLiteral("Enter New Values"), QStringLiteral("E&xit")}));
    QCOMPARE(menus[1]->menu()->actions().size(), 1);
    QCOMPARE(menus[1]->menu()->actions()[0]->text(), QStringLiteral("&About Quorvex..."));
    QVERIFY(frame().findChildren<QToolBar*>().isEmpty());
    QVERIFY(frame().findChildren<QStatusBar*>().isEmpty());
    QCOMPARE(view().cursor().shape(), Qt::ArrowCursor);
  }

  void exitEndsTheProgramAtOnceEvenDuringARun() {
    const testing::Values longRun{QStringLiteral("50000"), QStringLiteral("1"), 5, true};
    StartWith(&longRun);
    QVERIFY(view().runInProgress());
    frame().exitAction()->trigger();
    QVERIFY(!frame().isVisible());
  }
};

}  // namespace quorvex

int main(int argc, char** argv) {
  quorvex::COrbitApp app(argc, argv);
  // The program ends with its window; here the tests go on after a close.
  app.setQuitOnLastWindowClosed(false);
  quorvex::MainFrameTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "main_frame_test.moc"
