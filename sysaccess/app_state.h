#pragma once
// The process-wide values computed once when the main window is created. A plain value, so tests
// build one with the folders and flags they need.
#include <string>

namespace kv {

struct AppState {
  std::string UserName;
  std::string ExeFolder;  // every folder ends with a backslash
  // Beside the program until a deletion finds it cannot be created or written there; then the
  // per-user one for the rest of the run. Chosen by EnsureUndoFolder, which the deletions call
  // with the state they only read otherwise.
  mutable std::string UndoFolder;
  std::string UserUndoFolder;  // "%LOCALAPPDATA%\Korvane\Undo\"; "" for no fallback
  std::string WindowsFolder;
  std::string SystemFolder;
  std::string ProgramFilesFolder;
  bool ProgramFilesIsX86 = false;  // a 32-bit program on 64-bit Windows (or the 64-bit build there)
  bool RunsUnderWow64 = false;     // only then can file-system redirection be switched
  std::string ProfileFolder;
  std::string StartupFolder;
  std::string CommonStartupFolder;
  // Windows' own version, as RtlGetVersion tells it: GetVersionEx says 6.2 on Windows 10 to a
  // program whose manifest names no later Windows ("RtlGetVersion function", learn.microsoft.com).
  unsigned WindowsMajor = 0;
  unsigned WindowsMinor = 0;
};

// Reads the folders from Windows in the documented order.
AppState ComputeAppState();

}  // namespace kv
