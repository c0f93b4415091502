// Entry: either become the one running instance, or wake the running one and leave.
#include <windows.h>
#include <commctrl.h>

#include "app/form1.h"
#include "sysaccess/programs.h"
#include "ui/pump.h"
#include "win/handles.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  kv::HardenDllSearch();

  if (HANDLE running = ::OpenMutexA(MUTEX_ALL_ACCESS, FALSE, "Korvane")) {
    (void)running;  // left to the system's clean-up at exit
    const UINT restore = ::RegisterWindowMessageA(kv::kRestoreMessageName);
    // By class too: a folder named Korvane shows its Explorer window under the same title.
    if (HWND w = ::FindWindowA(kv::kMainClass, kv::kMainTitle)) {
      // The running instance is a background process, and Windows refuses SetForegroundWindow to
      // those: its window would only flash in the taskbar. This start is the foreground process
      // (the user just launched it), so it hands its right on before it posts (learn.microsoft.com,
      // "SetForegroundWindow function", Remarks, and "AllowSetForegroundWindow function"). Wine
      // grants the foreground to anyone, so only Windows shows what this call is for.
      DWORD running_pid = 0;
      if (::GetWindowThreadProcessId(w, &running_pid)) ::AllowSetForegroundWindow(running_pid);
      ::PostMessageA(w, restore, kv::kRestoreWParam, 0);
    }
    return 0;
  }
  // Held until the process ends; its existence is the whole protocol.
  ::CreateMutexA(nullptr, FALSE, "Korvane");

  const kv::ComApartment com;  // shell links and the shell's execute; entered before any window
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&icc);
  kv::TForm1 form;
  if (form.Create()) {
    form.Show();
    kv::RunMessageLoop();
  }
  return 0;
}
