#include "ui/skin_rle_rules.h"

namespace kv {

namespace {

constexpr size_t kHeader = 8;
constexpr int kMaxSide = 4096;
constexpr size_t kMaxRun = 0x8000;
constexpr size_t kMaxLiteral = 0x80;

bool SamePixel(const uint8_t* a, const uint8_t* b) { return a[0] == b[0] && a[1] == b[1] && a[2] == b[2]; }

}  // namespace

std::vector<uint8_t> EncodeSkinRle(const RgbImage& image) {
  std::vector<uint8_t> out{'K', 'R', 'L', 'E', uint8_t(image.width), uint8_t(image.width >> 8),
                           uint8_t(image.height), uint8_t(image.height >> 8)};
  const size_t n = static_cast<size_t>(image.width) * static_cast<size_t>(image.height);
  const uint8_t* px = image.rgb.data();
  size_t i = 0;
  size_t literal_start = 0;
  auto flush_literals = [&](size_t end) {
    while (literal_start < end) {
      const size_t count = end - literal_start < kMaxLiteral ? end - literal_start : kMaxLiteral;
      out.push_back(uint8_t(count - 1));
      out.insert(out.end(), px + literal_start * 3, px + (literal_start + count) * 3);
      literal_start += count;
    }
  };
  while (i < n) {
    size_t run = 1;
    while (i + run < n && run < kMaxRun && SamePixel(px + i * 3, px + (i + run) * 3)) ++run;
    // Two equal pixels cost the same as literals; a run starts paying from three.
    if (run >= 3) {
      flush_literals(i);
      const size_t len = run - 1;
      out.push_back(uint8_t(0x80 | (len >> 8)));
      out.push_back(uint8_t(len & 0xFF));
      out.insert(out.end(), px + i * 3, px + i * 3 + 3);
      i += run;
      literal_start = i;
    } else {
      i += run;
    }
  }
  flush_literals(n);
  return out;
}

bool DecodeSkinRle(const uint8_t* data, size_t size, RgbImage& out) {
  out = RgbImage{};
  if (!data || size < kHeader || data[0] != 'K' || data[1] != 'R' || data[2] != 'L' || data[3] != 'E') return false;
  const int w = data[4] | data[5] << 8;
  const int h = data[6] | data[7] << 8;
  if (w <= 0 || h <= 0 || w > kMaxSide || h > kMaxSide) return false;
  const size_t total = static_cast<size_t>(w) * static_cast<size_t>(h) * 3;
  std::vector<uint8_t> rgb;
  rgb.reserve(total);
  size_t pos = kHeader;
  while (pos < size) {
    const uint8_t c = data[pos++];
    if (c < 0x80) {
      const size_t bytes = (static_cast<size_t>(c) + 1) * 3;
      if (size - pos < bytes || total - rgb.size() < bytes) return false;
      rgb.insert(rgb.end(), data + pos, data + pos + bytes);
      pos += bytes;
    } else {
      if (size - pos < 4) return false;
      const size_t count = ((static_cast<size_t>(c & 0x7F) << 8) | data[pos]) + 1;
      const uint8_t* p = data + pos + 1;
      pos += 4;
      if ((total - rgb.size()) / 3 < count) return false;
      for (size_t k = 0; k < count; ++k) rgb.insert(rgb.end(), p, p + 3);
    }
  }
  if (rgb.size() != total) return false;
  out.width = w;
  out.height = h;
  out.rgb = std::move(rgb);
  return true;
}

}  // namespace kv
