#pragma once
// The undo folder and the files in it. An undo file never replaces an older one, and an export
// counts only when it produced a new file.
#include <string>

#include "sysaccess/app_state.h"

namespace kv {

// Creates UndoFolder with every missing parent and checks that a file can be written in it.
// Where not, UserUndoFolder (created alike) becomes UndoFolder. Failure is not reported here:
// the undo file then cannot be written.
void EnsureUndoFolder(const AppState& state);

// UndoFolder when it is the per-user folder; "" when it is the one beside the program.
std::string UserUndoFolderInUse(const AppState& state);

// The usable, not yet taken file name for `name` in UndoFolder (numbered when taken).
std::string ClaimUndoFileName(const AppState& state, const std::string& name);

// Runs WindowsFolder + "regedit.exe" with /s /e "<UndoFolder><file>" "<root>\<path>" and waits.
// Under WOW64 that is the 64-bit editor, so a key of either view can be named.
// True only when the file did not exist before and exists afterwards.
bool ExportKeyToUndo(const AppState& state, const std::string& file_name, const std::string& root_name,
                     const std::string& key_path);

// The parameter text given to the registry editor (exactly one backslash after the root name).
std::string ExportParameters(const std::string& full_path, const std::string& root_name,
                             const std::string& key_path);

// Moves the keys of the undo file `part_name`, which this deletion has just exported, to the end
// of `file_name`, so that one file restores both; `part_name` goes in any case. False when the
// two could not be joined; then neither file is left.
bool AppendUndoFile(const AppState& state, const std::string& file_name, const std::string& part_name);

// Writes `content` as a new file UndoFolder + file_name; false when it cannot be fully written
// (a partial file is removed).
bool SaveUndoFile(const AppState& state, const std::string& file_name, const std::string& content);

}  // namespace kv
