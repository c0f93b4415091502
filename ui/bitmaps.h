#pragma once
// Bitmaps from the program's resources.
#include <windows.h>

namespace kv {

// A BITMAP resource as a device-independent section (pixels readable for the region scan).
HBITMAP LoadSkinBitmap(int id);
// An RCDATA resource holding a whole .bmp file ("ButtonA", "ButtonB").
HBITMAP LoadRcDataBitmap(const char* name);

}  // namespace kv
