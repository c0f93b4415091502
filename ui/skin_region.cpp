#include "ui/skin_region.h"

#include <cstdlib>
#include <vector>

#include "win/handles.h"
#include "ui/pump.h"

namespace kv {

namespace {

constexpr int kBand = 3;

// The bitmap's pixels as 0x00RRGGBB, top row first; empty when the bitmap cannot be read.
struct Pixels {
  int w = 0, h = 0;
  std::vector<DWORD> px;
  DWORD At(int x, int y) const {
    return px[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)] & 0xFFFFFF;
  }
};

Pixels ReadPixels(HBITMAP skin) {
  Pixels p;
  BITMAP bm{};
  if (!skin || !::GetObjectA(skin, sizeof bm, &bm) || bm.bmWidth <= 0 || bm.bmHeight == 0) return p;
  const int w = bm.bmWidth, h = std::abs(bm.bmHeight);
  std::vector<DWORD> px(static_cast<size_t>(w) * static_cast<size_t>(h), 0);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  const WindowDc screen(nullptr);
  const int rows = ::GetDIBits(screen.get(), skin, 0, static_cast<UINT>(h), px.data(), &bi, DIB_RGB_COLORS);
  if (rows != h) return p;
  p.w = w;
  p.h = h;
  p.px = std::move(px);
  return p;
}

// The bitmap's rectangle minus the key-coloured pixels of the band x0..x1-1, y0..y1-1.
HRGN Band(const Pixels& p, int x0, int y0, int x1, int y1) {
  HRGN result = ::CreateRectRgn(0, 0, p.w, p.h);
  const DWORD key = p.At(1, 1);
  PumpMessages();
  for (int y = y0; y < y1; ++y) {
    int run = -1;  // first column of the current key-coloured run
    for (int x = x0; x <= x1; ++x) {
      const bool keyed = x < x1 && p.At(x, y) == key;
      if (keyed && run < 0) run = x;
      if (!keyed && run >= 0) {
        const UniqueRegion cut(::CreateRectRgn(run, y, x, y + 1));
        ::CombineRgn(result, result, cut.get(), RGN_DIFF);
        run = -1;
      }
    }
  }
  return result;
}

// A skin smaller than this has no inner rectangle and no pixel (1, 1) worth the name.
bool Usable(const Pixels& p) { return p.w >= 2 * kBand && p.h >= 2 * kBand; }

}  // namespace

HRGN BandRegion(HBITMAP skin, int x0, int y0, int x1, int y1) {
  const Pixels p = ReadPixels(skin);
  if (!Usable(p) || x0 < 0 || y0 < 0 || x1 > p.w || y1 > p.h) return nullptr;
  return Band(p, x0, y0, x1, y1);
}

HRGN SkinRegion(HBITMAP skin) {
  const Pixels p = ReadPixels(skin);
  // Without a readable skin the window keeps its plain rectangle rather than vanishing.
  if (!Usable(p)) return nullptr;
  const int w = p.w, h = p.h;
  const UniqueRegion top(Band(p, 0, 0, w, kBand));
  const UniqueRegion left(Band(p, 0, kBand, kBand, h - kBand));
  const UniqueRegion right(Band(p, w - kBand, kBand, w, h - kBand));
  const UniqueRegion bottom(Band(p, 0, h - kBand, w, h));
  const UniqueRegion inner(::CreateRectRgn(kBand, kBand, w - kBand, h - kBand));
  PumpMessages();
  HRGN result = ::CreateRectRgn(0, 0, 0, 0);
  ::CombineRgn(result, top.get(), left.get(), RGN_AND);
  ::CombineRgn(result, result, right.get(), RGN_AND);
  ::CombineRgn(result, result, bottom.get(), RGN_AND);
  ::CombineRgn(result, result, inner.get(), RGN_OR);
  return result;
}

}  // namespace kv
