#include "startup/startup_undo_rules.h"

namespace kv {

std::optional<StartupKey> StartupUndoKey(StartupSource source) {
  return StartupSourceKey(source == StartupSource::MsconfigDisabled ? StartupSource::UserRun : source);
}

std::vector<RegTreeKey> StartupUndoKeys(const std::vector<StartupUndoEntry>& entries) {
  std::vector<RegTreeKey> keys;
  // The key names are ASCII.
  auto wide = [](const std::string& s) { return std::u16string(s.begin(), s.end()); };
  for (const auto& e : entries) {
    if (const auto key = StartupUndoKey(e.source)) keys.push_back(RegTreeKey{wide(StartupKeyName(*key)), {e.value}});
    const auto approved = StartupApprovedKey(e.source);
    if (e.approved && approved) keys.push_back(RegTreeKey{wide(StartupKeyName(*approved)), {*e.approved}});
  }
  return keys;
}

bool StartupUndoFileContent(const std::vector<StartupUndoEntry>& entries, std::string& bytes) {
  return WriteRegFile(StartupUndoKeys(entries), bytes);
}

}  // namespace kv
