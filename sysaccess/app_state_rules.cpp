#include "sysaccess/app_state_rules.h"

#include "sysaccess/text_rules.h"

namespace kv {

bool IsX86ProgramFiles(const std::string& program_files_folder) {
  return ContainsText(AsciiUpper(program_files_folder), "(X86)");
}

std::string ProfileFolderFrom(const std::string& appdata_folder) {
  return WithTrailingBackslash(UpToLastBackslash(appdata_folder));
}

std::string FolderOfPath(const std::string& path) { return WithTrailingBackslash(UpToLastBackslash(path)); }

}  // namespace kv
