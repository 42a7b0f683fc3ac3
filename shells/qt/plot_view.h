#pragma once

#include <QFrame>
#include <QImage>
#include <QTimer>
#include <vector>

#include "canvas/canvas.h"
#include "shells/core/session.h"

namespace quorvex {

// The main window's only child, on which the chart and the plot run are
// drawn. The session's ViewRun keeps a canvas the size of its client area; a run draws
// the chart and then advances in slices on the GUI thread, and the view
// shows the canvas up to 25 times a second meanwhile, so the orbits and the
// separation curve visibly grow.
class CPlotView : public QFrame {
  Q_OBJECT

 public:
  CPlotView(Session& session, QWidget* parent);
  ~CPlotView() override;

  // Erases the canvas and, once run values have been accepted, draws the
  // chart and starts a new run from t = 0 with them (Session::Restart).
  void Restart();
  bool runInProgress() const { return session_.run().runInProgress(); }
  // The pixels the view shows.
  const Canvas& canvas() const { return session_.run().canvas(); }
  // The client area's size in pixels.
  QSize clientSize() const { return contentsRect().size(); }

 signals:
  // A run ended, by reaching its end time or by a click.
  void runEnded();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void RunSlice();
  // Stops the run in progress before its next step (a click, Escape).
  void StopRun();
  // Brings the image shown up to date: the canvas scaled to `device`, the
  // client area's size in device pixels.
  void RefreshImage(QSize device);

  Session& session_;
  QImage image_;
  std::vector<int> columns_;  // the canvas column of every image column
  bool imageStale_ = true;
  QTimer sliceTimer_;
};

}  // namespace quorvex
