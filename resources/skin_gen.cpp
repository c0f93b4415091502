// Draws Korvane's skins, button bitmaps and icon into the folder named on the command line.
// The pictures are plain geometry so that every build produces the same bytes.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "ui/skin_rle_rules.h"

namespace {

struct Rgb {
  uint8_t r, g, b;
};

constexpr Rgb kKey{153, 153, 153};  // cut away by the window region
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kFrameBlue{36, 94, 178};
constexpr Rgb kTitleBlue{52, 120, 210};
constexpr Rgb kTitleBlueLight{96, 158, 232};

class Canvas {
 public:
  Canvas(int w, int h, Rgb fill) : w_(w), h_(h), px_(static_cast<size_t>(w * h), fill) {}
  int W() const { return w_; }
  int H() const { return h_; }
  void Set(int x, int y, Rgb c) {
    if (x >= 0 && y >= 0 && x < w_ && y < h_) px_[static_cast<size_t>(y * w_ + x)] = c;
  }
  Rgb Get(int x, int y) const { return px_[static_cast<size_t>(y * w_ + x)]; }
  void Rect(int x0, int y0, int x1, int y1, Rgb c) {
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) Set(x, y, c);
  }
  void VGradient(int x0, int y0, int x1, int y1, Rgb top, Rgb bottom) {
    for (int y = y0; y < y1; ++y) {
      double t = (y1 - y0 > 1) ? double(y - y0) / (y1 - y0 - 1) : 0.0;
      Rgb c{Mix(top.r, bottom.r, t), Mix(top.g, bottom.g, t), Mix(top.b, bottom.b, t)};
      for (int x = x0; x < x1; ++x) Set(x, y, c);
    }
  }
  void Disc(double cx, double cy, double r, Rgb c) {
    for (int y = int(cy - r) - 1; y <= int(cy + r) + 1; ++y)
      for (int x = int(cx - r) - 1; x <= int(cx + r) + 1; ++x)
        if ((x + 0.5 - cx) * (x + 0.5 - cx) + (y + 0.5 - cy) * (y + 0.5 - cy) <= r * r) Set(x, y, c);
  }
  // Paints `outside` over every pixel beyond quarter circles of radius r in the four corners.
  void CutCorners(int r, Rgb outside) {
    for (int y = 0; y < r; ++y)
      for (int x = 0; x < r; ++x) {
        double dx = r - (x + 0.5), dy = r - (y + 0.5);
        if (dx * dx + dy * dy > double(r) * r) {
          Set(x, y, outside);
          Set(w_ - 1 - x, y, outside);
          Set(x, h_ - 1 - y, outside);
          Set(w_ - 1 - x, h_ - 1 - y, outside);
        }
      }
  }
  void Text(int x, int y, const std::string& s, int scale, Rgb c);
  // A filled rectangle with quarter-circle corners of radius r.
  void RoundRect(int x0, int y0, int x1, int y1, int r, Rgb c) {
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) {
        const double cx = std::clamp(x + 0.5, double(x0 + r), double(x1 - r));
        const double cy = std::clamp(y + 0.5, double(y0 + r), double(y1 - r));
        if ((x + 0.5 - cx) * (x + 0.5 - cx) + (y + 0.5 - cy) * (y + 0.5 - cy) <= double(r) * r) Set(x, y, c);
      }
  }

  // The window outline is cut only within 3 pixels of the edge: a key-coloured pixel further in
  // would show as a grey speck, so the corners' radius must keep the cut inside that frame.
  bool KeyOnlyInFrame() const {
    for (int y = 3; y < h_ - 3; ++y)
      for (int x = 3; x < w_ - 3; ++x) {
        const Rgb p = Get(x, y);
        if (p.r == kKey.r && p.g == kKey.g && p.b == kKey.b) return false;
      }
    const Rgb k = Get(1, 1);
    return k.r == kKey.r && k.g == kKey.g && k.b == kKey.b;
  }

  std::vector<uint8_t> Rle() const {
    kv::RgbImage img{w_, h_, {}};
    img.rgb.reserve(px_.size() * 3);
    for (const Rgb& p : px_) img.rgb.insert(img.rgb.end(), {p.r, p.g, p.b});
    return kv::EncodeSkinRle(img);
  }

  std::vector<uint8_t> Bmp24() const {
    const int stride = (w_ * 3 + 3) & ~3;
    const uint32_t data = uint32_t(stride * h_);
    std::vector<uint8_t> out;
    auto u16 = [&](uint32_t v) { out.push_back(uint8_t(v)); out.push_back(uint8_t(v >> 8)); };
    auto u32 = [&](uint32_t v) { u16(v & 0xFFFF); u16(v >> 16); };
    out.push_back('B');
    out.push_back('M');
    u32(54 + data); u32(0); u32(54);
    u32(40); u32(uint32_t(w_)); u32(uint32_t(h_)); u16(1); u16(24); u32(0); u32(data);
    u32(2835); u32(2835); u32(0); u32(0);
    for (int y = h_ - 1; y >= 0; --y) {
      for (int x = 0; x < w_; ++x) {
        Rgb p = Get(x, y);
        out.push_back(p.b); out.push_back(p.g); out.push_back(p.r);
      }
      for (int pad = w_ * 3; pad < stride; ++pad) out.push_back(0);
    }
    return out;
  }

 private:
  static uint8_t Mix(uint8_t a, uint8_t b, double t) { return uint8_t(std::lround(a + (b - a) * t)); }
  int w_, h_;
  std::vector<Rgb> px_;
};

// A 5x7 font for the few Latin letters the skins spell out.
const char* Glyph(char ch) {
  switch (ch) {
    case 'K': return "10001100101010011000101001001010001";
    case 'o': return "00000000000111010001100011000101110";
    case 'r': return "00000000001011011001100001000010000";
    case 'v': return "00000000001000110001100010101000100";
    case 'a': return "00000000000111000001011111000101111";
    case 'n': return "00000000001011011001100011000110001";
    case 'e': return "00000000000111010001111111000001110";
    case 'i': return "00100000000110000100001000010001110";
    case 'x': return "00000000001000101010001000101010001";
    case '_': return "00000000000000000000000000000011111";
    default: return "00000000000000000000000000000000000";
  }
}

void Canvas::Text(int x, int y, const std::string& s, int scale, Rgb c) {
  for (char ch : s) {
    const char* g = Glyph(ch);
    for (int row = 0; row < 7; ++row)
      for (int col = 0; col < 5; ++col)
        if (g[row * 5 + col] == '1') Rect(x + col * scale, y + row * scale, x + (col + 1) * scale, y + (row + 1) * scale, c);
    x += 6 * scale;
  }
}

// The program's mark: a blue rounded square with a white gear-like ring and a check.
void DrawMark(Canvas& c, int x0, int y0, int size) {
  const double s = size / 32.0;
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      double fx = (x + 0.5) / s, fy = (y + 0.5) / s;
      double dx = std::fmax(std::fabs(fx - 16) - 11, 0), dy = std::fmax(std::fabs(fy - 16) - 11, 0);
      if (dx * dx + dy * dy <= 16) c.Set(x0 + x, y0 + y, Rgb{20, 86, 190});
    }
  c.Disc(x0 + 16 * s, y0 + 16 * s, 9 * s, kWhite);
  c.Disc(x0 + 16 * s, y0 + 16 * s, 6.5 * s, Rgb{30, 140, 230});
  for (int i = 0; i < int(6 * s); ++i) {
    c.Rect(int(x0 + (11 + i / s) * s), int(y0 + (15 + i / s) * s), int(x0 + (13 + i / s) * s), int(y0 + (17 + i / s) * s), kWhite);
  }
  for (int i = 0; i < int(9 * s); ++i) {
    c.Rect(int(x0 + (16 + i / s) * s), int(y0 + (20 - i / s) * s), int(x0 + (18 + i / s) * s), int(y0 + (22 - i / s) * s), kWhite);
  }
}

Canvas MainSkin() {
  Canvas c(720, 540, kWhite);
  c.Rect(0, 0, 720, 540, kFrameBlue);
  c.VGradient(4, 4, 716, 62, kTitleBlueLight, kTitleBlue);
  c.Rect(4, 4, 716, 5, Rgb{150, 196, 245});  // a glint along the top edge
  c.Rect(4, 62, 716, 63, Rgb{28, 78, 156});
  c.VGradient(4, 63, 716, 94, Rgb{240, 240, 240}, Rgb{196, 196, 196});
  c.Rect(4, 93, 716, 94, Rgb{170, 170, 170});
  c.Rect(4, 94, 716, 536, kWhite);
  // A hairline around the panels' area.
  c.Rect(14, 98, 708, 99, Rgb{214, 226, 242});
  c.Rect(14, 529, 708, 530, Rgb{214, 226, 242});
  c.Rect(14, 98, 15, 530, Rgb{214, 226, 242});
  c.Rect(707, 98, 708, 530, Rgb{214, 226, 242});
  DrawMark(c, 16, 14, 32);
  c.Text(59, 21, "Korvane", 3, Rgb{24, 70, 140});  // shadow
  c.Text(58, 20, "Korvane", 3, kWhite);
  // Round grey buttons behind the "i", "_" and "x" title labels.
  const int centres[3][2] = {{643, 16}, {672, 14}, {699, 16}};
  for (const auto& ctr : centres) {
    c.Disc(ctr[0], ctr[1], 10, Rgb{120, 120, 120});
    c.Disc(ctr[0], ctr[1], 9, Rgb{226, 226, 226});
    c.Disc(ctr[0], ctr[1] + 2, 6, Rgb{206, 206, 206});
  }
  c.CutCorners(11, kKey);
  return c;
}

Canvas TabMarker() {
  Canvas c(141, 26, Rgb{214, 214, 214});
  c.VGradient(0, 0, 141, 26, Rgb{236, 236, 236}, Rgb{214, 214, 214});
  // A tab with slanted shoulders on the strip's colour.
  for (int y = 0; y < 26; ++y) {
    int inset = std::max(0, 8 - y);
    c.Rect(inset, y, 141 - inset, y + 1, y < 2 ? Rgb{120, 170, 235} : Rgb{200, 226, 255});
  }
  c.Rect(0, 25, 141, 26, Rgb{200, 226, 255});
  return c;
}

Canvas Button(bool hover) {
  Canvas c(161, 26, kWhite);
  Rgb top = hover ? Rgb{150, 196, 250} : Rgb{226, 240, 255};
  Rgb bottom = hover ? Rgb{96, 156, 232} : Rgb{190, 218, 250};
  Rgb edge = hover ? Rgb{40, 100, 190} : Rgb{120, 164, 220};
  c.Rect(0, 0, 161, 26, edge);
  c.VGradient(1, 1, 160, 25, top, bottom);
  c.Set(0, 0, kWhite); c.Set(160, 0, kWhite); c.Set(0, 25, kWhite); c.Set(160, 25, kWhite);
  return c;
}

Canvas SmallSkin(bool about) {
  Canvas c(350, 300, kWhite);
  c.Rect(0, 0, 350, 300, kFrameBlue);
  c.VGradient(4, 4, 346, 44, Rgb{240, 240, 240}, Rgb{204, 204, 204});
  c.Rect(4, 44, 346, 45, Rgb{176, 176, 176});
  c.Rect(4, 45, 346, 296, kWhite);
  if (about) {
    DrawMark(c, 143, 110, 64);
    c.Disc(324, 22, 11, Rgb{120, 120, 120});
    c.Disc(324, 22, 10, Rgb{226, 226, 226});
    c.Disc(324, 24, 7, Rgb{206, 206, 206});
    c.Rect(24, 224, 326, 225, Rgb{220, 228, 240});  // above the addresses
  } else {
    // The check box sits on a soft beige card of its own colour.
    c.RoundRect(72, 210, 280, 240, 6, Rgb{236, 222, 204});
    c.RoundRect(73, 211, 279, 239, 5, Rgb{251, 240, 227});
    c.Rect(24, 204, 326, 205, Rgb{220, 228, 240});
  }
  c.CutCorners(10, kKey);
  return c;
}

Canvas PromoButton(bool hover) {
  Canvas c(103, 30, Rgb{255, 255, 255});
  Rgb fill = hover ? Rgb{200, 200, 200} : Rgb{236, 236, 236};
  Rgb edge = hover ? Rgb{96, 96, 96} : Rgb{190, 190, 190};
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 103; ++x) {
      // A pill: a rectangle with half-disc ends.
      double cx = x < 15 ? 15 : (x > 87 ? 87 : x + 0.5);
      double d = std::hypot(x + 0.5 - cx, y + 0.5 - 15);
      if (d <= 14.5) c.Set(x, y, d > 13.2 ? edge : fill);
    }
  return c;
}

std::vector<uint8_t> Icon() {
  // One 32x32 32-bit image in the ICO container.
  Canvas c(32, 32, Rgb{0, 0, 0});
  Canvas mask(32, 32, Rgb{0, 0, 0});
  DrawMark(mask, 0, 0, 32);
  DrawMark(c, 0, 0, 32);
  std::vector<uint8_t> img;
  auto u16 = [&](std::vector<uint8_t>& v, uint32_t x) { v.push_back(uint8_t(x)); v.push_back(uint8_t(x >> 8)); };
  auto u32 = [&](std::vector<uint8_t>& v, uint32_t x) { u16(v, x & 0xFFFF); u16(v, x >> 16); };
  u32(img, 40); u32(img, 32); u32(img, 64); u16(img, 1); u16(img, 32); u32(img, 0);
  u32(img, 32 * 32 * 4 + 32 * 4); u32(img, 0); u32(img, 0); u32(img, 0); u32(img, 0);
  auto opaque = [&](int x, int y) { Rgb m = mask.Get(x, y); return m.r || m.g || m.b; };
  for (int y = 31; y >= 0; --y)
    for (int x = 0; x < 32; ++x) {
      Rgb p = c.Get(x, y);
      img.push_back(p.b); img.push_back(p.g); img.push_back(p.r); img.push_back(opaque(x, y) ? 255 : 0);
    }
  for (int y = 31; y >= 0; --y)
    for (int byte = 0; byte < 4; ++byte) {
      uint8_t bits = 0;
      for (int bit = 0; bit < 8; ++bit)
        if (!opaque(byte * 8 + bit, y)) bits |= uint8_t(0x80 >> bit);
      img.push_back(bits);
    }
  std::vector<uint8_t> out;
  u16(out, 0); u16(out, 1); u16(out, 1);
  out.push_back(32); out.push_back(32); out.push_back(0); out.push_back(0);
  u16(out, 1); u16(out, 32); u32(out, uint32_t(img.size())); u32(out, 22);
  out.insert(out.end(), img.begin(), img.end());
  return out;
}

bool Write(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: skin_gen OUTDIR\n");
    return 2;
  }
  const std::string dir = std::string(argv[1]) + "/";
  const Canvas main_skin = MainSkin(), about = SmallSkin(true), promo = SmallSkin(false);
  for (const Canvas* skin : {&main_skin, &about, &promo})
    if (!skin->KeyOnlyInFrame()) {
      std::fprintf(stderr, "skin_gen: a skin has key-coloured pixels beyond its 3-pixel frame\n");
      return 1;
    }
  const Canvas marker = TabMarker(), ok_a = PromoButton(false), ok_b = PromoButton(true);
  // The 24-bit skins go into the program in their compact form; the .bmp files beside them are
  // for looking at and for the tests' reference pixels. "ButtonA"/"ButtonB" stay .bmp files.
  bool ok = true;
  const struct {
    const char* name;
    const Canvas* canvas;
  } skins[] = {{"skin_main", &main_skin}, {"tab_marker", &marker}, {"skin_about", &about},
               {"skin_promo", &promo},    {"promo_ok_a", &ok_a},   {"promo_ok_b", &ok_b}};
  for (const auto& s : skins)
    ok = ok && Write(dir + s.name + ".bmp", s.canvas->Bmp24()) && Write(dir + s.name + ".rle", s.canvas->Rle());
  ok = ok && Write(dir + "button_a.bmp", Button(false).Bmp24()) && Write(dir + "button_b.bmp", Button(true).Bmp24()) &&
       Write(dir + "korvane.ico", Icon());
  if (!ok) {
    std::fprintf(stderr, "skin_gen: cannot write into %s\n", argv[1]);
    return 1;
  }
  return 0;
}
