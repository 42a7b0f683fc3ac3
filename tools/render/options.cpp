#include "tools/render/options.h"

#include <string_view>

#include "shells/core/program.h"
#include "shells/core/run_values.h"
#include "tools/render/messages.h"

namespace quorvex {
namespace {

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

int Usage(const std::string& problem) {
  Say(problem);
  WriteText(stderr, kUsage);
  return 2;
}

}  // namespace

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

}  // namespace quorvex
