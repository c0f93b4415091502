#include "sysaccess/app_state.h"

#include <windows.h>
#include <shlobj.h>

#include "sysaccess/app_state_rules.h"
#include "sysaccess/registry.h"
#include "sysaccess/text_rules.h"

namespace kv {

namespace {

constexpr bool kIs64BitBuild = sizeof(void*) == 8;

std::string ShellFolder(int csidl) {
  char buf[MAX_PATH + 1] = {};
  if (FAILED(::SHGetFolderPathA(nullptr, csidl, nullptr, 0, buf))) return "";
  return buf;
}

std::string FirstNonEmpty(std::string a, HKEY root, const char* v1, const char* v2) {
  static const char kShellFolders[] = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
  if (a.empty()) a = RegReadString(root, kShellFolders, v1);
  if (a.empty()) a = RegReadString(root, kShellFolders, v2);
  return a;
}

bool IsWow64() {
  BOOL wow = FALSE;
  using Fn = BOOL(WINAPI*)(HANDLE, PBOOL);
  auto fn = reinterpret_cast<Fn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "IsWow64Process")));
  return fn && fn(::GetCurrentProcess(), &wow) && wow;
}

}  // namespace

AppState ComputeAppState() {
  AppState s;

  char user[259] = {};
  DWORD size = sizeof user;
  if (::GetUserNameA(user, &size) && size > 0) s.UserName.assign(user, size - 1);

  char exe[MAX_PATH + 1] = {};
  ::GetModuleFileNameA(nullptr, exe, MAX_PATH);
  s.ExeFolder = FolderOfPath(exe);
  s.UndoFolder = s.ExeFolder + "Undo\\";
  const std::string local = ShellFolder(CSIDL_LOCAL_APPDATA);
  if (!local.empty()) s.UserUndoFolder = WithTrailingBackslash(local) + "Korvane\\Undo\\";

  char buf[MAX_PATH] = {};
  ::GetWindowsDirectoryA(buf, MAX_PATH);
  s.WindowsFolder = WithTrailingBackslash(buf);
  buf[0] = '\0';
  ::GetSystemDirectoryA(buf, MAX_PATH);
  s.SystemFolder = WithTrailingBackslash(buf);

  // The 64-bit build shows what the 32-bit program shows on 64-bit Windows: its Program Files
  // folder is the x86 one, which also makes it read the 32-bit Uninstall key.
  s.ProgramFilesFolder = WithTrailingBackslash(ShellFolder(kIs64BitBuild ? CSIDL_PROGRAM_FILESX86 : CSIDL_PROGRAM_FILES));
  s.ProgramFilesIsX86 = IsX86ProgramFiles(s.ProgramFilesFolder);
  s.RunsUnderWow64 = IsWow64();

  s.ProfileFolder = ProfileFolderFrom(ShellFolder(CSIDL_APPDATA));
  s.StartupFolder = WithTrailingBackslash(FirstNonEmpty(ShellFolder(CSIDL_STARTUP), HKEY_CURRENT_USER, "Startup", "AltStartup"));
  s.CommonStartupFolder = WithTrailingBackslash(
      FirstNonEmpty(ShellFolder(CSIDL_COMMON_STARTUP), HKEY_LOCAL_MACHINE, "Startup", "Common Startup"));

  using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
  OSVERSIONINFOW version{};
  version.dwOSVersionInfoSize = sizeof version;
  const auto get_version = reinterpret_cast<RtlGetVersionFn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "RtlGetVersion")));
  if (get_version && get_version(&version) == 0) {
    s.WindowsMajor = version.dwMajorVersion;
    s.WindowsMinor = version.dwMinorVersion;
  }
  return s;
}

}  // namespace kv
