#pragma once
// Typed views of the standard controls a window owns: the window keeps the handle (destroyed with
// it), a view says what the user sees and changes there, so no window sends control messages
// inline.
#include <windows.h>

#include <string>

#include "ui/dialog_base.h"

namespace kv {

// A radio button or a check box.
class CheckButton {
 public:
  CheckButton() = default;
  explicit CheckButton(HWND hwnd) : hwnd_(hwnd) {}
  HWND hwnd() const { return hwnd_; }
  bool IsChecked() const { return ::SendMessageA(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED; }
  void SetChecked(bool checked) const {
    ::SendMessageA(hwnd_, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  }

 private:
  HWND hwnd_ = nullptr;
};

// A single-line edit box.
class EditBox {
 public:
  EditBox() = default;
  explicit EditBox(HWND hwnd) : hwnd_(hwnd) {}
  HWND hwnd() const { return hwnd_; }
  std::string Text() const { return WindowText(hwnd_); }
  void SetText(const std::string& text) const { ::SetWindowTextA(hwnd_, text.c_str()); }

 private:
  HWND hwnd_ = nullptr;
};

}  // namespace kv
