#pragma once
// Which Uninstall subkeys the tab lists, given the values read from them. Pure rules.
#include <string>

namespace kv {

enum class UninstallFilter {
  AllPrograms,   // Panel2Check1: no test of its own
  HideUpdates,   // Panel2Check2
  OnlyToolbars,  // Panel2Check3
};

// The values of one subkey as the tab reads them (texts trimmed, non-text values as "").
struct UninstallValues {
  std::string subkey_name;
  bool system_component = false;  // SystemComponent as a flag; a non-REG_DWORD counts as not set
  bool has_uninstall_string = false;        // exists, whatever its type
  bool has_quiet_uninstall_string = false;  // exists, whatever its type
  std::string uninstall_string;
  std::string quiet_uninstall_string;
  std::string display_name;
  std::string release_type;
};

// The entry's uninstall command when it passes every test but the one against names already
// listed (the caller's), or "" when it is dropped.
std::string ListedUninstallCommand(const UninstallValues& values, UninstallFilter filter);

}  // namespace kv
