#pragma once
// Files, icons and started programs.
#include <windows.h>

#include <string>

#include "sysaccess/app_state.h"
#include "win/handles.h"

namespace kv {

// Switches the calling thread's WOW64 file-system redirection off (true) or on (false). Only a
// 32-bit process under WOW64 can; elsewhere it returns false and does nothing.
bool SetFsRedirection(const AppState& state, bool disable);

bool FileExists(const std::string& path);       // a file, not a directory
bool DirectoryExists(const std::string& path);

// A file's first icon for a list row, or the generic program icon (shell32 icon 2), never null.
// The returned icon belongs to the loader and stays valid until the next call.
class FileIcons {
 public:
  FileIcons();
  HICON LoadFileIcon(const std::string& path);
  // The file's own first icon only: null where LoadFileIcon would give the generic one.
  HICON FileIcon(const std::string& path);
  HICON GenericIcon();

 private:
  UniqueIcon row_icon_;
  HINSTANCE instance_;
};

// Starts `program` with " " + parameters as its command line and waits for it to end.
// False when it could not be started (then it returns at once).
bool RunProgram(const std::string& program, const std::string& parameters);

// Loads a DLL from the system folder only, never from the program's folder or the PATH.
HMODULE LoadSystemLibrary(const char* name);
// Restricts the DLL search of the whole process to the system folder; called first at start.
void HardenDllSearch();

}  // namespace kv
