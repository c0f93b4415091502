// Loads psapi.dll the way the program does ("hardened" on the command line) or with the plain
// search order (otherwise). When the load succeeds it leaves "probe-ok.marker" beside itself.
#include <windows.h>

#include <cstring>
#include <string>

#include "sysaccess/programs.h"

int main() {
  HMODULE module = nullptr;
  if (std::strstr(GetCommandLineA(), "hardened")) {
    kv::HardenDllSearch();
    module = kv::LoadSystemLibrary("psapi.dll");
  } else {
    module = LoadLibraryA("psapi.dll");
  }
  if (!module) return 1;
  char self[MAX_PATH] = {};
  std::string marker(self, GetModuleFileNameA(nullptr, self, MAX_PATH));
  marker = marker.substr(0, marker.rfind('\\') + 1) + "probe-ok.marker";
  HANDLE f = CreateFileA(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
  return 0;
}
