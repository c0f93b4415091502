// A registry editor that misbehaves on purpose, for the fault tests: put in a stand-in Windows
// folder as regedit.exe. KORVANE_REGEDIT_MODE says how it answers "/s /e "file" "key"":
//   nothing  writes no file            empty   writes an empty file
//   partial  the header and key only   meddle  exports for real, then adds a value to the key
//   inject   exports for real, then appends a key of its own to the file
//   (other)  exports for real
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

// The text after the program's own name on the command line.
std::string Parameters() {
  const char* p = GetCommandLineA();
  if (*p == '"') {
    p = std::strchr(p + 1, '"');
    p = p ? p + 1 : "";
  } else {
    while (*p && *p != ' ') ++p;
  }
  return p;
}

// The n-th double-quoted argument (0-based).
std::string Quoted(const std::string& s, int n) {
  size_t at = 0;
  for (int i = 0;; ++i) {
    const size_t open = s.find('"', at);
    if (open == std::string::npos) return "";
    const size_t close = s.find('"', open + 1);
    if (close == std::string::npos) return "";
    if (i == n) return s.substr(open + 1, close - open - 1);
    at = close + 1;
  }
}

bool RunRealEditor(const std::string& params) {
  char windows[MAX_PATH] = {};
  GetWindowsDirectoryA(windows, MAX_PATH);
  std::string line = "\"" + std::string(windows) + "\\regedit.exe\"" + params;
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
  WaitForSingleObject(pi.hProcess, INFINITE);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return true;
}

void Append(const std::string& file, const std::wstring& text, bool bom) {
  FILE* f = std::fopen(file.c_str(), bom ? "wb" : "ab");
  if (!f) return;
  if (bom) std::fwrite("\xFF\xFE", 1, 2, f);
  std::fwrite(text.data(), sizeof(wchar_t), text.size(), f);
  std::fclose(f);
}

std::wstring Wide(const std::string& s) {
  std::wstring w(s.size(), L'\0');
  const int n = MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), &w[0], static_cast<int>(w.size()));
  w.resize(static_cast<size_t>(n > 0 ? n : 0));
  return w;
}

HKEY RootOf(const std::string& key, std::string& path) {
  const struct {
    const char* name;
    HKEY root;
  } roots[] = {{"HKEY_CURRENT_USER\\", HKEY_CURRENT_USER},
               {"HKEY_LOCAL_MACHINE\\", HKEY_LOCAL_MACHINE},
               {"HKEY_CLASSES_ROOT\\", HKEY_CLASSES_ROOT}};
  for (const auto& r : roots) {
    if (key.compare(0, std::strlen(r.name), r.name) == 0) {
      path = key.substr(std::strlen(r.name));
      return r.root;
    }
  }
  return nullptr;
}

}  // namespace

int main() {
  char mode[32] = {};
  GetEnvironmentVariableA("KORVANE_REGEDIT_MODE", mode, sizeof mode);
  const std::string params = Parameters();
  const std::string file = Quoted(params, 0), key = Quoted(params, 1);
  const std::string m = mode;
  if (m == "nothing") return 0;
  if (m == "empty") {
    if (FILE* f = std::fopen(file.c_str(), "wb")) std::fclose(f);
    return 0;
  }
  if (m == "partial") {
    Append(file, L"Windows Registry Editor Version 5.00\r\n\r\n[" + Wide(key) + L"]\r\n\r\n", true);
    return 0;
  }
  if (!RunRealEditor(params)) return 1;
  if (m == "meddle") {
    std::string path;
    HKEY root = RootOf(key, path);
    HKEY k = nullptr;
    if (root && RegOpenKeyExA(root, path.c_str(), 0, KEY_SET_VALUE | KEY_WOW64_64KEY, &k) == ERROR_SUCCESS) {
      RegSetValueExA(k, "KvMeddled", 0, REG_SZ, reinterpret_cast<const BYTE*>("1"), 2);
      RegCloseKey(k);
    }
  } else if (m == "inject") {
    Append(file, L"[HKEY_CURRENT_USER\\Software\\KorvaneTest\\Injected]\r\n\"evil\"=\"1\"\r\n\r\n", false);
  }
  return 0;
}
