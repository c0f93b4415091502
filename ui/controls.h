#pragma once
// The standard controls a window owns: created by one routine, with their font, and seen through
// typed views. The window keeps the handle (the control goes with it); a view says what the user
// sees and changes there, and keeps the control messages behind that in one place.
#include <windows.h>

#include <string>

#include "ui/window.h"

namespace kv {

// A visible child control of `parent` at `rect` with the dialog id `id`, drawn in `font` (null:
// the system's).
HWND CreateControl(HWND parent, const char* cls, const std::string& text, DWORD style, const RECT& rect, int id,
                   HFONT font, DWORD ex_style = 0);

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
