#include "ui/dialog_base.h"

#include "ui/controls.h"
#include "ui/dialogs.h"

namespace kv {

namespace {
constexpr char kDialogClass[] = "KorvaneDialog";
constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_3DLOOK;
// What CreateDialog makes of DS_MODALFRAME ("Dialog Box Styles" on learn.microsoft.com).
constexpr DWORD kDialogExStyle = WS_EX_DLGMODALFRAME;
}  // namespace

bool DialogBase::CreateDialogWindow(int client_w, int client_h, const std::string& caption, HWND owner) {
  client_w_ = client_w;
  client_h_ = client_h;
  // No background brush: DefDlgProc paints with the WM_CTLCOLORDLG answer.
  RegisterClassOnce(kDialogClass, nullptr, 0, nullptr, true);
  const SIZE outer = OuterSize(kDialogStyle, kDialogExStyle, client_w, client_h);
  if (!CreateWin(kDialogExStyle, kDialogClass, caption.c_str(), kDialogStyle, 0, 0, outer.cx, outer.cy, owner))
    return false;
  UseDialogKeys();
  return true;
}

HWND DialogBase::AddControl(const char* cls, const std::string& text, DWORD style, int x, int y, int w, int h,
                            int id, HFONT font, DWORD ex_style) {
  return CreateControl(hwnd(), cls, text, style, RECT{x, y, x + w, y + h}, id, font, ex_style);
}

void DialogBase::PlaceOver(HWND over, UINT flags) {
  const SIZE outer = OuterSize(static_cast<DWORD>(::GetWindowLongA(hwnd(), GWL_STYLE)),
                               static_cast<DWORD>(::GetWindowLongA(hwnd(), GWL_EXSTYLE)), client_w_, client_h_);
  const POINT at = CentredOn(over, outer);
  ::SetWindowPos(hwnd(), HWND_TOP, at.x, at.y, outer.cx, outer.cy, SWP_NOACTIVATE | flags);
}

void DialogBase::ApplyAndClose(Dialogs& ui) {
  const std::string message = Apply ? Apply() : "";
  if (!message.empty()) {
    ui.ShowInfo(message);
    return;
  }
  EndModal(true);
}

bool DialogBase::OnMessage(UINT, WPARAM, LPARAM, INT_PTR&) { return false; }

LRESULT DialogBase::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  INT_PTR result = 0;
  if (OnMessage(msg, wp, lp, result)) return result;
  switch (msg) {
    case WM_CREATE:
      OnInit();
      return 0;
    case WM_COMMAND:
      // IDOK/IDCANCEL come from Enter without a default button and from Escape: neither closes.
      if (LOWORD(wp) != IDOK && LOWORD(wp) != IDCANCEL)
        OnCommand(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
      return 0;
    case WM_CLOSE:
      OnClose();
      return 0;
    default:
      return Window::HandleMessage(msg, wp, lp);
  }
}

}  // namespace kv
