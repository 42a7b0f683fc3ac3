#pragma once

#include <QElapsedTimer>
#include <QFrame>
#include <QImage>
#include <QTimer>
#include <memory>
#include <vector>

#include "canvas/canvas.h"
#include "chart/plot_run.h"

namespace quorvex {

// The main window's only child, on which the chart and the plot run are
// drawn. It owns a canvas the size of its client area. A run draws the
// chart and then advances the plot run in slices on the GUI thread (see
// RunPacer); the view shows the canvas up to 25 times a second meanwhile,
// so the orbits and the separation curve visibly grow.
class CPlotView : public QFrame {
  Q_OBJECT

 public:
  explicit CPlotView(QWidget* parent = nullptr);
  ~CPlotView() override;

  // Erases the canvas and, once a run has been accepted, draws the chart
  // and starts a new run from t = 0 with the current run values.
  void Restart();
  bool runInProgress() const { return run_ != nullptr; }
  // The pixels the view shows.
  const Canvas& canvas() const { return *canvas_; }
  // The client area's size in pixels.
  QSize clientSize() const { return contentsRect().size(); }

 signals:
  // A run ended, by reaching its end time or by a click.
  void runEnded();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  void RunSlice();
  // Brings the image shown up to date: the canvas scaled to `device`, the
  // client area's size in device pixels.
  void RefreshImage(QSize device);

  std::unique_ptr<Canvas> canvas_;
  std::unique_ptr<PlotRun> run_;
  QImage image_;
  std::vector<int> columns_;  // the canvas column of every image column
  bool imageStale_ = true;
  QTimer sliceTimer_;
  QElapsedTimer sinceRefresh_;
  QElapsedTimer runClock_;    // since the run began
  QElapsedTimer sinceSlice_;  // since the last slice ended
  qint64 betweenSlicesNs_ = 0;
};

}  // namespace quorvex
