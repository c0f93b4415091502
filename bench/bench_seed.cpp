// Seeds the bench prefix with N entries per tab: writes one .reg file (UTF-16LE with BOM) for the
// registry part, which tools/bench imports with a single `regedit /s`, and creates the files the
// entries point at (icon-bearing program copies, Startup-folder shortcuts) directly.
//
//   bench_seed.exe OUT.reg TAB=N [TAB=N ...]     e.g. bench_seed.exe C:\seed.reg 1=1000 2=1000 4=1000
//
// Entry i is the same text for every N, and the seeded count of each tab is kept in
// HKCU\Software\KorvaneBench, so going from N to M only writes the difference (added or removed).
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench/seed_data.h"
#include "sysaccess/app_state.h"
#include "win/handles.h"

namespace {

using bench::RegFile;

constexpr char kStateKey[] = "Software\\KorvaneBench";
constexpr char kRunPath[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kMsconfigPath[] = "SOFTWARE\\Microsoft\\Shared Tools\\MSConfig\\startupreg";
constexpr char kUninstallPath[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr char kUninstall32Path[] = "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

int SeededCount(int tab) {
  DWORD value = 0, size = sizeof value;
  const std::string name = "Tab" + std::to_string(tab);
  if (::RegGetValueA(HKEY_CURRENT_USER, kStateKey, name.c_str(), RRF_RT_REG_DWORD, nullptr, &value, &size) !=
      ERROR_SUCCESS)
    return 0;
  return static_cast<int>(value);
}

// Tab 1: Run values of the user and the machine, disabled entries, and Startup-folder shortcuts.
void Tab1(RegFile& reg, int from, int to) {
  const bool add = to > from;
  const int lo = add ? from : to, hi = add ? to : from;
  const struct {
    const char* root;
    bench::StartupWhere where;
  } run_keys[] = {{"HKEY_CURRENT_USER", bench::StartupWhere::UserRun},
                  {"HKEY_LOCAL_MACHINE", bench::StartupWhere::MachineRun}};
  for (const auto& run : run_keys) {
    reg.Key(std::string(run.root) + "\\" + kRunPath);
    for (int i = lo; i < hi; ++i) {
      const bench::StartupEntry e = bench::StartupEntryAt(i);
      if (e.where != run.where) continue;
      if (add)
        reg.String(e.name, e.command);
      else
        reg.DeleteValue(e.name);
    }
  }
  for (int i = lo; i < hi; ++i) {
    const bench::StartupEntry e = bench::StartupEntryAt(i);
    if (e.where != bench::StartupWhere::Disabled) continue;
    const std::string key = std::string("HKEY_LOCAL_MACHINE\\") + kMsconfigPath + "\\" + e.name;
    if (!add) {
      reg.DeleteKey(key);
      continue;
    }
    reg.Key(key);
    reg.String("key", "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run");
    reg.String("item", e.name);
    reg.String("hkey", "HKLM");
    reg.String("command", e.command);
    reg.Dword("YEAR", 2014);
  }
}

// The shortcuts are files: whatever the recorded count, afterwards exactly those below `n` exist.
bool Shortcuts(const std::string& folder, int n) {
  if (folder.empty()) return false;
  ::CreateDirectoryA(folder.c_str(), nullptr);
  WIN32_FIND_DATAA found;
  kv::UniqueFind find(::FindFirstFileA((folder + bench::kShortcutPrefix + "*.lnk").c_str(), &found));
  if (find) {
    do {
      const int index = std::atoi(found.cFileName + std::strlen(bench::kShortcutPrefix));
      if (index >= n) ::DeleteFileA((folder + found.cFileName).c_str());
    } while (::FindNextFileA(find.get(), &found));
  }
  kv::ComPtr<IShellLinkA> link;
  if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                link.put_void())))
    return false;
  kv::ComPtr<IPersistFile> file;
  if (FAILED(link->QueryInterface(IID_IPersistFile, file.put_void()))) return false;
  // Saving a shortcut costs Wine a fifth of a second: each distinct one is saved once, as a
  // template named after its target, and copied.
  const std::string templates = "C:\\KvBench\\lnk\\";
  ::CreateDirectoryA("C:\\KvBench", nullptr);
  ::CreateDirectoryA(templates.c_str(), nullptr);
  for (int i = 0; i < n; ++i) {
    const bench::StartupEntry e = bench::StartupEntryAt(i);
    if (e.where != bench::StartupWhere::Shortcut) continue;
    const std::string path = folder + e.name;
    if (::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) continue;
    unsigned hash = 2166136261u;
    for (unsigned char c : e.command) hash = (hash ^ c) * 16777619u;
    char name[32];
    std::snprintf(name, sizeof name, "%08x.lnk", hash);
    const std::string source = templates + name;
    if (::GetFileAttributesA(source.c_str()) == INVALID_FILE_ATTRIBUTES) {
      link->SetPath(e.command.c_str());
      link->SetArguments("/autostart");
      wchar_t wide[MAX_PATH * 2];
      if (!::MultiByteToWideChar(CP_ACP, 0, source.c_str(), -1, wide, MAX_PATH * 2) || FAILED(file->Save(wide, TRUE)))
        return false;
    }
    if (!::CopyFileA(source.c_str(), path.c_str(), FALSE)) return false;
  }
  return true;
}

// Tab 2: Uninstall subkeys under the user, the machine and the machine's 32-bit node.
void Tab2(RegFile& reg, int from, int to) {
  const bool add = to > from;
  const int lo = add ? from : to, hi = add ? to : from;
  for (int i = lo; i < hi; ++i) {
    const bench::UninstallEntry e = bench::UninstallEntryAt(i);
    std::string key = e.user ? "HKEY_CURRENT_USER\\" : "HKEY_LOCAL_MACHINE\\";
    key += (e.wow32 ? kUninstall32Path : kUninstallPath);
    key += "\\" + e.subkey;
    if (!add) {
      reg.DeleteKey(key);
      continue;
    }
    reg.Key(key);
    reg.String("DisplayName", e.display_name);
    reg.String("UninstallString", e.uninstall);
    if (!e.quiet_uninstall.empty()) reg.String("QuietUninstallString", e.quiet_uninstall);
    reg.String("Publisher", e.publisher);
    reg.String("DisplayVersion", e.version);
    if (!e.install_date.empty()) reg.String("InstallDate", e.install_date);
    reg.Dword("EstimatedSize", e.estimated_size);
    if (!e.display_icon.empty()) reg.String("DisplayIcon", e.display_icon);
    if (!e.release_type.empty()) reg.String("ReleaseType", e.release_type);
    if (e.system_component) reg.Dword("SystemComponent", 1);
  }
}

// Tab 4: the extension key, its type with description, open command and icon.
void Tab4(RegFile& reg, int from, int to) {
  const bool add = to > from;
  const int lo = add ? from : to, hi = add ? to : from;
  for (int i = lo; i < hi; ++i) {
    const bench::AssociationEntry e = bench::AssociationEntryAt(i);
    const std::string ext = "HKEY_CLASSES_ROOT\\" + e.extension;
    const std::string type = "HKEY_CLASSES_ROOT\\" + e.type;
    if (!add) {
      reg.DeleteKey(ext);
      reg.DeleteKey(type);
      continue;
    }
    reg.Key(ext);
    if (e.has_type) reg.Default(e.type);
    reg.Key(type);
    if (!e.description.empty()) reg.Default(e.description);
    reg.Key(type + "\\shell\\open\\command");
    reg.Default(e.command);
    if (!e.icon.empty()) {
      reg.Key(type + "\\DefaultIcon");
      reg.Default(e.icon);
    }
  }
}

// The program files that many entries share, with an icon each (copies of the empty window program).
bool IconPrograms(int n) {
  char self[MAX_PATH];
  ::GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string source = self;
  source = source.substr(0, source.rfind('\\') + 1) + "empty_window.exe";
  ::CreateDirectoryA(bench::kAppsFolder, nullptr);
  for (int k = 0; k < bench::IconProgramCount(n); ++k) {
    const std::string path = bench::IconProgramPath(k);
    if (::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) continue;
    ::CreateDirectoryA(path.substr(0, path.rfind('\\')).c_str(), nullptr);
    if (!::CopyFileA(source.c_str(), path.c_str(), FALSE)) {
      std::fprintf(stderr, "cannot copy %s to %s\n", source.c_str(), path.c_str());
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: bench_seed OUT.reg TAB=N [TAB=N ...]\n");
    return 2;
  }
  ::CoInitialize(nullptr);
  const kv::AppState state = kv::ComputeAppState();
  RegFile reg;
  int largest = 0;
  for (int a = 2; a < argc; ++a) {
    const int tab = std::atoi(argv[a]);
    const char* eq = std::strchr(argv[a], '=');
    if (!eq || (tab != 1 && tab != 2 && tab != 4)) {
      std::fprintf(stderr, "bad argument %s\n", argv[a]);
      return 2;
    }
    const int n = std::atoi(eq + 1);
    const int was = SeededCount(tab);
    largest = n > largest ? n : largest;
    if (tab == 1) {
      Tab1(reg, was, n);
      if (!Shortcuts(state.StartupFolder, n)) {
        std::fprintf(stderr, "cannot write the shortcuts in %s\n", state.StartupFolder.c_str());
        return 1;
      }
    } else if (tab == 2) {
      Tab2(reg, was, n);
    } else {
      Tab4(reg, was, n);
    }
    // Last in the file: the count is recorded only when everything before it was imported.
    reg.Key(std::string("HKEY_CURRENT_USER\\") + kStateKey);
    reg.Dword("Tab" + std::to_string(tab), static_cast<DWORD>(n));
    std::printf("tab %d: %d -> %d\n", tab, was, n);
  }
  if (!IconPrograms(largest)) return 1;
  if (!reg.Save(argv[1])) {
    std::fprintf(stderr, "cannot write %s\n", argv[1]);
    return 1;
  }
  std::printf("%s: %zu lines\n", argv[1], reg.Lines());
  ::CoUninitialize();
  return 0;
}
