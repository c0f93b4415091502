#include "ui/dialog_base.h"

#include <vector>

#include "ui/pump.h"
#include "ui/window.h"

namespace kv {

namespace {
constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_3DLOOK;
}

DialogBase::~DialogBase() {
  if (hwnd_) {
    UnregisterDialogWindow(hwnd_);
    ::DestroyWindow(hwnd_);
  }
}

bool DialogBase::CreateDialogWindow(int client_w, int client_h, const std::string& caption, HWND owner) {
  client_w_ = client_w;
  client_h_ = client_h;
  // DLGTEMPLATE, then empty menu, class and title arrays (WORD each); DWORD-aligned.
  std::vector<WORD> tmpl(sizeof(DLGTEMPLATE) / sizeof(WORD) + 4, 0);
  auto* t = reinterpret_cast<DLGTEMPLATE*>(tmpl.data());
  t->style = kDialogStyle;
  t->cdit = 0;
  ::CreateDialogIndirectParamA(::GetModuleHandleA(nullptr), t, owner, &DialogBase::Thunk,
                               reinterpret_cast<LPARAM>(this));
  if (!hwnd_) return false;
  ::SetWindowTextA(hwnd_, caption.c_str());
  SIZE outer = OuterSize(kDialogStyle, static_cast<DWORD>(::GetWindowLongA(hwnd_, GWL_EXSTYLE)), client_w, client_h);
  ::SetWindowPos(hwnd_, nullptr, 0, 0, outer.cx, outer.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  RegisterDialogWindow(hwnd_);
  return true;
}

HWND DialogBase::AddControl(const char* cls, const std::string& text, DWORD style, int x, int y, int w, int h,
                            int id, HFONT font, DWORD ex_style) {
  HWND c = ::CreateWindowExA(ex_style, cls, text.c_str(), WS_CHILD | WS_VISIBLE | style, x, y, w, h, hwnd_,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleA(nullptr), nullptr);
  if (c && font) ::SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return c;
}

void DialogBase::ShowModal(HWND over, HWND focus) {
  SIZE outer = OuterSize(static_cast<DWORD>(::GetWindowLongA(hwnd_, GWL_STYLE)),
                         static_cast<DWORD>(::GetWindowLongA(hwnd_, GWL_EXSTYLE)), client_w_, client_h_);
  const POINT at = CentredOn(over, outer);
  ::SetWindowPos(hwnd_, HWND_TOP, at.x, at.y, outer.cx, outer.cy, SWP_SHOWWINDOW);
  ::SetForegroundWindow(hwnd_);
  if (focus) {
    ::SendMessageA(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(focus), TRUE);
  }
  done_ = false;
  in_modal_ = true;
  RunModal(hwnd_, &done_);
  in_modal_ = false;
  ::ShowWindow(hwnd_, SW_HIDE);
}

void DialogBase::EndModal() { done_ = true; }

bool DialogBase::OnMessage(UINT, WPARAM, LPARAM, INT_PTR&) { return false; }

INT_PTR CALLBACK DialogBase::Thunk(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  DialogBase* self = nullptr;
  if (msg == WM_INITDIALOG) {
    self = reinterpret_cast<DialogBase*>(lp);
    self->hwnd_ = hwnd;
    ::SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    self->OnInit();
    return FALSE;  // OnInit sets the focus it wants
  }
  self = reinterpret_cast<DialogBase*>(::GetWindowLongPtrA(hwnd, DWLP_USER));
  if (!self) return FALSE;
  INT_PTR result = 0;
  if (self->OnMessage(msg, wp, lp, result)) {
    // The colour messages take their brush as the procedure's own return value.
    if (msg >= WM_CTLCOLORMSGBOX && msg <= WM_CTLCOLORSTATIC) return result;
    ::SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, result);
    return TRUE;
  }
  switch (msg) {
    case WM_COMMAND:
      // IDOK/IDCANCEL come from Enter without a default button and from Escape: neither closes.
      if (LOWORD(wp) != IDOK && LOWORD(wp) != IDCANCEL) self->OnCommand(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
      return TRUE;
    case WM_CLOSE:
      self->OnClose();
      return TRUE;
    case WM_NCDESTROY:
      // An owned dialog also goes when its owner is destroyed first.
      UnregisterDialogWindow(hwnd);
      self->hwnd_ = nullptr;
      return FALSE;
    default:
      return FALSE;
  }
}

std::string WindowText(HWND hwnd) {
  int n = ::GetWindowTextLengthA(hwnd);
  std::string s(static_cast<size_t>(n) + 1, '\0');
  n = ::GetWindowTextA(hwnd, &s[0], n + 1);
  s.resize(static_cast<size_t>(n > 0 ? n : 0));
  return s;
}

}  // namespace kv
