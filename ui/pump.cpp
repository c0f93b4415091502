#include "ui/pump.h"

#include <algorithm>
#include <vector>

namespace kv {

namespace {

std::vector<HWND>& Dialogs() {
  static std::vector<HWND> dialogs;
  return dialogs;
}
std::vector<HWND>& ModalStack() {
  static std::vector<HWND> stack;
  return stack;
}

void Dispatch(MSG& msg) {
  for (HWND d : Dialogs())
    if (::IsWindow(d) && ::IsWindowVisible(d) && ::IsDialogMessageA(d, &msg)) return;
  ::TranslateMessage(&msg);
  ::DispatchMessageA(&msg);
}

BOOL CALLBACK CollectEnabled(HWND hwnd, LPARAM lp) {
  auto* list = reinterpret_cast<std::pair<HWND, std::vector<HWND>*>*>(lp);
  if (hwnd != list->first && ::IsWindowEnabled(hwnd) && ::IsWindowVisible(hwnd)) list->second->push_back(hwnd);
  return TRUE;
}

}  // namespace

void PumpMessages() {
  MSG msg;
  while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    Dispatch(msg);
  }
}

int RunMessageLoop() {
  MSG msg;
  BOOL r;
  while ((r = ::GetMessageA(&msg, nullptr, 0, 0)) != 0) {
    if (r < 0) return 1;
    Dispatch(msg);
  }
  return static_cast<int>(msg.wParam);
}

void ModalLoop(HWND window, const bool& done) {
  std::vector<HWND> disabled;
  std::pair<HWND, std::vector<HWND>*> param{window, &disabled};
  ::EnumThreadWindows(::GetCurrentThreadId(), &CollectEnabled, reinterpret_cast<LPARAM>(&param));
  for (HWND h : disabled) ::EnableWindow(h, FALSE);
  ModalStack().push_back(window);
  MSG msg;
  bool quit = false;
  int quit_code = 0;
  while (!done) {
    BOOL r = ::GetMessageA(&msg, nullptr, 0, 0);
    if (r == 0) {
      quit = true;
      quit_code = static_cast<int>(msg.wParam);
      break;
    }
    if (r < 0) break;
    Dispatch(msg);
  }
  ModalStack().erase(std::remove(ModalStack().begin(), ModalStack().end(), window), ModalStack().end());
  // Enable the others before the modal window hides, so activation returns to them.
  for (HWND h : disabled)
    if (::IsWindow(h)) ::EnableWindow(h, TRUE);
  if (quit) ::PostQuitMessage(quit_code);
}

HWND TopModalWindow() { return ModalStack().empty() ? nullptr : ModalStack().back(); }

void RegisterDialogWindow(HWND dialog) { Dialogs().push_back(dialog); }
void UnregisterDialogWindow(HWND dialog) {
  Dialogs().erase(std::remove(Dialogs().begin(), Dialogs().end(), dialog), Dialogs().end());
}

}  // namespace kv
