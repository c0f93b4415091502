// A stand-in uninstaller that does what many do after changing PATH: broadcasts WM_SETTINGCHANGE
// with plain SendMessage, which returns only once every top-level window has answered. Then it
// writes its own full command line to the file named by KORVANE_ARGLOG, as argrecorder does, and
// exits 0: a line in the log means the broadcast came back.
#include <windows.h>

#include <cstdio>

int main() {
  SendMessageA(HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>("Environment"));
  char path[MAX_PATH] = {};
  if (GetEnvironmentVariableA("KORVANE_ARGLOG", path, MAX_PATH) == 0) return 0;
  FILE* f = std::fopen(path, "ab");
  if (!f) return 1;
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::fprintf(f, "%s\n%s\n", self, GetCommandLineA());
  std::fclose(f);
  return 0;
}
