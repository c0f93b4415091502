#pragma once
// The action of the process tab, apart from its window: ending every process of a name. The tab
// confirms, calls and runs a pass.
#include <windows.h>

#include <string>
#include <vector>

namespace kv {

// Ends every process whose executable name equals `name` exactly, with exit code 259. This
// process is never among them. Returns the ids of those told to end, in the list's order.
std::vector<DWORD> EndProcessesNamed(const std::string& name);

}  // namespace kv
