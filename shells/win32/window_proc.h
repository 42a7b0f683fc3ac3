#pragma once

#include <windows.h>

namespace quorvex {

// The window procedure of a window owned by an object of class T: the
// object comes in through CreateWindowEx's creation parameter, is kept in
// the window's GWLP_USERDATA from WM_NCCREATE on and gets every message
// through T::OnMessage; its hwnd_ is set at WM_NCCREATE and cleared at
// WM_NCDESTROY, after which the window no longer reaches it. T names this
// function a friend.
template <class T>
LRESULT CALLBACK WindowProcFor(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<T*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<T*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcA(hwnd, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
    return DefWindowProcA(hwnd, message, wParam, lParam);
  }
  return self->OnMessage(message, wParam, lParam);
}

}  // namespace quorvex
