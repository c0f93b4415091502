#include "sysaccess/key_delete.h"

#include "sysaccess/registry.h"
#include "sysaccess/undo_store.h"
#include "sysaccess/undo_verify.h"

namespace kv {

KeyDeleteOutcome DeleteKeyWithBackup(const AppState& state, const std::string& undo_name, HKEY root,
                                     const std::string& root_name, const std::string& key_path) {
  KeyDeleteOutcome out;
  EnsureUndoFolder(state);
  const std::string file_name = ClaimUndoFileName(state, undo_name);
  if (!ExportKeyToUndo(state, file_name, root_name, key_path) ||
      !VerifyUndoTree(state, file_name, RegistryView::Wow64_64, root, root_name, key_path))
    return out;
  out.file_name = file_name;
  out.user_undo_folder = UserUndoFolderInUse(state);
  DeleteRegKey(root, key_path);
  out.result = RegKeyExistsIn(RegistryView::Wow64_64, root, key_path) ? KeyDeleteResult::StillThere
                                                                       : KeyDeleteResult::Deleted;
  return out;
}

}  // namespace kv
