#include "associations/association_actions.h"

#include "sysaccess/undo_name_rules.h"

namespace kv {

KeyDeleteOutcome DeleteAssociation(const AppState& state, const std::string& extension) {
  return DeleteKeyWithBackup(state, AssociationUndoName(extension), HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT",
                             extension);
}

}  // namespace kv
