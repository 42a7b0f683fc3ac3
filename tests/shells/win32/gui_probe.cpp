// Reads what the GUI test cannot see from X: where the plot view's client
// area lies on the screen, and the text of a message box.
//
//   gui_probe view              -> "x y width height" of the view's client area
//   gui_probe message CAPTION   -> the text of the message box with that caption
//   gui_probe close             -> asks the main window to close, as its close box does
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

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "view") == 0) return View();
  if (argc == 2 && std::strcmp(argv[1], "close") == 0) return Close();
  if (argc == 3 && std::strcmp(argv[1], "message") == 0) return Message(argv[2]);
  std::fprintf(stderr, "usage: gui_probe view | message CAPTION | close\n");
  return 2;
}
