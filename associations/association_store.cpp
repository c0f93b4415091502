#include "associations/association_store.h"

#include "sysaccess/registry.h"

namespace kv {

bool AssociationKeyExists(const std::string& extension) { return RegKeyExistsIn(RegistryView::Wow64_64, HKEY_CLASSES_ROOT, extension); }

std::string CurrentTypeName(const std::string& extension) {
  return RegReadString64(HKEY_CLASSES_ROOT, extension, "");
}

void WriteAssociation(const AssociationWrite& w) {
  // Neither key may be the root itself: an empty name would write HKEY_CLASSES_ROOT's own value.
  if (w.extension.empty() || w.type_name.empty()) return;
  RegWriteString(HKEY_CLASSES_ROOT, w.extension, "", w.type_name);
  RegWriteString(HKEY_CLASSES_ROOT, w.type_name, "", w.description);
  RegWriteString(HKEY_CLASSES_ROOT, w.type_name + "\\shell\\open\\command", "", w.command);
  RegWriteString(HKEY_CLASSES_ROOT, w.type_name + "\\DefaultIcon", "", w.icon);
}

}  // namespace kv
