#pragma once
// Files, icons and started programs.
#include <windows.h>

#include <string>

#include "sysaccess/app_state.h"
#include "win/handles.h"

#ifndef ERROR_ELEVATION_REQUIRED  // "System Error Codes (500-999)" on learn.microsoft.com
#define ERROR_ELEVATION_REQUIRED 740L
#endif

namespace kv {

// WOW64 file-system redirection off for the calling thread while the scope lives, then back as it
// was with Wow64RevertWow64FsRedirection. While it is off, DLL and delay loads fail and a failed
// delay load stays failed (learn.microsoft.com, "Wow64DisableWow64FsRedirection function"): keep a
// scope around single file calls, never across a window, list-view or message-pump call. Only a
// 32-bit process under WOW64 switches anything.
class FsRedirectionOff {
 public:
  explicit FsRedirectionOff(const AppState& state);
  ~FsRedirectionOff();
  FsRedirectionOff(const FsRedirectionOff&) = delete;
  FsRedirectionOff& operator=(const FsRedirectionOff&) = delete;
  bool Switched() const { return switched_; }  // redirection really is off

  // For tests, which cannot reach redirection in the 64-bit build: scopes alive now, and scopes
  // made so far, counted whether they switched or not.
  static int Alive();
  static int Made();

 private:
  PVOID old_value_ = nullptr;
  bool switched_ = false;
};

bool FileExists(const std::string& path);       // a file, not a directory
bool DirectoryExists(const std::string& path);

// A file's first icon for a list row, or the generic program icon (shell32 icon 2), never null.
// The returned icon belongs to the loader and stays valid until the next call.
class FileIcons {
 public:
  FileIcons();
  HICON LoadFileIcon(const std::string& path);
  // The file's own first icon only: null where LoadFileIcon would give the generic one. With
  // `unredirected`, the file is looked for and read with file-system redirection off.
  HICON FileIcon(const std::string& path, const AppState* unredirected = nullptr);
  HICON GenericIcon();

 private:
  UniqueIcon row_icon_;
  HINSTANCE instance_;
};

// Starts `program` with " " + parameters as its command line (CreateProcess). Null when it could
// not be started, with the system's error as the last error.
UniqueHandle StartProgram(const std::string& program, const std::string& parameters);

// Waits for a started program to end. Messages sent to the thread's windows are handled meanwhile,
// input and posted messages are not.
void WaitForProgram(HANDLE process);
// The same wait for any object, for at most `timeout_ms` (INFINITE: no limit); false when it ran out.
bool WaitHandlingSentMessages(HANDLE object, DWORD timeout_ms);

// Starts `program` as StartProgram does and waits for it to end. A program that requires
// elevation is started again with the verb "runas", which asks the user, and waited for too.
// False when it could not be started (then it returns at once).
bool RunProgram(const std::string& program, const std::string& parameters);

// Starts `program` with ShellExecuteEx and `verb`; `process` receives its process where the system
// gives one to wait for. False when it was not started.
bool ShellExecuteProgram(const char* verb, const std::string& program, const std::string& parameters,
                         UniqueHandle& process);

// How RunProgram starts programs: StartProgram and ShellExecuteProgram. Tests put in stand-ins to
// play what only Windows does (Wine starts programs that require elevation).
struct ProgramStarts {
  UniqueHandle (*create)(const std::string& program, const std::string& parameters);
  bool (*shell_execute)(const char* verb, const std::string& program, const std::string& parameters,
                        UniqueHandle& process);
};
ProgramStarts SetProgramStarts(const ProgramStarts& starts);  // returns the ones it replaces

// Opens an Explorer window on the folder of `path` with the file selected
// (explorer.exe /select,"path"). False when Explorer could not be started.
bool ShowInExplorer(const AppState& state, const std::string& path);

// True when this process runs with an elevated token (TokenElevation).
bool ProcessIsElevated();
// Opens `target` with the "open" verb through the desktop shell's own process, so that what it
// starts gets the shell's token, not this process's. False when any step fails or the shell has
// not answered within a few seconds.
bool OpenThroughDesktopShell(const std::string& target);

// Loads a DLL from the system folder only, never from the program's folder or the PATH.
HMODULE LoadSystemLibrary(const char* name);
// Restricts the DLL search of the whole process to the system folder; called first at start.
void HardenDllSearch();

}  // namespace kv
