// The web page's entry points: the page's script calls these C functions
// and does the page's own work (dialogs, menus, showing the canvas,
// scheduling slices) itself.

#include <emscripten/emscripten.h>

#include "shells/web/web_view.h"

namespace {

quorvex::WebView& View() {
  static quorvex::WebView view;
  return view;
}

// Whether the last slice asked for the canvas to be shown.
bool showDue = false;

}  // namespace

extern "C" {

// The stored run values, to seed the dialog: 0 duration (years), 1 step
// (days), 2 speed, 3 interaction choice (0 "On", 1 "Off").
EMSCRIPTEN_KEEPALIVE int qv_value(int which) {
  const quorvex::RunParameters& p = View().params();
  switch (which) {
    case 0:
      return p.durationYears;
    case 1:
      return p.stepDays;
    case 2:
      return p.plotSpeed;
    case 3:
      return p.interactionChoice;
    default:
      return 0;
  }
}

// "Start Plot": 0 accepted (a new run begins), 1 the step field is at
// fault, 2 the duration field; qv_message() then says why.
EMSCRIPTEN_KEEPALIVE int qv_accept(const char* duration, const char* step, int speed, int interaction) {
  return View().Accept(duration, step, speed, interaction);
}

EMSCRIPTEN_KEEPALIVE const char* qv_message() {
  return View().message().c_str();
}

EMSCRIPTEN_KEEPALIVE void qv_paint() {
  View().Paint();
}

// One slice of the run. Returns -1 when the run is over (or none is in
// progress), else the milliseconds to wait before the next slice;
// qv_show() then says whether the canvas is due to be shown.
EMSCRIPTEN_KEEPALIVE double qv_slice() {
  const quorvex::WebView::SliceResult r = View().Slice();
  showDue = r.showCanvas;
  return r.over ? -1.0 : r.resumeMs;
}

EMSCRIPTEN_KEEPALIVE int qv_show() {
  return showDue ? 1 : 0;
}

EMSCRIPTEN_KEEPALIVE void qv_stop() {
  View().Stop();
}

EMSCRIPTEN_KEEPALIVE int qv_running() {
  return View().running() ? 1 : 0;
}

EMSCRIPTEN_KEEPALIVE const char* qv_closing_line() {
  return View().closingLine().c_str();
}

EMSCRIPTEN_KEEPALIVE const unsigned char* qv_pixels() {
  return View().Pixels();
}

// Menu commands: 1 "Enter New Values", 2 "About Quorvex...".
EMSCRIPTEN_KEEPALIVE int qv_offer(int command) {
  return View().Offer(command) ? 1 : 0;
}

EMSCRIPTEN_KEEPALIVE int qv_take() {
  return View().Take();
}

}  // extern "C"
