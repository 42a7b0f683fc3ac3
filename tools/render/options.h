#pragma once

#include <string>
#include <vector>

#include "chart/run_parameters.h"

namespace quorvex {

// What the renderer's command line asks for.
struct Options {
  RunParameters params;
  std::string output = "quorvex.png";
  std::string samples;
  bool paced = false;
};

// Reads the command line (without the program's name) by the dialog's
// rules; --help and --version are answered here. Returns -1 when the
// options are good, else the exit status (0 after --help or --version, 2
// for a bad option or value, with the reason on standard error).
int ParseOptions(const std::vector<std::string>& argv, Options& opt);

}  // namespace quorvex
