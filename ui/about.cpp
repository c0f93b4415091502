#include "ui/about.h"

namespace kv {

void ShowAboutWindow(HWND) {}
void ShowPromotionWindow(Promotion) {}

}  // namespace kv
