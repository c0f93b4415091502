#pragma once
// Text rules of the file association tab: the search, and the values an add or an edit writes.
// Pure rules: no windows.h.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kv {

// One row of the tab, as the reader gives it and the list shows it.
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

// ---- Search ----

// The search box's text as the extensions are compared with it: ASCII upper-cased, with a "."
// in front when it has none. "" for an empty box (no search).
std::string AssociationSearchPattern(const std::string& text);

// Index of the first row whose extension begins, upper-cased the same way, with the pattern of
// `text`; -1 for an empty text or when none does. Only whole characters of an extension match.
int FindAssociationRow(const std::vector<AssociationRow>& rows, const std::string& text);

// ---- Saving ----

// TForm2b's Mode: 1 adds, 2 edits.
enum class AssociationMode : std::uint8_t { Add = 1, Edit = 2 };
constexpr AssociationMode kModeAdd = AssociationMode::Add;
constexpr AssociationMode kModeEdit = AssociationMode::Edit;

// Leaving the extension box while adding: "abc" and ".abc" both give "abc.file".
std::string DescriptionForTypedExtension(const std::string& typed);

// The type key of a new association: ".abc" gives "abc.file".
std::string AddTypeName(const std::string& extension);

// The type key an edit writes under: the one the extension key names now, unless that name is
// empty or would lead anywhere but to a key of its own under the root; then the add rule's name.
std::string EditTypeName(const std::string& extension, const std::string& current_type_name);

// " \"%1\"" unless the program text already says how it takes its arguments.
std::string ArgumentSuffix(const std::string& program_text);

// The program file a command starts, with its quotes and arguments removed and its letters kept:
// "\"C:\\A b\\x.exe\" \"%1\"" gives "C:\\A b\\x.exe", "C:\\A b\\x.exe %1" the same.
std::string CommandProgramFile(const std::string& command);

// The file a DefaultIcon value names, in double quotes, followed by ", -1".
std::string IconValueFor(const std::string& file);

enum class SaveCheck {
  Ok,
  NoExtension,    // the extension box is empty
  NoDescription,  // the description box is empty
  NoProgram,      // the program box is empty
  NoDot,          // the extension does not begin with "."
  Backslash,      // the extension holds a backslash
  FileNotFound,   // adding, and no file at the program path
};

// The checks of a save, in their order; `file_exists` is asked only when adding.
SaveCheck CheckAssociationInput(AssociationMode mode, const std::string& extension, const std::string& description,
                                const std::string& program_text,
                                const std::function<bool(const std::string&)>& file_exists);

// What a save writes: each value is the default value of its key under HKEY_CLASSES_ROOT.
struct AssociationWrite {
  std::string extension;    // key: extension, value: type_name
  std::string type_name;    // key: type_name, value: description
  std::string description;
  std::string command;      // key: type_name\shell\open\command
  std::string icon;         // key: type_name\DefaultIcon
};

// The four values of a save. `current_type_name` is what the extension key names now (edit only);
// `listed_command` is the row's command that the program box was opened with (edit only): while
// the box still holds it, the icon names that command's program file.
AssociationWrite PlanAssociationWrite(AssociationMode mode, const std::string& extension,
                                      const std::string& description, const std::string& program_text,
                                      const std::string& current_type_name, const std::string& listed_command);

// ---- Windows' own settings ----

// What opens the settings in which the user changes the default program of a file type: the
// Settings page on Windows 10 and later ("Launch the Windows Settings app", ms-settings:defaultapps),
// Default Programs of the control panel before ("Canonical Names of Control Panel Items").
struct DefaultAppsLauncher {
  std::string file;
  std::string parameters;
};
DefaultAppsLauncher DefaultAppsSettings(unsigned windows_major_version);

}  // namespace kv
