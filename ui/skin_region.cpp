#include "ui/skin_region.h"

#include <vector>

#include "ui/pump.h"

namespace kv {

namespace {

// The bitmap's pixels as 0x00RRGGBB, top row first.
struct Pixels {
  int w = 0, h = 0;
  std::vector<DWORD> px;
  DWORD At(int x, int y) const { return px[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)] & 0xFFFFFF; }
};

Pixels ReadPixels(HBITMAP skin) {
  Pixels p;
  BITMAP bm{};
  if (!::GetObjectA(skin, sizeof bm, &bm)) return p;
  p.w = bm.bmWidth;
  p.h = bm.bmHeight;
  p.px.assign(static_cast<size_t>(p.w) * static_cast<size_t>(p.h), 0);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = p.w;
  bi.bmiHeader.biHeight = -p.h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  HDC dc = ::GetDC(nullptr);
  ::GetDIBits(dc, skin, 0, static_cast<UINT>(p.h), p.px.data(), &bi, DIB_RGB_COLORS);
  ::ReleaseDC(nullptr, dc);
  return p;
}

HRGN Band(const Pixels& p, int x0, int y0, int x1, int y1) {
  HRGN result = ::CreateRectRgn(0, 0, p.w, p.h);
  if (p.w < 2 || p.h < 2) return result;
  const DWORD key = p.At(1, 1);
  PumpMessages();
  for (int y = y0; y < y1; ++y) {
    int run = -1;
    for (int x = x0; x <= x1; ++x) {
      const bool keyed = x < x1 && p.At(x, y) == key;
      if (keyed && run < 0) run = x;
      if (!keyed && run >= 0) {
        HRGN cut = ::CreateRectRgn(run, y, x, y + 1);
        ::CombineRgn(result, result, cut, RGN_DIFF);
        ::DeleteObject(cut);
        run = -1;
      }
    }
  }
  return result;
}

}  // namespace

HRGN BandRegion(HBITMAP skin, int x0, int y0, int x1, int y1) { return Band(ReadPixels(skin), x0, y0, x1, y1); }

HRGN SkinRegion(HBITMAP skin) {
  const Pixels p = ReadPixels(skin);
  const int w = p.w, h = p.h;
  HRGN top = Band(p, 0, 0, w, 3);
  HRGN left = Band(p, 0, 3, 3, h - 3);
  HRGN right = Band(p, w - 3, 3, w, h - 3);
  HRGN bottom = Band(p, 0, h - 3, w, h);
  HRGN inner = ::CreateRectRgn(3, 3, w - 3, h - 3);
  PumpMessages();
  HRGN result = ::CreateRectRgn(0, 0, 0, 0);
  ::CombineRgn(result, top, left, RGN_AND);
  ::DeleteObject(top);
  ::DeleteObject(left);
  ::CombineRgn(result, result, right, RGN_AND);
  ::DeleteObject(right);
  ::CombineRgn(result, result, bottom, RGN_AND);
  ::DeleteObject(bottom);
  ::CombineRgn(result, result, inner, RGN_OR);
  ::DeleteObject(inner);
  return result;
}

}  // namespace kv
