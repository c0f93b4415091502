#pragma once
// The content of the autostart tab's undo file: a registry file of version 5.00 in code page 936
// that puts the deleted values back exactly (name, type and data). Pure rules: no windows.h.
#include <cstdint>
#include <string>
#include <vector>

namespace kv {

// Value types as the registry numbers them.
enum RegFileType : uint32_t {
  kRegNone = 0,
  kRegSz = 1,
  kRegExpandSz = 2,
  kRegBinary = 3,
  kRegDword = 4,
  kRegMultiSz = 7,
  kRegQword = 11,
};

// A value as RegQueryValueExA gives it: its exact name, its type and its raw bytes.
struct RegFileValue {
  std::string name;
  uint32_t type = kRegSz;
  std::string data;
};

extern const char kRegFileHeader[];  // "Windows Registry Editor Version 5.00"

// Text inside a quoted name or string: backslash and quote escaped, CR and LF as \r and \n, so the
// text can never end its line. GBK-aware: a second byte 0x5C is no backslash.
std::string RegFileEscape(const std::string& text);

// "name"=data for one value, without the line end; long hex data is continued on further lines
// that begin with blanks.
std::string RegFileValueLine(const RegFileValue& value);

// The key line under which a deleted row of source `digit` comes back ("" for the shortcut
// digits 8 and 9, which are not recorded). A disabled entry (5) comes back under the user's Run key.
std::string StartupUndoKeyLine(char digit);

struct StartupUndoEntry {
  char digit;
  RegFileValue value;
};

// The header, a blank line, then per entry its key line, its value line and a blank line; every
// line ends with CR LF.
std::string StartupUndoFileContent(const std::vector<StartupUndoEntry>& entries);

}  // namespace kv
