// Run once per scale factor (QT_SCALE_FACTOR is read when the application
// starts): the chart fills the view, each canvas pixel a block of whole
// device pixels, and the About box's icon is drawn for the screen's density.
#include <QLabel>
#include <QRadioButton>
#include <QTest>
#include <cmath>

#include "shells/qt/about_dlg.h"
#include "shells/qt/main_frame.h"
#include "shells/qt/orbit_app.h"
#include "tests/shells/qt/gui_helpers.h"

namespace quorvex {

class ScaleFactorTest : public QObject {
  Q_OBJECT

  COrbitApp& app() { return *static_cast<COrbitApp*>(QCoreApplication::instance()); }
  CMainFrame& frame() { return *app().mainFrame(); }
  double scale() const { return qEnvironmentVariable("QT_SCALE_FACTOR", QStringLiteral("1")).toDouble(); }

 private slots:
  void initTestCase() {
    testing::AcceptNextDialog({QStringLiteral("1000"), QStringLiteral("50"), 5, true});
    app().InitInstance();
    QVERIFY(QTest::qWaitForWindowExposed(&frame()));
    QTRY_VERIFY_WITH_TIMEOUT(!frame().view().runInProgress(), 30000);
    QCOMPARE(frame().devicePixelRatioF(), scale());
  }

  // The 640 x 480 canvas covers the client area's 640s x 480s device
  // pixels; device pixel (x, y) shows canvas pixel (640x / 640s, 480y / 480s)
  // rounded down, whether the view starts on a whole device pixel or not.
  void theChartFillsTheViewPixelForPixel() {
    const CPlotView& view = frame().view();
    const Canvas& canvas = view.canvas();
    QCOMPARE(canvas.width(), 640);
    QCOMPARE(canvas.height(), 480);
    const QImage shot = frame().grab().toImage().convertToFormat(QImage::Format_RGB32);
    const double s = scale();
    const QPoint origin = view.mapTo(&frame(), view.contentsRect().topLeft());
    const int x0 = static_cast<int>(std::lround(origin.x() * s));
    const int y0 = static_cast<int>(std::lround(origin.y() * s));
    const int w = static_cast<int>(640 * s);
    const int h = static_cast<int>(480 * s);
    QVERIFY(shot.width() >= x0 + w && shot.height() >= y0 + h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const Color c = canvas.Pixel(x * 640 / w, y * 480 / h);
        const QRgb want =
            qRgb(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>(c >> 16));
        if (shot.pixel(x0 + x, y0 + y) != want)
          QFAIL(qPrintable(QStringLiteral("device pixel %1,%2").arg(x).arg(y)));
      }
  }

  // The icon is 32 x 32 in the box's units, drawn from the largest image
  // that it needs: at scale 2 the 64-pixel one, pixel for pixel.
  void theAboutIconHasTheScreensDensity() {
    bool seen = false;
    testing::WhenModal<CAboutDlg>([&](CAboutDlg* about) {
      for (QLabel* l : about->findChildren<QLabel*>()) {
        if (l->pixmap().isNull()) continue;
        seen = true;
        const QPixmap pm = l->pixmap();
        QCOMPARE(pm.deviceIndependentSize(), QSizeF(32, 32));
        QCOMPARE(pm.width(), static_cast<int>(std::ceil(32 * scale())));
        if (scale() == 2)
          QVERIFY(pm.toImage().convertToFormat(QImage::Format_RGB32) ==
                  QImage(QStringLiteral(":/icons/quorvex-64.png")).convertToFormat(QImage::Format_RGB32));
      }
      about->okButton()->click();
    });
    frame().aboutAction()->trigger();
    QVERIFY(seen);
  }
};

}  // namespace quorvex

int main(int argc, char** argv) {
  quorvex::COrbitApp app(argc, argv);
  app.setQuitOnLastWindowClosed(false);
  quorvex::ScaleFactorTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "scale_factor_test.moc"
