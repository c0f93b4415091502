#pragma once
// What tab 4 reads of the registry: HKEY_CLASSES_ROOT as Windows merges it, and the user's own
// default programs.
//
// On Windows, HKEY_CLASSES_ROOT shows HKCU\Software\Classes over HKLM\Software\Classes: a key of
// the user's tree hides the machine's key of the same name; values written through it go to the
// user's key where one exists, new keys to the machine's tree; and a registry file naming
// HKEY_CLASSES_ROOT imports into the machine's tree (learn.microsoft.com, "Merged View of
// HKEY_CLASSES_ROOT" and "HKEY_CLASSES_ROOT Key"). Wine's HKEY_CLASSES_ROOT is the machine's tree
// alone. So the program merges the two trees itself and never names HKEY_CLASSES_ROOT: the same
// list on both, and undo files that put each copy back into its own tree.
#include <set>
#include <string>
#include <vector>

#include "sysaccess/key_delete.h"
#include "sysaccess/registry.h"

namespace kv {

// A key path below a tree's classes: ".txt" gives "Software\Classes\.txt".
std::string ClassesPath(const std::string& path);

// Every real copy of a key below the classes: the user's and the machine's, those that exist.
std::vector<RegKeyRef> ClassKeyCopies(const std::string& path);

class MergedClasses {
 public:
  // Lists the user's top-level class keys once: a key whose first component the user's tree
  // does not hold is the machine's without an open of the user's tree.
  MergedClasses();

  // The top-level names of both trees, each once, in the registry's (alphabetical) order.
  NameList TopKeys() const;
  // The tree whose key the merged view shows at `path` (a path below the classes).
  RegRoot Where(const std::string& path) const;
  bool Exists(const std::string& path) const;
  // A value of the key the merged view shows, as RegReadString reads it.
  std::string ReadString(const std::string& path, const std::string& value) const;

 private:
  bool UserMayHave(const std::string& path) const;
  std::set<std::string> user_top_;  // upper-cased
};

// The type the user chose for an extension in Windows' default-apps settings (Windows 8 and
// later decide by it: "Default Programs" and "File Type and Protocol Associations Model" on
// learn.microsoft.com), from ...\Explorer\FileExts\<ext>\UserChoice, value ProgId. The choice
// carries a hash that only Windows may write: this program reads it and never changes it.
class UserChoices {
 public:
  UserChoices();  // lists the extensions that have FileExts keys once
  std::string ProgIdOf(const std::string& extension) const;  // "" when there is no choice

 private:
  std::set<std::string> extensions_;  // upper-cased
};

}  // namespace kv
