#pragma once
// The content of the autostart tab's undo file: a registry file in the editor's own export form
// that puts the deleted values back exactly (name, type and data). Pure rules: no windows.h.
#include <optional>
#include <string>
#include <vector>

#include "startup/startup_rules.h"
#include "sysaccess/reg_file_rules.h"

namespace kv {

// The key under which a deleted row of `source` comes back: its own key, or the user's Run key
// for an entry MSConfig disabled. None for the Startup folders, whose shortcuts are not recorded.
std::optional<StartupKey> StartupUndoKey(StartupSource source);

// One deleted row as its undo file records it.
struct StartupUndoEntry {
  StartupSource source;
  RegTreeValue value;  // as the registry holds it (the W functions' view); unused for a shortcut
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
