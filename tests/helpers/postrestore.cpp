// Posts the restore request ("KorvaneRestore") to the window titled "Korvane" with the wParam
// given as argv[1], as a second instance would (it uses 1025). Exit 0 when the window was found.
#include <windows.h>

#include <cstdlib>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const UINT restore = RegisterWindowMessageA("KorvaneRestore");
  HWND w = FindWindowA(nullptr, "Korvane");
  if (!w) return 1;
  return PostMessageA(w, restore, static_cast<WPARAM>(std::strtoul(argv[1], nullptr, 10)), 0) ? 0 : 1;
}
