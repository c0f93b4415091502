#include "ui/window.h"

namespace kv {

Window::~Window() { DestroyWin(); }

void Window::RegisterClassOnce(const char* class_name, HBRUSH background, UINT style, HICON icon) {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  HINSTANCE instance = ::GetModuleHandleA(nullptr);
  if (::GetClassInfoExA(instance, class_name, &wc)) return;
  wc = WNDCLASSEXA{};
  wc.cbSize = sizeof wc;
  wc.style = style;
  wc.lpfnWndProc = &Window::Thunk;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = background;
  wc.lpszClassName = class_name;
  wc.hIcon = icon;
  wc.hIconSm = icon;
  ::RegisterClassExA(&wc);
}

bool Window::CreateWin(DWORD ex_style, const char* class_name, const char* title, DWORD style, int x, int y,
                       int w, int h, HWND parent, HMENU id) {
  ::CreateWindowExA(ex_style, class_name, title, style, x, y, w, h, parent, id, ::GetModuleHandleA(nullptr),
                    this);
  return hwnd_ != nullptr;
}

void Window::DestroyWin() {
  if (hwnd_) ::DestroyWindow(hwnd_);
}

LRESULT Window::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) { return ::DefWindowProcA(hwnd_, msg, wp, lp); }

LRESULT CALLBACK Window::Thunk(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  Window* self = nullptr;
  if (msg == WM_NCCREATE) {
    self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
    self->hwnd_ = hwnd;
    ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  } else {
    self = reinterpret_cast<Window*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  }
  if (!self) return ::DefWindowProcA(hwnd, msg, wp, lp);
  if (msg == WM_NCDESTROY) {
    LRESULT r = self->HandleMessage(msg, wp, lp);
    ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
    self->OnDestroyed();
    return r;
  }
  return self->HandleMessage(msg, wp, lp);
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

}  // namespace kv
