#include "ui/panel.h"

#include <commctrl.h>
#include <windowsx.h>

#include "ui/fonts.h"

namespace kv {

const char kUndoLinkText[] = "打开撤消文件夹";

namespace {
constexpr char kPanelClass[] = "KorvanePanel";
}

Panel::Panel() : buttons_(Elements(), RGB(0, 0, 0), kHoverBlue) {}

void Panel::Create(HWND main_window) {
  RegisterClassOnce(kPanelClass, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
  CreateWin(WS_EX_CONTROLPARENT, kPanelClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
            16, 100, 690, 428, main_window);
}

void Panel::BringToFront() {
  ::SetWindowPos(hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
}

size_t Panel::AddImageButton(int x, int y, const std::string& caption, HBITMAP normal, HBITMAP hover,
                             std::function<void()> click) {
  RECT label{x + 18, y + 7, x + 18 + 130, y + 7 + 13};
  buttons_.Add(Elements(), x, y, 161, 26, normal, hover, label, caption, GetFont("Verdana", 11, true),
               std::move(click));
  return buttons_.Size() - 1;
}

Label& Panel::AddUndoLink(int x, int y, std::function<void()> click) {
  Label& l = Elements().AddLabel(x, y, 84, 14, kUndoLinkText, GetFont("Arial", 11, false, true));
  l.hand_cursor = true;
  l.visible = false;
  l.on_click = std::move(click);
  return l;
}

Label& Panel::AddCountLabel(int right, int y, int w, int h, const std::string& text) {
  return Elements().AddLabel(right - w, y, w, h, text, GetFont("Arial", 11), DT_RIGHT | DT_SINGLELINE);
}

void Panel::Paint(HDC dc) {
  RECT rc;
  ::GetClientRect(hwnd(), &rc);
  Elements().PaintWindow(dc, rc.right, rc.bottom, RGB(255, 255, 255), nullptr);
}

void Panel::OnMouseMove(POINT pt, Element* under) {
  if (under) {
    Elements().OnMouseMove(pt);
    return;
  }
  buttons_.PanelMouseMove();
  if (on_mouse_move) on_mouse_move();
}

LRESULT Panel::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
      // Radio buttons and labels on the white page.
      ::SetBkColor(reinterpret_cast<HDC>(wp), RGB(255, 255, 255));
      return reinterpret_cast<LRESULT>(::GetStockObject(WHITE_BRUSH));
    }
    case WM_COMMAND:
      if (on_command) on_command(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
      return 0;
    case WM_NOTIFY: {
      auto* hdr = reinterpret_cast<NMHDR*>(lp);
      if (hdr->code == LVN_KEYDOWN) {
        const WORD key = reinterpret_cast<NMLVKEYDOWN*>(lp)->wVKey;
        if (key == VK_DELETE && on_delete_key) on_delete_key();
        if (key == VK_F5 && on_refresh_key) on_refresh_key();
      }
      if (on_notify) return on_notify(hdr);
      return 0;
    }
    case WM_CONTEXTMENU:
      if (on_context_menu) {
        on_context_menu(reinterpret_cast<HWND>(wp), POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
        return 0;
      }
      break;
    default:
      break;
  }
  return ElementWindow::HandleMessage(msg, wp, lp);
}

}  // namespace kv
