// Writes its own full command line to the file named by KORVANE_ARGLOG, then exits 0.
// Tests use it as a stand-in uninstaller, registry editor or control panel.
#include <windows.h>

#include <cstdio>

int main() {
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
