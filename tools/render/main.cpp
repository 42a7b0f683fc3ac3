// quorvex-render: draws a complete plot run, exactly as the desktop
// program's view shows it on a 640 x 480 client area, into a PNG file.

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "chart/chart.h"
#include "chart/plot_run.h"
#include "shells/core/program.h"
#include "shells/core/run_values.h"
#include "tools/render/output_file.h"
#include "tools/render/png_writer.h"
#include "tools/render/process_guard.h"

namespace quorvex {
namespace {

constexpr char kProgram[] = "quorvex-render";

constexpr char kUsage[] =
    "usage: quorvex-render [--years N] [--step N] [--speed N] [--interaction on|off]\n"
    "                      [--output FILE.png] [--samples FILE.csv] [--paced] [--help] [--version]\n";

constexpr char kHelp[] =
    "Draws a complete Pluto and Neptune plot run into a 640 x 480 PNG, the same\n"
    "pixels the Quorvex window shows, and prints the shortest distance.\n"
    "\n"
    "  --years N           plot duration in years, 1 to 50000 (default 35000)\n"
    "  --step N            integration step in days, 1 to 250 (default 50)\n"
    "  --speed N           plot speed, 1 to 5 (default 5); pacing only with --paced\n"
    "  --interaction on|off  Neptune's direct pull on Pluto (default on)\n"
    "  --output FILE.png   the picture (default quorvex.png); - for standard output\n"
    "  --samples FILE.csv  also write every step's sample as CSV; - for standard output\n"
    "  --paced             keep the 1 ms pauses of the plot speed, as the window does\n"
    "  --help              this text\n"
    "  --version           the program's name and version\n"
    "\n"
    "The closing line goes to standard output, or to standard error when an\n"
    "output is standard output. Both outputs are put in place or neither.\n"
    "\n"
    "Exit status: 0 done; 1 a file or standard output could not be written, or\n"
    "out of memory; 2 a bad value or option, or both outputs naming one file;\n"
    "128 + N ended by signal N, e.g. 130 for Ctrl+C (no file is replaced).\n";

struct Options {
  RunParameters params;
  std::string output = "quorvex.png";
  std::string samples;
  bool paced = false;
};

// printf into a string, for WriteText.
[[gnu::format(printf, 1, 2)]] std::string Format(const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  std::va_list again;
  va_copy(again, args);
  const int n = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  std::string text(n > 0 ? static_cast<size_t>(n) : 0, '\0');
  if (n > 0) std::vsnprintf(text.data(), text.size() + 1, format, again);
  va_end(again);
  return text;
}

// A message on standard error, after the program's name.
void Say(const std::string& message) {
  WriteText(stderr, std::string(kProgram) + ": " + message + "\n");
}

int Usage(const std::string& problem) {
  Say(problem);
  WriteText(stderr, kUsage);
  return 2;
}

// Returns -1 when the options are good, else the exit status.
int ParseOptions(const std::vector<std::string>& argv, Options& opt) {
  const int argc = static_cast<int>(argv.size());
  std::string years = std::to_string(opt.params.durationYears);
  std::string step = std::to_string(opt.params.stepDays);
  std::string speed = std::to_string(opt.params.plotSpeed);
  bool samplesGiven = false;
  for (int i = 0; i < argc; ++i) {
    std::string_view arg = argv[i];
    std::string_view value;
    bool hasInline = false;
    if (const size_t eq = arg.find('='); arg.starts_with("--") && eq != std::string_view::npos) {
      value = arg.substr(eq + 1);
      arg = arg.substr(0, eq);
      hasInline = true;
    }
    auto takeValue = [&](std::string& into) {
      if (hasInline) {
        into = value;
        return true;
      }
      if (i + 1 >= argc) return false;
      into = argv[++i];
      return true;
    };
    if (arg == "--help" && !hasInline) {
      WriteText(stdout, kUsage);
      WriteText(stdout, kHelp);
      return 0;
    }
    if (arg == "--version" && !hasInline) {
      WriteText(stdout, Format("%s %s\n", kProgram, kVersion));
      return 0;
    }
    if (arg == "--paced" && !hasInline) {
      opt.paced = true;
    } else if (arg == "--years" || arg == "--step" || arg == "--speed" || arg == "--output" ||
               arg == "--samples" || arg == "--interaction") {
      std::string v;
      if (!takeValue(v)) return Usage("option " + std::string(arg) + " needs a value");
      if (arg == "--years") years = v;
      if (arg == "--step") step = v;
      if (arg == "--speed") speed = v;
      if (arg == "--output") opt.output = v;
      if (arg == "--samples") {
        opt.samples = v;
        samplesGiven = true;
      }
      if (arg == "--interaction") {
        if (v == "on") {
          opt.params.interaction = Interaction::On;
        } else if (v == "off") {
          opt.params.interaction = Interaction::Off;
        } else {
          return Usage("--interaction takes on or off, not '" + v + "'");
        }
      }
    } else {
      return Usage("unknown option '" + argv[i] + "'");
    }
  }
  if (opt.output.empty()) return Usage("--output needs a file name");
  if (samplesGiven && opt.samples.empty()) return Usage("--samples needs a file name");

  // The numbers follow the dialog's rules and order: the step first.
  const RunValuesReading reading = ReadRunValues({years, step, speed, opt.params.interaction});
  if (!reading.values) {
    const char* option = reading.field == RunField::StepDays        ? "--step"
                         : reading.field == RunField::DurationYears ? "--years"
                                                                    : "--speed";
    Say(std::string(option) + ": " + reading.message);
    return 2;
  }
  opt.params = *reading.values;
  return -1;
}

// Writes "k,t,..." rows with every double at 17 significant digits.
class SampleWriter {
 public:
  explicit SampleWriter(std::FILE* out) : out_(out) {
    const std::string header = std::string("step,") + kSampleValueNames + "\n";
    Put(header.data(), header.size());
  }

  void Write(std::int64_t k, const StepSample& s) {
    char line[512];
    char* p = line;
    char* const end = line + sizeof line;
    p = std::to_chars(p, end, k).ptr;
    for (double v : SampleValues(s)) {
      *p++ = ',';
      p = std::to_chars(p, end, v, std::chars_format::general, 17).ptr;
    }
    *p++ = '\n';
    Put(line, static_cast<size_t>(p - line));
    if (!failed()) rows_ = k;
  }

  // The last step whose row was handed to the stream.
  std::int64_t rows() const { return rows_; }

  // A row could not be written; the rest of the run is of no use.
  bool failed() const { return !error_.empty(); }
  const std::string& error() const { return error_; }

 private:
  void Put(const char* data, size_t size) {
    if (failed()) return;
    errno = 0;
    if (std::fwrite(data, 1, size, out_) != size) error_ = std::strerror(errno ? errno : EIO);
  }

  std::FILE* out_;
  std::string error_;
  std::int64_t rows_ = 0;
};

// A progress bar on standard error when it is a terminal or console, fitted
// to its width (looked at again on every update, so that a resized window
// is followed) and drawn with nothing but a carriage return and spaces, so
// that no terminal shows an escape sequence or wraps it onto new lines.
class Progress {
 public:
  Progress() : start_(Clock::now()), last_(start_) {}

  void Show(const PlotRun& run) {
    const auto now = Clock::now();
    if (now - last_ < std::chrono::milliseconds(100)) return;
    last_ = now;
    const int columns = ErrorTerminalColumns();
    if (columns <= 0) return;
    const double fraction = run.endTime() > 0 ? std::min(run.time() / run.endTime(), 1.0) : 1.0;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    const double rate = seconds > 0 ? static_cast<double>(run.steps()) / seconds : 0.0;
    const int percent = static_cast<int>(fraction * 100.0);
    // The last column stays free: writing it makes some terminals wrap.
    const size_t room = static_cast<size_t>(columns - 1);
    std::string line = Format("%3d%%  %.2f M steps/s", percent, rate / 1e6);
    constexpr size_t kBar = 30;
    if (room >= line.size() + 3 + 10) {
      const size_t width = std::min(kBar, room - line.size() - 3);
      const size_t filled = static_cast<size_t>(fraction * static_cast<double>(width));
      line = "[" + std::string(filled, '#') + std::string(width - filled, '.') + "] " + line;
    } else if (room < line.size()) {
      line = Format("%3d%%", percent);
      if (room < line.size()) line.clear();
    }
    Draw(line);
  }

  void Clear() {
    if (shown_ == 0) return;
    Draw("");
    std::fputc('\r', stderr);
    std::fflush(stderr);
  }

 private:
  void Draw(std::string line) {
    const size_t length = line.size();
    if (line.size() < shown_) line.append(shown_ - line.size(), ' ');
    shown_ = length;
    WriteText(stderr, "\r" + line);
    std::fflush(stderr);
  }

  using Clock = std::chrono::steady_clock;
  Clock::time_point start_;
  Clock::time_point last_;
  size_t shown_ = 0;  // the characters now on the line
};

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

}  // namespace
}  // namespace quorvex

namespace quorvex {
namespace {

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
