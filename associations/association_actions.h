#pragma once
// Deleting an association, apart from the tab's window: the tab confirms, calls, shows the
// message and reads again.
#include <string>

#include "sysaccess/app_state.h"
#include "associations/association_rules.h"
#include "sysaccess/key_delete.h"

namespace kv {

enum class AssociationSaved {
  Saved,    // every value is written
  Refused,  // the registry denies the rights to one of the writes: nothing was written
  Partly,   // a write failed after others went
};
struct AssociationSaveOutcome {
  AssociationSaved result = AssociationSaved::Saved;
  int written = 0;  // how many of the four values went
};

// Saves what the dialog confirmed: the four values of PlanAssociationWrite (extension, type,
// type\shell\open\command, type\DefaultIcon), each into the user's key where the merged view
// shows one, else into the machine's tree, as a write through HKEY_CLASSES_ROOT goes on Windows.
// `listed_command` is the command the row showed when the edit began ("" when adding).
AssociationSaveOutcome SaveAssociation(AssociationMode mode, const std::string& extension,
                                       const std::string& description, const std::string& program_text,
                                       const std::string& listed_command);

// Deletes every real copy of the extension's key (the user's and the machine's classes) with its
// subkeys, after their verified backup in one undo file that puts each back into its own tree.
KeyDeleteOutcome DeleteAssociation(const AppState& state, const std::string& extension);

// Opens Windows' settings of default programs for this version of Windows.
void OpenDefaultAppsSettings(const AppState& state);

}  // namespace kv
