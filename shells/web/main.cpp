// The web page's entry points: the page's script calls these C functions
// and does the page's own work (dialogs, menus, showing the canvas,
// scheduling slices) itself.

#include <emscripten/emscripten.h>

#include <string>

#include "chart/plot_run.h"
#include "shells/core/program.h"
#include "shells/web/web_view.h"
#include "shells/web/worker_blocks.h"

namespace {

quorvex::WebView& View() {
  static quorvex::WorkerCourier worker;
  static quorvex::WebView view(&worker);
  return view;
}

// Whether the last slice asked for the canvas to be shown.
bool showDue = false;
// The text qv_dialog_text() handed out last.
std::string dialogText;
// Why the last texts read were refused.
std::string message;

// A reading as the page takes it: 0 when read, else the field at fault
// (1 the step, 2 the duration, 3 the speed), with its message kept for
// qv_message().
int Answer(const quorvex::RunValuesReading& reading) {
  message = reading.message;
  if (reading.values) return 0;
  switch (reading.field) {
    case quorvex::RunField::StepDays:
      return 1;
    case quorvex::RunField::DurationYears:
      return 2;
    case quorvex::RunField::PlotSpeed:
      return 3;
  }
  return 1;
}

}  // namespace

extern "C" {

// The dialog's texts when it opens: 0 duration, 1 step, 2 speed, 3 the
// interaction ("0" for "On", "1" for "Off").
EMSCRIPTEN_KEEPALIVE const char* qv_dialog_text(int which) {
  const quorvex::RunValueTexts t = View().DialogTexts();
  switch (which) {
    case 0:
      dialogText = t.durationYears;
      break;
    case 1:
      dialogText = t.stepDays;
      break;
    case 2:
      dialogText = t.plotSpeed;
      break;
    default:
      dialogText = t.interaction == quorvex::Interaction::Off ? "1" : "0";
      break;
  }
  return dialogText.c_str();
}

// "Start Plot": 0 accepted (a new run begins), else the field at fault:
// 1 the step, 2 the duration, 3 the speed; qv_message() then says why.
EMSCRIPTEN_KEEPALIVE int qv_accept(const char* duration, const char* step, const char* speed,
                                   int interaction) {
  return Answer(View().Accept(
      {duration, step, speed, interaction == 1 ? quorvex::Interaction::Off : quorvex::Interaction::On}));
}

// What qv_accept would answer for these texts, without accepting them (the
// values a link carries).
EMSCRIPTEN_KEEPALIVE int qv_check(const char* duration, const char* step, const char* speed) {
  return Answer(quorvex::ReadRunValues({duration, step, speed, quorvex::Interaction::On}));
}

// Why the last qv_accept or qv_check refused its texts.
EMSCRIPTEN_KEEPALIVE const char* qv_message() {
  return message.c_str();
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

EMSCRIPTEN_KEEPALIVE const char* qv_closing_line() {
  return View().closingLine().c_str();
}

// Whole plot years the run has come (in progress) or came (ended), and
// whether the last run that ended was stopped before its end.
EMSCRIPTEN_KEEPALIVE int qv_progress_years() {
  return static_cast<int>(View().runDays() / quorvex::kPlotYearDays);
}

EMSCRIPTEN_KEEPALIVE int qv_stopped() {
  return View().stopped() ? 1 : 0;
}

EMSCRIPTEN_KEEPALIVE const unsigned char* qv_pixels() {
  return View().Pixels();
}

// Menu commands: 1 "Enter New Values", 2 "About Quorvex...", 3 "Save
// Picture".
EMSCRIPTEN_KEEPALIVE int qv_offer(int command) {
  return View().Offer(command) ? 1 : 0;
}

EMSCRIPTEN_KEEPALIVE int qv_take() {
  return View().Take();
}

// The About box's text: the name and the major and minor version.
EMSCRIPTEN_KEEPALIVE const char* qv_about_text() {
  return quorvex::kAboutText;
}

}  // extern "C"
