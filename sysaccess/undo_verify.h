#pragma once
// Verified backups. Before a deletion, the undo file that this deletion has just written is read
// back and compared with the registry as it is now: only a file that would put back every key and
// value about to be deleted, with the same names, types and data, and nothing else, lets the
// deletion go ahead. The registry is read with the W functions, so nothing is lost to the code
// page on the way.
#include <windows.h>

#include <string>
#include <vector>

#include "sysaccess/app_state.h"
#include "sysaccess/reg_file_rules.h"
#include "sysaccess/registry.h"

namespace kv {

// Code-page text (CP_ACP) as UTF-16; false for bytes that are no text of the code page.
bool DecodeCodePage(const std::string& bytes, std::u16string& text);
// The same for text known to be valid; invalid bytes become the code page's default character.
std::u16string WideFromCodePage(const std::string& text);

// A REG_SZ value named `name` holding `text`, both in code-page bytes, as the registry keeps it.
RegTreeValue StringValue(const std::string& name, const std::string& text);

// The key `root_name`\`key_path` (leading and trailing backslashes of key_path do not count) and
// every key below it, with all their values, as they are in `view`. False when the key is missing
// or any part of the tree cannot be read whole: then there is nothing to vouch for.
bool SnapshotRegistryTree(RegistryView view, HKEY root, const std::string& root_name, const std::string& key_path,
                          std::vector<RegTreeKey>& out);

// One value as the registry holds it now; false when it is absent or cannot be read.
bool SnapshotRegistryValue(RegistryView view, HKEY root, const std::string& key_path, const std::string& value_name,
                           RegTreeValue& out);

// Writes a value exactly as a snapshot holds it (name, type and bytes, with the W functions),
// creating the key where it is missing; false when it was not written.
bool WriteRegistryValue(RegistryView view, HKEY root, const std::string& key_path, const RegTreeValue& value);

// Adds `value` to the expected key of that full name (created at its first value).
void ExpectValue(std::vector<RegTreeKey>& expected, const std::string& full_key_name, const RegTreeValue& value);

// True when the file at `file_path` would restore exactly `expected` (RegFileRestores). `why`
// tells what is wrong otherwise.
bool UndoFileHolds(const std::string& file_path, const std::vector<RegTreeKey>& expected, std::string* why = nullptr);

// Tabs 2 and 4, right after ExportKeyToUndo produced `file_name`: true when that file holds the
// key's whole subtree as `view` shows it now. Otherwise the file is removed (it would put back
// less than is deleted, so it is no undo file), and the caller deletes nothing and shows
// kUndoNotCreated.
bool VerifyUndoTree(const AppState& state, const std::string& file_name, RegistryView view, HKEY root,
                    const std::string& root_name, const std::string& key_path);

// Tab 1, right after SaveUndoFile wrote `file_name`: true when the file restores exactly the
// `expected` values (built with SnapshotRegistryValue/StringValue and ExpectValue from what is
// about to be deleted). Otherwise the file is removed and false returned, as above.
bool VerifyUndoValues(const AppState& state, const std::string& file_name, const std::vector<RegTreeKey>& expected);

}  // namespace kv
