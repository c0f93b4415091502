#pragma once
// RegUnit: the only routines through which the program touches the registry. Each one opens its
// key, does one thing and closes it; no handle survives a call. A key that does not open reads
// as empty (empty list, "" or false) and a write to it does nothing.
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

// Access masks of the two views for keys below `root`. The 64-bit build stands in for the 32-bit
// program on 64-bit Windows, so its "default" view is the 32-bit one. Keys of HKEY_CURRENT_USER
// always open in the 64-bit view: Windows shares HKCU\Software between the views (learn.microsoft.com,
// "Registry Keys Affected by WOW64"), so that is the same key there, while Wine redirects the
// 32-bit view into HKCU\Software\Wow6432Node once that key exists.
REGSAM ViewAccess(RegistryView view, HKEY root);
REGSAM DefaultViewFlag(HKEY root);

// A value exactly as stored: its type and raw bytes.
struct RegValue {
  DWORD type = REG_NONE;
  std::string data;
};

int RegGetKeyNames(HKEY root, const std::string& path, NameList& names);
int RegGetKeyNames64(HKEY root, const std::string& path, NameList& names);
int RegGetValueNames(HKEY root, const std::string& path, NameList& names);
int RegGetValueNames64(HKEY root, const std::string& path, NameList& names);
std::string RegReadString(HKEY root, const std::string& path, const std::string& value);
std::string RegReadString64(HKEY root, const std::string& path, const std::string& value);
// A value that is not a REG_DWORD of four bytes reads as false.
bool RegReadBool(HKEY root, const std::string& path, const std::string& value);
void RegWriteString(HKEY root, const std::string& path, const std::string& value, const std::string& text);
void RegWriteBool(HKEY root, const std::string& path, const std::string& value, bool flag);
bool RegKeyExists(HKEY root, const std::string& path);
// Whether the key is there in `view` (opened for reading only, so a key we may not change counts).
bool RegKeyExistsIn(RegistryView view, HKEY root, const std::string& path);
bool RegValueExists(HKEY root, const std::string& path, const std::string& value);
bool DeleteRegValue(HKEY root, const std::string& path, const std::string& value);
bool DeleteRegKey(HKEY root, const std::string& path);
bool DeleteRegKeyDirect(HKEY root, const std::string& path);

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

// The read behind RegReadValue, over any query with RegQueryValueExA's contract (type, data and
// size in/out; a null data asks for the size). A value that grows between the size query and
// the read is read again at its new size, never cut short; false when it cannot be read whole.
using ValueQuery = std::function<LONG(DWORD* type, BYTE* data, DWORD* size)>;
bool ReadValueWith(const ValueQuery& query, RegValue& out);

// The text of REG_SZ/REG_EXPAND_SZ data as RegReadString returns it: up to the first NUL, trimmed.
std::string StringFromRegData(const std::string& data);

}  // namespace kv
