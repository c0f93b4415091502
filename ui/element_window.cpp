#include "ui/element_window.h"

#include <windowsx.h>

#include "win/handles.h"

namespace kv {

LRESULT ElementWindow::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  const POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
  switch (msg) {
    case WM_NCCREATE:
      self_ = hwnd();
      break;
    case WM_ERASEBKGND:
      return 1;  // Paint covers everything
    case WM_PAINT: {
      const PaintDc paint(hwnd());
      Paint(paint.get());
      return 0;
    }
    case WM_SETCURSOR:
      if (reinterpret_cast<HWND>(wp) == hwnd() && LOWORD(lp) == HTCLIENT && elements_.OnSetCursor(hwnd()))
        return TRUE;
      break;
    case WM_MOUSEMOVE:
      OnMouseMove(pt, elements_.HitTest(pt));
      return 0;
    case WM_LBUTTONDOWN:
      elements_.OnButtonDown(pt);
      return 0;
    case WM_LBUTTONUP:
      elements_.OnButtonUp(pt);
      return 0;
    default:
      break;
  }
  return Window::HandleMessage(msg, wp, lp);
}

}  // namespace kv
