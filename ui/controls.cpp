#include "ui/controls.h"

namespace kv {

HWND CreateControl(HWND parent, const char* cls, const std::string& text, DWORD style, const RECT& rect, int id,
                   HFONT font, DWORD ex_style) {
  HWND c = ::CreateWindowExA(ex_style, cls, text.c_str(), WS_CHILD | WS_VISIBLE | style, rect.left, rect.top,
                             rect.right - rect.left, rect.bottom - rect.top, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleA(nullptr), nullptr);
  if (c && font) ::SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return c;
}

}  // namespace kv
