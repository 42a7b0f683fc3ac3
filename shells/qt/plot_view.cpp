#include "shells/qt/plot_view.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "shells/core/device_pixels.h"

namespace quorvex {
namespace {

// What assistive technology says of the view; the closing line follows
// once a run has ended.
constexpr char kAccessibleName[] = "Chart";
constexpr char kPanels[] =
    "Orbit panel: Pluto and Neptune seen from above the ecliptic, coloured by their height above it. "
    "Rotating panel: Pluto in the frame that turns with Neptune, coloured by Pluto's speed. "
    "Distance panel: the distance between Neptune and Pluto against time.";

}  // namespace

CPlotView::CPlotView(Session& session, QWidget* parent) : QFrame(parent), session_(session) {
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  setLineWidth(2);
  setCursor(Qt::ArrowCursor);
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  sliceTimer_.setSingleShot(true);
  sliceTimer_.setTimerType(Qt::PreciseTimer);
  connect(&sliceTimer_, &QTimer::timeout, this, &CPlotView::RunSlice);
  setAccessibleName(QString::fromLatin1(kAccessibleName));
  setAccessibleDescription(QString::fromLatin1(kPanels));
}

CPlotView::~CPlotView() = default;

void CPlotView::Restart() {
  sliceTimer_.stop();
  const QSize size = clientSize();
  session_.Restart(size.width(), size.height());
  if (accessibleDescription() != QLatin1String(kPanels))
    setAccessibleDescription(QString::fromLatin1(kPanels));
  if (runInProgress()) sliceTimer_.start(0);
  imageStale_ = true;
  update();
}

void CPlotView::RunSlice() {
  if (!runInProgress()) return;
  const ViewRun::Slice slice = session_.run().RunSlice();
  imageStale_ = true;
  if (slice.show) update();
  if (slice.over) {
    // The closing line exists as pixels only; assistive technology gets it
    // as the view's description, whose change it is told of (Qt sends the
    // description-changed event).
    setAccessibleDescription(QString::fromLatin1(kPanels) + QLatin1Char(' ') +
                             QString::fromStdString(session_.run().closingLine()));
    emit runEnded();
    return;
  }
  sliceTimer_.start(0);
}

void CPlotView::RefreshImage(QSize device) {
  if (!imageStale_ && image_.size() == device) return;
  imageStale_ = false;
  if (image_.size() != device) image_ = QImage(device, QImage::Format_RGB32);
  if (image_.isNull()) return;
  // Opaque 0xFFRRGGBB.
  ShowOnDevice(canvas(), reinterpret_cast<std::uint32_t*>(image_.bits()), device.width(), device.height(),
               image_.bytesPerLine() / 4, 0xFF000000u, columns_);
}

void CPlotView::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);  // the sunken edge
  QPainter painter(this);
  // The client area in the device pixels of the surface painted on, its
  // edges rounded to whole pixels: at a fractional scale factor they fall
  // between device pixels.
  const QRectF client = painter.deviceTransform().mapRect(QRectF(contentsRect()));
  const QPoint topLeft(qRound(client.left()), qRound(client.top()));
  const QSize device(qRound(client.right()) - topLeft.x(), qRound(client.bottom()) - topLeft.y());
  if (device.isEmpty()) return;
  RefreshImage(device);
  // Draw in device pixels: the canvas, scaled above, fills the client area
  // one image pixel per device pixel, without any further scaling.
  painter.setWorldTransform(painter.deviceTransform().inverted() * painter.worldTransform());
  painter.drawImage(topLeft, image_);
}

void CPlotView::resizeEvent(QResizeEvent* event) {
  QFrame::resizeEvent(event);
  // Every change of the client area's size starts the run again.
  if (clientSize() != QSize(canvas().width(), canvas().height())) Restart();
}

void CPlotView::StopRun() {
  // The run stops before its next step; the next slice, due at once,
  // writes the closing line.
  session_.run().RequestStop();
  sliceTimer_.start(0);
}

void CPlotView::mousePressEvent(QMouseEvent* event) {
  // A left-button press stops the run.
  if (event->button() == Qt::LeftButton && runInProgress()) StopRun();
  QFrame::mousePressEvent(event);
}

void CPlotView::keyPressEvent(QKeyEvent* event) {
  // Escape stops the run as a click does, for whoever works without a mouse.
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier && runInProgress()) {
    StopRun();
    event->accept();
    return;
  }
  QFrame::keyPressEvent(event);
}

}  // namespace quorvex
