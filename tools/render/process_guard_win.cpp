#include <fcntl.h>
#include <io.h>
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "tools/render/process_guard.h"
#include "tools/render/process_guard_platform.h"
#include "tools/render/utf16.h"

namespace quorvex {
namespace {

// The exit status follows the POSIX signal numbers: Ctrl+C and Ctrl+Break
// interrupt (130), a closed console, a logoff or a shutdown hang up (129).
constexpr int kInterrupt = 2;
constexpr int kHangUp = 1;

BOOL WINAPI OnConsoleControl(DWORD event) {
  const bool hangUp = event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT;
  if (!hangUp && event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  NoteTerminatingRequest(hangUp ? kHangUp : kInterrupt);
  // After a close, logoff or shutdown the system ends the process as soon as
  // this returns: wait here instead, so that the run can remove its
  // temporary files and leave main, which ends this thread too.
  if (hangUp) Sleep(INFINITE);
  return TRUE;
}

// A descriptor without a usable handle: never given, or closed.
bool IsClosed(int fd) {
  const intptr_t handle = _get_osfhandle(fd);
  return handle == -1 || handle == -2;
}

bool Reopen(int fd, std::FILE* stream, DWORD stdHandle) {
  if (!std::freopen("NUL", fd == 0 ? "rb" : "wb", stream)) return false;
  if (_fileno(stream) != fd && _dup2(_fileno(stream), fd) != 0) return false;
  SetStdHandle(stdHandle, reinterpret_cast<HANDLE>(_get_osfhandle(fd)));
  return true;
}

}  // namespace

bool StartProcessGuard(std::string& error) {
  const struct {
    int fd;
    std::FILE* stream;
    DWORD stdHandle;
  } streams[] = {
      {0, stdin, STD_INPUT_HANDLE},
      {1, stdout, STD_OUTPUT_HANDLE},
      {2, stderr, STD_ERROR_HANDLE},
  };
  for (const auto& s : streams) {
    if (!IsClosed(s.fd)) continue;
    if (s.fd == 1) NoteStdoutClosedAtStart();
    if (!Reopen(s.fd, s.stream, s.stdHandle)) {
      error = std::string("cannot open NUL: ") + std::strerror(errno);
      return false;
    }
  }
  // Ctrl+C stays ignored if the program was started with it ignored: the
  // system then does not call handlers for it at all.
  SetConsoleCtrlHandler(OnConsoleControl, TRUE);
  return true;
}

// Windows delivers console events on a thread of their own, one at a time:
// nothing to keep.
KeepRequestsOnThisThread::KeepRequestsOnThisThread() : saved_{} {}
KeepRequestsOnThisThread::~KeepRequestsOnThisThread() = default;

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  // The narrow arguments went through the ANSI code page, which turns a
  // name it cannot show into another name ("a.png" for "α.png", "5" for a
  // full-width digit): the wide command line is the one the user typed.
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide) return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
  std::vector<std::string> args;
  for (int i = 1; i < count; ++i) args.push_back(Utf8Of(wide[i]));
  LocalFree(wide);
  return args;
}

void WriteText(std::FILE* stream, std::string_view text) {
  const HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  DWORD mode = 0;
  if (h != INVALID_HANDLE_VALUE && GetConsoleMode(h, &mode)) {
    // A console shows UTF-16 as it is, whatever its code page.
    std::fflush(stream);
    const std::wstring wide = Utf16Of(text);
    DWORD written = 0;
    if (WriteConsoleW(h, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr)) return;
  }
  std::fwrite(text.data(), 1, text.size(), stream);
}

int ErrorTerminalColumns() {
  const HANDLE h = GetStdHandle(STD_ERROR_HANDLE);
  DWORD mode = 0;
  // Only a console: the NUL device also counts as a character device.
  if (h == nullptr || h == INVALID_HANDLE_VALUE || !GetConsoleMode(h, &mode)) return 0;
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (GetConsoleScreenBufferInfo(h, &info) && info.srWindow.Right >= info.srWindow.Left)
    return info.srWindow.Right - info.srWindow.Left + 1;
  return 80;
}

}  // namespace quorvex
