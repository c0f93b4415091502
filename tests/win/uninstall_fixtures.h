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

// The seeded entries of one test.
class SeededUninstall {
 public:
  SeededUninstall() {
    for (auto r : {UninstallRoot::User, UninstallRoot::Machine, UninstallRoot::Machine32})
      guards_.push_back(std::make_unique<SeedKey>(RootKeyOf(r), UninstallPathOf(r).substr(0, UninstallPathOf(r).size() - 1)));
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
  std::vector<std::unique_ptr<SeedKey>> guards_;
  std::vector<std::unique_ptr<ScratchKey>> keys_;
};

// Copies of the argument recorder under the names a test needs; each run appends to log().
class StubPrograms : public HelperCopies {
 public:
  explicit StubPrograms(const std::vector<std::string>& names) : HelperCopies("argrecorder.exe", names) {}
  std::string log() const { return folder() + "args.log"; }
};

}  // namespace kv::test
