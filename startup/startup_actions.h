#pragma once
// Every change tab 1 makes: adding a Run entry, and deleting entries, where the undo file is
// written from the values as they are just before the deletion and nothing is deleted unless it
// was saved.
#include <functional>
#include <string>
#include <vector>

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

}  // namespace kv
