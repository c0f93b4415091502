#include "ui/skin_window.h"

#include <windowsx.h>

#include "ui/bitmaps.h"
#include "ui/skin_region.h"

namespace kv {

bool SkinWindow::CreateSkinned(const char* class_name, const char* caption, int skin_id, COLORREF background,
                               int w, int h, POINT at, HWND owner) {
  RegisterClassOnce(class_name, nullptr);
  background_ = background;
  w_ = w;
  h_ = h;
  if (!CreateWin(0, class_name, caption, WS_POPUP | WS_CLIPCHILDREN, at.x, at.y, w, h, owner)) return false;
  skin_.reset(LoadSkinBitmap(skin_id));
  ::SetWindowRgn(hwnd(), SkinRegion(skin_.get()), TRUE);
  return true;
}

LRESULT SkinWindow::WMNCHitTest(int, int, LRESULT default_hit) { return default_hit; }

void SkinWindow::OnCommand(int, int, HWND) {}

void SkinWindow::OnKeyDown(WPARAM) {}

HBRUSH SkinWindow::OnCtlColor(HDC, HWND) { return nullptr; }

void SkinWindow::Paint(HDC dc) { Elements().PaintWindow(dc, w_, h_, background_, skin_.get()); }

// Labels without a routine of their own (texts, links) leave the hover as it is.
void SkinWindow::OnMouseMove(POINT, Element* under) {
  if (!under)
    WndImageMouseMove();
  else if (under->on_mouse_move)
    under->on_mouse_move();
}

LRESULT SkinWindow::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_NCHITTEST:
      return WMNCHitTest(GET_X_LPARAM(lp), GET_Y_LPARAM(lp), ElementWindow::HandleMessage(msg, wp, lp));
    case WM_KEYDOWN:
      OnKeyDown(wp);
      return 0;
    case WM_COMMAND:
      OnCommand(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
      return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      if (HBRUSH b = OnCtlColor(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp)))
        return reinterpret_cast<LRESULT>(b);
      break;
    case WM_CLOSE:
      OnClose();
      return 0;
    default:
      break;
  }
  return ElementWindow::HandleMessage(msg, wp, lp);
}

}  // namespace kv
