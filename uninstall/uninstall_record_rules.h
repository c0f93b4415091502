#pragma once
// UninstallRecord: the text line kept per listed program, and the install-date column. Pure rules.
#include <string>

namespace kv {

struct UninstallFields {
  std::string display_name;  // field 1
  char root_mark = 'M';      // field 2: 'U' is HKEY_CURRENT_USER, anything else HKEY_LOCAL_MACHINE
  std::string key_path;      // field 3: the Uninstall key path as read, then the subkey name
  std::string command;       // field 4: may hold any text, "|" included

  bool operator==(const UninstallFields& o) const {
    return display_name == o.display_name && root_mark == o.root_mark && key_path == o.key_path &&
           command == o.command;
  }
};

// The escape of fields 1 and 3: a "|" or "%" there (and a lone lead byte ending the field) is
// written as "%" and two hex digits, so a name can never shift the fields. Field 4, the last,
// needs none.
constexpr char kRecordEscape = '%';

// "name|mark|key path|command".
std::string EncodeUninstallRecord(const UninstallFields& fields);
// Reads a line written by EncodeUninstallRecord; false (and `out` unspecified) for anything else.
bool DecodeUninstallRecord(const std::string& line, UninstallFields& out);

// InstallDate as shown: "20140315" becomes "2014/03/15"; a text with a "/" stays as it is.
std::string FormatInstallDate(const std::string& text);

}  // namespace kv
