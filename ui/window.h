#pragma once
// The window base: `this` travels in WM_NCCREATE's lpCreateParams into GWLP_USERDATA, and one
// static procedure hands every message to the object.
#include <windows.h>

namespace kv {

class Window {
 public:
  Window() = default;
  virtual ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  HWND hwnd() const { return hwnd_; }

 protected:
  // Registers `class_name` once per process with this module's thunk.
  static void RegisterClassOnce(const char* class_name, HBRUSH background, UINT style = 0,
                                HICON icon = nullptr);
  bool CreateWin(DWORD ex_style, const char* class_name, const char* title, DWORD style, int x, int y,
                 int w, int h, HWND parent, HMENU id = nullptr);
  void DestroyWin();
  virtual LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
  // Called after WM_NCDESTROY; the handle is gone.
  virtual void OnDestroyed() {}

 private:
  static LRESULT CALLBACK Thunk(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  HWND hwnd_ = nullptr;
};

// Size of the outer window that gives a client area of w by h for these styles.
SIZE OuterSize(DWORD style, DWORD ex_style, int w, int h);
// Top-left position that centres a window of size `outer` on `over`; on the work area of its
// monitor when `over` is hidden or minimised, and of the primary monitor when `over` is null.
// Every window the program opens is placed by this one rule.
POINT CentredOn(HWND over, SIZE outer);

}  // namespace kv
