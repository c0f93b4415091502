#pragma once
// The bench's data: entry i of each tab is a fixed text (the same for every N, so a larger seed
// only adds entries), shaped like what real machines hold: quoted and unquoted commands with
// arguments, rundll32 lines, %SystemRoot% paths, Chinese names in GBK, a few entries that the
// tabs' filters drop, and program files that many entries share.
#include <windows.h>

#include <string>

namespace bench {

constexpr char kAppsFolder[] = "C:\\Program Files\\KvBench";
constexpr char kShortcutPrefix[] = "KvBench";

// Program files with an icon, shared by many entries: one per 100 entries.
int IconProgramCount(int n);
std::string IconProgramPath(int k);

enum class StartupWhere { UserRun, MachineRun, Disabled, Shortcut };
struct StartupEntry {
  StartupWhere where;
  std::string name;     // value name, disabled entry's key name, or shortcut file name
  std::string command;  // command line, or the shortcut's target
};
StartupEntry StartupEntryAt(int i);

struct UninstallEntry {
  bool user = false;   // under HKEY_CURRENT_USER
  bool wow32 = false;  // under the machine's Wow6432Node
  std::string subkey, display_name, uninstall, quiet_uninstall, publisher, version, install_date,
      display_icon, release_type;
  DWORD estimated_size = 0;
  bool system_component = false;
};
UninstallEntry UninstallEntryAt(int i);

struct AssociationEntry {
  std::string extension;  // with its dot
  bool has_type = true;   // false: the extension key has no default value
  std::string type, description, command, icon;
};
AssociationEntry AssociationEntryAt(int i);

// A .reg file in the making: code page 936 texts in, UTF-16LE with BOM out. Escaping is done on
// the UTF-16 text, so a GBK second byte 0x5C is never taken for a backslash.
class RegFile {
 public:
  RegFile();
  void Key(const std::string& path);
  void DeleteKey(const std::string& path);
  void Default(const std::string& text);
  void String(const std::string& name, const std::string& text);
  void Dword(const std::string& name, DWORD value);
  void DeleteValue(const std::string& name);
  bool Save(const std::string& path) const;
  size_t Lines() const { return lines_; }

 private:
  void Line(const std::wstring& line);
  std::wstring text_;
  size_t lines_ = 0;
};

}  // namespace bench
