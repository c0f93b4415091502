#pragma once
// Reading the installed programs from the Uninstall keys, apart from any window: the tab's sink
// fills its list, a test's sink collects rows.
#include <windows.h>

#include <functional>
#include <string>
#include <unordered_set>
#include <vector>

#include "sysaccess/app_state.h"
#include "uninstall/uninstall_filter_rules.h"
#include "uninstall/uninstall_record_rules.h"

namespace kv {

extern const char kUninstallKey[];       // "SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\"
extern const char kUninstallKeyWow64[];  // "\SOFTWARE\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall\"

// One listed program: its record line and what its row shows besides the record's fields.
struct InstalledProgram {
  std::string record;  // the UninstallRecord line
  UninstallFields fields;
  std::string install_date;  // InstallDate as read: "" when absent or not text
  bool has_display_icon = false;
  std::string display_icon;
};

// Collects the records of a read, key after key.
class UninstallCollector {
 public:
  UninstallCollector(UninstallFilter filter, std::function<void()> pump)
      : filter_(filter), pump_(std::move(pump)) {}

  // Appends one program per subkey of root\key_path that passes the filters, in the order the
  // registry enumerates them; names already collected (exact case) are skipped.
  void GetUninstallNames(HKEY root, const std::string& key_path);

  std::vector<InstalledProgram>& Programs() { return programs_; }

 private:
  UninstallFilter filter_;
  std::function<void()> pump_;
  std::vector<InstalledProgram> programs_;
  std::unordered_set<std::string> names_;  // field 1 of every record so far
};

// Ascending by the whole record line, compared as CompareString does under the user's locale,
// ignoring case.
void SortByRecord(std::vector<InstalledProgram>& programs);

// The whole reading: the three keys (the 32-bit one only when ProgramFilesIsX86), the sort, then
// each program handed to `sink` in order (the sink may take what it keeps out of the program).
// `pump` runs before each subkey and each row.
void ReadInstalledPrograms(const AppState& state, UninstallFilter filter, const std::function<void()>& pump,
                           const std::function<void(InstalledProgram&)>& sink);

}  // namespace kv
