#pragma once
// The About window (TForm4) and the promotion windows (TForm5a, TForm5b).
#include <windows.h>

namespace kv {

// Creates the About window, shows it modally centred on `main_window` and destroys it.
void ShowAboutWindow(HWND main_window);

enum class Promotion { Sparrowtune, Glimmerback };
// Creates the promotion window, shows it modally at the centre of the desktop and releases it.
void ShowPromotionWindow(Promotion which);

}  // namespace kv
