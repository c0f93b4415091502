#include "startup/startup_reader.h"

#include <algorithm>
#include <vector>

#include "startup/startup_rules.h"
#include "sysaccess/path_rules.h"
#include "sysaccess/programs.h"
#include "sysaccess/text_rules.h"

namespace kv {

const char kStartupAllUsers[] = "所有用户";
const char kStartupDisabled[] = "已禁用";
const char kStartupAdvertised[] = "（Windows Installer 广告快捷方式）";

namespace {

StartupSourceInfo InfoOf(StartupSource source) {
  const StartupHive hive = StartupHiveOf(source);
  const std::optional<StartupKey> key = StartupSourceKey(source);
  // The user's Run and RunOnce keys are read in the program's own view (for HKEY_CURRENT_USER
  // the shared one, see ViewAccess); every other key is named in the 64-bit view.
  const bool own_view = source == StartupSource::UserRun || source == StartupSource::UserRunOnce;
  const StartupAccess access = source == StartupSource::MsconfigDisabled ? StartupAccess::Disabled
                               : hive == StartupHive::User               ? StartupAccess::User
                                                                         : StartupAccess::AllUsers;
  return {source, StartupRoot(hive), key ? key->path : "", own_view ? RegistryView::Native32 : RegistryView::Wow64_64,
          access};
}

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

// One pass over the sources in order, counting what it hands to the sink.
class Reading {
 public:
  Reading(const AppState& state, ShortcutReader* links, const RowSink<StartupRow>& sink, const Pump& pump)
      : state_(state), folders_{state.WindowsFolder, state.ProfileFolder}, links_(links), sink_(sink), pump_(pump) {}

  StartupReadResult Run() {
    approved_.Read();
    for (const StartupSource id : kStartupSources) {
      const StartupSourceInfo& source = StartupSourceOf(id);
      if (id == StartupSource::MsconfigDisabled)
        ReadDisabled(source);
      else if (!source.IsFolder())
        ReadValues(source);
      else
        ReadShortcuts(source, id == StartupSource::UserStartupShortcut ? state_.StartupFolder
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
    StartupRow row;
    row.disabled = source.access == StartupAccess::Disabled;
    if (const NamedValue* approved = approved_.Find(source.source, caption)) {
      if (StartupApprovedDisables(approved->value.type, approved->value.data)) row.disabled = true;
      row.disabled_since = StartupDisabledSince(approved->value.type, approved->value.data);
    }
    row.caption = std::move(caption);
    row.command = std::move(command);
    row.access = AccessText(state_, row.disabled ? StartupAccess::Disabled : source.access);
    row.source = source.source;
    row.icon_path = std::move(icon_path);
    row.own_icon = own_icon;
    ++result_.rows;
    if (row.disabled) ++result_.disabled;
    sink_(row);
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
    const ComApartment com;
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
  const RowSink<StartupRow>& sink_;
  const std::function<void()>& pump_;
  StartupApprovedValues approved_;
  StartupReadResult result_;
};

}  // namespace

const StartupSourceInfo& StartupSourceOf(StartupSource source) {
  static const auto kInfos = [] {
    std::vector<StartupSourceInfo> infos;
    for (const StartupSource s : kStartupSources) infos.push_back(InfoOf(s));
    return infos;
  }();
  return kInfos[static_cast<size_t>(source)];
}

std::string StartupAccessText(const AppState& state, StartupSource source, bool disabled) {
  return AccessText(state, disabled ? StartupAccess::Disabled : StartupSourceOf(source).access);
}

HKEY StartupRoot(StartupHive hive) { return hive == StartupHive::User ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }

void StartupApprovedValues::Read() {
  for (const StartupSource source : kStartupSources) {
    auto& by_name = by_name_[static_cast<size_t>(source)];
    by_name.clear();
    const std::optional<StartupKey> key = StartupApprovedKey(source);
    if (!key) continue;
    std::vector<NamedValue> values;
    RegReadAllValues(RegistryView::Wow64_64, StartupRoot(key->hive), key->path, values);
    for (NamedValue& v : values) {
      std::string name = AsciiUpper(v.name);
      by_name.emplace(std::move(name), std::move(v));
    }
  }
}

const NamedValue* StartupApprovedValues::Find(StartupSource source, const std::string& caption) const {
  const auto& by_name = by_name_[static_cast<size_t>(source)];
  if (by_name.empty()) return nullptr;
  const auto it = by_name.find(AsciiUpper(caption));
  return it == by_name.end() ? nullptr : &it->second;
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

StartupReadResult ReadStartupEntries(const AppState& state, ShortcutReader* links, const RowSink<StartupRow>& sink,
                                     const Pump& pump) {
  return Reading(state, links, sink, pump).Run();
}

}  // namespace kv
