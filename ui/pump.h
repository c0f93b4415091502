#pragma once
// Message processing outside the main loop: long readings let pending messages run between rows,
// and modal windows run their own loop until they close.
#include <windows.h>

namespace kv {

// Processes every message already waiting in the thread's queue, then returns. A WM_QUIT taken
// on the way is posted again for the main loop.
void PumpMessages();

// The main loop: runs until WM_QUIT and returns its exit code.
int RunMessageLoop();

// Shows `window` modally: every other enabled top-level window of the thread is disabled until
// `*done` becomes true (set by the window when it closes), then they are enabled again.
void RunModal(HWND window, const bool* done);

// The window that a restore request brings to the front: the innermost modal window, else null.
HWND TopModalWindow();

// Dialog windows whose keyboard handling (Tab, Enter) the loops route through IsDialogMessage.
void RegisterDialogWindow(HWND dialog);
void UnregisterDialogWindow(HWND dialog);

}  // namespace kv
