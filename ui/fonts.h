#pragma once
// Fonts by face and pixel height, GB2312 character set; created once and kept for the process.
#include <windows.h>

namespace kv {

HFONT GetFont(const char* face, int pixel_height, bool bold = false, bool underline = false);

}  // namespace kv
