#pragma once
// The base of the windows that hold windowless elements (the main window, the tab panels, the
// skinned windows): it paints them off screen and routes the mouse to them, once for all.
#include <windows.h>

#include "ui/elements.h"
#include "ui/window.h"

namespace kv {

class ElementWindow : public Window {
 public:
  ElementHost& Elements() { return elements_; }

 protected:
  ElementWindow() : elements_(&self_) {}
  // Draws the whole client area into `dc` (an off-screen one, through ElementHost::PaintWindow).
  virtual void Paint(HDC dc) = 0;
  // The pointer moved to `pt`, over `under` (null: over no element).
  virtual void OnMouseMove(POINT, Element*) {}
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  HWND self_ = nullptr;  // hwnd(), for the element host, from the window's creation on
  ElementHost elements_;
};

}  // namespace kv
