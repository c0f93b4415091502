// Lists the top-level windows of the window class argv[1], one line each:
//   visible iconic enabled left top width height
// With "rows" as argv[2], prints instead, for each such window that has tab panels, the number
// of rows in the list view of the tab on top (the panels overlap; the shown one lies on top).
// Used by the black-box tests, which cannot see Wine's windows as X windows inside a virtual
// desktop, nor read another process's list texts.
// "wininfo -process NAME" exits 0 when a process of that image name is in the system's snapshot:
// an emulated 32-bit program is known there by name only once its loader has got that far.
// "wininfo -process" prints every name in the snapshot, one line each.
#include <windows.h>
#include <commctrl.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstring>

namespace {

const char* g_class = nullptr;
bool g_rows = false;

HWND TopList(HWND main) {
  POINT at{16 + 8 + 20, 100 + 8 + 20};  // inside every tab's list
  HWND panel = ChildWindowFromPointEx(main, at, CWP_SKIPINVISIBLE);
  if (!panel || panel == main) return nullptr;
  MapWindowPoints(main, panel, &at, 1);
  HWND list = ChildWindowFromPointEx(panel, at, CWP_SKIPINVISIBLE);
  char cls[32] = {};
  return list && GetClassNameA(list, cls, sizeof cls) && std::strcmp(cls, WC_LISTVIEWA) == 0 ? list : nullptr;
}

BOOL CALLBACK Each(HWND hwnd, LPARAM) {
  char cls[256] = {};
  GetClassNameA(hwnd, cls, sizeof cls);
  if (std::strcmp(cls, g_class) != 0) return TRUE;
  if (g_rows) {
    if (HWND list = TopList(hwnd)) std::printf("%ld\n", static_cast<long>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)));
    return TRUE;
  }
  RECT r{};
  GetWindowRect(hwnd, &r);
  std::printf("%d %d %d %ld %ld %ld %ld\n", IsWindowVisible(hwnd) ? 1 : 0, IsIconic(hwnd) ? 1 : 0,
              IsWindowEnabled(hwnd) ? 1 : 0, r.left, r.top, r.right - r.left, r.bottom - r.top);
  return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "-process") == 0) {
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) return 1;
    PROCESSENTRY32 e{};
    e.dwSize = sizeof e;
    bool found = false;
    for (BOOL more = Process32First(snap, &e); more && !found; more = Process32Next(snap, &e)) {
      if (argc == 2) std::printf("%lu %s\n", e.th32ProcessID, e.szExeFile);
      found = argc == 3 && lstrcmpiA(e.szExeFile, argv[2]) == 0;
    }
    CloseHandle(snap);
    return found || argc == 2 ? 0 : 1;
  }
  if (argc != 2 && !(argc == 3 && std::strcmp(argv[2], "rows") == 0)) return 2;
  g_class = argv[1];
  g_rows = argc == 3;
  EnumWindows(&Each, 0);
  return 0;
}
