#pragma once
// The content of the autostart tab's undo file: a registry file in the editor's own export form
// that puts the deleted values back exactly (name, type and data). Pure rules: no windows.h.
#include <optional>
#include <string>
#include <vector>

#include "sysaccess/reg_file_rules.h"

namespace kv {

// The key line under which a deleted row of source `digit` comes back ("" for the shortcut
// digits 8 and 9, which are not recorded). A disabled entry (5) comes back under the user's Run key.
std::string StartupUndoKeyLine(char digit);

// The full name of the key in which Task Manager keeps the state of a row of source `digit`
// since Windows 8: StartupApproved\Run for the Run keys, Run32 for those under Wow6432Node,
// StartupFolder for the shortcuts, in the row's own root. "" for RunOnce and the MSConfig
// entries, which have no such state. Windows documents none of this: it is the layout that Task
// Manager and Settings write on Windows 8 to 11, always in the 64-bit view.
std::string StartupApprovedKeyName(char digit);

struct StartupUndoEntry {
  char digit;
  RegTreeValue value;  // as the registry holds it (the W functions' view); unused for 8 and 9
  // The row's StartupApproved value, when it has one: it goes and comes back with the row.
  std::optional<RegTreeValue> approved = std::nullopt;
};

// The keys of the file in file order: per recorded entry its key (named again for every entry)
// with the one value, then its StartupApproved key with that value.
std::vector<RegTreeKey> StartupUndoKeys(const std::vector<StartupUndoEntry>& entries);

// The whole file (WriteRegFile of StartupUndoKeys); false when an entry cannot be written so
// that it comes back alike.
bool StartupUndoFileContent(const std::vector<StartupUndoEntry>& entries, std::string& bytes);

}  // namespace kv
