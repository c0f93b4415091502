#pragma once
// Message processing outside the main loop: long readings let pending messages run between rows,
// and modal windows run their own loop until they close.
#include <windows.h>

namespace kv {

// Processes every message already waiting in the thread's queue, then returns. A WM_QUIT taken
// on the way is posted again for the main loop.
void PumpMessages();

// The pump of a long reading: lets pending messages run at most every `interval_ms` (the first
// call always does). Every look into the queue costs a round trip to the window system, so a
// look per row would cost more than the row; every few milliseconds keeps the window responsive.
class PacedPump {
 public:
  explicit PacedPump(DWORD interval_ms = 10) : interval_(interval_ms), last_(::GetTickCount() - interval_ms) {}
  void operator()() {
    const DWORD now = ::GetTickCount();
    if (now - last_ < interval_) return;
    last_ = now;
    PumpMessages();
  }

 private:
  DWORD interval_;
  DWORD last_;
};

// The main loop: runs until WM_QUIT and returns its exit code.
int RunMessageLoop();

// The loop of a modal window (Window::RunModal): every other enabled top-level window of the
// thread is disabled until `done` becomes true (set by the window when it closes), then they are
// enabled again.
void ModalLoop(HWND window, const bool& done);

// The window that a restore request brings to the front: the innermost modal window, else null.
HWND TopModalWindow();

// Dialog windows whose keyboard handling (Tab, Enter) the loops route through IsDialogMessage.
void RegisterDialogWindow(HWND dialog);
void UnregisterDialogWindow(HWND dialog);

}  // namespace kv
