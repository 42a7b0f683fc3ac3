#include "shells/qt/plot_view.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <cstring>

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

CPlotView::CPlotView(QWidget* parent) : QFrame(parent) {
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
  run_.Restart(size.width(), size.height(), values_ ? &*values_ : nullptr);
  if (accessibleDescription() != QLatin1String(kPanels))
    setAccessibleDescription(QString::fromLatin1(kPanels));
  if (run_.runInProgress()) sliceTimer_.start(0);
  imageStale_ = true;
  update();
}

void CPlotView::RunSlice() {
  if (!run_.runInProgress()) return;
  const ViewRun::Slice slice = run_.RunSlice();
  imageStale_ = true;
  if (slice.show) update();
  if (slice.over) {
    // The closing line exists as pixels only; assistive technology gets it
    // as the view's description, whose change it is told of (Qt sends the
    // description-changed event).
    setAccessibleDescription(QString::fromLatin1(kPanels) + QLatin1Char(' ') +
                             QString::fromStdString(run_.closingLine()));
    emit runEnded();
    return;
  }
  sliceTimer_.start(0);
}

void CPlotView::RefreshImage(QSize device) {
  if (!imageStale_ && image_.size() == device) return;
  imageStale_ = false;
  const Canvas& canvas = run_.canvas();
  const int w = canvas.width();
  const int h = canvas.height();
  const int dw = device.width();
  const int dh = device.height();
  if (image_.size() != device) image_ = QImage(device, QImage::Format_RGB32);
  if (image_.isNull()) return;
  if (w <= 0 || h <= 0) {
    image_.fill(Qt::black);
    return;
  }
  // Device column j shows canvas column j * w / dw (rounded down), likewise
  // for rows: nearest neighbour, each canvas pixel a block of whole device
  // pixels, the larger and smaller blocks spread evenly over the surface.
  columns_.resize(static_cast<size_t>(dw));
  for (int j = 0; j < dw; ++j)
    columns_[static_cast<size_t>(j)] = static_cast<int>(static_cast<long long>(j) * w / dw);
  const Color* src = canvas.pixels().data();
  int lastRow = -1;
  for (int i = 0; i < dh; ++i) {
    auto* dst = reinterpret_cast<quint32*>(image_.scanLine(i));
    const int row = static_cast<int>(static_cast<long long>(i) * h / dh);
    if (row == lastRow) {
      std::memcpy(dst, image_.constScanLine(i - 1), static_cast<size_t>(dw) * sizeof(quint32));
      continue;
    }
    lastRow = row;
    // Opaque 0xFFRRGGBB.
    const Color* line = src + static_cast<size_t>(row) * w;
    for (int j = 0; j < dw; ++j) {
      const Color c = line[dw == w ? j : columns_[static_cast<size_t>(j)]];
      dst[j] = 0xFF000000u | ToXrgb(c);
    }
  }
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
  run_.RequestStop();
  sliceTimer_.start(0);
}

void CPlotView::mousePressEvent(QMouseEvent* event) {
  // A left-button press stops the run.
  if (event->button() == Qt::LeftButton && run_.runInProgress()) StopRun();
  QFrame::mousePressEvent(event);
}

void CPlotView::keyPressEvent(QKeyEvent* event) {
  // Escape stops the run as a click does, for whoever works without a mouse.
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier && run_.runInProgress()) {
    StopRun();
    event->accept();
    return;
  }
  QFrame::keyPressEvent(event);
}

}  // namespace quorvex
