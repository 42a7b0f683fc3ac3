#pragma once

#include <map>
#include <string>
#include <vector>

namespace quorvex::testing {

struct ProcessResult {
  int status = -1;  // exit status, or 128 + signal
  std::string out;
  std::string err;
};

// Runs a program with arguments, standard input from /dev/null, and
// returns its exit status and what it printed.
// With interruptAfterMs above 0 the program is sent SIGINT after that long.
ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::map<std::string, std::string>& env = {}, int interruptAfterMs = 0);

// A fresh empty directory under the system's temporary directory.
std::string MakeTempDir();

bool FileExists(const std::string& path);
std::string ReadFile(const std::string& path);

}  // namespace quorvex::testing
