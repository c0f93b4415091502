#include "ui/panel.h"

#include <windowsx.h>

#include "ui/fonts.h"

namespace kv {

const char kUndoLinkText[] = "打开撤消文件夹";

namespace {
constexpr char kPanelClass[] = "KorvanePanel";
}

Panel::Panel() : elements_(&self_), buttons_(elements_, RGB(0, 0, 0), kHoverBlue) {}

void Panel::Create(HWND main_window) {
  RegisterClassOnce(kPanelClass, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
  CreateWin(WS_EX_CONTROLPARENT, kPanelClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
            16, 100, 690, 428, main_window);
  self_ = hwnd();
}

void Panel::BringToFront() {
  ::SetWindowPos(hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
}

size_t Panel::AddImageButton(int x, int y, const std::string& caption, HBITMAP normal, HBITMAP hover,
                             std::function<void()> click) {
  RECT label{x + 18, y + 7, x + 18 + 130, y + 7 + 13};
  buttons_.Add(elements_, x, y, 161, 26, normal, hover, label, caption, GetFont("Verdana", 11, true),
               std::move(click));
  return buttons_.Size() - 1;
}

Label& Panel::AddUndoLink(int x, int y, std::function<void()> click) {
  Label& l = elements_.AddLabel(x, y, 84, 14, kUndoLinkText, GetFont("Arial", 11, false, true));
  l.hand_cursor = true;
  l.visible = false;
  l.on_click = std::move(click);
  return l;
}

Label& Panel::AddCountLabel(int right, int y, int w, int h, const std::string& text) {
  return elements_.AddLabel(right - w, y, w, h, text, GetFont("Arial", 11), DT_RIGHT | DT_SINGLELINE);
}

LRESULT Panel::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = ::BeginPaint(hwnd(), &ps);
      RECT rc;
      ::GetClientRect(hwnd(), &rc);
      elements_.PaintWindow(dc, rc.right, rc.bottom, RGB(255, 255, 255), nullptr);
      ::EndPaint(hwnd(), &ps);
      return 0;
    }
    case WM_SETCURSOR:
      if (reinterpret_cast<HWND>(wp) == hwnd() && elements_.OnSetCursor(hwnd())) return TRUE;
      break;
    case WM_MOUSEMOVE: {
      POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
      Element* e = elements_.HitTest(pt);
      if (!e) {
        buttons_.PanelMouseMove();
        if (on_mouse_move) on_mouse_move();
      } else {
        elements_.OnMouseMove(pt);
      }
      return 0;
    }
    case WM_LBUTTONDOWN:
      elements_.OnButtonDown(POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
      return 0;
    case WM_LBUTTONUP:
      elements_.OnButtonUp(POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
      return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
      // Radio buttons and labels on the white page.
      ::SetBkColor(reinterpret_cast<HDC>(wp), RGB(255, 255, 255));
      return reinterpret_cast<LRESULT>(::GetStockObject(WHITE_BRUSH));
    }
    case WM_COMMAND:
      if (on_command) on_command(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
      return 0;
    case WM_NOTIFY:
      if (on_notify) return on_notify(reinterpret_cast<NMHDR*>(lp));
      return 0;
    default:
      break;
  }
  return Window::HandleMessage(msg, wp, lp);
}

}  // namespace kv
