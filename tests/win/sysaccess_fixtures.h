#pragma once
// Registry files for the system-access tests: importing one as the user would, and real users'
// keys imported for one test.
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "win/handles.h"
#include "sysaccess/programs.h"
#include "sysaccess/undo_verify.h"
#include "tests/win/test_support.h"

namespace kv::test {

// Imports a registry file with the registry editor of `windows_folder`, as the user restoring it
// would. Under a loaded Wine, starting the editor now and then fails outright (CreateProcess gives
// up before the program runs); that says nothing about the file, so the start is tried again.
inline ::testing::AssertionResult ImportWithRegedit(const std::string& windows_folder, const std::string& file) {
  DWORD error = 0;
  // The 64-bit editor also for a 32-bit test program, as the program itself exports with it: the
  // 32-bit one would put 64-bit keys into the 32-bit view.
  PVOID redirection = nullptr;
  const bool unredirected = ::Wow64DisableWow64FsRedirection(&redirection) != FALSE;
  bool started = false;
  for (int attempt = 0; attempt < 3 && !started; ++attempt) {
    started = RunProgram(windows_folder + "regedit.exe", "/s \"" + file + "\"");
    if (!started) {
      error = ::GetLastError();
      ::Sleep(200);
    }
  }
  if (unredirected) ::Wow64RevertWow64FsRedirection(redirection);
  if (started) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "the registry editor did not start, error " << error;
}

// The registry files of real Windows users beside the sources (../shared/corpus/registry).
inline std::string CorpusRegistryFile(const std::string& name) { return SourcePath("../shared/corpus/registry/" + name); }

// A real user's keys of HKEY_CURRENT_USER, imported with the registry editor for one test and
// taken out again: what the import added goes, what was there before stays.
class CorpusHive {
 public:
  CorpusHive(const std::string& windows_folder, const std::string& name) {
    RegFileContent content;
    std::string error;
    const std::string bytes = ReadFile(CorpusRegistryFile(name));
    if (!ReadRegFile(bytes, DecodeCodePage, content, &error)) {
      problem_ = name + ": " + error;
      return;
    }
    keys_ = content.keys;
    for (const auto& key : keys_) {
      const std::wstring path = PathBelowRoot(key.path);
      if (path.empty()) {
        problem_ = name + ": a key outside HKEY_CURRENT_USER";
        return;
      }
      if (!Exists(path, nullptr)) added_keys_.push_back(path);
      for (const auto& v : key.values)
        if (!Exists(path, &v.name)) added_values_.emplace_back(path, v.name);
    }
    if (!ImportWithRegedit(windows_folder, CorpusRegistryFile(name))) problem_ = name + ": not imported";
  }
  ~CorpusHive() {
    for (const auto& [path, value] : added_values_)
      ::RegDeleteKeyValueW(HKEY_CURRENT_USER, path.c_str(), std::wstring(value.begin(), value.end()).c_str());
    for (auto it = added_keys_.rbegin(); it != added_keys_.rend(); ++it) {
      ::RegDeleteTreeW(HKEY_CURRENT_USER, it->c_str());
      ::RegDeleteKeyW(HKEY_CURRENT_USER, it->c_str());
    }
  }
  CorpusHive(const CorpusHive&) = delete;
  CorpusHive& operator=(const CorpusHive&) = delete;

  ::testing::AssertionResult Imported() const {
    if (problem_.empty()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << problem_;
  }
  // The keys as the file holds them, by their full names.
  const std::vector<RegTreeKey>& Keys() const { return keys_; }
  // The file's keys whose full name ends with `leaf` ("\\Run", "\\Uninstall\\x"), in any case.
  std::vector<RegTreeKey> KeysEndingWith(const std::u16string& leaf) const {
    std::vector<RegTreeKey> out;
    for (const auto& key : keys_)
      if (key.path.size() >= leaf.size() && SameKeyPath(key.path.substr(key.path.size() - leaf.size()), leaf))
        out.push_back(key);
    return out;
  }
  static std::wstring PathBelowRoot(const std::u16string& full) {
    const std::u16string root = u"HKEY_CURRENT_USER\\";
    if (full.size() <= root.size() || !SameKeyPath(full.substr(0, root.size() - 1), u"HKEY_CURRENT_USER")) return L"";
    return std::wstring(full.begin() + static_cast<std::ptrdiff_t>(root.size()), full.end());
  }

 private:
  static bool Exists(const std::wstring& path, const std::u16string* value) {
    UniqueKey key;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, key.put()) != ERROR_SUCCESS) {
      key.release();
      return false;
    }
    if (!value) return true;
    const std::wstring name(value->begin(), value->end());
    return ::RegQueryValueExW(key.get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
  }

  std::vector<RegTreeKey> keys_;
  std::vector<std::wstring> added_keys_;
  std::vector<std::pair<std::wstring, std::u16string>> added_values_;
  std::string problem_;
};

}  // namespace kv::test
