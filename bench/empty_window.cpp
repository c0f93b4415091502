// The yardstick for start-up: the smallest Win32 window program, which notes its first paint and
// leaves. Its copies also serve the seeded entries as program files with an icon.
//   empty_window.exe RESULT_FILE
#include <windows.h>

#include "bench/startup_clock.h"

namespace {

const char* g_result = nullptr;
bool g_painted = false;

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      ::BeginPaint(hwnd, &ps);
      ::EndPaint(hwnd, &ps);
      if (!g_painted) {
        g_painted = true;
        bench::WriteStartResult(g_result);
        ::PostMessageA(hwnd, WM_CLOSE, 0, 0);
      }
      return 0;
    }
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    default:
      return ::DefWindowProcA(hwnd, msg, wp, lp);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int) {
  g_result = command_line;
  WNDCLASSA wc{};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.hIcon = ::LoadIconA(instance, MAKEINTRESOURCEA(1));
  wc.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
  wc.lpszClassName = "KorvaneBenchEmpty";
  ::RegisterClassA(&wc);
  HWND hwnd = ::CreateWindowExA(0, wc.lpszClassName, "Empty", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 720,
                                540, nullptr, nullptr, instance, nullptr);
  ::ShowWindow(hwnd, SW_SHOW);
  ::UpdateWindow(hwnd);
  MSG msg;
  while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
  return 0;
}
