#include "associations/association_actions.h"

#include <windows.h>
#include <shellapi.h>

#include "associations/association_store.h"
#include "associations/association_rules.h"
#include "sysaccess/undo_name_rules.h"

namespace kv {

namespace {
AssociationSaved WriteAssociation(const AssociationWrite& w, int* written) {
  // Neither key may be a tree's classes key itself: an empty name would write its own value.
  if (w.extension.empty() || w.type_name.empty()) return AssociationSaved::Partly;
  const MergedClasses classes;
  const std::pair<std::string, std::string> writes[] = {
      {w.extension, w.type_name},
      {w.type_name, w.description},
      {w.type_name + "\\shell\\open\\command", w.command},
      {w.type_name + "\\DefaultIcon", w.icon},
  };
  RegRoot roots[4];
  for (int i = 0; i < 4; ++i) {
    roots[i] = classes.Where(writes[i].first);
    if (RegRefuses(RegChange::WriteValue, RootKey(roots[i]), ClassesPath(writes[i].first)))
      return AssociationSaved::Refused;
  }
  for (int i = 0; i < 4; ++i) {
    if (!RegWriteString(RootKey(roots[i]), ClassesPath(writes[i].first), "", writes[i].second))
      return AssociationSaved::Partly;
    ++*written;
  }
  return AssociationSaved::Saved;
}
}  // namespace

AssociationSaveOutcome SaveAssociation(AssociationMode mode, const std::string& extension,
                                       const std::string& description, const std::string& program_text,
                                       const std::string& listed_command) {
  const std::string current = mode == kModeEdit ? MergedClasses().ReadString(extension, "") : "";
  AssociationSaveOutcome out;
  out.result = WriteAssociation(
      PlanAssociationWrite(mode, extension, description, program_text, current, listed_command), &out.written);
  return out;
}

KeyDeleteOutcome DeleteAssociation(const AppState& state, const std::string& extension) {
  // Nothing of HKEY_CLASSES_ROOT itself: deleted through it, the user's copy would go and the
  // machine's stay, and its undo file would import into the machine's tree.
  if (extension.empty()) return KeyDeleteOutcome{};
  return DeleteKeysWithBackup(state, AssociationUndoName(extension), ClassKeyCopies(extension));
}

void OpenDefaultAppsSettings(const AppState& state) {
  const DefaultAppsLauncher target = DefaultAppsSettings(state.WindowsMajor ? state.WindowsMajor : 6);
  SHELLEXECUTEINFOA info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_FLAG_NO_UI;
  info.lpVerb = "open";
  info.lpFile = target.file.c_str();
  info.lpParameters = target.parameters.empty() ? nullptr : target.parameters.c_str();
  info.nShow = SW_SHOWNORMAL;
  ::ShellExecuteExA(&info);
}

}  // namespace kv
