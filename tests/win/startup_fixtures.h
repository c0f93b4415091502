#pragma once
// Seeding the real autostart sources of the Wine prefix: every value and key a test adds goes
// again afterwards, a value it replaces comes back, and keys it had to create are removed.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "startup/startup_reader.h"
#include "sysaccess/app_state.h"
#include "win/handles.h"
#include "sysaccess/programs.h"
#include "tests/win/test_support.h"

namespace kv {
// Failures name a source by its place in the reading order.
inline void PrintTo(StartupSource source, std::ostream* os) { *os << "source " << static_cast<int>(source); }
}  // namespace kv

namespace kv::test {

constexpr char kRunPath[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kRunOncePath[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
constexpr char kRun32Path[] = "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kStartupRegPath[] = "SOFTWARE\\Microsoft\\Shared Tools\\MSConfig\\startupreg";
constexpr char kApprovedPath[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved";

// Task Manager's state of an entry as it writes it: the state byte (02 or 06 enabled, 03
// disabled), three zero bytes, then the FILETIME of the change.
inline std::string ApprovedBytes(unsigned char state) {
  return std::string(1, static_cast<char>(state)) + std::string("\0\0\0\x80\x3E\xD5\xDE\xB1\x9D\xD8\x01", 11);
}

// The sources that have such a state, with their entries' key (null: the Startup folders) and
// the StartupApproved key of the state, in the entry's root.
struct ApprovedSource {
  StartupSource source;
  HKEY root;
  const char* entry_path;
  const char* subkey;
  std::string key() const { return std::string(kApprovedPath) + "\\" + subkey; }
};
inline const std::vector<ApprovedSource>& ApprovedSources() {
  static const std::vector<ApprovedSource> sources = {
      {StartupSource::UserRun, HKEY_CURRENT_USER, kRunPath, "Run"},
      {StartupSource::MachineRun, HKEY_LOCAL_MACHINE, kRunPath, "Run"},
      {StartupSource::UserRun32, HKEY_CURRENT_USER, kRun32Path, "Run32"},
      {StartupSource::MachineRun32, HKEY_LOCAL_MACHINE, kRun32Path, "Run32"},
      {StartupSource::UserStartupShortcut, HKEY_CURRENT_USER, nullptr, "StartupFolder"},
      {StartupSource::CommonStartupShortcut, HKEY_LOCAL_MACHINE, nullptr, "StartupFolder"},
  };
  return sources;
}

inline bool OpenSeedKey(HKEY root, const std::string& path, REGSAM view, UniqueKey& key) {
  return ::RegOpenKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS | view, key.put()) == ERROR_SUCCESS;
}

inline bool SeedKeyExists(HKEY root, const std::string& path, REGSAM view = KEY_WOW64_64KEY) {
  UniqueKey key;
  return OpenSeedKey(root, path, view, key);
}

// A key that exists while the guard lives; what it had to create is deleted afterwards.
class SeedKey {
 public:
  SeedKey(HKEY root, std::string path, REGSAM view = KEY_WOW64_64KEY) : root_(root), path_(std::move(path)), view_(view) {
    for (size_t at = 0; at != std::string::npos;) {
      at = path_.find('\\', at + 1);
      const std::string prefix = path_.substr(0, at);
      if (!SeedKeyExists(root_, prefix, view_)) {
        created_ = prefix;
        break;
      }
    }
    UniqueKey key;
    ::RegCreateKeyExA(root_, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view_, nullptr, key.put(), nullptr);
  }
  ~SeedKey() {
    if (created_.empty()) return;
    UniqueKey key;
    if (OpenSeedKey(root_, created_, view_, key)) ::RegDeleteTreeA(key.get(), nullptr);
    key.reset();
    ::RegDeleteKeyExA(root_, created_.c_str(), view_, 0);
  }
  SeedKey(const SeedKey&) = delete;
  SeedKey& operator=(const SeedKey&) = delete;
  HKEY root() const { return root_; }
  const std::string& path() const { return path_; }
  REGSAM view() const { return view_; }

 private:
  HKEY root_;
  std::string path_;
  REGSAM view_;
  std::string created_;
};

struct RawValue {
  DWORD type = REG_NONE;
  std::string data;
  bool operator==(const RawValue& o) const { return type == o.type && data == o.data; }
};

inline bool ReadRaw(HKEY root, const std::string& path, REGSAM view, const std::string& name, RawValue& out) {
  UniqueKey key;
  if (!OpenSeedKey(root, path, view, key)) return false;
  DWORD size = 0;
  if (::RegQueryValueExA(key.get(), name.c_str(), nullptr, &out.type, nullptr, &size) != ERROR_SUCCESS) return false;
  out.data.assign(size + 2, '\0');
  DWORD got = size + 2;
  if (::RegQueryValueExA(key.get(), name.c_str(), nullptr, &out.type, reinterpret_cast<BYTE*>(&out.data[0]), &got) !=
      ERROR_SUCCESS)
    return false;
  out.data.resize(got);
  return true;
}

inline void WriteRaw(HKEY root, const std::string& path, REGSAM view, const std::string& name, const RawValue& v) {
  UniqueKey key;
  if (::RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, key.put(), nullptr) !=
      ERROR_SUCCESS)
    return;
  ::RegSetValueExA(key.get(), name.c_str(), 0, v.type, reinterpret_cast<const BYTE*>(v.data.data()),
                   static_cast<DWORD>(v.data.size()));
}

inline bool ValueExists(HKEY root, const std::string& path, const std::string& name, REGSAM view = KEY_WOW64_64KEY) {
  RawValue v;
  return ReadRaw(root, path, view, name, v);
}

// Every value of a key, by name.
inline std::map<std::string, RawValue> KeyValues(HKEY root, const std::string& path, REGSAM view = KEY_WOW64_64KEY) {
  std::map<std::string, RawValue> out;
  UniqueKey key;
  if (!OpenSeedKey(root, path, view, key)) return out;
  for (DWORD i = 0;; ++i) {
    char name[16384];
    DWORD len = sizeof name;
    if (::RegEnumValueA(key.get(), i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    RawValue v;
    if (ReadRaw(root, path, view, std::string(name, len), v)) out[std::string(name, len)] = v;
  }
  return out;
}

// A value set for the test's lifetime; a value of that name that was there before comes back.
class SeedValue {
 public:
  SeedValue(HKEY root, const std::string& path, std::string name, DWORD type, std::string data,
            REGSAM view = KEY_WOW64_64KEY)
      : key_(root, path, view), name_(std::move(name)) {
    had_ = ReadRaw(root, path, view, name_, old_);
    WriteRaw(root, path, view, name_, RawValue{type, std::move(data)});
  }
  ~SeedValue() {
    if (had_) {
      WriteRaw(key_.root(), key_.path(), key_.view(), name_, old_);
      return;
    }
    UniqueKey key;
    if (OpenSeedKey(key_.root(), key_.path(), key_.view(), key)) ::RegDeleteValueA(key.get(), name_.c_str());
  }
  SeedValue(const SeedValue&) = delete;
  SeedValue& operator=(const SeedValue&) = delete;
  const std::string& name() const { return name_; }

 private:
  SeedKey key_;
  std::string name_;
  bool had_ = false;
  RawValue old_;
};

inline std::string Sz(const std::string& text) { return text + std::string(1, '\0'); }

// Values that a test expects to appear (a restore, an add): removed at the end if they do, the
// old value put back if there was one.
class ValueCleanup {
 public:
  ValueCleanup(HKEY root, std::string path, std::string name, REGSAM view = KEY_WOW64_64KEY)
      : root_(root), path_(std::move(path)), name_(std::move(name)), view_(view) {
    had_ = ReadRaw(root_, path_, view_, name_, old_);
  }
  ~ValueCleanup() {
    if (had_) {
      WriteRaw(root_, path_, view_, name_, old_);
      return;
    }
    UniqueKey key;
    if (OpenSeedKey(root_, path_, view_, key)) ::RegDeleteValueA(key.get(), name_.c_str());
  }
  ValueCleanup(const ValueCleanup&) = delete;
  ValueCleanup& operator=(const ValueCleanup&) = delete;

 private:
  HKEY root_;
  std::string path_, name_;
  REGSAM view_;
  bool had_ = false;
  RawValue old_;
};

// A name nobody else uses: "KvT<pid>_" + base.
inline std::string Unique(const std::string& base) { return "KvT" + std::to_string(::GetCurrentProcessId()) + "_" + base; }

// The bytes of a shortcut whose target is stored as written, environment references and all: a
// link-info block with the path as its local base path and an environment-variable block.
inline std::string ShortcutBytes(const std::string& target) {
  auto put32 = [](std::string& s, uint32_t v) { s.append(reinterpret_cast<const char*>(&v), 4); };
  std::string b;
  put32(b, 0x4C);
  const unsigned char clsid[16] = {0x01, 0x14, 0x02, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46};
  b.append(reinterpret_cast<const char*>(clsid), 16);
  put32(b, 0x2 | 0x200);  // HasLinkInfo | HasExpString
  put32(b, FILE_ATTRIBUTE_ARCHIVE);
  b.resize(76, '\0');
  std::string volume;
  put32(volume, 0x11);
  put32(volume, DRIVE_FIXED);
  put32(volume, 0x1234);
  put32(volume, 0x10);
  volume += '\0';
  const uint32_t header = 0x1C, base = header + static_cast<uint32_t>(volume.size());
  const uint32_t suffix = base + static_cast<uint32_t>(target.size()) + 1;
  put32(b, suffix + 1);
  put32(b, header);
  put32(b, 1);  // VolumeIDAndLocalBasePath
  put32(b, header);
  put32(b, base);
  put32(b, 0);
  put32(b, suffix);
  b += volume + target + std::string(2, '\0');
  std::string block(0x314, '\0');
  *reinterpret_cast<uint32_t*>(&block[0]) = 0x314;
  *reinterpret_cast<uint32_t*>(&block[4]) = 0xA0000001;
  target.copy(&block[8], std::min<size_t>(target.size(), 259));
  ::MultiByteToWideChar(CP_ACP, 0, target.c_str(), -1, reinterpret_cast<wchar_t*>(&block[8 + 260]), 259);
  return b + block + std::string(4, '\0');
}

inline std::string CorpusFolder() {
  std::string p = "Z:" + std::string(KORVANE_SOURCE_DIR) + "/../shared/corpus/lnk/";
  for (char& c : p)
    if (c == '/') c = '\\';
  return p;
}

inline bool CopyCorpus(const std::string& name, const std::string& to) {
  return ::CopyFileA((CorpusFolder() + name).c_str(), to.c_str(), FALSE) != FALSE;
}

// An AppState for reading without a window: temp Startup folders and undo folder.
struct StartupScratch {
  ScratchFolder user, common, base;
  AppState state;
  StartupScratch() {
    state.UserName = "tester";
    state.StartupFolder = user.path();
    state.CommonStartupFolder = common.path();
    state.UndoFolder = base.path() + "Undo\\";
    char win[MAX_PATH] = {};
    ::GetWindowsDirectoryA(win, MAX_PATH);
    state.WindowsFolder = std::string(win) + "\\";
    state.ProfileFolder = "C:\\users\\tester\\";
  }
};

inline std::vector<StartupRow> ReadAllRows(const AppState& state, ShortcutReader* links, int* pumps = nullptr) {
  std::vector<StartupRow> rows;
  ReadStartupEntries(
      state, links, [&](const StartupRow& r) { rows.push_back(r); },
      [&] {
        if (pumps) ++*pumps;
      });
  return rows;
}

// An entry named `name` in source `src`: a Run value (removed with the returned guard) or, for
// the Startup folders, a shortcut file in the scratch folder (`name` ends with ".lnk").
inline std::unique_ptr<SeedValue> SeedEntry(const AppState& state, const ApprovedSource& src, const std::string& name,
                                            const std::string& command) {
  if (src.entry_path) return std::make_unique<SeedValue>(src.root, src.entry_path, name, REG_SZ, Sz(command));
  const std::string& folder =
      src.source == StartupSource::UserStartupShortcut ? state.StartupFolder : state.CommonStartupFolder;
  EXPECT_TRUE(WriteFile(folder + name, ShortcutBytes(command))) << name;
  return nullptr;
}

// The rows whose caption is `caption`.
inline std::vector<StartupRow> RowsNamed(const std::vector<StartupRow>& rows, const std::string& caption) {
  std::vector<StartupRow> out;
  for (const auto& r : rows)
    if (r.caption == caption) out.push_back(r);
  return out;
}
}  // namespace kv::test
