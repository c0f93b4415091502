#include "ui/context_menu.h"

#include "win/handles.h"

namespace kv {

void ShowContextMenu(HWND owner, POINT at, const std::vector<MenuItem>& items) {
  const UniqueMenu menu(::CreatePopupMenu());
  if (!menu) return;
  for (const auto& item : items)
    ::AppendMenuA(menu.get(), MF_STRING | (item.enabled ? MF_ENABLED : MF_GRAYED), static_cast<UINT_PTR>(item.id),
                  item.text.c_str());
  // Its window must be the foreground one, or the menu does not go away when the user clicks
  // elsewhere ("TrackPopupMenu function", Remarks, learn.microsoft.com).
  ::SetForegroundWindow(::GetAncestor(owner, GA_ROOT));
  ::TrackPopupMenu(menu.get(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, owner, nullptr);
}

}  // namespace kv
