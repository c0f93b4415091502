#include "sysaccess/programs.h"

#include <shellapi.h>

#include <vector>

#include "sysaccess/text_rules.h"

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

namespace kv {

#if !defined(_WIN64)
static_assert(sizeof(STARTUPINFOA) == 68, "the start-up record the program hands to CreateProcess");
#endif

namespace {

// Looked up by name: the functions may be missing from the kernel32 the program runs on.
template <typename Fn>
Fn Kernel32Function(const char* name) {
  HMODULE kernel32 = ::GetModuleHandleA("kernel32.dll");
  if (!kernel32) return nullptr;
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(kernel32, name)));
}

std::string SystemFolder() {
  char buf[MAX_PATH] = {};
  UINT n = ::GetSystemDirectoryA(buf, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return "";
  return WithTrailingBackslash(std::string(buf, n));
}

// ExtractIcon answers 1 for a file that is not a program, DLL or icon file: that is no icon.
HICON RealIcon(HICON icon) { return reinterpret_cast<UINT_PTR>(icon) > 1 ? icon : nullptr; }

}  // namespace

bool SetFsRedirection(const AppState& state, bool disable) {
  if (!state.ProgramFilesIsX86 || !state.RunsUnderWow64) return false;
  using DisableFn = BOOL(WINAPI*)(PVOID*);
  using EnableFn = BOOLEAN(WINAPI*)(BOOLEAN);
  auto disable_fn = Kernel32Function<DisableFn>("Wow64DisableWow64FsRedirection");
  auto enable_fn = Kernel32Function<EnableFn>("Wow64EnableWow64FsRedirection");
  if (disable) {
    if (!disable_fn) return false;
    PVOID old_state = nullptr;
    disable_fn(&old_state);
    return true;
  }
  if (!enable_fn) return false;
  enable_fn(TRUE);
  return true;
}

bool FileExists(const std::string& path) {
  DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& path) {
  DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

FileIcons::FileIcons() : instance_(::GetModuleHandleA(nullptr)) {}

HICON FileIcons::LoadFileIcon(const std::string& path) {
  HICON icon = FileIcon(path);
  return icon ? icon : GenericIcon();
}

HICON FileIcons::FileIcon(const std::string& path) {
  row_icon_.reset();
  if (FileExists(path)) row_icon_.reset(RealIcon(::ExtractIconA(instance_, path.c_str(), 0)));
  return row_icon_.get();
}

HICON FileIcons::GenericIcon() {
  // The full path: a bare "shell32.dll" would be looked for beside the program first.
  row_icon_.reset(RealIcon(::ExtractIconA(instance_, (SystemFolder() + "shell32.dll").c_str(), 2)));
  if (!row_icon_) row_icon_.reset(::CopyIcon(::LoadIconA(nullptr, IDI_APPLICATION)));
  return row_icon_.get();
}

bool RunProgram(const std::string& program, const std::string& parameters) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOW;
  // CreateProcessA may write into the command line, so it gets a buffer of its own.
  const std::string text = " " + parameters;
  std::vector<char> command_line(text.begin(), text.end());
  command_line.push_back('\0');
  PROCESS_INFORMATION info = {};
  if (!::CreateProcessA(program.c_str(), command_line.data(), nullptr, nullptr, FALSE,
                        DETACHED_PROCESS | HIGH_PRIORITY_CLASS, nullptr, nullptr, &startup, &info))
    return false;
  UniqueHandle process(info.hProcess);
  UniqueHandle thread(info.hThread);
  ::WaitForSingleObject(process.get(), INFINITE);
  return true;
}

HMODULE LoadSystemLibrary(const char* name) {
  // The search flags exist where AddDllDirectory does (Windows 8, or 7 with its update).
  if (Kernel32Function<FARPROC>("AddDllDirectory")) {
    HMODULE module = ::LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module || ::GetLastError() != ERROR_INVALID_PARAMETER) return module;
  }
  const std::string folder = SystemFolder();
  if (folder.empty()) return nullptr;
  // Its own dependencies are then looked for in the system folder too, not beside the program.
  return ::LoadLibraryExA((folder + name).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

void HardenDllSearch() {
  using SetDefaultFn = BOOL(WINAPI*)(DWORD);
  if (auto set_default = Kernel32Function<SetDefaultFn>("SetDefaultDllDirectories"))
    set_default(LOAD_LIBRARY_SEARCH_SYSTEM32);
  // Also takes the current folder out of the search where the call above is missing.
  ::SetDllDirectoryA("");
}

}  // namespace kv
