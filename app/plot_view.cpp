#include "app/plot_view.h"

#include <QMouseEvent>
#include <QPainter>
#include <cmath>

#include "app/run_pacer.h"
#include "app/run_parameters_store.h"
#include "chart/chart.h"
#include "chart/font.h"

namespace quorvex {

CPlotView::CPlotView(QWidget* parent) : QFrame(parent) {
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  setLineWidth(2);
  setCursor(Qt::ArrowCursor);
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  sliceTimer_.setSingleShot(true);
  sliceTimer_.setTimerType(Qt::PreciseTimer);
  connect(&sliceTimer_, &QTimer::timeout, this, &CPlotView::RunSlice);
  canvas_ = std::make_unique<Canvas>(0, 0, ChartFonts::Shared().system.get());
}

CPlotView::~CPlotView() = default;

void CPlotView::Restart() {
  sliceTimer_.stop();
  run_.reset();
  const QSize size = clientSize();
  const ChartFonts& fonts = ChartFonts::Shared();
  canvas_ = std::make_unique<Canvas>(size.width(), size.height(), fonts.system.get());
  const RunParameters params = TheRunParameters();
  PaintViewBackground(*canvas_, params.plotEnabled != 0, fonts);
  if (params.plotEnabled) {
    run_ = std::make_unique<PlotRun>(*canvas_, params);
    sliceTimer_.start(0);
  }
  imageStale_ = true;
  update();
}

void CPlotView::RunSlice() {
  if (!run_) return;
  if (RunPacer::RunSlice(*run_)) {
    run_.reset();
    imageStale_ = true;
    update();
    emit runEnded();
    return;
  }
  sliceTimer_.start(0);
  imageStale_ = true;
  update();
}

void CPlotView::RefreshImage() {
  if (!imageStale_) return;
  imageStale_ = false;
  const int w = canvas_->width();
  const int h = canvas_->height();
  if (image_.width() != w || image_.height() != h) image_ = QImage(w, h, QImage::Format_RGB32);
  // 0x00BBGGRR to 0xFFRRGGBB over the whole surface in one pass; the image
  // has no padding at the end of its rows (4 bytes a pixel).
  const Color* src = canvas_->pixels().data();
  auto* dst = reinterpret_cast<quint32*>(image_.bits());
  const size_t n = static_cast<size_t>(w) * h;
  for (size_t i = 0; i < n; ++i) {
    const Color c = src[i];
    dst[i] = 0xFF000000u | ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
  }
}

void CPlotView::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);  // the sunken edge
  RefreshImage();
  QPainter painter(this);
  const QRect client = contentsRect();
  painter.setClipRect(client);
  painter.fillRect(client, Qt::black);
  if (image_.isNull()) return;
  // One canvas pixel per client pixel; on a high-density screen each is
  // shown as a block of whole device pixels, without smoothing.
  const qreal dpr = devicePixelRatioF();
  const int whole = std::max(1, static_cast<int>(std::floor(dpr + 1e-6)));
  painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
  if (std::abs(dpr - whole) < 1e-6) {
    painter.drawImage(client.topLeft(), image_);
  } else {
    painter.save();
    painter.scale(1.0 / dpr, 1.0 / dpr);
    const QPoint origin(static_cast<int>(std::lround(client.left() * dpr)),
                        static_cast<int>(std::lround(client.top() * dpr)));
    painter.drawImage(QRect(origin, image_.size() * whole), image_);
    painter.restore();
  }
}

void CPlotView::resizeEvent(QResizeEvent* event) {
  QFrame::resizeEvent(event);
  // Every change of the client area's size starts the run again.
  if (clientSize() != QSize(canvas_->width(), canvas_->height())) Restart();
}

void CPlotView::mousePressEvent(QMouseEvent* event) {
  // A left-button press stops the run before its next step.
  if (event->button() == Qt::LeftButton && run_) {
    run_->RequestStop();
    sliceTimer_.start(0);
  }
  QFrame::mousePressEvent(event);
}

}  // namespace quorvex
