#include "tests/support/process.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace quorvex::testing {

std::string MakeTempDir() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/quorvex-test-XXXXXX";
  if (!mkdtemp(pattern.data())) std::abort();
  return pattern;
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::map<std::string, std::string>& env, int interruptAfterMs) {
  ProcessOptions options;
  options.env = env;
  if (interruptAfterMs > 0) {
    options.signal = SIGINT;
    options.signalAfterMs = interruptAfterMs;
  }
  return RunProcess(program, args, options);
}

bool ReachableByEveryone(const std::string& path) {
  for (std::filesystem::path p = std::filesystem::absolute(path).parent_path();; p = p.parent_path()) {
    struct stat st {};
    if (stat(p.c_str(), &st) != 0 || !(st.st_mode & S_IXOTH)) return false;
    if (p == p.parent_path()) return true;
  }
}

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const ProcessOptions& options) {
  const std::string dir = MakeTempDir();
  // Another user may not reach the program where it was built (a checkout
  // in a private home folder): that user runs a copy from a folder of its
  // own that everyone may enter.
  std::string run = program;
  std::string copyDir;
  if (options.runAsUser >= 0) {
    copyDir = MakeTempDir();
    run = copyDir + "/" + std::filesystem::path(program).filename().string();
    chmod(copyDir.c_str(), 0755);
    std::filesystem::copy_file(program, run);
    chmod(run.c_str(), 0755);
  }
  const std::string outPath = dir + "/out";
  const std::string errPath = dir + "/err";
  const pid_t pid = fork();
  if (pid == 0) {
    const int in = open("/dev/null", O_RDONLY);
    const std::string& stdoutPath = options.stdoutPath.empty() ? outPath : options.stdoutPath;
    const int out = open(stdoutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    for (const int fd : {in, out, err})
      if (fd > 2) close(fd);
    for (const int fd : options.closedFds) close(fd);
    for (const int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) std::signal(sig, SIG_DFL);
    for (const int sig : options.ignoredSignals) std::signal(sig, SIG_IGN);
    for (const auto& [k, v] : options.env) setenv(k.c_str(), v.c_str(), 1);
    if (options.runAsGroup >= 0 &&
        (setgroups(0, nullptr) != 0 || setgid(static_cast<gid_t>(options.runAsGroup)) != 0))
      _exit(126);
    if (options.runAsUser >= 0 && setuid(static_cast<uid_t>(options.runAsUser)) != 0) _exit(126);
    if (options.addressSpaceLimit > 0) {
      const rlimit limit{static_cast<rlim_t>(options.addressSpaceLimit),
                         static_cast<rlim_t>(options.addressSpaceLimit)};
      if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(126);
    }
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(run.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(run.c_str(), argv.data());
    _exit(127);
  }
  ProcessResult r;
  int status = 0;
  bool ended = false;
  if (options.signal > 0 || options.sendWhen) {
    if (options.sendWhen) {
      while (!ended && !options.sendWhen()) {
        ended = waitpid(pid, &status, WNOHANG) == pid;
        if (!ended) usleep(5000);
      }
    } else {
      usleep(static_cast<useconds_t>(options.signalAfterMs) * 1000);
    }
    if (!ended && options.signal > 0) {
      kill(pid, options.signal);
      if (options.thenSignal > 0) kill(pid, options.thenSignal);
    }
  }
  if (!ended) waitpid(pid, &status, 0);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  r.out = ReadFile(outPath);
  r.err = ReadFile(errPath);
  unlink(outPath.c_str());
  unlink(errPath.c_str());
  rmdir(dir.c_str());
  if (!copyDir.empty()) std::filesystem::remove_all(copyDir);
  return r;
}

}  // namespace quorvex::testing
