#include "startup/startup_undo_rules.h"

namespace kv {

std::string StartupUndoKeyLine(char digit) {
  switch (digit) {
    case '1':
    case '5':
      return "[HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\]";
    case '2':
      return "[HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce\\]";
    case '3':
      return "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\]";
    case '4':
      return "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce\\]";
    case '6':
      return "[HKEY_CURRENT_USER\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run\\]";
    case '7':
      return "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run\\]";
    default:
      return "";
  }
}

std::string StartupApprovedKeyName(char digit) {
  static const struct {
    char digit;
    const char* root;
    const char* leaf;
  } kKeys[] = {
      {'1', "HKEY_CURRENT_USER", "Run"},   {'3', "HKEY_LOCAL_MACHINE", "Run"},
      {'6', "HKEY_CURRENT_USER", "Run32"}, {'7', "HKEY_LOCAL_MACHINE", "Run32"},
      {'8', "HKEY_CURRENT_USER", "StartupFolder"}, {'9', "HKEY_LOCAL_MACHINE", "StartupFolder"},
  };
  for (const auto& k : kKeys)
    if (k.digit == digit)
      return std::string(k.root) + "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\" +
             k.leaf;
  return "";
}

std::vector<RegTreeKey> StartupUndoKeys(const std::vector<StartupUndoEntry>& entries) {
  std::vector<RegTreeKey> keys;
  // The key names are ASCII.
  auto wide = [](const std::string& s) { return std::u16string(s.begin(), s.end()); };
  for (const auto& e : entries) {
    const std::string line = StartupUndoKeyLine(e.digit);
    if (!line.empty()) keys.push_back(RegTreeKey{wide(line.substr(1, line.size() - 2)), {e.value}});
    const std::string approved = StartupApprovedKeyName(e.digit);
    if (e.approved && !approved.empty()) keys.push_back(RegTreeKey{wide(approved), {*e.approved}});
  }
  return keys;
}

bool StartupUndoFileContent(const std::vector<StartupUndoEntry>& entries, std::string& bytes) {
  return WriteRegFile(StartupUndoKeys(entries), bytes);
}

}  // namespace kv
