#pragma once
// The two actions of the uninstall tab, apart from its window: each takes the selected row's
// fields and tells what it did; the tab confirms, calls, shows the message and reads again.
#include "sysaccess/app_state.h"
#include "sysaccess/key_delete.h"
#include "uninstall/uninstall_reader.h"

namespace kv {

// Runs the program's uninstaller as its command plans it and waits for it; false when there was
// nothing to run (the tab then opens the control panel's list of programs).
bool RunUninstaller(const AppState& state, const UninstallFields& record);

// Deletes the record's key with its subkeys, after its verified backup.
KeyDeleteOutcome DeleteUninstallRecord(const AppState& state, const UninstallFields& record);

}  // namespace kv
