#pragma once
// Deleting autostart entries: the undo file is written from the values as they are just before
// the deletion, and nothing is deleted unless it was saved.
#include <functional>
#include <string>
#include <vector>

#include "startup/startup_rules.h"
#include "sysaccess/app_state.h"

namespace kv {

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
