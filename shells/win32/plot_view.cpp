#include "shells/win32/plot_view.h"

#include "shells/core/device_pixels.h"
#include "shells/win32/dpi.h"
#include "shells/win32/orbit_app.h"
#include "shells/win32/resource.h"

namespace quorvex {
namespace {

constexpr char kClassName[] = "QuorvexPlotView";

// The view's window class: redrawn whole on every change of width or
// height, double clicks delivered, the arrow cursor, no icon; the
// background brush is the inactive caption's colour, though every paint
// covers the whole client area.
bool RegisterViewClass(HINSTANCE instance, WNDPROC proc) {
  WNDCLASSEXA wc{};
  if (GetClassInfoExA(instance, kClassName, &wc)) return true;
  wc.cbSize = sizeof wc;
  wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_INACTIVECAPTION + 1));
  wc.lpszClassName = kClassName;
  return RegisterClassExA(&wc) != 0;
}

}  // namespace

CPlotView::CPlotView(Session& session) : session_(session) {}

CPlotView::~CPlotView() {
  FreeSurface();
  if (hwnd_) DestroyWindow(hwnd_);
}

bool CPlotView::Create(HWND parent) {
  const HINSTANCE instance = COrbitApp::Instance().instance();
  if (!RegisterViewClass(instance, WindowProcFor<CPlotView>)) return false;
  // The sunken client edge instead of a flat border.
  return CreateWindowExA(WS_EX_CLIENTEDGE, kClassName, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDW_PANE_FIRST)), instance,
                         this) != nullptr;
}

LRESULT CPlotView::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_ERASEBKGND:
      // The paint covers every pixel of the client area; erasing first
      // would only make it flicker between slices.
      return 1;
    case WM_SIZE:
      OnSize(LOWORD(lParam), HIWORD(lParam));
      return 0;
    case WM_LBUTTONDOWN:
      OnLButtonDown();
      return 0;
    case WM_KEYDOWN:
      // Escape stops the run as a click does, for whoever works without a
      // mouse.
      if (wParam == VK_ESCAPE && runInProgress()) {
        StopRun();
        return 0;
      }
      break;
    default:
      break;
  }
  return DefWindowProcA(hwnd_, message, wParam, lParam);
}

void CPlotView::Restart() {
  RECT client{};
  if (hwnd_) GetClientRect(hwnd_, &client);
  clientWidth_ = client.right;
  clientHeight_ = client.bottom;
  // The canvas is the client area in pixels at 96 DPI; it is shown scaled
  // to the client area's device pixels (RefreshSurface), so the chart fills
  // the view at any density, as at 96 DPI.
  const int dpi = hwnd_ ? WindowDpi(hwnd_) : kBaseDpi;
  session_.Restart(static_cast<int>(static_cast<long long>(clientWidth_) * kBaseDpi / dpi),
                   static_cast<int>(static_cast<long long>(clientHeight_) * kBaseDpi / dpi));
  MakeSurface();
  Changed();
}

void CPlotView::RunSlice() {
  if (!runInProgress()) return;
  const ViewRun::Slice slice = session_.run().RunSlice();
  // The canvas moved on; it is shown when ViewRun says so (and whenever the
  // system asks for a paint).
  surfaceStale_ = true;
  if (slice.show) InvalidateRect(hwnd_, nullptr, FALSE);
  if (slice.over) PostMessageA(GetParent(hwnd_), kRunEndedMessage, 0, 0);
}

void CPlotView::OnSize(int width, int height) {
  // Every change of the client area's size starts the run again.
  if (width != clientWidth_ || height != clientHeight_) Restart();
}

void CPlotView::OnLButtonDown() {
  StopRun();
}

void CPlotView::StopRun() {
  // The run stops before its next step; the next slice writes the closing
  // line at once.
  session_.run().RequestStop();
}

void CPlotView::Changed() {
  surfaceStale_ = true;
  if (hwnd_) InvalidateRect(hwnd_, nullptr, FALSE);
}

void CPlotView::MakeSurface() {
  const int width = clientWidth_;
  const int height = clientHeight_;
  if (surface_) {
    BITMAP bm{};
    GetObjectA(surface_, sizeof bm, &bm);
    if (bm.bmWidth == width && bm.bmHeight == height) return;
  }
  FreeSurface();
  if (width <= 0 || height <= 0) return;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down, as the canvas
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  surface_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!surface_) return;
  surfaceDc_ = CreateCompatibleDC(nullptr);
  if (!surfaceDc_) {
    DeleteObject(surface_);
    surface_ = nullptr;
    return;
  }
  surfaceOld_ = SelectObject(surfaceDc_, surface_);
  surfaceBits_ = static_cast<std::uint32_t*>(bits);
}

void CPlotView::FreeSurface() {
  if (surfaceDc_) {
    SelectObject(surfaceDc_, surfaceOld_);
    DeleteDC(surfaceDc_);
  }
  if (surface_) DeleteObject(surface_);
  surfaceDc_ = nullptr;
  surface_ = nullptr;
  surfaceOld_ = nullptr;
  surfaceBits_ = nullptr;
}

void CPlotView::RefreshSurface() {
  if (!surfaceStale_ || !surfaceBits_) return;
  surfaceStale_ = false;
  GdiFlush();
  ShowOnDevice(canvas(), surfaceBits_, clientWidth_, clientHeight_, clientWidth_, 0, columns_);
}

void CPlotView::OnPaint() {
  PAINTSTRUCT ps;
  const HDC dc = BeginPaint(hwnd_, &ps);
  RefreshSurface();
  const RECT& r = ps.rcPaint;
  RECT client{};
  GetClientRect(hwnd_, &client);
  if (surfaceDc_) {
    BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, surfaceDc_, r.left, r.top, SRCCOPY);
  }
  // Whatever the surface does not cover (only before the first size) is
  // black.
  if (!surfaceDc_ || client.right > clientWidth_ || client.bottom > clientHeight_) {
    const HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    RECT right{clientWidth_, 0, client.right, client.bottom};
    RECT below{0, clientHeight_, client.right, client.bottom};
    if (!surfaceDc_) right.left = 0;
    FillRect(dc, &right, black);
    FillRect(dc, &below, black);
  }
  EndPaint(hwnd_, &ps);
}

}  // namespace quorvex
