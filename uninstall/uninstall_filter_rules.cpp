#include "uninstall/uninstall_filter_rules.h"

#include "sysaccess/text_rules.h"

namespace kv {

namespace {
bool UpperContains(const std::string& text, const char* token) { return ContainsText(AsciiUpper(text), token); }
}  // namespace

std::string ListedUninstallCommand(const UninstallValues& v, UninstallFilter filter) {
  if (v.system_component) return "";
  if (!v.has_uninstall_string && !v.has_quiet_uninstall_string) return "";
  if (v.display_name.empty()) return "";
  if (UpperContains(v.display_name, "WINDOWS LIVE")) return "";
  const std::string command = v.quiet_uninstall_string.empty() ? v.uninstall_string : v.quiet_uninstall_string;
  if (command.empty()) return "";
  if (filter == UninstallFilter::HideUpdates) {
    if (UpperContains(v.release_type, "HOTFIX") || UpperContains(v.release_type, "UPDATE")) return "";
    if (UpperContains(v.display_name, "(KB")) return "";
  }
  if (filter == UninstallFilter::OnlyToolbars) {
    if (!UpperContains(v.subkey_name, "TOOLBAR") && !UpperContains(v.display_name, "TOOLBAR") &&
        !UpperContains(command, "TOOLBAR"))
      return "";
  }
  return command;
}

}  // namespace kv
