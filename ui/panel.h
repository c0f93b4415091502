#pragma once
// A tab page: a white child window of the main window at 16, 100 (690 by 428) holding the tab's
// list, its windowless labels and image buttons, and any real controls the tab adds.
#include <windows.h>

#include <functional>
#include <string>

#include "ui/elements.h"
#include "ui/window.h"

namespace kv {

class Panel : public Window {
 public:
  Panel();
  void Create(HWND main_window);
  void BringToFront();

  ElementHost& Elements() { return elements_; }
  ButtonGroup& Buttons() { return buttons_; }

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

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  ElementHost elements_;
  ButtonGroup buttons_;
  HWND self_ = nullptr;  // mirrors hwnd() for the element host
};

extern const char kUndoLinkText[];  // "打开撤消文件夹"

}  // namespace kv
