#pragma once
// Scratch folders and helper programs for the system-access tests.
#include <windows.h>

#include <string>
#include <utility>

#include "sysaccess/handles.h"
#include "sysaccess/programs.h"
#include "tests/win/test_support.h"

namespace kv::test {

// A build path as the Windows side sees it: a Unix path is on Wine's drive Z:.
inline std::string WindowsPath(std::string path) {
  for (auto& c : path)
    if (c == '/') c = '\\';
  if (!path.empty() && path[0] == '\\') path = "Z:" + path;
  return path;
}

inline std::string HelperPath(const std::string& name) {
  return WindowsPath(KORVANE_BINARY_DIR) + "\\tests\\helpers\\" + name;
}

inline bool WriteFileText(const std::string& path, const std::string& text) {
  UniqueFile f(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  return f && ::WriteFile(f.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
         written == text.size();
}

inline std::string ReadFileText(const std::string& path) {
  UniqueFile f(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  std::string text;
  if (!f) return text;
  char buf[4096];
  DWORD got = 0;
  while (::ReadFile(f.get(), buf, sizeof buf, &got, nullptr) && got > 0) text.append(buf, got);
  return text;
}

inline bool KeyExists(HKEY root, const std::string& path) {
  UniqueKey key;
  return ::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

// Removes a scratch key with everything below it.
inline void DeleteTree(HKEY root, const std::string& path) {
  ::RegDeleteTreeA(root, path.c_str());
  ::RegDeleteKeyA(root, path.c_str());
}

// A scratch key's parent that the test may create: removed again if it was not there and is empty.
class ParentKeyGuard {
 public:
  ParentKeyGuard(HKEY root, std::string path) : root_(root), path_(std::move(path)), had_(KeyExists(root, path_)) {}
  ~ParentKeyGuard() {
    if (!had_) ::RegDeleteKeyA(root_, path_.c_str());  // refuses while subkeys remain
  }
  ParentKeyGuard(const ParentKeyGuard&) = delete;
  ParentKeyGuard& operator=(const ParentKeyGuard&) = delete;

 private:
  HKEY root_;
  std::string path_;
  bool had_;
};

// Sets an environment variable for the programs this test starts; the old value comes back.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    char old[32768];
    DWORD n = ::GetEnvironmentVariableA(name, old, sizeof old);
    had_ = n > 0 && n < sizeof old;
    if (had_) old_.assign(old, n);
    ::SetEnvironmentVariableA(name, value);
  }
  ~ScopedEnv() { ::SetEnvironmentVariableA(name_.c_str(), had_ ? old_.c_str() : nullptr); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_, old_;
  bool had_ = false;
};

// Imports a registry file with the registry editor of `windows_folder`, as the user restoring it
// would. Under a loaded Wine, starting the editor now and then fails outright (CreateProcess gives
// up before the program runs); that says nothing about the file, so the start is tried again.
inline ::testing::AssertionResult ImportWithRegedit(const std::string& windows_folder, const std::string& file) {
  DWORD error = 0;
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (RunProgram(windows_folder + "regedit.exe", "/s \"" + file + "\"")) return ::testing::AssertionSuccess();
    error = ::GetLastError();
    ::Sleep(200);
  }
  return ::testing::AssertionFailure() << "the registry editor did not start, error " << error;
}

}  // namespace kv::test
