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
