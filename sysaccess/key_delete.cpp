#include "sysaccess/key_delete.h"

#include "sysaccess/text_rules.h"
#include "sysaccess/undo_store.h"
#include "sysaccess/undo_verify.h"

namespace kv {

namespace {
bool Exists(const RegKeyRef& key) { return RegKeyExistsIn(RegistryView::Wow64_64, RootKey(key.root), key.path); }

// Exports every key into `file_name`, the first directly and each further one through a file of
// its own that is then joined to it. False, with no file left, when any export fails.
bool ExportKeys(const AppState& state, const std::string& undo_name, const std::string& file_name,
                const std::vector<RegKeyRef>& keys) {
  for (size_t i = 0; i < keys.size(); ++i) {
    const std::string target = i == 0 ? file_name : ClaimUndoFileName(state, undo_name);
    if (!ExportKeyToUndo(state, target, RootName(keys[i].root), keys[i].path) ||
        (i > 0 && !AppendUndoFile(state, file_name, target))) {
      ::DeleteFileA((state.UndoFolder + file_name).c_str());
      return false;
    }
  }
  return true;
}

// The keys as the 64-bit view holds them now, which the file must restore exactly.
bool Snapshot(const std::vector<RegKeyRef>& keys, std::vector<RegTreeKey>& expected) {
  expected.clear();
  for (const auto& key : keys) {
    std::vector<RegTreeKey> tree;
    if (!SnapshotRegistryTree(RegistryView::Wow64_64, RootKey(key.root), RootName(key.root), key.path, tree))
      return false;
    expected.insert(expected.end(), tree.begin(), tree.end());
  }
  return true;
}
}  // namespace

KeyDeleteOutcome DeleteKeysWithBackup(const AppState& state, const std::string& undo_name,
                                      const std::vector<RegKeyRef>& requested) {
  KeyDeleteOutcome out;
  std::vector<RegKeyRef> keys;
  for (RegKeyRef key : requested) {
    while (!key.path.empty() && key.path.front() == '\\') key.path.erase(0, 1);
    while (EndsWithBackslash(key.path)) key.path.pop_back();
    if (!key.path.empty() && Exists(key)) keys.push_back(std::move(key));
  }
  if (keys.empty()) return out;
  // Asked first, so that a key the user may not change leaves no undo file and no half deletion.
  for (const auto& key : keys) {
    if (RegRefuses(RegChange::DeleteKey, RootKey(key.root), key.path)) {
      out.result = KeyDeleteResult::Refused;
      return out;
    }
  }

  EnsureUndoFolder(state);
  const std::string file_name = ClaimUndoFileName(state, undo_name);
  std::vector<RegTreeKey> expected;
  if (!ExportKeys(state, undo_name, file_name, keys) || !Snapshot(keys, expected) ||
      !VerifyUndoValues(state, file_name, expected))
    return out;
  out.file_name = file_name;
  out.user_undo_folder = UserUndoFolderInUse(state);
  for (const auto& key : keys) {
    DeleteRegKey(RootKey(key.root), key.path);
    if (!Exists(key)) {
      out.gone.push_back(key.FullName());
      continue;
    }
    out.kept.push_back(key.FullName());
    if (RegRefuses(RegChange::DeleteKey, RootKey(key.root), key.path)) out.kept_for_rights = true;
  }
  out.result = out.kept.empty() ? KeyDeleteResult::Deleted : KeyDeleteResult::StillThere;
  return out;
}

}  // namespace kv
