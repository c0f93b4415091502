#pragma once
// UninstallRecord: the line the tab's sort compares for each listed program, and the install-date
// column. Pure rules.
#include <string>

namespace kv {

// "name|mark|key path|command"; `root_mark` is 'U' for HKEY_CURRENT_USER, 'M' for
// HKEY_LOCAL_MACHINE. In the name and the key path a "|" or "%" (and a lone lead byte ending
// the field) is written as "%" and two hex digits; the command, the last field, stays as it is.
std::string UninstallRecordLine(const std::string& display_name, char root_mark, const std::string& key_path,
                                const std::string& command);

// InstallDate as shown: "20140315" becomes "2014/03/15"; a text with a "/" stays as it is.
std::string FormatInstallDate(const std::string& text);

}  // namespace kv
