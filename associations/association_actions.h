#pragma once
// Deleting an association, apart from the tab's window: the tab confirms, calls, shows the
// message and reads again.
#include <string>

#include "sysaccess/app_state.h"
#include "sysaccess/key_delete.h"

namespace kv {

// Deletes every real copy of the extension's key (the user's and the machine's classes) with its
// subkeys, after their verified backup in one undo file that puts each back into its own tree.
KeyDeleteOutcome DeleteAssociation(const AppState& state, const std::string& extension);

// Opens Windows' settings of default programs for this version of Windows.
void OpenDefaultAppsSettings();

}  // namespace kv
