// The window outline cut from synthetic skins, read back from a real window.
#include <gtest/gtest.h>

#include <functional>

#include "resources/resource_ids.h"
#include "win/handles.h"
#include "ui/bitmaps.h"
#include "ui/skin_region.h"

namespace kv {
namespace {

constexpr uint32_t kKey = 0x999999;  // RGB 153,153,153
constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kBlue = 0x245EB2;

using PixelFn = std::function<uint32_t(int x, int y)>;

UniqueBitmap Skin(int w, int h, const PixelFn& pixel) {
  RgbImage img{w, h, {}};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint32_t c = pixel(x, y);
      img.rgb.insert(img.rgb.end(), {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)});
    }
  return UniqueBitmap(CreateSkinBitmap(img));
}

// A borderless window the size of the skin carrying the skin's region; the region is read back
// with GetWindowRgn, as the system holds it.
class RegionWindow {
 public:
  RegionWindow(HBITMAP skin, int w, int h) {
    hwnd_ = ::CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "", WS_POPUP, 0, 0, w, h, nullptr, nullptr,
                              ::GetModuleHandleA(nullptr), nullptr);
    ::SetWindowRgn(hwnd_, SkinRegion(skin), TRUE);
    region_.reset(::CreateRectRgn(0, 0, 0, 0));
    type_ = ::GetWindowRgn(hwnd_, region_.get());
  }
  ~RegionWindow() { ::DestroyWindow(hwnd_); }
  int Type() const { return type_; }
  bool In(int x, int y) const { return ::PtInRegion(region_.get(), x, y) != FALSE; }
  long Area() const {
    DWORD size = ::GetRegionData(region_.get(), 0, nullptr);
    std::vector<char> buf(size);
    auto* data = reinterpret_cast<RGNDATA*>(buf.data());
    if (!::GetRegionData(region_.get(), size, data)) return -1;
    const RECT* r = reinterpret_cast<const RECT*>(data->Buffer);
    long area = 0;
    for (DWORD i = 0; i < data->rdh.nCount; ++i) area += long(r[i].right - r[i].left) * (r[i].bottom - r[i].top);
    return area;
  }

 private:
  HWND hwnd_ = nullptr;
  UniqueRegion region_;
  int type_ = ERROR;
};

bool InFrame(int x, int y, int w, int h) { return x < 3 || y < 3 || x >= w - 3 || y >= h - 3; }

// Every pixel: cut exactly when it lies in the 3-pixel frame and has the colour of pixel (1, 1).
::testing::AssertionResult MatchesKeyRule(const RegionWindow& win, int w, int h, const PixelFn& pixel) {
  const uint32_t key = pixel(1, 1);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const bool expect_in = !(InFrame(x, y, w, h) && pixel(x, y) == key);
      if (win.In(x, y) != expect_in)
        return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") expected "
                                             << (expect_in ? "inside" : "cut away");
    }
  return ::testing::AssertionSuccess();
}

uint32_t QuarterCircleCorners(int x, int y, int w, int h, int r) {
  const int cx = x < r ? r : (x >= w - r ? w - r : x);
  const int cy = y < r ? r : (y >= h - r ? h - r : y);
  const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
  if ((x < r || x >= w - r) && (y < r || y >= h - r) && dx * dx + dy * dy > double(r) * r) return kKey;
  return (x < 4 || y < 4 || x >= w - 4 || y >= h - 4) ? kBlue : kWhite;
}

TEST(LookRegion, CutsExactlyTheKeyColouredFramePixels) {
  struct Case {
    const char* name;
    int w, h;
    PixelFn pixel;
  } const cases[] = {
      {"quarter-circle corners of radius 10", 120, 90,
       [](int x, int y) { return QuarterCircleCorners(x, y, 120, 90, 10); }},
      {"key pixels at (5, 5) and (2, 100)", 60, 160,
       [](int x, int y) { return (x == 1 && y == 1) || (x == 5 && y == 5) || (x == 2 && y == 100) ? kKey : kWhite; }},
      {"the key is whatever (1, 1) shows, compared exactly", 40, 30,
       [](int x, int y) -> uint32_t {
         if (x == 1 && y == 1) return 0xFF0000;
         if (y == 0) return x % 2 ? 0xFF0000 : 0xFE0000;  // alternating key and near-key
         return x == 39 ? 0x999999 : kWhite;                // the grey of other skins is not the key here
       }},
      {"runs reaching the last column of a band", 30, 20,
       [](int x, int y) { return (y == 1 && x >= 20) || (x == 1 && y == 1) || (x >= 27 && y == 10) ? kKey : kBlue; }},
      {"key-coloured inner rectangle stays", 20, 20, [](int, int) { return kKey; }},
  };
  for (const Case& c : cases) {
    UniqueBitmap skin = Skin(c.w, c.h, c.pixel);
    ASSERT_TRUE(skin) << c.name;
    RegionWindow win(skin.get(), c.w, c.h);
    ASSERT_NE(win.Type(), ERROR) << c.name;
    EXPECT_TRUE(MatchesKeyRule(win, c.w, c.h, c.pixel)) << c.name;
  }
}

TEST(LookRegion, NamedPixelsOfTheEdgeCases) {
  auto pixel = [](int x, int y) { return (x == 1 && y == 1) || (x == 5 && y == 5) || (x == 2 && y == 100) ? kKey : kWhite; };
  UniqueBitmap skin = Skin(200, 150, pixel);
  RegionWindow win(skin.get(), 200, 150);
  EXPECT_TRUE(win.In(5, 5));     // beyond the frame: part of the window
  EXPECT_FALSE(win.In(2, 100));  // in the left band: cut
  EXPECT_TRUE(win.In(2, 99));
  EXPECT_FALSE(win.In(1, 1));  // the reference pixel is always cut
  EXPECT_TRUE(win.In(0, 0));
}

TEST(LookRegion, SkinWithoutOtherKeyPixelsLosesOnlyTheReferencePixel) {
  UniqueBitmap skin = Skin(100, 80, [](int x, int y) { return x == 1 && y == 1 ? kKey : kBlue; });
  RegionWindow win(skin.get(), 100, 80);
  EXPECT_EQ(win.Area(), 100L * 80 - 1);
  EXPECT_FALSE(win.In(1, 1));
  EXPECT_TRUE(win.In(0, 1));
  EXPECT_TRUE(win.In(2, 1));
}

TEST(LookRegion, BandRegionCoversTheBitmapMinusTheBandsKeyPixels) {
  auto pixel = [](int x, int y) { return y < 3 && x >= 4 ? kKey : (x == 1 && y == 1 ? kKey : kWhite); };
  UniqueBitmap skin = Skin(10, 10, pixel);
  UniqueRegion band(BandRegion(skin.get(), 0, 0, 10, 2));  // rows 0 and 1 only
  ASSERT_TRUE(band);
  for (int x = 0; x < 10; ++x) {
    EXPECT_EQ(::PtInRegion(band.get(), x, 0) != FALSE, x < 4) << x;
    EXPECT_EQ(::PtInRegion(band.get(), x, 1) != FALSE, x != 1 && x < 4) << x;
    EXPECT_TRUE(::PtInRegion(band.get(), x, 2)) << x;  // key-coloured but outside the band
  }
  EXPECT_FALSE(BandRegion(skin.get(), 0, 0, 11, 2));  // a band beyond the bitmap
}

TEST(LookRegion, UnreadableSkinLeavesThePlainRectangle) {
  EXPECT_EQ(SkinRegion(nullptr), nullptr);
  UniqueBitmap tiny = Skin(4, 4, [](int, int) { return kKey; });
  EXPECT_EQ(SkinRegion(tiny.get()), nullptr);
}

TEST(LookRegion, ProgramSkinsHaveCurvedCornersAndNoSpecks) {
  struct Case {
    int id, w, h;
  } const cases[] = {{IDB_SKIN_MAIN, 720, 540}, {IDB_SKIN_ABOUT, 350, 300}, {IDB_SKIN_PROMO, 350, 300}};
  for (const Case& c : cases) {
    UniqueBitmap skin(LoadSkinBitmap(c.id));
    ASSERT_TRUE(skin) << c.id;
    BITMAP bm{};
    ::GetObjectA(skin.get(), sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, c.w);
    EXPECT_EQ(bm.bmHeight, c.h);
    EXPECT_EQ(bm.bmBitsPixel, 24);
    RegionWindow win(skin.get(), c.w, c.h);
    for (POINT corner : {POINT{0, 0}, POINT{c.w - 1, 0}, POINT{0, c.h - 1}, POINT{c.w - 1, c.h - 1}, POINT{1, 1},
                         POINT{2, 2}})
      EXPECT_FALSE(win.In(corner.x, corner.y)) << c.id << " " << corner.x << "," << corner.y;
    for (POINT inside : {POINT{c.w / 2, 0}, POINT{0, c.h / 2}, POINT{c.w / 2, c.h / 2}, POINT{3, 3}})
      EXPECT_TRUE(win.In(inside.x, inside.y)) << c.id << " " << inside.x << "," << inside.y;
  }
}

}  // namespace
}  // namespace kv
