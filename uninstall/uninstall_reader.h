#pragma once
// Reading the installed programs from the Uninstall keys, apart from any window: the tab's sink
// fills its list, a test's sink collects rows.
#include <windows.h>

#include <functional>
#include <string>
#include <unordered_set>
#include <vector>

#include "sysaccess/app_state.h"
#include "sysaccess/row_sink.h"
#include "sysaccess/registry.h"
#include "uninstall/uninstall_filter_rules.h"

namespace kv {

extern const char kUninstallKey[];       // "SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\"
extern const char kUninstallKeyWow64[];  // "\SOFTWARE\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall\"

// What the tab's actions need of a listed program: the row's identity.
struct UninstallFields {
  std::string display_name;
  RegRoot root = RegRoot::LocalMachine;
  std::string key_path;  // the Uninstall key path as read, then the subkey name
  std::string command;   // the uninstall command the filters chose

  bool operator==(const UninstallFields& o) const {
    return display_name == o.display_name && root == o.root && key_path == o.key_path && command == o.command;
  }
};

// One listed program: its fields, what its row shows besides them, and the line it sorts by.
struct InstalledProgram {
  std::string record;  // the UninstallRecord line of `fields`, compared by the sort only
  UninstallFields fields;
  std::string install_date;  // InstallDate as read: "" when absent or not text
  bool has_display_icon = false;
  std::string display_icon;
};

// Collects the listed programs of a read, key after key.
class UninstallCollector {
 public:
  UninstallCollector(UninstallFilter filter, std::function<void()> pump)
      : filter_(filter), pump_(std::move(pump)) {}

  // Appends one program per subkey of root\key_path that passes the filters, in the order the
  // registry enumerates them; names already collected (exact case) are skipped.
  void GetUninstallNames(RegRoot root, const std::string& key_path);

  std::vector<InstalledProgram>& Programs() { return programs_; }

 private:
  UninstallFilter filter_;
  std::function<void()> pump_;
  std::vector<InstalledProgram> programs_;
  std::unordered_set<std::string> names_;  // the display name of every program so far
};

// Ascending by the whole record line, compared as CompareString does under the user's locale,
// ignoring case.
void SortByRecord(std::vector<InstalledProgram>& programs);

// The whole reading: the three keys (the 32-bit one only when ProgramFilesIsX86), the sort, then
// each program handed to `sink` in order (the sink may take what it keeps out of the program).
// `pump` runs before each subkey and each row.
ReadResult ReadInstalledPrograms(const AppState& state, UninstallFilter filter, const RowSink<InstalledProgram>& sink,
                                 const Pump& pump);

}  // namespace kv
