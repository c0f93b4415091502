#pragma once
// How an uninstall command is run: which program with which parameters. Pure rules.
#include <functional>
#include <string>

namespace kv {

enum class UninstallRule {
  None,  // no rule applies
  A,     // the whole command is a file
  B,     // MsiExec
  C,     // split at the first "/" (else the last blank) after ".EXE"
  D,     // split at the first "-" after ".EXE"
};

// What running a record's command comes to.
struct UninstallPlan {
  UninstallRule rule = UninstallRule::None;
  std::string program;
  std::string parameters;
  bool run = false;  // false: open the system's program list instead
};

// `command` is the record's uninstall command; `system_folder` ends with a backslash. Only the first rule
// whose condition holds is taken; when its program file is missing, nothing else is tried.
UninstallPlan PlanUninstall(const std::string& command, const std::string& system_folder,
                            const std::function<bool(const std::string&)>& file_exists);

// The command as the rules see it: quotes become blanks, then blanks and controls are trimmed.
std::string UnquotedUninstallCommand(const std::string& command);

}  // namespace kv
