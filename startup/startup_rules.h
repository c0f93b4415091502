#pragma once
// Rules of the autostart tab: its nine sources and their keys, the count label, the Run value
// name of an added program and the result message of a deletion. Pure rules: no windows.h.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace kv {

// The nine autostart sources, in the order they are read and listed.
enum class StartupSource {
  UserRun,
  UserRunOnce,
  MachineRun,
  MachineRunOnce,
  MsconfigDisabled,  // entries that MSConfig disabled: one key each under the machine's startupreg
  UserRun32,
  MachineRun32,
  UserStartupShortcut,
  CommonStartupShortcut,
};
constexpr StartupSource kStartupSources[] = {
    StartupSource::UserRun,           StartupSource::UserRunOnce,  StartupSource::MachineRun,
    StartupSource::MachineRunOnce,    StartupSource::MsconfigDisabled, StartupSource::UserRun32,
    StartupSource::MachineRun32,      StartupSource::UserStartupShortcut, StartupSource::CommonStartupShortcut,
};
constexpr size_t kStartupSourceCount = sizeof kStartupSources / sizeof kStartupSources[0];

// Whose a source is: the user's tree and Startup folder, or the machine's.
enum class StartupHive { User, Machine };

// A key of the autostart sources: its tree and its path below it.
struct StartupKey {
  StartupHive hive;
  std::string path;
};

StartupHive StartupHiveOf(StartupSource source);
// The key a source is read from, its path ending with a backslash; none for the Startup folders.
std::optional<StartupKey> StartupSourceKey(StartupSource source);
// The key in which Task Manager keeps the state of a row of `source` since Windows 8:
// StartupApproved\Run for the Run keys, Run32 for those under Wow6432Node, StartupFolder for the
// shortcuts, in the row's own tree. None for RunOnce and the MSConfig entries, which have no such
// state. Windows documents none of this: it is the layout that Task Manager and Settings write on
// Windows 8 to 11, always in the 64-bit view.
std::optional<StartupKey> StartupApprovedKey(StartupSource source);
// The key's full name as the registry editor takes it: its tree's name, a backslash, its path.
std::string StartupKeyName(const StartupKey& key);

// Whether this program writes Task Manager's state for the entries of `source`: the Run keys Task
// Manager lists and the two Startup folders. RunOnce entries have no state, the user's
// Wow6432Node Run key has none documented, and MSConfig's entries come back by being restored.
bool StartupStateWritable(StartupSource source);
// Whether Windows honours that state: Windows 8 (6.2) and later.
bool WindowsKeepsStartupState(unsigned major, unsigned minor);
// The 12 bytes of REG_BINARY that Task Manager writes: 03 00 00 00 and the UTC FILETIME of the
// change when disabled, 02 and eleven zero bytes when enabled.
std::string StartupApprovedData(bool disabled, uint64_t utc_filetime);
// The FILETIME at which a disabling state says its entry was disabled; 0 when it does not say.
uint64_t StartupDisabledSince(uint32_t type, const std::string& data);

// The tip of a row that Task Manager's state says was disabled at the given local time:
// "禁用时间：2026-12-09 13:05".
std::string StartupDisabledTip(int year, int month, int day, int hour, int minute);

// The Run key an entry that MSConfig disabled came from, by its startupreg key's values "hkey"
// ("HKLM", "HKCU" or the trees' full names) and "key" (the Run key, or the Run key under
// Wow6432Node, which names the 32-bit view). None for anything else: a restore writes only
// where MSConfig takes entries from.
std::optional<StartupKey> MsconfigRunKey(const std::string& hkey, const std::string& key);

extern const char kStartupCountSuffix[];     // "个自动启动程序"
extern const char kStartupDisabledSuffix[];  // "禁用"
extern const char kStartupNoneDeleted[];     // "无法删除所选项目！"
extern const char kStartupSomeNotDeleted[];  // "部分项目无法删除。"
extern const char kStartupNeedsAdmin[];      // "需要管理员权限才能删除所选项目，未删除任何内容。"
extern const char kStartupSomeNeedAdmin[];   // "部分项目需要管理员权限，未删除。"

// "12个自动启动程序" or, with disabled entries, "12个自动启动程序, 2禁用".
std::string StartupCountText(size_t rows, size_t disabled);

// Whether the StartupApproved value of an entry (the state that Task Manager and Settings keep
// since Windows 8) says it is disabled: REG_BINARY whose first byte is odd (03; 02 and 06 are
// enabled, followed by the time of the change). Any other type, or no data, leaves it enabled.
bool StartupApprovedDisables(uint32_t type, const std::string& data);

// The file-name part of a path: the text after its last backslash or colon (GBK-aware).
std::string RunValueName(const std::string& path);

// What the user is told after a deletion of `checked` rows of which `not_deleted` are still
// there, `refused` of them (counted among those) left alone because the user lacks the rights;
// `undo_message` is the undo store's autostart message.
std::string StartupDeleteMessage(const std::string& undo_message, size_t checked, size_t not_deleted,
                                 size_t refused = 0);

}  // namespace kv
