#pragma once
// The content of the autostart tab's undo file: a registry file in the editor's own export form
// that puts the deleted values back exactly (name, type and data). Pure rules: no windows.h.
#include <string>
#include <vector>

#include "sysaccess/reg_file_rules.h"

namespace kv {

// The key line under which a deleted row of source `digit` comes back ("" for the shortcut
// digits 8 and 9, which are not recorded). A disabled entry (5) comes back under the user's Run key.
std::string StartupUndoKeyLine(char digit);

struct StartupUndoEntry {
  char digit;
  RegTreeValue value;  // as the registry holds it (the W functions' view)
};

// The keys of the file in file order: per recorded entry its key (named again for every entry)
// with the one value.
std::vector<RegTreeKey> StartupUndoKeys(const std::vector<StartupUndoEntry>& entries);

// The whole file (WriteRegFile of StartupUndoKeys); false when an entry cannot be written so
// that it comes back alike.
bool StartupUndoFileContent(const std::vector<StartupUndoEntry>& entries, std::string& bytes);

}  // namespace kv
