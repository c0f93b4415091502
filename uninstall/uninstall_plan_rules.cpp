#include "uninstall/uninstall_plan_rules.h"

#include "sysaccess/text_rules.h"

namespace kv {

namespace {

// Byte offset of the n-th character (0-based); the length when there are fewer.
size_t OffsetOfChar(const std::string& s, size_t n) {
  size_t offset = s.size();
  size_t index = 0;
  ForEachChar(s, [&](size_t i, size_t) {
    if (index++ == n && offset == s.size()) offset = i;
  });
  return offset;
}

}  // namespace

std::string UnquotedUninstallCommand(const std::string& command) {
  return TrimControls(ReplaceAll(command, "\"", " "));
}

UninstallPlan PlanUninstall(const std::string& command, const std::string& system_folder,
                            const std::function<bool(const std::string&)>& file_exists) {
  const std::string cmd = UnquotedUninstallCommand(command);
  const std::string upper = AsciiUpper(cmd);
  UninstallPlan plan;

  if (file_exists(cmd)) {
    plan.rule = UninstallRule::A;
    plan.program = cmd;
    plan.run = true;
    return plan;
  }
  if (upper.compare(0, 7, "MSIEXEC") == 0) {
    plan.rule = UninstallRule::B;
    plan.program = system_folder + "MsiExec.exe";
    plan.parameters = TrimControls(cmd.substr(OffsetOfChar(cmd, 11)));
    plan.run = true;
    return plan;
  }

  // Byte offsets at character boundaries stand for the 1-based positions; npos is "absent",
  // which counts as position 0 and so is smaller than any position found.
  const size_t exe = FindText(upper, ".EXE");
  auto before = [&](size_t split) { return split != std::string::npos && (exe == std::string::npos || exe < split); };
  size_t split = FindText(cmd, "/");
  if (split == std::string::npos) split = FindLastText(cmd, " ");
  if (before(split)) {
    plan.rule = UninstallRule::C;
  } else {
    split = FindText(cmd, "-");
    if (before(split)) plan.rule = UninstallRule::D;
  }
  if (plan.rule == UninstallRule::None) return plan;
  plan.program = cmd.substr(0, split);
  plan.parameters = cmd.substr(split);
  plan.run = file_exists(plan.program);
  return plan;
}

}  // namespace kv
