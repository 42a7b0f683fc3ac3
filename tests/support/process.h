#pragma once

#include <functional>
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

// How a program is started and signalled by RunProcess.
struct ProcessOptions {
  std::map<std::string, std::string> env;
  // Standard output goes to this file instead of being captured.
  std::string stdoutPath;
  // Descriptors closed before the program starts (0, 1 or 2).
  std::vector<int> closedFds;
  // Signals the program starts with ignored; SIGINT, SIGTERM, SIGHUP and
  // SIGQUIT start with their default action otherwise, whatever the test's.
  std::vector<int> ignoredSignals;
  // Above 0: sent once sendWhen() is true (asked every 5 ms from the start)
  // or, without sendWhen, after signalAfterMs. Without a signal, sendWhen is
  // still asked until it is true: it may change the program's files.
  int signal = 0;
  int signalAfterMs = 0;
  std::function<bool()> sendWhen;
  // Above 0: sent right after the first signal, at once.
  int thenSignal = 0;
  // At or above 0: the program runs as this user and group (the caller
  // must be allowed to switch), from a copy in a temporary folder that user
  // can enter, wherever the program itself lies.
  int runAsUser = -1;
  int runAsGroup = -1;
  // Above 0: the program's address space is limited to this many bytes.
  long long addressSpaceLimit = 0;
};

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const ProcessOptions& options);

// A fresh empty directory under the system's temporary directory.
std::string MakeTempDir();

// Every folder on the way to `path` may be entered by any user.
bool ReachableByEveryone(const std::string& path);

bool FileExists(const std::string& path);
std::string ReadFile(const std::string& path);

}  // namespace quorvex::testing
