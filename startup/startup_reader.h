#pragma once
// Reading the nine autostart sources. The reading hands each row to a sink and lets the caller's
// pump run between entries, so the tab, the tests and the benchmarks share it.
#include <windows.h>
#include <objidl.h>
#include <shlobj.h>

#include <functional>
#include <string>
#include <unordered_map>

#include "startup/startup_rules.h"
#include "sysaccess/app_state.h"
#include "win/handles.h"
#include "sysaccess/registry.h"
#include "sysaccess/row_sink.h"

namespace kv {

extern const char kStartupAllUsers[];   // "所有用户"
extern const char kStartupDisabled[];   // "已禁用"
extern const char kStartupAdvertised[]; // "（Windows Installer 广告快捷方式）"

// What each entry of a source shows in the Access column.
enum class StartupAccess { User, AllUsers, Disabled };

// A source as the reading and the actions use it, derived from the rules of its keys.
struct StartupSourceInfo {
  StartupSource source;
  HKEY root;             // the tree of its key, its Startup folder's owner and its Task Manager state
  std::string key_path;  // its key, ending with a backslash; "" for the Startup folders
  RegistryView view;     // the view it is read in
  StartupAccess access;  // what its entries show unless Task Manager disabled them
  bool IsFolder() const { return key_path.empty(); }
};

const StartupSourceInfo& StartupSourceOf(StartupSource source);
// What an entry of `source` shows in the Access column.
std::string StartupAccessText(const AppState& state, StartupSource source, bool disabled);
HKEY StartupRoot(StartupHive hive);

// Task Manager's state of the entries (since Windows 8): the values of the six StartupApproved
// keys, each key read in one pass (64-bit view), found by an entry's name with its ASCII letters
// in any case, as names compare everywhere in this program.
class StartupApprovedValues {
 public:
  void Read();
  // The value that holds the state of the entry `caption` of `source`; null when none.
  const NamedValue* Find(StartupSource source, const std::string& caption) const;

 private:
  std::unordered_map<std::string, NamedValue> by_name_[kStartupSourceCount];  // by the upper-cased name
};

// The shell link object, created once and used for every shortcut read.
class ShortcutReader {
 public:
  // The program Windows Installer starts for an advertised shortcut file; false when it cannot say.
  using AdvertisedResolver = bool (*)(const std::string& shortcut, std::string& program);

  bool Create();  // CoCreateInstance(CLSID_ShellLink) with its IShellLinkA and IPersistFile
  // The target of a shortcut as stored (environment references unexpanded); false when the file
  // does not load as a shortcut. An advertised shortcut gives the program Windows Installer
  // resolves it to, or kStartupAdvertised.
  bool ReadTarget(const std::string& path, std::string& target);
  void SetAdvertisedResolver(AdvertisedResolver resolver) { resolver_ = resolver; }

 private:
  bool IsAdvertised();
  ComPtr<IShellLinkA> link_;
  ComPtr<IPersistFile> file_;
  ComPtr<IShellLinkDataList> data_;
  AdvertisedResolver resolver_ = nullptr;  // null: Windows Installer's own
};

// MsiGetShortcutTargetA and MsiGetComponentPathA from the system folder's msi.dll.
bool ResolveAdvertisedShortcut(const std::string& shortcut, std::string& program);

// One listed entry: the tab's row model and what the tests and benchmarks collect.
struct StartupRow {
  std::string caption;  // value name, disabled entry's key name, or shortcut file name
  std::string command;  // command as stored, or the shortcut's target
  std::string access;   // UserName, "所有用户" or "已禁用" (MSConfig's entries and what Task Manager disabled)
  StartupSource source = StartupSource::UserRun;
  bool disabled = false;        // shown as "已禁用"
  uint64_t disabled_since = 0;  // the UTC FILETIME Task Manager's state gives; 0 when it gives none
  // The file whose icon the row shows; "" and own_icon false for a shortcut that did not load
  // and for an advertised one Windows Installer did not resolve.
  std::string icon_path;
  bool own_icon = true;
};

// What a reading found, for the count label.
// A reading of tab 1: its rows, and how many of them are shown as disabled.
struct StartupReadResult : ReadResult {
  size_t disabled = 0;  // MSConfig's entries and what Task Manager disabled
};

// Reads the sources in order. `pump` runs before each entry; `links` may be null (every shortcut
// then reads as not loadable).
StartupReadResult ReadStartupEntries(const AppState& state, ShortcutReader* links, const RowSink<StartupRow>& sink,
                                     const Pump& pump);

}  // namespace kv
