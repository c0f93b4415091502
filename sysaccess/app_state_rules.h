#pragma once
// Pure parts of the start-up state.
#include <string>

namespace kv {

// "(X86)" anywhere in the Program Files folder, letters compared without regard to case.
bool IsX86ProgramFiles(const std::string& program_files_folder);
// The application-data folder cut after its last backslash, with the trailing backslash rule.
std::string ProfileFolderFrom(const std::string& appdata_folder);
// The folder part of an executable's full path, with trailing backslash.
std::string FolderOfPath(const std::string& path);

}  // namespace kv
