#include "associations/association_store.h"

#include "sysaccess/text_rules.h"

namespace kv {

namespace {
constexpr char kClasses[] = "Software\\Classes\\";
constexpr char kFileExts[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\";

std::string FirstComponent(const std::string& path) {
  const size_t cut = FindText(path, "\\");
  return path.substr(0, cut);
}

std::set<std::string> UpperNames(HKEY root, const std::string& path) {
  NameList names;
  RegGetKeyNames64(root, path, names);
  std::set<std::string> out;
  for (const auto& name : names) out.insert(AsciiUpper(name));
  return out;
}
}  // namespace

std::string ClassesPath(const std::string& path) { return kClasses + path; }

MergedClasses::MergedClasses() : user_top_(UpperNames(HKEY_CURRENT_USER, kClasses)) {}

NameList MergedClasses::TopKeys() const {
  NameList machine, user;
  RegGetKeyNames64(HKEY_LOCAL_MACHINE, kClasses, machine);
  if (!user_top_.empty()) RegGetKeyNames64(HKEY_CURRENT_USER, kClasses, user);
  // Both lists come sorted as the registry keeps names; the merge keeps that order, and a name
  // of both trees comes once.
  NameList merged;
  merged.reserve(machine.size() + user.size());
  size_t m = 0, u = 0;
  while (m < machine.size() || u < user.size()) {
    if (u == user.size()) {
      merged.push_back(machine[m++]);
      continue;
    }
    if (m == machine.size()) {
      merged.push_back(user[u++]);
      continue;
    }
    const std::string a = AsciiUpper(machine[m]), b = AsciiUpper(user[u]);
    if (a == b) ++m;  // the user's key hides the machine's
    merged.push_back(a < b ? machine[m++] : user[u++]);
  }
  return merged;
}

bool MergedClasses::UserMayHave(const std::string& path) const {
  return user_top_.count(AsciiUpper(FirstComponent(path))) > 0;
}

RegRoot MergedClasses::Where(const std::string& path) const {
  return UserMayHave(path) && RegKeyExistsIn(RegistryView::Wow64_64, HKEY_CURRENT_USER, ClassesPath(path))
             ? RegRoot::CurrentUser
             : RegRoot::LocalMachine;
}

bool MergedClasses::Exists(const std::string& path) const {
  return RegKeyExistsIn(RegistryView::Wow64_64, RootKey(Where(path)), ClassesPath(path));
}

std::string MergedClasses::ReadString(const std::string& path, const std::string& value) const {
  return RegReadString64(RootKey(Where(path)), ClassesPath(path), value);
}

std::vector<RegKeyRef> ClassKeyCopies(const std::string& path) {
  std::vector<RegKeyRef> copies;
  for (const RegRoot root : {RegRoot::CurrentUser, RegRoot::LocalMachine})
    if (RegKeyExistsIn(RegistryView::Wow64_64, RootKey(root), ClassesPath(path)))
      copies.push_back(RegKeyRef{root, ClassesPath(path)});
  return copies;
}

UserChoices::UserChoices() : extensions_(UpperNames(HKEY_CURRENT_USER, kFileExts)) {}

std::string UserChoices::ProgIdOf(const std::string& extension) const {
  if (!extensions_.count(AsciiUpper(extension))) return "";
  return RegReadString64(HKEY_CURRENT_USER, kFileExts + extension + "\\UserChoice", "ProgId");
}

}  // namespace kv
