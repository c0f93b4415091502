#pragma once
// Command lines and paths as stored in the registry, reduced to the file that stands for the
// program. Code page 936 aware: a GBK second byte is never split, upper-cased or matched.
#include <string>

namespace kv {

struct PathFolders {
  std::string WindowsFolder;  // ends with a backslash
  std::string ProfileFolder;  // ends with a backslash
};

// Replaces "%WINDIR%\", "%SYSTEMROOT%\", "%PROGRAMFILES%\", "%PROGRAMFILES(X86)%\",
// "%PROGRAMW6432%\" and "%USERPROFILE%\" (each rule fires on the upper-case token and then
// replaces every occurrence in any case).
std::string ExpandPathVars(const std::string& path, const PathFolders& folders);

// The upper-cased program path of a command line, or "".
std::string ExtractProgramPath(const std::string& command_line, const PathFolders& folders);

}  // namespace kv
