#include "ui/window.h"

#include "ui/pump.h"

namespace kv {

namespace {
WNDPROC DefaultProcOf(HWND hwnd) {
  return ::GetClassLongPtrA(hwnd, GCL_CBWNDEXTRA) >= static_cast<ULONG_PTR>(DLGWINDOWEXTRA) ? &::DefDlgProcA
                                                                                           : &::DefWindowProcA;
}
}  // namespace

void Window::RegisterClassOnce(const char* class_name, HBRUSH background, UINT style, HICON icon, bool dialog) {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  HINSTANCE instance = ::GetModuleHandleA(nullptr);
  if (::GetClassInfoExA(instance, class_name, &wc)) return;
  wc = WNDCLASSEXA{};
  wc.cbSize = sizeof wc;
  wc.style = style;
  wc.lpfnWndProc = &Window::Thunk;
  wc.cbWndExtra = dialog ? DLGWINDOWEXTRA : 0;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = background;
  wc.lpszClassName = class_name;
  wc.hIcon = icon;
  wc.hIconSm = icon;
  ::RegisterClassExA(&wc);
}

bool Window::CreateWin(DWORD ex_style, const char* class_name, const char* title, DWORD style, int x, int y, int w,
                       int h, HWND parent, HMENU id) {
  ::CreateWindowExA(ex_style, class_name, title, style, x, y, w, h, parent, id, ::GetModuleHandleA(nullptr), this);
  return hwnd() != nullptr;
}

LRESULT Window::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) { return default_proc_(hwnd(), msg, wp, lp); }

void Window::UseDialogKeys() {
  if (dialog_keys_ || !hwnd()) return;
  dialog_keys_ = true;
  RegisterDialogWindow(hwnd());
}

int Window::RunModal(HWND focus, int closed) {
  if (!hwnd()) return closed;
  ::ShowWindow(hwnd(), SW_SHOW);
  ::UpdateWindow(hwnd());
  ::SetForegroundWindow(hwnd());
  // Through the dialog manager, so that the default button follows the focus ("WM_NEXTDLGCTL
  // message" on learn.microsoft.com).
  if (focus) ::SendMessageA(hwnd(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(focus), TRUE);
  modal_result_ = closed;
  modal_done_ = false;
  ModalLoop(hwnd(), modal_done_);
  if (hwnd()) ::ShowWindow(hwnd(), SW_HIDE);
  return modal_result_;
}

void Window::EndModal(int result) {
  modal_result_ = result;
  modal_done_ = true;
}

LRESULT CALLBACK Window::Thunk(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  Window* self = nullptr;
  if (msg == WM_NCCREATE) {
    self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
    self->hwnd_.reset(hwnd);
    self->default_proc_ = DefaultProcOf(hwnd);
    ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  } else {
    self = reinterpret_cast<Window*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  }
  if (!self) return DefaultProcOf(hwnd)(hwnd, msg, wp, lp);
  if (msg != WM_NCDESTROY) return self->HandleMessage(msg, wp, lp);
  // The last message: the object lets go of the handle, whoever destroyed the window.
  const LRESULT r = self->HandleMessage(msg, wp, lp);
  ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
  if (self->dialog_keys_) UnregisterDialogWindow(hwnd);
  self->dialog_keys_ = false;
  self->modal_done_ = true;
  self->hwnd_.release();
  return r;
}

void WindowTimer::Start(HWND window) {
  if (Running() || !::SetTimer(window, id_, interval_, nullptr)) return;
  window_ = window;
}

void WindowTimer::Stop() {
  if (window_) ::KillTimer(window_, id_);
  window_ = nullptr;
}

SIZE OuterSize(DWORD style, DWORD ex_style, int w, int h) {
  RECT rc{0, 0, w, h};
  ::AdjustWindowRectEx(&rc, style, FALSE, ex_style);
  return SIZE{rc.right - rc.left, rc.bottom - rc.top};
}

POINT CentredOn(HWND over, SIZE outer) {
  RECT area{};
  // A minimised window's rectangle is its parking place far off-screen: use the work area of the
  // monitor it returns to, which MonitorFromWindow gives for a minimised window (learn.microsoft.com,
  // "MonitorFromWindow function", Remarks).
  if (!over || !::IsWindowVisible(over) || ::IsIconic(over) || !::GetWindowRect(over, &area)) {
    HMONITOR monitor = over ? ::MonitorFromWindow(over, MONITOR_DEFAULTTOPRIMARY)
                            : ::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (::GetMonitorInfoA(monitor, &info)) {
      area = info.rcWork;
    } else {
      ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    }
  }
  return POINT{area.left + ((area.right - area.left) - outer.cx) / 2,
               area.top + ((area.bottom - area.top) - outer.cy) / 2};
}

std::string WindowText(HWND hwnd) {
  int n = ::GetWindowTextLengthA(hwnd);
  std::string s(static_cast<size_t>(n) + 1, '\0');
  n = ::GetWindowTextA(hwnd, &s[0], n + 1);
  s.resize(static_cast<size_t>(n > 0 ? n : 0));
  return s;
}

}  // namespace kv
