#pragma once
// The outline of a skinned window: the bitmap's rectangle minus the key-coloured pixels (the
// colour of pixel 1,1) within 3 pixels of its edges.
#include <windows.h>

namespace kv {

// The caller hands the region to SetWindowRgn, which then owns it.
HRGN SkinRegion(HBITMAP skin);
HRGN BandRegion(HBITMAP skin, int x0, int y0, int x1, int y1);

}  // namespace kv
