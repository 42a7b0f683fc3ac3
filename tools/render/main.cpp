// quorvex-render: draws a complete plot run, exactly as the desktop
// program's view shows it on a 640 x 480 client area, into a PNG file.

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <span>
#include <string>

#include "chart/chart.h"
#include "chart/plot_run.h"
#include "tools/render/messages.h"
#include "tools/render/options.h"
#include "tools/render/output_file.h"
#include "tools/render/png_writer.h"
#include "tools/render/process_guard.h"
#include "tools/render/progress.h"
#include "tools/render/sample_writer.h"

namespace quorvex {
namespace {

// Reports a file that could not be written; the exit status for it.
int CannotWrite(const std::string& what) {
  Say("cannot write " + what);
  return 1;
}

int CannotWrite(const std::string& path, const std::string& error) {
  return CannotWrite(path + ": " + error);
}

// The outputs of one run and what already reached those written directly.
struct Outputs {
  OutputFile png;
  OutputFile csv;
  bool withSamples = false;
  bool pictureStarted = false;
  std::unique_ptr<SampleWriter> samples;

  // What a stopped run leaves behind: nothing, unless a directly written
  // output (a pipe, a device) already received part of its data.
  std::string Written() const {
    std::string parts;
    auto add = [&parts](const std::string& part) { parts += (parts.empty() ? "" : ", ") + part; };
    if (samples && csv.direct()) {
      add(samples->rows() > 0 ? Format("the samples up to step %lld went to %s",
                                       static_cast<long long>(samples->rows()), csv.path().c_str())
                              : "the samples' header went to " + csv.path());
    }
    if (pictureStarted && png.direct()) add("part of the picture went to " + png.path());
    return parts.empty() ? "nothing written" : parts + "; nothing else written";
  }
};

int ReportInterrupted(const Outputs& out) {
  Say("interrupted; " + out.Written());
  return InterruptExitStatus();
}

// A write that failed while an interrupt arrived failed because of it.
int WriteFailed(const Outputs& out, const std::string& path, const std::string& error) {
  return Interrupted() ? ReportInterrupted(out) : CannotWrite(path, error);
}

int Run(const Options& opt, Outputs& out) {
  // Every output is checked before the run, so that a name that cannot be
  // written is refused at once rather than after minutes of computing.
  std::string error;
  OutputFile& png = out.png;
  OutputFile& csv = out.csv;
  const bool withSamples = out.withSamples = !opt.samples.empty();
  if (!png.Prepare(opt.output, error)) return CannotWrite(opt.output, error);
  if (withSamples && !csv.Prepare(opt.samples, error)) return CannotWrite(opt.samples, error);
  if (withSamples && png.SameTarget(csv)) {
    Say("--output and --samples name the same file: " + opt.output + " and " + opt.samples);
    return 2;
  }

  // Everything the run needs in memory is there before any file is made:
  // the fonts, the canvas, and the run with its blocks and helper thread
  // (which leaves the stop requests to this thread).
  const ChartFonts& fonts = ChartFonts::Shared();
  if (!fonts.complete()) Say("warning: a font could not be loaded; text is drawn without glyphs");
  Canvas canvas(kCanvasWidth, kCanvasHeight, fonts.closingLine.get());
  PaintViewBackground(canvas, true, fonts);
  std::unique_ptr<SampleWriter>& samples = out.samples;
  PlotRun::Hooks hooks;
  hooks.stopFlag = &InterruptFlag();
  if (withSamples) hooks.onSample = [&samples](std::int64_t k, const StepSample& s) { samples->Write(k, s); };
  std::unique_ptr<PlotRun> run;
  {
    const KeepRequestsOnThisThread requests;
    run = std::make_unique<PlotRun>(canvas, opt.params, std::move(hooks));
  }
  Progress progress;

  // Opening a pipe waits for its reader; an interrupt ends the wait.
  if (!png.Open(error)) return WriteFailed(out, opt.output, error);
  if (withSamples) {
    if (!csv.Open(error)) return WriteFailed(out, opt.samples, error);
    samples = std::make_unique<SampleWriter>(csv.stream());
  }

  RunPlot(*run, opt.paced, [&](PlotRun::Yield) {
    // A samples file that can no longer be written ends the run here.
    if (samples && samples->failed()) return false;
    progress.Show(*run);
    return true;
  });
  progress.Clear();
  if (Interrupted()) return ReportInterrupted(out);
  if (samples && samples->failed()) return CannotWrite(opt.samples, samples->error());

  // Both results complete and closed before either is put in place, so that
  // a failure leaves every existing file as it was.
  out.pictureStarted = true;
  if (!WritePng(png.stream(), canvas, error) || !png.Finish(error))
    return WriteFailed(out, opt.output, error);
  if (withSamples && !csv.Finish(error)) return WriteFailed(out, opt.samples, error);
  if (Interrupted()) return ReportInterrupted(out);
  OutputFile* const both[] = {&csv, &png};
  if (!OutputFile::CommitAll(std::span(both).subspan(withSamples ? 0 : 1), error)) return CannotWrite(error);
  // An output on standard output leaves it to the result alone.
  const bool toStdout = png.IsStandardOutput() || (withSamples && csv.IsStandardOutput());
  WriteText(toStdout ? stderr : stdout, ClosingLineText(run->shortest()) + "\n");
  return 0;
}

int Render(const Options& opt) {
  Outputs out;
  try {
    return Run(opt, out);
  } catch (const std::bad_alloc&) {
    out.png.Abandon();
    out.csv.Abandon();
    Say("out of memory; " + out.Written());
    return 1;
  }
}

// Memory set aside at the start and given back when an allocation first
// fails, so that the failure can still be thrown (the exception needs
// memory too), reported and cleaned up.
void* gReserve = nullptr;

void OnOutOfMemory() {
  if (gReserve) {
    std::free(gReserve);
    gReserve = nullptr;
    return;  // the allocation is tried again
  }
  throw std::bad_alloc();
}

}  // namespace
}  // namespace quorvex

int main(int argc, char** argv) {
  quorvex::gReserve = std::malloc(256 * 1024);
  if (!quorvex::gReserve) {
    std::fputs("quorvex-render: out of memory; nothing written\n", stderr);
    return 1;
  }
  std::set_new_handler(quorvex::OnOutOfMemory);
  // Before anything opens a file.
  std::string error;
  if (!quorvex::StartProcessGuard(error)) {
    quorvex::Say(error);
    return 1;
  }
  quorvex::Options opt;
  int status = quorvex::ParseOptions(quorvex::CommandLineArguments(argc, argv), opt);
  if (status < 0) status = quorvex::Render(opt);
  // What was printed is the result: it must have arrived.
  if (status == 0 && !quorvex::CloseStandardOutput(error)) {
    quorvex::Say("cannot write standard output: " + error);
    return 1;
  }
  return status;
}
