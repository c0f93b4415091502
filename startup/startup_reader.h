#pragma once
// Reading the nine autostart sources. The reading hands each row to a sink and lets the caller's
// pump run between entries, so the tab, the tests and the benchmarks share it.
#include <windows.h>
#include <objidl.h>
#include <shlobj.h>

#include <functional>
#include <string>
#include <unordered_map>

#include "sysaccess/app_state.h"
#include "win/handles.h"
#include "sysaccess/registry.h"

namespace kv {

extern const char kStartupAllUsers[];   // "所有用户"
extern const char kStartupDisabled[];   // "已禁用"
extern const char kStartupAdvertised[]; // "（Windows Installer 广告快捷方式）"

enum class StartupSource {
  UserRun = 1,
  UserRunOnce,
  MachineRun,
  MachineRunOnce,
  MsconfigDisabled,
  UserRun32,
  MachineRun32,
  UserStartupShortcut,
  CommonStartupShortcut,
};

enum class StartupAccess { User, AllUsers, Disabled };

struct StartupSourceInfo {
  StartupSource source;
  char digit;            // '1'..'9', as kept in StartupSourceCodes
  HKEY root;             // null for the Startup folders
  const char* key_path;  // ends with a backslash; null for the Startup folders
  RegistryView view;
  StartupAccess access;
};

// The nine sources in reading order.
const StartupSourceInfo* StartupSources(size_t& count);
// The source of a digit; null for anything else.
const StartupSourceInfo* StartupSourceOf(char digit);

extern const char kMsconfigStartupKey[];  // "SOFTWARE\Microsoft\Shared Tools\MSConfig\startupreg\"

// Task Manager's state of the entries (since Windows 8): the values of the six StartupApproved
// keys, each key read in one pass (64-bit view), found by an entry's name with its ASCII letters
// in any case, as names compare everywhere in this program.
class StartupApprovedValues {
 public:
  void Read();
  // The value that holds the state of the entry `caption` of source `digit`; null when none.
  const NamedValue* Find(char digit, const std::string& caption) const;
  // The key of those values for source `digit`; false for the sources that have none.
  static bool KeyOf(char digit, HKEY& root, std::string& path);

 private:
  static constexpr int kKeys = 6;  // Run, Run32 and StartupFolder of the user and of the machine
  static int Slot(char digit);
  std::unordered_map<std::string, NamedValue> by_name_[kKeys];  // by the upper-cased name
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

struct StartupRow {
  std::string caption;  // value name, disabled entry's key name, or shortcut file name
  std::string command;  // command as stored, or the shortcut's target
  std::string access;   // UserName, "所有用户" or "已禁用" (source 5, or disabled by Task Manager)
  char digit = '0';
  // The file whose icon the row shows; "" and own_icon false for a shortcut that did not load
  // and for an advertised one Windows Installer did not resolve.
  std::string icon_path;
  bool own_icon = true;
};

struct StartupReadResult {
  size_t rows = 0;
  size_t disabled = 0;  // rows shown as disabled: source 5 and what Task Manager disabled
};

using StartupRowSink = std::function<void(const StartupRow&)>;

// Reads the sources in order. `pump` runs before each entry; `links` may be null (every shortcut
// then reads as not loadable).
StartupReadResult ReadStartupEntries(const AppState& state, ShortcutReader* links, const StartupRowSink& sink,
                                     const std::function<void()>& pump);

}  // namespace kv
