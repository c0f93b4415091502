#pragma once
// Reading the file associations, apart from any window: each extension key of the merged classes
// becomes one row handed to a sink, in the order the registry lists the keys.
#include <string>

#include "sysaccess/path_rules.h"
#include "sysaccess/row_sink.h"

namespace kv {

struct AssociationRow {
  std::string extension;    // the key's name, with its dot
  std::string type_name;    // the extension key's default value (not shown)
  std::string user_choice;  // the type the user chose in Windows' settings, or ""
  // What opens the file: the chosen type's where the user chose one, else the extension's type's.
  std::string description;  // the type key's default value, else the type name
  std::string command;      // type\shell\open\command
  std::string icon_text;    // type\DefaultIcon
  std::string icon_path;    // the file that icon text names (ExtractProgramPath), or ""
  // The extension's own type's, which an edit changes (the same as above without a choice).
  std::string own_description;
  std::string own_command;
};

// Walks every top-level key of the merged classes; `pump` runs before each key, so a window
// stays painted through tens of thousands of them.
ReadResult ReadAssociationRows(const PathFolders& folders, const RowSink<AssociationRow>& sink, const Pump& pump);

}  // namespace kv
