#pragma once
// Deleting registry keys with everything below them, only after their verified backup: the
// registry editor exports each key into one new undo file, the file is read back and compared
// with the keys as the 64-bit view holds them now, and only a file that would put back exactly
// that lets the delete go ahead. Tabs 2 and 4 delete through this one routine.
#include <string>
#include <vector>

#include "sysaccess/app_state.h"
#include "sysaccess/registry.h"

namespace kv {

// A key of one of the real trees, named as the registry editor names it.
struct RegKeyRef {
  RegRoot root = RegRoot::LocalMachine;
  std::string path;  // below the root (backslashes around it do not count)
  std::string FullName() const { return std::string(RootName(root)) + "\\" + path; }
};

enum class KeyDeleteResult {
  Deleted,     // every key is gone and `file_name` restores them
  NoBackup,    // no verified undo file: nothing was deleted, and no file is left
  Refused,     // the registry denies the rights to delete a key: nothing was touched, no file
  StillThere,  // backed up in `file_name`, but some or all keys are still there (`kept`)
};

struct KeyDeleteOutcome {
  KeyDeleteResult result = KeyDeleteResult::NoBackup;
  std::string file_name;           // in UndoFolder; "" for NoBackup and Refused
  std::vector<std::string> gone;   // full names of the keys deleted
  std::vector<std::string> kept;   // full names of the keys still there after the delete
  bool kept_for_rights = false;    // a kept key was refused for lack of rights
  std::string user_undo_folder;    // UndoFolder when that is the per-user one, else ""
};

// `undo_name` is the file name the deletion asks for (numbered when taken). Keys that do not
// exist are no part of it; with none left there is nothing to back up (NoBackup).
KeyDeleteOutcome DeleteKeysWithBackup(const AppState& state, const std::string& undo_name,
                                      const std::vector<RegKeyRef>& keys);

}  // namespace kv
