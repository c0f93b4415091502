#pragma once
// The base of the small skinned windows (About, promotions): a borderless popup covered by its
// skin, its outline cut from the skin, holding windowless labels and pictures, shown modally.
#include <windows.h>

#include "win/handles.h"
#include "ui/element_window.h"
#include "ui/elements.h"

namespace kv {

class SkinWindow : public ElementWindow {
 public:
  // Shows the window and runs it modally (Window::RunModal) until Close().
  void Run() { RunModal(nullptr, 0); }
  void Close() { EndModal(0); }

  // The skin image (WndImage) as loaded; null if the resource is missing.
  HBITMAP Skin() const { return skin_.get(); }

 protected:
  // Creates the hidden window of w by h at `at` with the skin `skin_id`, and cuts its outline
  // from the skin (the windows' CreateForm). `background` shows where the skin has no pixels.
  bool CreateSkinned(const char* class_name, const char* caption, int skin_id, COLORREF background, int w, int h,
                     POINT at, HWND owner);
  // The answer to WM_NCHITTEST after the default one; `x`, `y` are screen coordinates.
  virtual LRESULT WMNCHitTest(int x, int y, LRESULT default_hit);
  // The pointer moved over the skin itself (no element with a mouse-move routine under it).
  virtual void WndImageMouseMove() {}
  virtual void OnCommand(int id, int code, HWND control);
  virtual void OnKeyDown(WPARAM key);
  // Brush for a real child control's background, or null for the default.
  virtual HBRUSH OnCtlColor(HDC dc, HWND control);
  // The system's close command (Alt+F4): closes like the window's own way out.
  virtual void OnClose() { Close(); }

  void Paint(HDC dc) override;
  void OnMouseMove(POINT pt, Element* under) override;
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  UniqueBitmap skin_;
  COLORREF background_ = RGB(255, 255, 255);
  int w_ = 0, h_ = 0;
};

}  // namespace kv
