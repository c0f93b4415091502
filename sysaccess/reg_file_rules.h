#pragma once
// Registry files (".reg"): writing them as the registry editor exports them, reading them as the
// Windows registry editor imports them, and comparing what a file would put back with what the
// registry holds. Every undo file is written and vouched for here. Pure rules: no windows.h; the
// code page is turned into UTF-16 by a function the caller hands in.
//
// The files are written in the one form that the editors of Windows and Wine read alike: UTF-16LE
// with a byte-order mark under the header "Windows Registry Editor Version 5.00". The reader is
// strict on purpose and follows Windows where Wine differs: it accepts only what it knows the
// Windows editor imports the same way, so that a file it accepts restores exactly what it reads.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kv {

// Value types as the registry numbers them.
enum RegType : uint32_t {
  kRegNone = 0,
  kRegSz = 1,
  kRegExpandSz = 2,
  kRegBinary = 3,
  kRegDword = 4,
  kRegMultiSz = 7,
  kRegQword = 11,
};

// REG_SZ, REG_EXPAND_SZ and REG_MULTI_SZ: data that the registry keeps as UTF-16 text.
bool IsRegTextType(uint32_t type);

extern const char16_t kRegFileHeader[];   // "Windows Registry Editor Version 5.00"
extern const char16_t kRegFile4Header[];  // "REGEDIT4", the code-page format of old editors

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

// Whether a value name comes back alike from a quoted name: the Windows editor knows no escape
// for a character below U+0020 in a name (Wine's has its own for CR and LF), so no file restores
// such a name on both.
bool RegFileCanName(const std::u16string& name);

// One value line as the editor exports it, without its line end; long hex data goes on in
// further lines that begin with two blanks. Text types take the quoted form when it gives the
// data back unchanged, else hex(1)/hex(2)/hex(7) of the UTF-16LE bytes ending in a zero
// character. Empty when the value cannot be written so that it comes back alike: a name that
// RegFileCanName refuses, or text data of odd length.
std::u16string RegFileValueLine(const RegTreeValue& value);

// The whole file as bytes: byte-order mark, header, a blank line, then per key its key line, its
// value lines and a blank line; every line ends with CR LF. A key named twice gets two groups.
// False (and no bytes) when any key or value cannot be written so that it comes back alike.
bool WriteRegFile(const std::vector<RegTreeKey>& keys, std::string& bytes);

// Appends the keys of `part`, a whole file of the form WriteRegFile gives (byte-order mark,
// header, CR LF), to `whole`, a file of the same form, so that one file restores both. False,
// and `whole` unchanged, when either does not begin so.
bool AppendRegFileKeys(std::string& whole, const std::string& part);

// Parses a whole registry file as the Windows editor imports it: the header decides how hex text
// data is read (version 5.00: UTF-16LE bytes, whatever the file's encoding; REGEDIT4: code-page
// bytes), quoted strings are in the file's own encoding, and "\\" and "\"" are the only escapes.
// False (with the line number and reason in `error`) on anything the reader does not know to
// import the same way: a missing header, any other escape, stray text after a key or a value,
// text data of odd length under version 5.00, a DWORD of more than eight digits, a value before
// the first key.
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
