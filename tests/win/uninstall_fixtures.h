#pragma once
// Seeded Uninstall entries for the uninstall tab's tests. Every entry is a uniquely named subkey
// ("KvTest ...") of one of the three Uninstall keys; the keys themselves are created only when
// missing and removed again afterwards, so Wine's own entries are left as found.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "win/handles.h"
#include "tests/win/test_support.h"
#include "uninstall/uninstall_reader.h"

namespace kv::test {

enum class UninstallRoot { User, Machine, Machine32 };

inline HKEY RootKeyOf(UninstallRoot r) { return r == UninstallRoot::User ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }
// The key path without the leading backslash the tab stores for the 32-bit key.
inline std::string UninstallPathOf(UninstallRoot r) {
  return r == UninstallRoot::Machine32 ? std::string(kUninstallKeyWow64).substr(1) : std::string(kUninstallKey);
}

// Creates the missing keys along a path (64-bit view); deletes those it created, deepest first,
// as long as they are empty again.
class KeyPathGuard {
 public:
  KeyPathGuard(HKEY root, const std::string& path) : root_(root) {
    std::string sofar;
    for (size_t start = 0; start < path.size();) {
      size_t end = path.find('\\', start);
      if (end == std::string::npos) end = path.size();
      if (end > start) {
        sofar += (sofar.empty() ? "" : "\\") + path.substr(start, end - start);
        UniqueKey key;
        if (::RegOpenKeyExA(root, sofar.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, key.put()) != ERROR_SUCCESS) {
          key.release();
          UniqueKey created;
          if (::RegCreateKeyExA(root, sofar.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr,
                                created.put(), nullptr) == ERROR_SUCCESS)
            created_.push_back(sofar);
          else
            created.release();
        }
      }
      start = end + 1;
    }
  }
  ~KeyPathGuard() {
    for (auto it = created_.rbegin(); it != created_.rend(); ++it) ::RegDeleteKeyExA(root_, it->c_str(), KEY_WOW64_64KEY, 0);
  }
  KeyPathGuard(const KeyPathGuard&) = delete;
  KeyPathGuard& operator=(const KeyPathGuard&) = delete;

 private:
  HKEY root_;
  std::vector<std::string> created_;
};

// The seeded entries of one test.
class SeededUninstall {
 public:
  SeededUninstall() {
    for (auto r : {UninstallRoot::User, UninstallRoot::Machine, UninstallRoot::Machine32})
      guards_.push_back(std::make_unique<KeyPathGuard>(RootKeyOf(r), UninstallPathOf(r).substr(0, UninstallPathOf(r).size() - 1)));
  }
  ~SeededUninstall() {
    keys_.clear();  // the entries first, then the keys made for them
    guards_.clear();
  }
  SeededUninstall(const SeededUninstall&) = delete;
  SeededUninstall& operator=(const SeededUninstall&) = delete;

  // A subkey `subkey` under the root's Uninstall key; values are set through the returned key.
  const ScratchKey& Add(UninstallRoot root, const std::string& subkey) {
    keys_.push_back(std::make_unique<ScratchKey>(RootKeyOf(root), UninstallPathOf(root) + subkey));
    return *keys_.back();
  }
  // The usual entry: a display name and an uninstall command.
  const ScratchKey& Entry(UninstallRoot root, const std::string& subkey, const std::string& name,
                          const std::string& command = "C:\\KvTest\\uninst.exe") {
    const ScratchKey& k = Add(root, subkey);
    k.SetString("", "DisplayName", name);
    k.SetString("", "UninstallString", command);
    return k;
  }

 private:
  std::vector<std::unique_ptr<KeyPathGuard>> guards_;
  std::vector<std::unique_ptr<ScratchKey>> keys_;
};

// Copies of the argument recorder under the names a test needs, in a scratch folder.
class StubPrograms {
 public:
  explicit StubPrograms(const std::vector<std::string>& names) {
    for (const auto& n : names)
      ::CopyFileA(BinaryPath("tests/helpers/argrecorder.exe").c_str(), (folder_.path() + n).c_str(), FALSE);
  }
  const std::string& folder() const { return folder_.path(); }
  std::string log() const { return folder_.path() + "args.log"; }

 private:
  ScratchFolder folder_;
};

}  // namespace kv::test
