#include "uninstall/uninstall_reader.h"

#include <algorithm>
#include <utility>

#include "sysaccess/registry.h"
#include "uninstall/uninstall_record_rules.h"

namespace kv {

const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const char kUninstallKeyWow64[] = "\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

namespace {

enum ValueIndex { kSystemComponent, kUninstallString, kQuietUninstallString, kDisplayName, kReleaseType,
                  kInstallDate, kDisplayIcon, kValueCount };

const std::vector<std::string>& ValueNames() {
  static const std::vector<std::string> names = {"SystemComponent", "UninstallString", "QuietUninstallString",
                                                 "DisplayName",     "ReleaseType",     "InstallDate",
                                                 "DisplayIcon"};
  return names;
}

}  // namespace

void UninstallCollector::GetUninstallNames(RegRoot root, const std::string& key_path) {
  const HKEY hkey = RootKey(root);
  NameList subkeys;
  RegGetKeyNames64(hkey, key_path, subkeys);
  // The root's letter in the line the sort compares.
  const char mark = root == RegRoot::CurrentUser ? 'U' : 'M';
  for (const std::string& name : subkeys) {
    if (pump_) pump_();
    const std::string path = key_path + name;
    // One open for every value of the subkey; the row's date and icon come along.
    std::vector<bool> present;
    const std::vector<std::string> text = RegReadStrings(RegistryView::Wow64_64, hkey, path, ValueNames(), &present);
    UninstallValues v;
    v.subkey_name = name;
    // Only a value that is there can be a set flag; its DWORD needs the raw read.
    v.system_component = present[kSystemComponent] && RegReadBool(hkey, path, "SystemComponent");
    v.has_uninstall_string = present[kUninstallString];
    v.has_quiet_uninstall_string = present[kQuietUninstallString];
    v.uninstall_string = text[kUninstallString];
    v.quiet_uninstall_string = text[kQuietUninstallString];
    v.display_name = text[kDisplayName];
    v.release_type = text[kReleaseType];
    const std::string command = ListedUninstallCommand(v, filter_);
    if (command.empty() || names_.count(v.display_name) != 0) continue;

    InstalledProgram p;
    p.fields.display_name = v.display_name;
    p.fields.root = root;
    p.fields.key_path = path;
    p.fields.command = command;
    p.record = UninstallRecordLine(p.fields.display_name, mark, path, command);
    p.install_date = text[kInstallDate];
    p.has_display_icon = present[kDisplayIcon];
    p.display_icon = text[kDisplayIcon];
    names_.insert(v.display_name);
    programs_.push_back(std::move(p));
  }
}

void SortByRecord(std::vector<InstalledProgram>& programs) {
  // Merge sort: whatever the locale's comparison does with odd bytes, it cannot run off the ends.
  std::stable_sort(programs.begin(), programs.end(), [](const InstalledProgram& a, const InstalledProgram& b) {
    return ::CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.record.data(), static_cast<int>(a.record.size()),
                            b.record.data(), static_cast<int>(b.record.size())) == CSTR_LESS_THAN;
  });
}

ReadResult ReadInstalledPrograms(const AppState& state, UninstallFilter filter, const RowSink<InstalledProgram>& sink,
                                 const Pump& pump) {
  std::vector<InstalledProgram> programs;
  {
    // The names seen are of no use once the keys are read: they go before the rows are shown.
    UninstallCollector collector(filter, pump);
    collector.GetUninstallNames(RegRoot::CurrentUser, kUninstallKey);
    collector.GetUninstallNames(RegRoot::LocalMachine, kUninstallKey);
    if (state.ProgramFilesIsX86) collector.GetUninstallNames(RegRoot::LocalMachine, kUninstallKeyWow64);
    programs = std::move(collector.Programs());
  }
  SortByRecord(programs);
  for (InstalledProgram& p : programs) {
    if (pump) pump();
    sink(p);
  }
  return ReadResult{programs.size(), true};
}

}  // namespace kv
