#pragma once
// The registry side of saving and deleting an association, all under HKEY_CLASSES_ROOT in the
// view the list is read from.
#include <string>

#include "associations/association_rules.h"

namespace kv {

bool AssociationKeyExists(const std::string& extension);
// The type name the extension key names now (its default value), or "".
std::string CurrentTypeName(const std::string& extension);
// The four writes, in this order: extension, type, type\shell\open\command, type\DefaultIcon.
void WriteAssociation(const AssociationWrite& w);

}  // namespace kv
