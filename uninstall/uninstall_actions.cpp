#include "uninstall/uninstall_actions.h"

#include "sysaccess/programs.h"
#include "sysaccess/undo_name_rules.h"
#include "uninstall/uninstall_plan_rules.h"

namespace kv {

bool RunUninstaller(const AppState& state, const UninstallFields& record) {
  const UninstallPlan plan =
      PlanUninstall(record.command, state.SystemFolder, [](const std::string& path) { return FileExists(path); });
  return plan.run && RunProgram(plan.program, plan.parameters);
}

KeyDeleteOutcome DeleteUninstallRecord(const AppState& state, const UninstallFields& record) {
  return DeleteKeysWithBackup(state, UninstallUndoName(record.display_name), {RegKeyRef{record.root, record.key_path}});
}

}  // namespace kv
