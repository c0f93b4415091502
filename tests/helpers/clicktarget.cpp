// A red window at the screen rectangle given by argv[1..4] (x y w h), kept below every other
// window, that appends the screen position of each left click to the file argv[5]. Tests place
// it behind a cut-away corner of a skinned window. Runs until closed.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace {

const char* g_log = nullptr;

LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;  // a click must not raise it over the window under test
    case WM_LBUTTONDOWN: {
      POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
      ClientToScreen(hwnd, &pt);
      if (FILE* f = std::fopen(g_log, "ab")) {
        std::fprintf(f, "%ld %ld\n", pt.x, pt.y);
        std::fclose(f);
      }
      return 0;
    }
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(hwnd, msg, wp, lp);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 6) return 2;
  g_log = argv[5];
  WNDCLASSA wc{};
  wc.lpfnWndProc = &Proc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hbrBackground = CreateSolidBrush(RGB(255, 0, 0));
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = "KorvaneClickTarget";
  RegisterClassA(&wc);
  HWND w = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, wc.lpszClassName, "KorvaneClickTarget", WS_POPUP,
                           std::atoi(argv[1]), std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]), nullptr,
                           nullptr, wc.hInstance, nullptr);
  if (!w) return 1;
  ShowWindow(w, SW_SHOWNOACTIVATE);
  SetWindowPos(w, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}
