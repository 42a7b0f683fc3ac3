// Reads what the GUI test cannot see from X: where the plot view's client
// area lies on the screen, and the text of a message box.
//
//   gui_probe view              -> "x y width height" of the view's client area
//   gui_probe message CAPTION   -> the text of the message box with that caption
//   gui_probe close             -> asks the main window to close, as its close box does
//   gui_probe cursor            -> the handle of the cursor shown
//   gui_probe dpi               -> the main window's density and DPI awareness
//                                  ("unaware", "system" or "per-monitor")
//   gui_probe about-icon        -> "x y width height" of the About box's icon on screen
//   gui_probe taskbar CAPTION   -> "yes" if the window has a taskbar button of its own
//   gui_probe minimise CAPTION  -> minimises the window as a shell would, waits a
//                                  second, then says "minimised" or "restored"
//
// Exit status 1 when the window is not there.
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

int View() {
  const HWND frame = FindWindowA("QuorvexMainFrame", nullptr);
  const HWND view = frame ? GetDlgItem(frame, 0xE900) : nullptr;
  if (!view) return 1;
  RECT client;
  GetClientRect(view, &client);
  POINT origin{0, 0};
  ClientToScreen(view, &origin);
  if (client.right == 0 && client.bottom == 0) {
    // Not laid out yet (the window is still hidden): the client area will
    // start inside the view's sunken edge.
    RECT window;
    GetWindowRect(view, &window);
    origin = {window.left + GetSystemMetrics(SM_CXEDGE), window.top + GetSystemMetrics(SM_CYEDGE)};
  }
  std::printf("%ld %ld %ld %ld\n", origin.x, origin.y, client.right, client.bottom);
  return 0;
}

int Close() {
  const HWND frame = FindWindowA("QuorvexMainFrame", nullptr);
  if (!frame) return 1;
  PostMessageA(frame, WM_CLOSE, 0, 0);
  return 0;
}

int Message(const char* caption) {
  // A message box is a dialog; its text is the static control 0xFFFF.
  const HWND box = FindWindowA("#32770", caption);
  if (!box) return 1;
  char text[512] = {};
  GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
  std::printf("%s\n", text);
  return 0;
}

int Cursor() {
  // Cursor handles belong to the process that loaded them, so the cursor
  // is told by its handle: the same handle, the same cursor.
  CURSORINFO info{};
  info.cbSize = sizeof info;
  if (!GetCursorInfo(&info) || !info.hCursor) return 1;
  std::printf("%p\n", static_cast<void*>(info.hCursor));
  return 0;
}

int Dpi() {
  const HWND frame = FindWindowA("QuorvexMainFrame", nullptr);
  if (!frame) return 1;
  const DPI_AWARENESS awareness = GetAwarenessFromDpiAwarenessContext(GetWindowDpiAwarenessContext(frame));
  const char* name = awareness == DPI_AWARENESS_PER_MONITOR_AWARE ? "per-monitor"
                     : awareness == DPI_AWARENESS_SYSTEM_AWARE    ? "system"
                                                                  : "unaware";
  std::printf("%u %s\n", GetDpiForWindow(frame), name);
  return 0;
}

int AboutIcon() {
  const HWND about = FindWindowA("#32770", "About Quorvex");
  const HWND icon = about ? GetWindow(about, GW_CHILD) : nullptr;
  if (!icon) return 1;
  RECT r;
  GetWindowRect(icon, &r);
  std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
  return 0;
}

int Taskbar(const char* caption) {
  const HWND window = FindWindowA(nullptr, caption);
  if (!window) return 1;
  std::printf("%s\n", (GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_APPWINDOW) ? "yes" : "no");
  return 0;
}

int Minimise(const char* caption) {
  const HWND window = FindWindowA(nullptr, caption);
  if (!window) return 1;
  ShowWindowAsync(window, SW_MINIMIZE);
  Sleep(1000);
  std::printf("%s\n", IsIconic(window) || !IsWindowVisible(window) ? "minimised" : "restored");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "view") == 0) return View();
  if (argc == 2 && std::strcmp(argv[1], "close") == 0) return Close();
  if (argc == 3 && std::strcmp(argv[1], "message") == 0) return Message(argv[2]);
  if (argc == 2 && std::strcmp(argv[1], "cursor") == 0) return Cursor();
  if (argc == 2 && std::strcmp(argv[1], "dpi") == 0) return Dpi();
  if (argc == 2 && std::strcmp(argv[1], "about-icon") == 0) return AboutIcon();
  if (argc == 3 && std::strcmp(argv[1], "taskbar") == 0) return Taskbar(argv[2]);
  if (argc == 3 && std::strcmp(argv[1], "minimise") == 0) return Minimise(argv[2]);
  std::fprintf(
      stderr,
      "usage: gui_probe view | message CAPTION | close | cursor | dpi | about-icon | taskbar CAPTION |"
      " minimise CAPTION\n");
  return 2;
}
