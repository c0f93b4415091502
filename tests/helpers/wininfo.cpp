// Lists the top-level windows of the window class argv[1], one line each:
//   visible iconic enabled left top width height
// Used by the smoke test, which cannot see Wine's windows as X windows inside a virtual desktop.
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

const char* g_class = nullptr;

BOOL CALLBACK Each(HWND hwnd, LPARAM) {
  char cls[256] = {};
  GetClassNameA(hwnd, cls, sizeof cls);
  if (std::strcmp(cls, g_class) != 0) return TRUE;
  RECT r{};
  GetWindowRect(hwnd, &r);
  std::printf("%d %d %d %ld %ld %ld %ld\n", IsWindowVisible(hwnd) ? 1 : 0, IsIconic(hwnd) ? 1 : 0,
              IsWindowEnabled(hwnd) ? 1 : 0, r.left, r.top, r.right - r.left, r.bottom - r.top);
  return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  g_class = argv[1];
  EnumWindows(&Each, 0);
  return 0;
}
