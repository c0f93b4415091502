#pragma once
// A tab page: a white child window of the main window at 16, 100 (690 by 428) holding the tab's
// list, its windowless labels and image buttons, and any real controls the tab adds.
#include <windows.h>

#include <functional>
#include <string>

#include "ui/element_window.h"
#include "ui/elements.h"

namespace kv {

class Panel : public ElementWindow {
 public:
  Panel();
  void Create(HWND main_window);
  void BringToFront();

  ButtonGroup& Buttons() { return buttons_; }
  const ButtonGroup& Buttons() const { return buttons_; }

  // An image button at (x, 394)-style coordinates with its label 18 right and 7 down.
  size_t AddImageButton(int x, int y, const std::string& caption, HBITMAP normal, HBITMAP hover,
                        std::function<void()> click);
  // The "打开撤消文件夹" link; hidden until the tab finds the undo folder.
  Label& AddUndoLink(int x, int y, std::function<void()> click);
  // A count label whose right edge stays at `right`.
  Label& AddCountLabel(int right, int y, int w, int h, const std::string& text);

  std::function<void(int id, int code, HWND control)> on_command;
  std::function<LRESULT(NMHDR*)> on_notify;
  std::function<void()> on_mouse_move;  // the panel's own background (runs after the buttons reset)
  // The keys users expect on a list (its LVN_KEYDOWN): Delete runs the tab's delete action, F5
  // reads the tab again.
  std::function<void()> on_delete_key;
  std::function<void()> on_refresh_key;
  // WM_CONTEXTMENU from a child: the right mouse button, the context-menu key or Shift+F10.
  // `at` is in screen coordinates, or (-1, -1) from the keyboard.
  std::function<void(HWND from, POINT at)> on_context_menu;

 protected:
  void Paint(HDC dc) override;
  void OnMouseMove(POINT pt, Element* under) override;
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  ButtonGroup buttons_;
};

extern const char kUndoLinkText[];  // "打开撤消文件夹"

}  // namespace kv
