// Temporary until the program routines land.
#include "sysaccess/programs.h"
#include "sysaccess/undo_store.h"
namespace kv {
FileIcons::FileIcons() : instance_(::GetModuleHandleA(nullptr)) {}
HICON FileIcons::LoadFileIcon(const std::string&) { return GenericIcon(); }
HICON FileIcons::GenericIcon() { return ::LoadIcon(nullptr, IDI_APPLICATION); }
void HardenDllSearch() {}
std::string UndoResultMessage(UndoForm, const std::string&, bool) { return ""; }
}  // namespace kv
namespace kv {
bool FileExists(const std::string& path) {
  DWORD a = ::GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}
bool DirectoryExists(const std::string& path) {
  DWORD a = ::GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}
}  // namespace kv
namespace kv {
// Temporary until the program routines land: the system folder only.
HMODULE LoadSystemLibrary(const char* name) {
  char dir[MAX_PATH] = {};
  const UINT n = ::GetSystemDirectoryA(dir, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return nullptr;
  return ::LoadLibraryExA((std::string(dir) + "\\" + name).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}
}  // namespace kv
