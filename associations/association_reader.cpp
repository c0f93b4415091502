#include "associations/association_reader.h"

#include "associations/association_store.h"

namespace kv {

namespace {
struct TypeText {
  std::string description, command, icon_text;
};

TypeText ReadType(const MergedClasses& classes, const std::string& type_name) {
  TypeText t;
  if (type_name.empty()) return t;
  t.description = classes.ReadString(type_name, "");
  if (t.description.empty()) t.description = type_name;
  t.command = classes.ReadString(type_name + "\\shell\\open\\command", "");
  t.icon_text = classes.ReadString(type_name + "\\DefaultIcon", "");
  return t;
}
}  // namespace

// The 64-bit view throughout: it is the view the saves write, the deletions remove and the
// registry editor exports. Extension and type keys are shared between the views on Windows,
// but Wine keeps two trees, and a key written in one would not be read back from the other.
ReadResult ReadAssociationRows(const PathFolders& folders, const RowSink<AssociationRow>& sink, const Pump& pump) {
  const MergedClasses classes;
  const UserChoices choices;
  ReadResult result;
  AssociationRow row;
  for (const std::string& name : classes.TopKeys()) {
    if (pump) pump();
    if (name.empty() || name[0] != '.') continue;
    row.extension = name;
    row.type_name = classes.ReadString(name, "");
    const TypeText own = ReadType(classes, row.type_name);
    row.own_description = own.description;
    row.own_command = own.command;
    row.user_choice = choices.ProgIdOf(name);
    const TypeText shown = row.user_choice.empty() ? own : ReadType(classes, row.user_choice);
    row.description = shown.description;
    row.command = shown.command;
    row.icon_text = shown.icon_text;
    row.icon_path = ExtractProgramPath(row.icon_text, folders);
    sink(row);
    ++result.rows;
  }
  return result;
}

}  // namespace kv
