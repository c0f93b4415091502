// A stand-in for a system DLL: when loaded, it leaves "loaded.marker" in its own folder. Tests
// put it beside a program to find out whether that program's DLL search looks there.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  char path[MAX_PATH] = {};
  DWORD n = GetModuleFileNameA(instance, path, MAX_PATH);
  while (n > 0 && path[n - 1] != '\\') --n;
  if (n == 0 || n + 14 >= MAX_PATH) return TRUE;
  lstrcpyA(path + n, "loaded.marker");
  HANDLE f = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
  return TRUE;
}
