#include <cstdio>
#include <cstring>
#include <string>

#include "shells/core/program.h"
#include "shells/qt/orbit_app.h"

namespace {

constexpr char kProgram[] = "quorvex";

constexpr char kUsage[] = "usage: quorvex [--help] [--version] [Qt options]\n";

constexpr char kHelp[] =
    "Simulates Pluto and Neptune around the Sun and draws their orbits in a\n"
    "window; the run values are chosen in the \"Enter Values\" dialog.\n"
    "\n"
    "  --help      this text\n"
    "  --version   the program's name and version\n"
    "\n"
    "The options every Qt program takes (-platform NAME, -display NAME, -style NAME,\n"
    "-reverse, ...) are handed to Qt. Anything else is refused with exit status 2.\n";

// Qt's own options, which QApplication takes out of the command line
// itself; with one dash or two, as Qt accepts them.
constexpr const char* kQtOptionsWithValue[] = {
    "platform",        "platformpluginpath", "platformtheme", "plugin",
    "qwindowgeometry", "qwindowicon",        "qwindowtitle",  "session",
    "display",         "geometry",           "style",         "stylesheet"};
constexpr const char* kQtFlags[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};
// Options Qt also takes as -name=value only.
constexpr const char* kQtOptionsJoined[] = {"qmljsdebugger", "style", "stylesheet", "session"};

int Usage(const std::string& problem) {
  std::fprintf(stderr, "%s: %s\n%s", kProgram, problem.c_str(), kUsage);
  return 2;
}

// Strips the leading dash or two of an option; empty for a plain argument.
std::string OptionName(const char* arg) {
  if (arg[0] != '-' || arg[1] == '\0') return {};
  return arg[1] == '-' ? arg + 2 : arg + 1;
}

template <size_t N>
bool OneOf(const std::string& name, const char* const (&names)[N]) {
  for (const char* n : names)
    if (name == n) return true;
  return false;
}

// Answers --help and --version and refuses what neither this program nor Qt
// takes, all before QApplication is made, so none of it needs a display.
// Returns the exit status, or -1 when the program should start.
int ReadCommandLine(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (std::strcmp(arg, "--help") == 0) {
      std::fputs(kUsage, stdout);
      std::fputs(kHelp, stdout);
      return std::fflush(stdout) == 0 ? 0 : 1;
    }
    if (std::strcmp(arg, "--version") == 0) {
      std::printf("%s %s\n", kProgram, quorvex::kVersion);
      return std::fflush(stdout) == 0 ? 0 : 1;
    }
    const std::string name = OptionName(arg);
    if (name.empty()) return Usage("unexpected argument '" + std::string(arg) + "'");
    if (OneOf(name, kQtFlags)) continue;
    if (OneOf(name, kQtOptionsWithValue)) {
      if (i + 1 >= argc) return Usage("option " + std::string(arg) + " needs a value");
      ++i;
      continue;
    }
    const size_t eq = name.find('=');
    if (eq != std::string::npos && OneOf(name.substr(0, eq), kQtOptionsJoined)) continue;
    return Usage("unknown option '" + std::string(arg) + "'");
  }
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  if (const int status = ReadCommandLine(argc, argv); status >= 0) return status;
  quorvex::COrbitApp app(argc, argv);
  app.InitInstance();
  return app.exec();
}
