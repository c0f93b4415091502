#pragma once
// The autostart sources for the tests of tab 1: their keys, Task Manager's states, shortcut
// bytes, scratch Startup folders and seeded entries (the registry seeding itself is test_support.h's).
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

inline std::string CorpusFolder() { return SourcePath("../shared/corpus/lnk/"); }

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
