#include "startup/startup_reader.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "startup/startup_rules.h"
#include "startup/startup_undo_rules.h"
#include "sysaccess/path_rules.h"
#include "sysaccess/programs.h"
#include "sysaccess/text_rules.h"

namespace kv {

const char kStartupAllUsers[] = "所有用户";
const char kStartupDisabled[] = "已禁用";
const char kStartupAdvertised[] = "（Windows Installer 广告快捷方式）";
const char kMsconfigStartupKey[] = "SOFTWARE\\Microsoft\\Shared Tools\\MSConfig\\startupreg\\";

namespace {

constexpr char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\";
constexpr char kRunOnceKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce\\";
constexpr char kRun32Key[] = "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run\\";

const StartupSourceInfo kSources[] = {
    {StartupSource::UserRun, '1', HKEY_CURRENT_USER, kRunKey, RegistryView::Native32, StartupAccess::User},
    {StartupSource::UserRunOnce, '2', HKEY_CURRENT_USER, kRunOnceKey, RegistryView::Native32, StartupAccess::User},
    {StartupSource::MachineRun, '3', HKEY_LOCAL_MACHINE, kRunKey, RegistryView::Wow64_64, StartupAccess::AllUsers},
    {StartupSource::MachineRunOnce, '4', HKEY_LOCAL_MACHINE, kRunOnceKey, RegistryView::Wow64_64,
     StartupAccess::AllUsers},
    {StartupSource::MsconfigDisabled, '5', HKEY_LOCAL_MACHINE, kMsconfigStartupKey, RegistryView::Wow64_64,
     StartupAccess::Disabled},
    {StartupSource::UserRun32, '6', HKEY_CURRENT_USER, kRun32Key, RegistryView::Wow64_64, StartupAccess::User},
    {StartupSource::MachineRun32, '7', HKEY_LOCAL_MACHINE, kRun32Key, RegistryView::Wow64_64,
     StartupAccess::AllUsers},
    {StartupSource::UserStartupShortcut, '8', nullptr, nullptr, RegistryView::Wow64_64, StartupAccess::User},
    {StartupSource::CommonStartupShortcut, '9', nullptr, nullptr, RegistryView::Wow64_64, StartupAccess::AllUsers},
};

std::string AccessText(const AppState& state, StartupAccess access) {
  switch (access) {
    case StartupAccess::User:
      return state.UserName;
    case StartupAccess::AllUsers:
      return kStartupAllUsers;
    case StartupAccess::Disabled:
      return kStartupDisabled;
  }
  return "";
}

class Reading {
 public:
  Reading(const AppState& state, ShortcutReader* links, const StartupRowSink& sink, const std::function<void()>& pump)
      : state_(state), folders_{state.WindowsFolder, state.ProfileFolder}, links_(links), sink_(sink), pump_(pump) {}

  StartupReadResult Run() {
    approved_.Read();
    for (const auto& source : kSources) {
      if (source.source == StartupSource::MsconfigDisabled)
        ReadDisabled(source);
      else if (source.root)
        ReadValues(source);
      else
        ReadShortcuts(source, source.source == StartupSource::UserStartupShortcut ? state_.StartupFolder
                                                                                  : state_.CommonStartupFolder);
    }
    return result_;
  }

 private:
  void Pump() {
    if (pump_) pump_();
  }

  void Emit(const StartupSourceInfo& source, std::string caption, std::string command, std::string icon_path,
            bool own_icon) {
    StartupAccess access = source.access;
    if (const NamedValue* approved = approved_.Find(source.digit, caption))
      if (StartupApprovedDisables(approved->value.type, approved->value.data)) access = StartupAccess::Disabled;
    StartupRow row;
    row.caption = std::move(caption);
    row.command = std::move(command);
    row.access = AccessText(state_, access);
    row.digit = source.digit;
    row.icon_path = std::move(icon_path);
    row.own_icon = own_icon;
    ++result_.rows;
    if (access == StartupAccess::Disabled) ++result_.disabled;
    if (sink_) sink_(row);
  }

  void EmitCommand(const StartupSourceInfo& source, std::string caption, std::string command) {
    std::string icon = ExtractProgramPath(command, folders_);
    Emit(source, std::move(caption), std::move(command), std::move(icon), true);
  }

  void ReadValues(const StartupSourceInfo& source) {
    std::vector<NamedText> values;
    RegReadAllStrings(source.view, source.root, source.key_path, values);
    for (NamedText& v : values) {
      Pump();
      if (v.name.empty()) continue;  // the key's default value
      EmitCommand(source, std::move(v.name), std::move(v.text));
    }
  }

  void ReadDisabled(const StartupSourceInfo& source) {
    NameList names;
    RegGetKeyNamesIn(source.view, source.root, source.key_path, names);
    for (const auto& name : names) {
      Pump();
      EmitCommand(source, name, RegReadStringIn(source.view, source.root, source.key_path + name, "command"));
    }
  }

  void ReadShortcuts(const StartupSourceInfo& source, const std::string& folder) {
    if (folder.empty() || !DirectoryExists(folder)) return;
    WIN32_FIND_DATAA found{};
    UniqueFind find(::FindFirstFileA((folder + "*.lnk").c_str(), &found));
    if (!find) return;
    // COM stays initialised for the folder's files; the shell link object outlives it anyway.
    const HRESULT com = ::CoInitialize(nullptr);
    ScopeExit uninit([com] {
      if (SUCCEEDED(com)) ::CoUninitialize();
    });
    do {
      Pump();
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
      std::string target;
      if (links_ && links_->ReadTarget(folder + found.cFileName, target)) {
        const bool own_icon = target != kStartupAdvertised;
        Emit(source, found.cFileName, target, own_icon ? target : "", own_icon);
      }
      else
        Emit(source, found.cFileName, "", "", false);
    } while (::FindNextFileA(find.get(), &found));
  }

  const AppState& state_;
  PathFolders folders_;
  ShortcutReader* links_;
  const StartupRowSink& sink_;
  const std::function<void()>& pump_;
  StartupApprovedValues approved_;
  StartupReadResult result_;
};

}  // namespace

const StartupSourceInfo* StartupSources(size_t& count) {
  count = sizeof kSources / sizeof kSources[0];
  return kSources;
}

const StartupSourceInfo* StartupSourceOf(char digit) {
  for (const auto& s : kSources)
    if (s.digit == digit) return &s;
  return nullptr;
}

namespace {
constexpr char kApprovedDigits[] = "136789";  // the sources with a StartupApproved key, by slot
}

int StartupApprovedValues::Slot(char digit) {
  static_assert(sizeof kApprovedDigits - 1 == kKeys, "one slot per key");
  const char* at = digit ? std::strchr(kApprovedDigits, digit) : nullptr;
  return at ? static_cast<int>(at - kApprovedDigits) : -1;
}

bool StartupApprovedValues::KeyOf(char digit, HKEY& root, std::string& path) {
  static const struct {
    const char* name;
    HKEY root;
  } kRoots[] = {{"HKEY_CURRENT_USER\\", HKEY_CURRENT_USER}, {"HKEY_LOCAL_MACHINE\\", HKEY_LOCAL_MACHINE}};
  const std::string full = StartupApprovedKeyName(digit);
  for (const auto& r : kRoots) {
    if (full.compare(0, std::strlen(r.name), r.name) != 0) continue;
    root = r.root;
    path = full.substr(std::strlen(r.name));
    return true;
  }
  return false;
}

void StartupApprovedValues::Read() {
  for (const char* digit = kApprovedDigits; *digit; ++digit) {
    auto& by_name = by_name_[Slot(*digit)];
    by_name.clear();
    HKEY root = nullptr;
    std::string path;
    if (!KeyOf(*digit, root, path)) continue;
    std::vector<NamedValue> values;
    RegReadAllValues(RegistryView::Wow64_64, root, path, values);
    for (NamedValue& v : values) {
      std::string key = AsciiUpper(v.name);
      by_name.emplace(std::move(key), std::move(v));
    }
  }
}

const NamedValue* StartupApprovedValues::Find(char digit, const std::string& caption) const {
  const int slot = Slot(digit);
  if (slot < 0 || by_name_[slot].empty()) return nullptr;
  const auto it = by_name_[slot].find(AsciiUpper(caption));
  return it == by_name_[slot].end() ? nullptr : &it->second;
}

bool ShortcutReader::Create() {
  if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link_.put_void())))
    return false;
  if (FAILED(link_->QueryInterface(IID_IPersistFile, file_.put_void()))) {
    link_.reset();
    return false;
  }
  // Without it no shortcut reads as advertised; the others read as before.
  link_->QueryInterface(IID_IShellLinkDataList, data_.put_void());
  return true;
}

// The darwin data block marks a Windows Installer shortcut ("IShellLinkDataList" on
// learn.microsoft.com: SLDF_HAS_DARWINID, EXP_DARWIN_ID_SIG).
bool ShortcutReader::IsAdvertised() {
  if (!data_) return false;
  DWORD flags = 0;
  if (SUCCEEDED(data_->GetFlags(&flags)) && (flags & SLDF_HAS_DARWINID)) return true;
  void* block = nullptr;
  if (FAILED(data_->CopyDataBlock(EXP_DARWIN_ID_SIG, &block)) || !block) return false;
  ::LocalFree(block);
  return true;
}

bool ResolveAdvertisedShortcut(const std::string& shortcut, std::string& program) {
  using GetShortcutTargetFn = UINT(WINAPI*)(LPCSTR, LPSTR, LPSTR, LPSTR);
  using GetComponentPathFn = INT(WINAPI*)(LPCSTR, LPCSTR, LPSTR, LPDWORD);
  // Loaded on the first advertised shortcut only, from the system folder, and kept.
  static const HMODULE msi = LoadSystemLibrary("msi.dll");
  if (!msi) return false;
  const auto get_target = reinterpret_cast<GetShortcutTargetFn>(
      reinterpret_cast<void*>(::GetProcAddress(msi, "MsiGetShortcutTargetA")));
  const auto get_path = reinterpret_cast<GetComponentPathFn>(
      reinterpret_cast<void*>(::GetProcAddress(msi, "MsiGetComponentPathA")));
  if (!get_target || !get_path) return false;
  // Codes are GUIDs in braces (38 characters); a feature name has at most 38 ("MsiGetShortcutTarget
  // function" on learn.microsoft.com).
  char product[39] = {}, feature[39] = {}, component[39] = {};
  if (get_target(shortcut.c_str(), product, feature, component) != ERROR_SUCCESS || !product[0] || !component[0])
    return false;
  // Only an installed component has a path to show: INSTALLSTATE_LOCAL (3) or INSTALLSTATE_SOURCE
  // (4), as "MsiGetComponentPath function" lists them; it never installs anything.
  char buf[MAX_PATH + 1] = {};
  DWORD size = MAX_PATH;
  const INT state = get_path(product, component, buf, &size);
  if ((state != 3 && state != 4) || !buf[0]) return false;
  program = buf;
  return true;
}

bool ShortcutReader::ReadTarget(const std::string& path, std::string& target) {
  target.clear();
  if (!link_ || !file_) return false;
  const int n = ::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
  if (n <= 0) return false;
  std::wstring wide(static_cast<size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, &wide[0], n);
  if (FAILED(file_->Load(wide.c_str(), STGM_READ))) return false;
  // GetPath of an advertised shortcut gives the icon file under Windows\Installer on Windows
  // and nothing under Wine: neither is the program that starts.
  if (IsAdvertised()) {
    if (!(resolver_ ? resolver_ : &ResolveAdvertisedShortcut)(path, target) || target.empty())
      target = kStartupAdvertised;
    return true;
  }
  char buf[MAX_PATH] = {};
  if (SUCCEEDED(link_->GetPath(buf, MAX_PATH, nullptr, SLGP_RAWPATH))) target = buf;
  return true;
}

StartupReadResult ReadStartupEntries(const AppState& state, ShortcutReader* links, const StartupRowSink& sink,
                                     const std::function<void()>& pump) {
  return Reading(state, links, sink, pump).Run();
}

}  // namespace kv
