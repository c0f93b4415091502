#pragma once
// Bitmaps from the program's resources.
#include <windows.h>

#include "ui/skin_rle_rules.h"

namespace kv {

// A skin resource (RCDATA in the run-length form of ui/skin_rle_rules.h) as a 24-bit
// device-independent section, so its pixels can be read for the region scan. Null when missing.
HBITMAP LoadSkinBitmap(int id);
// A 24-bit DIB section holding `image` (also the tests' synthetic skins).
HBITMAP CreateSkinBitmap(const RgbImage& image);
// An RCDATA resource holding a whole .bmp file ("ButtonA", "ButtonB").
HBITMAP LoadRcDataBitmap(const char* name);

}  // namespace kv
