#pragma once
// Reading registry files as the registry editor imports them, and comparing what they would put
// back with what the registry holds. Both kinds of undo file are read: the editor's own export
// (UTF-16LE with a byte-order mark) and the autostart tab's file in the code page. Pure rules:
// no windows.h; the code page is turned into UTF-16 by a function the caller hands in.
//
// The reader is strict on purpose: it accepts only what it knows the editor imports the same way,
// so that a file it accepts restores exactly what it reads. Anything else makes it refuse.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kv {

// A value as the registry keeps it: UTF-16 name ("" is the default value), type, raw bytes
// (text types as UTF-16LE, as the W functions give them).
struct RegTreeValue {
  std::u16string name;
  uint32_t type = 0;
  std::string data;
};

// A key by its full name ("HKEY_CURRENT_USER\Software\x") and its values.
struct RegTreeKey {
  std::u16string path;
  std::vector<RegTreeValue> values;
};

struct RegFileContent {
  bool unicode = false;       // the file began with a UTF-16LE byte-order mark
  bool has_removals = false;  // it holds "[-key]" or "name"=- lines
  std::vector<RegTreeKey> keys;  // in file order, a key repeated as often as the file names it
};

// Code-page bytes to UTF-16; false when the bytes are no valid text of that code page.
using CodePageDecoder = std::function<bool(const std::string& bytes, std::u16string& text)>;

// Parses a whole registry file. False (with the line number and reason in `error`) on anything
// the reader does not know to import the same way: a missing header, an unknown escape, "\0",
// stray text after a key or a value, an odd-length text value in a UTF-16 file (the editor
// crashes on it), a DWORD of more than eight digits, a value before the first key.
bool ReadRegFile(const std::string& bytes, const CodePageDecoder& decode, RegFileContent& out,
                 std::string* error = nullptr);

// Two data of one type are the same value: text types ignore one terminating NUL character,
// which the editor adds on import whether or not the registry held one.
bool SameRegData(uint32_t type, const std::string& a, const std::string& b);

// Key names compared as the registry compares them for ASCII letters; trailing backslashes do
// not count.
bool SameKeyPath(const std::u16string& a, const std::u16string& b);

// True when importing `file` would put back exactly `expected`: every expected key is in it with
// exactly the expected values (no value missing, changed or added), and the file names no other
// key and removes nothing. Keys named twice in the file are merged, a later value replacing an
// earlier one of the same name, as an import does. `why` tells the first difference.
bool RegFileRestores(const RegFileContent& file, const std::vector<RegTreeKey>& expected,
                     std::string* why = nullptr);

// UTF-16LE bytes of a UTF-16 text, and back (an odd last byte is dropped).
std::string Utf16Bytes(const std::u16string& text);
std::u16string Utf16FromBytes(const std::string& bytes);

}  // namespace kv
