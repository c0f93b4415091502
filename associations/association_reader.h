#pragma once
// Reading the file associations, apart from any window: each extension key of the merged classes
// becomes one row handed to a sink, in the order the registry lists the keys.
#include <string>

#include "associations/association_rules.h"
#include "sysaccess/path_rules.h"
#include "sysaccess/row_sink.h"

namespace kv {

// Walks every top-level key of the merged classes; `pump` runs before each key, so a window
// stays painted through tens of thousands of them.
ReadResult ReadAssociationRows(const PathFolders& folders, const RowSink<AssociationRow>& sink, const Pump& pump);

}  // namespace kv
