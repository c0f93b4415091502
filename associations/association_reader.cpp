#include "associations/association_reader.h"

#include "sysaccess/registry.h"

namespace kv {

// The 64-bit view throughout: it is the view the saves write, the deletions remove and the
// registry editor exports. Extension and type keys are shared between the views on Windows,
// but Wine keeps two trees, and a key written in one would not be read back from the other.
int ReadAssociationRows(const PathFolders& folders, const std::function<void(const AssociationRow&)>& sink,
                        const std::function<void()>& pump) {
  NameList names;
  RegGetKeyNames64(HKEY_CLASSES_ROOT, "\\", names);
  int rows = 0;
  AssociationRow row;
  for (const std::string& name : names) {
    if (pump) pump();
    if (name.empty() || name[0] != '.') continue;
    row.extension = name;
    row.type_name = RegReadString64(HKEY_CLASSES_ROOT, name, "");
    row.description.clear();
    row.command.clear();
    row.icon_text.clear();
    if (!row.type_name.empty()) {
      row.description = RegReadString64(HKEY_CLASSES_ROOT, row.type_name, "");
      if (row.description.empty()) row.description = row.type_name;
      row.command = RegReadString64(HKEY_CLASSES_ROOT, row.type_name + "\\shell\\open\\command", "");
      row.icon_text = RegReadString64(HKEY_CLASSES_ROOT, row.type_name + "\\DefaultIcon", "");
    }
    row.icon_path = ExtractProgramPath(row.icon_text, folders);
    if (sink) sink(row);
    ++rows;
  }
  return rows;
}

}  // namespace kv
