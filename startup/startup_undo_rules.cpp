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

std::vector<RegTreeKey> StartupUndoKeys(const std::vector<StartupUndoEntry>& entries) {
  std::vector<RegTreeKey> keys;
  for (const auto& e : entries) {
    const std::string line = StartupUndoKeyLine(e.digit);
    if (line.empty()) continue;
    // The key lines are ASCII.
    keys.push_back(RegTreeKey{std::u16string(line.begin() + 1, line.end() - 1), {e.value}});
  }
  return keys;
}

bool StartupUndoFileContent(const std::vector<StartupUndoEntry>& entries, std::string& bytes) {
  return WriteRegFile(StartupUndoKeys(entries), bytes);
}

}  // namespace kv
