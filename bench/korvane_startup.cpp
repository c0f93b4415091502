// Korvane's own entry, with one addition: it notes when the start-up selection of tab 1 has filled
// the list (the posted start-up message has been handled) and leaves. The program itself gives no
// such signal, and its message loop goes idle inside the fill too, so it cannot be watched from
// outside.
//   korvane_startup.exe RESULT_FILE
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "app/form1.h"
#include "bench/startup_clock.h"
#include "sysaccess/programs.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR command_line, int) {
  kv::HardenDllSearch();
  // As the program does; under a name of its own, so a running Korvane is not disturbed.
  if (::OpenMutexA(MUTEX_ALL_ACCESS, FALSE, "KorvaneBenchStartup")) return 1;
  ::CreateMutexA(nullptr, FALSE, "KorvaneBenchStartup");
  ::CoInitialize(nullptr);
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&icc);
  {
    kv::TForm1 form;
    if (!form.Create()) return 1;
    form.Show();
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
      const bool start_up = msg.message == kv::kStartUpMessage && msg.hwnd == form.hwnd();
      ::TranslateMessage(&msg);
      ::DispatchMessageA(&msg);
      if (start_up) break;
    }
    bench::WriteStartResult(command_line);
    ::DestroyWindow(form.hwnd());
  }
  ::CoUninitialize();
  return 0;
}
