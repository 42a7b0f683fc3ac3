// quorvex-render: draws a complete plot run, exactly as the desktop
// program's view shows it on a 640 x 480 client area, into a PNG file.

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <thread>

#include "chart/chart.h"
#include "chart/plot_run.h"
#include "shells/core/run_values.h"
#include "shells/core/program.h"
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
    "  --output FILE.png   the picture (default quorvex.png)\n"
    "  --samples FILE.csv  also write every step's sample as CSV\n"
    "  --paced             keep the 1 ms pauses of the plot speed, as the window does\n"
    "  --help              this text\n"
    "  --version           the program's name and version\n"
    "\n"
    "Exit status: 0 done; 1 a file or standard output could not be written;\n"
    "2 bad arguments, or both outputs name the same file; 128 + N ended by\n"
    "signal N, e.g. 130 for Ctrl+C (nothing is written).\n";

struct Options {
  RunParameters params;
  std::string output = "quorvex.png";
  std::string samples;
  bool paced = false;
};

int Usage(const std::string& problem) {
  std::fprintf(stderr, "%s: %s\n%s", kProgram, problem.c_str(), kUsage);
  return 2;
}

// Returns -1 when the options are good, else the exit status.
int ParseOptions(int argc, char** argv, Options& opt) {
  std::string years = std::to_string(opt.params.durationYears);
  std::string step = std::to_string(opt.params.stepDays);
  std::string speed = std::to_string(opt.params.plotSpeed);
  bool samplesGiven = false;
  for (int i = 1; i < argc; ++i) {
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
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      std::fputs(kHelp, stdout);
      return 0;
    }
    if (arg == "--version") {
      std::printf("%s %s\n", kProgram, kVersion);
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
      return Usage("unknown option '" + std::string(argv[i]) + "'");
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
    std::fprintf(stderr, "%s: %s: %s\n", kProgram, option, reading.message.c_str());
    return 2;
  }
  opt.params = *reading.values;
  return -1;
}

// Writes "k,t,..." rows with every double at 17 significant digits.
class SampleWriter {
 public:
  explicit SampleWriter(std::FILE* out) : out_(out) {
    constexpr std::string_view kHeader =
        "step,t,pluto_x,pluto_y,pluto_z,pluto_vx,pluto_vy,pluto_vz,neptune_x,neptune_y,neptune_z,"
        "separation,speed,neptune_rot_x,neptune_rot_y,neptune_rot_z,pluto_rot_x,pluto_rot_y,pluto_rot_z\n";
    Put(kHeader.data(), kHeader.size());
  }

  void Write(std::int64_t k, const StepSample& s) {
    char line[512];
    char* p = line;
    char* const end = line + sizeof line;
    p = std::to_chars(p, end, k).ptr;
    const double values[] = {s.t,          s.plutoPos.x, s.plutoPos.y,   s.plutoPos.z,   s.plutoVel.x,
                             s.plutoVel.y, s.plutoVel.z, s.neptunePos.x, s.neptunePos.y, s.neptunePos.z,
                             s.separation, s.speed,      s.neptuneRot.x, s.neptuneRot.y, s.neptuneRot.z,
                             s.plutoRot.x, s.plutoRot.y, s.plutoRot.z};
    for (double v : values) {
      *p++ = ',';
      p = std::to_chars(p, end, v, std::chars_format::general, 17).ptr;
    }
    *p++ = '\n';
    Put(line, static_cast<size_t>(p - line));
  }

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
};

class Progress {
 public:
  Progress() : enabled_(isatty(STDERR_FILENO) == 1), start_(Clock::now()), last_(start_) {}

  void Show(const PlotRun& run) {
    if (!enabled_) return;
    const auto now = Clock::now();
    if (now - last_ < std::chrono::milliseconds(100)) return;
    last_ = now;
    const double fraction = run.endTime() > 0 ? std::min(run.time() / run.endTime(), 1.0) : 1.0;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    const double rate = seconds > 0 ? static_cast<double>(run.steps()) / seconds : 0.0;
    constexpr int kWidth = 30;
    const int filled = static_cast<int>(fraction * kWidth);
    std::string bar(static_cast<size_t>(filled), '#');
    bar.append(static_cast<size_t>(kWidth - filled), '.');
    std::fprintf(stderr, "\r[%s] %3d%%  %.2f M steps/s ", bar.c_str(), static_cast<int>(fraction * 100.0),
                 rate / 1e6);
    std::fflush(stderr);
  }

  void Clear() {
    if (enabled_) std::fputs("\r\033[K", stderr);
  }

 private:
  using Clock = std::chrono::steady_clock;
  bool enabled_;
  Clock::time_point start_;
  Clock::time_point last_;
};

// Reports a file that could not be written; the exit status for it.
int CannotWrite(const std::string& path, const std::string& error) {
  std::fprintf(stderr, "%s: cannot write %s: %s\n", kProgram, path.c_str(), error.c_str());
  return 1;
}

int ReportInterrupted() {
  std::fprintf(stderr, "%s: interrupted; nothing written\n", kProgram);
  return InterruptExitStatus();
}

// A write that failed while an interrupt arrived failed because of it.
int WriteFailed(const std::string& path, const std::string& error) {
  return Interrupted() ? ReportInterrupted() : CannotWrite(path, error);
}

int Render(const Options& opt) {
  // Every output is checked before the run, so that a name that cannot be
  // written is refused at once rather than after minutes of computing.
  std::string error;
  OutputFile png;
  OutputFile csv;
  const bool withSamples = !opt.samples.empty();
  if (!png.Prepare(opt.output, error)) return CannotWrite(opt.output, error);
  if (withSamples && !csv.Prepare(opt.samples, error)) return CannotWrite(opt.samples, error);
  if (withSamples && png.SameTarget(csv)) {
    std::fprintf(stderr, "%s: --output and --samples name the same file: %s and %s\n", kProgram,
                 opt.output.c_str(), opt.samples.c_str());
    return 2;
  }
  // Opening a pipe waits for its reader; an interrupt ends the wait.
  if (!png.Open(error)) return WriteFailed(opt.output, error);
  std::unique_ptr<SampleWriter> samples;
  if (withSamples) {
    if (!csv.Open(error)) return WriteFailed(opt.samples, error);
    samples = std::make_unique<SampleWriter>(csv.stream());
  }

  const ChartFonts& fonts = ChartFonts::Shared();
  if (!fonts.complete())
    std::fprintf(stderr, "%s: warning: a font could not be loaded; text is drawn without glyphs\n", kProgram);

  Canvas canvas(kCanvasWidth, kCanvasHeight, fonts.closingLine.get());
  PaintViewBackground(canvas, true, fonts);
  PlotRun::Hooks hooks;
  hooks.stopFlag = &InterruptFlag();
  if (samples) hooks.onSample = [&samples](std::int64_t k, const StepSample& s) { samples->Write(k, s); };
  PlotRun run(canvas, opt.params, std::move(hooks));

  Progress progress;
  constexpr std::int64_t kSlice = 65536;
  for (;;) {
    const PlotRun::Yield why = run.Advance(kSlice);
    if (why == PlotRun::Yield::Finished || why == PlotRun::Yield::Stopped) break;
    // A samples file that can no longer be written ends the run here.
    if (samples && samples->failed()) break;
    if (why == PlotRun::Yield::PauseDue && opt.paced)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    progress.Show(run);
  }
  progress.Clear();
  if (Interrupted()) return ReportInterrupted();
  if (samples && samples->failed()) return CannotWrite(opt.samples, samples->error());

  // Both results complete and closed before either is put in place, so that
  // a failure leaves every existing file as it was.
  if (!WritePng(png.stream(), canvas, error) || !png.Finish(error)) return WriteFailed(opt.output, error);
  if (withSamples && !csv.Finish(error)) return WriteFailed(opt.samples, error);
  if (Interrupted()) return ReportInterrupted();
  if (withSamples && !csv.Commit(error)) return CannotWrite(opt.samples, error);
  if (!png.Commit(error)) return CannotWrite(opt.output, error);
  std::printf("%s\n", ClosingLineText(run.shortest()).c_str());
  return 0;
}

}  // namespace
}  // namespace quorvex

int main(int argc, char** argv) {
  // Before anything opens a file.
  std::string error;
  if (!quorvex::StartProcessGuard(error)) {
    std::fprintf(stderr, "%s: %s\n", quorvex::kProgram, error.c_str());
    return 1;
  }
  quorvex::Options opt;
  int status = quorvex::ParseOptions(argc, argv, opt);
  if (status < 0) status = quorvex::Render(opt);
  // What was printed is the result: it must have arrived.
  if (status == 0 && !quorvex::CloseStandardOutput(error)) {
    std::fprintf(stderr, "%s: cannot write standard output: %s\n", quorvex::kProgram, error.c_str());
    return 1;
  }
  return status;
}
