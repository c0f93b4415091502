#include "bench/floor.h"

#include <objbase.h>
#include <psapi.h>
#include <shellapi.h>
#include <shlobj.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <algorithm>
#include <unordered_set>
#include <vector>

#include "sysaccess/handles.h"
#include "sysaccess/path_rules.h"
#include "sysaccess/registry.h"
#include "sysaccess/text_rules.h"

namespace bench {

namespace {

kv::PathFolders Folders(const kv::AppState& state) { return {state.WindowsFolder, state.ProfileFolder}; }

// One query of an open key: the text as the registry routines give it, "" for other types.
bool QueryString(HKEY key, const char* name, std::string& out) {
  char buf[2048];
  DWORD type = 0, size = sizeof buf - 1;
  LONG rc = ::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size);
  std::string data;
  if (rc == ERROR_MORE_DATA) {
    data.resize(size + 1);
    rc = ::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data[0]), &size);
    data.resize(rc == ERROR_SUCCESS ? size : 0);
  } else if (rc == ERROR_SUCCESS) {
    data.assign(buf, size);
  }
  if (rc != ERROR_SUCCESS) {
    out.clear();
    return false;
  }
  out = (type == REG_SZ || type == REG_EXPAND_SZ) ? kv::StringFromRegData(data) : std::string();
  return true;
}

// Open, read the default value, close: one key of an association.
std::string DefaultOf(const std::string& path) {
  kv::UniqueKey key;
  if (::RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return "";
  std::string text;
  QueryString(key.get(), nullptr, text);
  return text;
}

std::wstring Wide(const std::string& text) {
  std::wstring out(text.size() + 1, L'\0');
  const int n = ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &out[0], static_cast<int>(out.size()));
  out.resize(n > 0 ? static_cast<size_t>(n - 1) : 0);
  return out;
}

}  // namespace

FloorIcons::FloorIcons()
    : images_(::ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 32, 256)) {
  char system[MAX_PATH];
  ::GetSystemDirectoryA(system, MAX_PATH);
  shell32_ = kv::WithTrailingBackslash(system) + "shell32.dll";
}

FloorIcons::~FloorIcons() { ::ImageList_Destroy(images_); }

void FloorIcons::Reset() {
  ImageList_RemoveAll(images_);
  by_path_.clear();
  generic_ = -1;
  counts = {};
}

int FloorIcons::Generic() {
  if (generic_ >= 0) return generic_;
  HICON icon = ::ExtractIconA(::GetModuleHandleA(nullptr), shell32_.c_str(), 2);
  ++counts.extractions;
  generic_ = ImageList_AddIcon(images_, icon);
  if (icon) ::DestroyIcon(icon);
  return generic_;
}

int FloorIcons::IndexFor(const std::string& path) {
  // Case-blind, as the tabs are: the fewest extractions that give the same icons.
  const std::string key = kv::AsciiUpper(path);
  auto it = by_path_.find(key);
  if (it != by_path_.end()) return it->second;
  int index = -1;
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    HICON icon = ::ExtractIconA(::GetModuleHandleA(nullptr), path.c_str(), 0);
    ++counts.extractions;
    if (reinterpret_cast<ULONG_PTR>(icon) > 1) {
      index = ImageList_AddIcon(images_, icon);
      ::DestroyIcon(icon);
      ++counts.icon_files;
    }
  }
  if (index < 0) index = Generic();
  by_path_.emplace(key, index);
  return index;
}

FloorCounts FloorStartup(const kv::AppState& state, FloorIcons& icons) {
  icons.Reset();
  const kv::PathFolders folders = Folders(state);
  const REGSAM v32 = KEY_READ | kv::DefaultViewFlag(HKEY_LOCAL_MACHINE), v64 = KEY_READ | KEY_WOW64_64KEY;
  const struct {
    HKEY root;
    const char* path;
    REGSAM access;
  } runs[] = {
      {HKEY_CURRENT_USER, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", v64},
      {HKEY_CURRENT_USER, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce", v64},
      {HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", v64},
      {HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce", v64},
      {HKEY_CURRENT_USER, "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run", v64},
      {HKEY_LOCAL_MACHINE, "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run", v64},
  };
  std::vector<char> name, data;
  for (const auto& run : runs) {
    kv::UniqueKey key;
    if (::RegOpenKeyExA(run.root, run.path, 0, run.access, key.put()) != ERROR_SUCCESS) continue;
    DWORD count = 0, longest_name = 0, longest_data = 0;
    ::RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &longest_name,
                       &longest_data, nullptr, nullptr);
    name.resize(longest_name + 2);
    data.resize(longest_data + 2);
    for (DWORD i = 0; i < count; ++i) {
      DWORD name_size = static_cast<DWORD>(name.size()), data_size = static_cast<DWORD>(data.size()), type = 0;
      if (::RegEnumValueA(key.get(), i, name.data(), &name_size, nullptr, &type,
                          reinterpret_cast<BYTE*>(data.data()), &data_size) != ERROR_SUCCESS ||
          name_size == 0)
        continue;
      const std::string command = (type == REG_SZ || type == REG_EXPAND_SZ)
                                      ? kv::StringFromRegData(std::string(data.data(), data_size))
                                      : std::string();
      icons.IndexFor(kv::ExtractProgramPath(command, folders));
      ++icons.counts.rows;
    }
  }
  // Disabled entries: one subkey each, its "command" value.
  kv::UniqueKey disabled;
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Shared Tools\\MSConfig\\startupreg", 0, v64,
                      disabled.put()) == ERROR_SUCCESS) {
    char sub[256];
    for (DWORD i = 0;; ++i) {
      DWORD size = sizeof sub;
      if (::RegEnumKeyExA(disabled.get(), i, sub, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
      kv::UniqueKey entry;
      std::string command;
      if (::RegOpenKeyExA(disabled.get(), sub, 0, v64, entry.put()) == ERROR_SUCCESS)
        QueryString(entry.get(), "command", command);
      icons.IndexFor(kv::ExtractProgramPath(command, folders));
      ++icons.counts.rows;
    }
  }
  kv::ComPtr<IShellLinkA> link;
  kv::ComPtr<IPersistFile> file;
  if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.put_void())) ||
      FAILED(link->QueryInterface(IID_IPersistFile, file.put_void())))
    return icons.counts;
  for (const std::string& folder : {state.StartupFolder, state.CommonStartupFolder}) {
    if (folder.empty()) continue;
    WIN32_FIND_DATAA found;
    kv::UniqueFind find(::FindFirstFileA((folder + "*.lnk").c_str(), &found));
    if (!find) continue;
    do {
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
      ++icons.counts.rows;
      if (FAILED(file->Load(Wide(folder + found.cFileName).c_str(), STGM_READ))) continue;
      char target[MAX_PATH] = "";
      link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
      icons.IndexFor(target);
    } while (::FindNextFileA(find.get(), &found));
  }
  return icons.counts;
}

FloorCounts FloorUninstall(const kv::AppState& state, FloorIcons& icons) {
  icons.Reset();
  const kv::PathFolders folders = Folders(state);
  struct Record {
    std::string line, icon_source, install_date;
  };
  std::vector<Record> records;
  std::unordered_set<std::string> names;
  const struct {
    HKEY root;
    const char* path;
    bool when;
  } keys[] = {
      {HKEY_CURRENT_USER, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall", true},
      {HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall", true},
      {HKEY_LOCAL_MACHINE, "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
       state.ProgramFilesIsX86},
  };
  const REGSAM access = KEY_READ | KEY_WOW64_64KEY;
  for (const auto& k : keys) {
    if (!k.when) continue;
    kv::UniqueKey parent;
    if (::RegOpenKeyExA(k.root, k.path, 0, access, parent.put()) != ERROR_SUCCESS) continue;
    char sub[256];
    for (DWORD i = 0;; ++i) {
      DWORD size = sizeof sub;
      if (::RegEnumKeyExA(parent.get(), i, sub, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
      // One open per subkey; every value the tab needs is read from it.
      kv::UniqueKey key;
      if (::RegOpenKeyExA(parent.get(), sub, 0, access, key.put()) != ERROR_SUCCESS) continue;
      DWORD flag = 0, flag_size = sizeof flag, type = 0;
      if (::RegQueryValueExA(key.get(), "SystemComponent", nullptr, &type, reinterpret_cast<BYTE*>(&flag),
                             &flag_size) == ERROR_SUCCESS &&
          type == REG_DWORD && flag != 0)
        continue;
      std::string uninstall, quiet, name, release, date, icon;
      const bool has_uninstall = QueryString(key.get(), "UninstallString", uninstall);
      const bool has_quiet = QueryString(key.get(), "QuietUninstallString", quiet);
      if (!has_uninstall && !has_quiet) continue;
      QueryString(key.get(), "DisplayName", name);
      if (name.empty() || kv::ContainsText(kv::AsciiUpper(name), "WINDOWS LIVE") || names.count(name)) continue;
      const std::string command = quiet.empty() ? uninstall : quiet;
      if (command.empty()) continue;
      QueryString(key.get(), "ReleaseType", release);
      const std::string upper_release = kv::AsciiUpper(release);
      if (kv::ContainsText(upper_release, "HOTFIX") || kv::ContainsText(upper_release, "UPDATE") ||
          kv::ContainsText(kv::AsciiUpper(name), "(KB"))
        continue;
      QueryString(key.get(), "InstallDate", date);
      const bool has_icon = QueryString(key.get(), "DisplayIcon", icon);
      names.insert(name);
      records.push_back({name + "|" + (k.root == HKEY_CURRENT_USER ? "U" : "M") + "|" + k.path + "\\" + sub + "|" +
                             command,
                         has_icon ? icon : command, date});
    }
  }
  std::sort(records.begin(), records.end(), [](const Record& a, const Record& b) {
    return ::CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.line.c_str(), -1, b.line.c_str(), -1) ==
           CSTR_LESS_THAN;
  });
  for (const Record& r : records) {
    icons.IndexFor(kv::ExtractProgramPath(r.icon_source, folders));
    ++icons.counts.rows;
  }
  return icons.counts;
}

FloorCounts FloorAssociations(const kv::AppState& state, FloorIcons& icons) {
  icons.Reset();
  const kv::PathFolders folders = Folders(state);
  DWORD count = 0, longest = 0;
  ::RegQueryInfoKeyA(HKEY_CLASSES_ROOT, nullptr, nullptr, nullptr, &count, &longest, nullptr, nullptr, nullptr,
                     nullptr, nullptr, nullptr);
  std::vector<char> name(longest + 2);
  for (DWORD i = 0; i < count; ++i) {
    DWORD size = static_cast<DWORD>(name.size());
    if (::RegEnumKeyExA(HKEY_CLASSES_ROOT, i, name.data(), &size, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    if (name[0] != '.') continue;
    // The four keys of an extension: its own, the type, the open command, the icon.
    const std::string type = DefaultOf(std::string(name.data(), size));
    std::string icon;
    if (!type.empty()) {
      DefaultOf(type);
      DefaultOf(type + "\\shell\\open\\command");
      icon = DefaultOf(type + "\\DefaultIcon");
    }
    icons.IndexFor(kv::ExtractProgramPath(icon, folders));
    ++icons.counts.rows;
  }
  return icons.counts;
}

FloorCounts FloorProcesses(const kv::AppState& state, FloorIcons& icons, bool new_rows) {
  icons.Reset();
  const kv::PathFolders folders = Folders(state);
  kv::UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return icons.counts;
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  std::unordered_set<std::string> rows;
  for (BOOL more = ::Process32First(snapshot.get(), &entry); more; more = ::Process32Next(snapshot.get(), &entry)) {
    char path[MAX_PATH] = "";
    kv::UniqueHandle process(::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, entry.th32ProcessID));
    if (process) {
      if (!::K32GetModuleFileNameExA(process.get(), nullptr, path, MAX_PATH)) path[0] = '\0';
      ::GetPriorityClass(process.get());
    }
    const std::string name = entry.szExeFile;
    std::string full = path;
    if (kv::ContainsText(kv::AsciiUpper(name), "SYSTEM") || full.empty() || !kv::ContainsText(full, ":\\")) continue;
    if (full[0] == '?') full[0] = 'C';
    full = kv::ReplaceAll(full, "\\??\\", "");
    if (!rows.insert(name).second) continue;
    ++icons.counts.rows;
    if (new_rows) icons.IndexFor(kv::ExtractProgramPath(full, folders));
  }
  return icons.counts;
}

namespace {

// Path and filters of one process, as the tab's pass reads them.
bool Listed(DWORD pid, const std::string& name) {
  char path[MAX_PATH] = "";
  kv::UniqueHandle process(::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
  if (process) {
    if (!::K32GetModuleFileNameExA(process.get(), nullptr, path, MAX_PATH)) path[0] = '\0';
    ::GetPriorityClass(process.get());
  }
  const std::string full = path;
  return !kv::ContainsText(kv::AsciiUpper(name), "SYSTEM") && !full.empty() && kv::ContainsText(full, ":\\");
}

using QuerySystemFn = NTSTATUS(NTAPI*)(SYSTEM_INFORMATION_CLASS, PVOID, ULONG, PULONG);

}  // namespace

void LeanProcessPass::Run(const kv::AppState&) {
  static const QuerySystemFn query = reinterpret_cast<QuerySystemFn>(reinterpret_cast<void (*)()>(
      ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
  rows = 0;
  if (!query) return;
  if (buffer_.size() < 256 * 1024) buffer_.resize(256 * 1024);
  ULONG needed = 0;
  NTSTATUS status;
  while ((status = query(SystemProcessInformation, &buffer_[0], static_cast<ULONG>(buffer_.size()), &needed)) ==
         static_cast<NTSTATUS>(0xC0000004L))  // STATUS_INFO_LENGTH_MISMATCH
    buffer_.resize(buffer_.size() * 2);
  if (status < 0) return;
  std::unordered_map<DWORD, Known> alive;
  std::unordered_set<std::string> names;
  for (size_t offset = 0;;) {
    const auto* p = reinterpret_cast<const SYSTEM_PROCESS_INFORMATION*>(&buffer_[offset]);
    const DWORD pid = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(p->UniqueProcessId));
    const long long created = p->CreateTime.QuadPart;
    char name[MAX_PATH] = "";
    if (p->ImageName.Buffer)
      ::WideCharToMultiByte(CP_ACP, 0, p->ImageName.Buffer, p->ImageName.Length / 2, name, MAX_PATH - 1, nullptr,
                            nullptr);
    auto it = known_.find(pid);
    Known k;
    if (it != known_.end() && it->second.created == created && it->second.name == name) {
      k = it->second;
    } else {
      k.name = name;
      k.created = created;
      k.listed = pid != 0 && Listed(pid, name);
    }
    if (k.listed && names.insert(k.name).second) ++rows;
    alive.emplace(pid, std::move(k));
    if (!p->NextEntryOffset) break;
    offset += p->NextEntryOffset;
  }
  known_.swap(alive);
}

}  // namespace bench
