#pragma once
// The window base of every window the program makes: `this` travels in WM_NCCREATE's
// lpCreateParams into GWLP_USERDATA, and one static procedure hands every message to the object.
//
// The object owns its window (UniqueWindow): the window goes when the object goes, or earlier
// with its parent or owner. When the object's end destroys the window, its derived parts are gone
// already and C++ calls this base's overrides only, so the messages of that destruction reach
// the class's default procedure and no handler of a half-destroyed window.
#include <windows.h>

#include <string>

#include "win/handles.h"

namespace kv {

class Window {
 public:
  Window() = default;
  virtual ~Window() = default;
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  HWND hwnd() const { return hwnd_.get(); }

 protected:
  // Registers `class_name` once per process with the one thunk. A dialog class reserves the
  // dialog manager's bytes, and its default procedure is DefDlgProc ("DefDlgProcA function" and
  // WNDCLASSEXA's cbWndExtra on learn.microsoft.com: DLGWINDOWEXTRA for a private dialog class).
  static void RegisterClassOnce(const char* class_name, HBRUSH background, UINT style = 0, HICON icon = nullptr,
                                bool dialog = false);
  bool CreateWin(DWORD ex_style, const char* class_name, const char* title, DWORD style, int x, int y, int w, int h,
                 HWND parent, HMENU id = nullptr);
  // What a window does with a message it does not handle: its class's default procedure.
  virtual LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);

  // Keyboard as in a dialog (Tab, Enter, Escape as IDCANCEL): every message loop routes the
  // window's messages through IsDialogMessage until the window is destroyed.
  void UseDialogKeys();

  // The one modal run: shows the window in front (`focus`, a control of a dialog, gets the
  // keyboard), disables every other window of the thread and processes messages until
  // EndModal(result) or the window's destruction, then hides it. Returns the result; `closed`
  // when the window went first or the program is quitting.
  int RunModal(HWND focus, int closed);
  void EndModal(int result);

 private:
  static LRESULT CALLBACK Thunk(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  WNDPROC default_proc_ = &::DefWindowProcA;
  bool dialog_keys_ = false;
  bool modal_done_ = true;
  int modal_result_ = 0;
  UniqueWindow hwnd_;  // last: destroyed first, while the members above still exist
};

// A timer of one window, running between Start and Stop and never beyond its owner's life.
class WindowTimer {
 public:
  WindowTimer(UINT_PTR id, UINT interval_ms) : id_(id), interval_(interval_ms) {}
  ~WindowTimer() { Stop(); }
  WindowTimer(const WindowTimer&) = delete;
  WindowTimer& operator=(const WindowTimer&) = delete;
  void Start(HWND window);
  void Stop();
  bool Running() const { return window_ != nullptr; }

 private:
  UINT_PTR id_;
  UINT interval_;
  HWND window_ = nullptr;
};

// Size of the outer window that gives a client area of w by h for these styles.
SIZE OuterSize(DWORD style, DWORD ex_style, int w, int h);
// Top-left position that centres a window of size `outer` on `over`; on the work area of its
// monitor when `over` is hidden or minimised, and of the primary monitor when `over` is null.
// Every window the program opens is placed by this one rule.
POINT CentredOn(HWND over, SIZE outer);

std::string WindowText(HWND hwnd);

}  // namespace kv
