#pragma once
// Deleting a registry key with everything below it, only after its verified backup: the registry
// editor exports the key into a new undo file, the file is read back and compared with the key as
// the 64-bit view holds it now, and only a file that would put back exactly that lets the delete
// go ahead. Tabs 2 and 4 delete through this one routine.
#include <windows.h>

#include <string>

#include "sysaccess/app_state.h"

namespace kv {

enum class KeyDeleteResult {
  Deleted,     // the key is gone and `file_name` restores it
  NoBackup,    // no verified undo file: nothing was deleted, and no file is left
  StillThere,  // backed up in `file_name`, but the registry refused the delete
};

struct KeyDeleteOutcome {
  KeyDeleteResult result = KeyDeleteResult::NoBackup;
  std::string file_name;  // in UndoFolder; "" for NoBackup
  std::string user_undo_folder;  // UndoFolder when that is the per-user one, else ""
};

// `undo_name` is the file name the deletion asks for (numbered when taken); `root_name` is the
// root's full name ("HKEY_LOCAL_MACHINE") as the registry editor takes it.
KeyDeleteOutcome DeleteKeyWithBackup(const AppState& state, const std::string& undo_name, HKEY root,
                                     const std::string& root_name, const std::string& key_path);

}  // namespace kv
