#pragma once
// Names of undo files. Pure rules: no windows.h.
#include <string>
#include <vector>

namespace kv {

// Display name cleaned by the sixteen replacements, then "_uninstall.reg".
std::string UninstallUndoName(const std::string& display_name);
// ".txt" -> "txt_association.reg".
std::string AssociationUndoName(const std::string& extension);
// One autostart entry name as recorded: unquoted, cut before ".EXE" (any case), cut before "\".
std::string StartupRecordedName(const std::string& caption);
// The recorded names joined with "," and "_startup.reg".
std::string StartupUndoName(const std::vector<std::string>& captions);

// Makes a name that the file system accepts: characters Windows refuses become "_", trailing dots
// and blanks go, a device name gets "_", and the part before the kind suffix ("_uninstall.reg"
// and the like) is shortened so that folder_length + name length stays within MAX_PATH - 1 bytes
// and the name within 255 (a double-byte character counting as its three UTF-8 bytes).
// A name that is already valid is returned unchanged.
std::string UsableUndoFileName(const std::string& name, size_t folder_length);
// "x.reg" numbered n >= 2: "x (2).reg". UsableUndoFileName keeps such a number when it shortens.
std::string NumberedUndoFileName(const std::string& name, int n);

}  // namespace kv
