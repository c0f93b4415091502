#pragma once
// Deleting an association, apart from the tab's window: the tab confirms, calls, shows the
// message and reads again.
#include <string>

#include "sysaccess/app_state.h"
#include "sysaccess/key_delete.h"

namespace kv {

// Deletes the extension's key under HKEY_CLASSES_ROOT with its subkeys, after its verified backup.
KeyDeleteOutcome DeleteAssociation(const AppState& state, const std::string& extension);

}  // namespace kv
