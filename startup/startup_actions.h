#pragma once
// Every change tab 1 makes: adding a Run entry, and deleting entries, where the undo file is
// written from the values as they are just before the deletion and nothing is deleted unless it
// was saved.
#include <functional>
#include <string>
#include <vector>

#include "startup/startup_reader.h"
#include "startup/startup_rules.h"
#include "sysaccess/app_state.h"

namespace kv {

extern const char kStartupAddNeedsAdmin[];  // "需要管理员权限才能为所有用户添加启动项，未更改任何内容。"
extern const char kStartupAddNotWritten[];  // "无法写入启动项，未更改任何内容。"

enum class StartupAddOutcome { Added, NeedsAdmin, NotWritten };

// Writes `program` as a Run value of the current user or of the machine, named after its file
// (RunValueName). The rights are asked first, so that a standard user is told why nothing changed.
StartupAddOutcome AddStartupEntry(const std::string& program, bool current_user);

// What the user is told for an outcome; "" when the entry was added.
std::string StartupAddResultText(StartupAddOutcome outcome);

// A row to delete: the entry as listed.
struct StartupDeleteRow {
  std::string caption;  // exact value name, disabled entry's key name or shortcut file name
  StartupSource source;
};

// What a deletion did, for its message.
struct StartupDeleteOutcome {
  bool backup_failed = false;  // the undo file could not be saved: nothing was deleted
  std::string file_name;       // the undo file written by this deletion ("" when none)
  std::string user_undo_folder;  // the folder of that file when it is the per-user one, else ""
  size_t checked = 0;
  size_t not_deleted = 0;      // rows whose value, key or file still exists afterwards
  size_t refused = 0;          // of those, rows the user lacks the rights to delete (not backed up)
};

// Deletes `rows` from their sources; `pump` runs between rows.
StartupDeleteOutcome DeleteStartupEntries(const AppState& state, const std::vector<StartupDeleteRow>& rows,
                                          const std::function<void()>& pump);

// The message the user sees for an outcome.
std::string StartupDeleteResultText(const StartupDeleteOutcome& outcome);

extern const char kStartupStateNeedsAdmin[];     // "需要管理员权限才能更改所选项目的状态，未更改任何内容。"
extern const char kStartupStateSomeNeedAdmin[];  // "部分项目需要管理员权限，未更改。"
extern const char kStartupStateNotWritten[];     // "部分项目的状态无法写入，未更改。"
extern const char kStartupStateNotApplicable[];  // "所选项目不能在此禁用或启用。"
extern const char kMsconfigPlaceIncomplete[];    // "此项目记录的原位置不完整，未更改任何内容。"
extern const char kMsconfigNameTaken[];          // "原位置已有同名但命令不同的启动项，未更改任何内容。"
extern const char kMsconfigRestored[];           // "已重新启用，原禁用记录已保存到撤消文件"
extern const char kMsconfigStillDisabled[];      // "恢复的项目仍有任务管理器的禁用状态，可再次启用。"
extern const char kStartupLeftWritten[];         // "已写入但未能撤回："
extern const char kStartupStateSomeNotApplicable[];  // "部分项目不能在此禁用或启用，未更改。"

enum class StartupStateChange { Disable, Enable };

// Whether `change` applies to `row` now. Task Manager's state is written only where Windows
// honours it (Windows 8 and later, the sources of StartupStateWritable); an entry that MSConfig
// disabled is enabled by restoring it, on any Windows.
bool StartupChangeApplies(const AppState& state, const StartupRow& row, StartupStateChange change);

// What a change of state did, for its message and for the rows the tab updates in place.
struct StartupStateOutcome {
  std::vector<size_t> changed;  // indexes into the rows given whose state was written
  size_t refused = 0;           // rows the user lacks the rights for: nothing written
  size_t not_written = 0;       // rows whose write failed
  size_t not_applicable = 0;    // rows the change does not apply to (already so, no state kept)
  // Entries that MSConfig disabled, put back into their Run keys.
  size_t restored = 0;
  size_t incomplete = 0;    // the startupreg key does not say where the entry came from
  size_t name_taken = 0;    // a value of that name with other data is already there
  size_t still_disabled = 0;  // restored, but Task Manager's state beside them keeps them disabled
  std::vector<std::string> left_written;  // values written for a restore that failed, and not taken back
  std::string restore_message;  // what the key deletion of the restored entries said ("" when none ran)
};

// Disables or enables `rows` as Task Manager does: the state value of each in its StartupApproved
// key (64-bit view), named after the entry, `now` being the UTC FILETIME a disable records. An
// entry that MSConfig disabled is enabled by writing its recorded command back as the value of
// its recorded name in its recorded Run key, then deleting its startupreg key after its verified
// backup; where the key stays (no backup, or it would not go), the written value is taken back.
StartupStateOutcome ChangeStartupState(const AppState& state, const std::vector<StartupRow>& rows,
                                       StartupStateChange change, uint64_t now);

// The program file of a row where it exists: the program of its command, or its shortcut's target,
// with the user's environment variables expanded, looked for with file-system redirection off (Explorer, a
// 64-bit program on 64-bit Windows, is shown it unredirected). "" when there is none.
std::string StartupProgramFile(const AppState& state, const StartupRow& row);

// The message the user sees; "" when every row simply changed state.
std::string StartupStateResultText(const StartupStateOutcome& outcome);

}  // namespace kv
