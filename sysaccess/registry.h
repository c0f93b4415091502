#pragma once
// RegUnit: the routines through which the program reads and changes the registry by code-page
// names (the undo backups read it with the W functions in undo_verify). Each one opens its key,
// does one thing and closes it; no handle survives a call. A key that does not open reads as
// empty (empty list, "" or false) and a write to it does nothing. Readings ask for read access
// only: a standard user may read the machine's keys but not change them, and a key whose DACL
// grants read access alone would otherwise read as empty ("Registry Key Security and Access
// Rights" on learn.microsoft.com).
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace kv {

using NameList = std::vector<std::string>;

enum class RegistryView {
  Native32,  // the 32-bit (redirected) view that a 32-bit process sees by default
  Wow64_64,  // the native 64-bit view; on 32-bit Windows the same keys
};

// Read access (KEY_READ) in the two views for keys below `root`. The 64-bit build stands in for the 32-bit
// program on 64-bit Windows, so its "default" view is the 32-bit one. Keys of HKEY_CURRENT_USER
// always open in the 64-bit view: Windows shares HKCU\Software between the views (learn.microsoft.com,
// "Registry Keys Affected by WOW64"), so that is the same key there, while Wine redirects the
// 32-bit view into HKCU\Software\Wow6432Node once that key exists.
REGSAM ViewAccess(RegistryView view, HKEY root);

// The two trees whose keys the program names in undo files and changes directly.
enum class RegRoot { CurrentUser, LocalMachine };
HKEY RootKey(RegRoot root);
const char* RootName(RegRoot root);  // "HKEY_CURRENT_USER", as the registry editor takes it

// A value exactly as stored: its type and raw bytes.
struct RegValue {
  DWORD type = REG_NONE;
  std::string data;
};

// The named routines, each in the view its name or comment gives: no suffix reads the process's
// own view (Native32), "64" the 64-bit one (Wow64_64); every write and delete works in the 64-bit
// view, where the tabs read and the registry editor exports.
int RegGetKeyNames(HKEY root, const std::string& path, NameList& names);                 // Native32
int RegGetKeyNames64(HKEY root, const std::string& path, NameList& names);               // Wow64_64
int RegGetValueNames(HKEY root, const std::string& path, NameList& names);               // Native32
int RegGetValueNames64(HKEY root, const std::string& path, NameList& names);             // Wow64_64
std::string RegReadString(HKEY root, const std::string& path, const std::string& value);    // Native32
std::string RegReadString64(HKEY root, const std::string& path, const std::string& value);  // Wow64_64
// Wow64_64. A value that is not a REG_DWORD of four bytes reads as false.
bool RegReadBool(HKEY root, const std::string& path, const std::string& value);
// Wow64_64. The writes create every missing key along the path; false when the value was not written.
bool RegWriteString(HKEY root, const std::string& path, const std::string& value, const std::string& text);
bool RegWriteBool(HKEY root, const std::string& path, const std::string& value, bool flag);
bool RegWriteValue(HKEY root, const std::string& path, const std::string& value, const RegValue& v);  // as it is
// The process's own view, read access only.
bool RegKeyExists(HKEY root, const std::string& path);
// Whether the key is there in `view` (opened for reading only, so a key we may not change counts).
bool RegKeyExistsIn(RegistryView view, HKEY root, const std::string& path);
bool RegValueExists(HKEY root, const std::string& path, const std::string& value);  // Wow64_64
bool DeleteRegValue(HKEY root, const std::string& path, const std::string& value);  // Wow64_64
bool DeleteRegKey(HKEY root, const std::string& path);                              // Wow64_64
bool DeleteRegKeyDirect(HKEY root, const std::string& path);                        // Wow64_64

// Whether the registry refuses, for lack of rights, what a change would ask of the key in the
// 64-bit view: writing a value (creating the key, where it is missing, below its nearest
// existing parent), deleting a value of it, or deleting it with its subkeys. A missing key
// is no refusal of a delete: there is nothing to change.
enum class RegChange { WriteValue, DeleteValue, DeleteKey };
bool RegRefuses(RegChange change, HKEY root, const std::string& path);

// Generic forms behind the named twins.
int RegGetKeyNamesIn(RegistryView view, HKEY root, const std::string& path, NameList& names);
int RegGetValueNamesIn(RegistryView view, HKEY root, const std::string& path, NameList& names);
std::string RegReadStringIn(RegistryView view, HKEY root, const std::string& path, const std::string& value);
// The raw value; false when the key does not open or the value is absent.
bool RegReadValue(RegistryView view, HKEY root, const std::string& path, const std::string& value,
                  RegValue& out);

// Several string values of one key with one open: each result as RegReadString would give it.
// `present` (if given) tells for each name whether the value exists, whatever its type.
std::vector<std::string> RegReadStrings(RegistryView view, HKEY root, const std::string& path,
                                        const std::vector<std::string>& values,
                                        std::vector<bool>* present = nullptr);

// Every value of one key, in the registry's order, with its text as RegReadString would give it
// ("" for other types): one open and, for values of ordinary size, one call per value, where
// listing the names and then reading each would take two.
struct NamedText {
  std::string name;
  std::string text;
};
int RegReadAllStrings(RegistryView view, HKEY root, const std::string& path, std::vector<NamedText>& values);

// Every value of one key with its raw type and data, in the same one pass. A value that vanishes
// between listing and reading comes with type REG_NONE and no data.
struct NamedValue {
  std::string name;
  RegValue value;
};
int RegReadAllValues(RegistryView view, HKEY root, const std::string& path, std::vector<NamedValue>& values);

// The read behind RegReadValue, over any query with RegQueryValueExA's contract (type, data and
// size in/out; a null data asks for the size). A value that grows between the size query and
// the read is read again at its new size, never cut short; false when it cannot be read whole.
using ValueQuery = std::function<LONG(DWORD* type, BYTE* data, DWORD* size)>;
bool ReadValueWith(const ValueQuery& query, RegValue& out);

// The text of REG_SZ/REG_EXPAND_SZ data as RegReadString returns it: up to the first NUL, trimmed.
std::string StringFromRegData(const std::string& data);

}  // namespace kv
