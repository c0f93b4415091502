#pragma once
// The outline of a skinned window: the bitmap's rectangle minus the key-coloured pixels (the
// colour of pixel 1,1) within 3 pixels of its edges.
#include <windows.h>

namespace kv {

// The caller hands the region to SetWindowRgn, which then owns it. Null when the skin cannot be
// read (or is smaller than 6 by 6): SetWindowRgn(null) keeps the window's plain rectangle.
HRGN SkinRegion(HBITMAP skin);
// The bitmap's rectangle minus the key-coloured pixels of the band columns x0..x1-1, rows
// y0..y1-1; null when the skin cannot be read or the band leaves the bitmap.
HRGN BandRegion(HBITMAP skin, int x0, int y0, int x1, int y1);

}  // namespace kv
