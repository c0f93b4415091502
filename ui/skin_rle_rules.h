#pragma once
// The compact form in which the skins travel inside the executable: a 24-bit picture as runs of
// equal pixels and stretches of literal ones. The skins are flat colours and vertical gradients,
// so a 1.1 MB bitmap shrinks to a few kilobytes.
//
// Layout: "KRLE", width and height (16-bit little-endian each), then packets that cover the
// pixels row by row from the top, left to right (a packet may run on into the next row):
//   control byte c < 0x80:  c + 1 literal pixels follow, 3 bytes each (R, G, B)
//   control byte c >= 0x80: a run of ((c & 0x7F) << 8 | next byte) + 1 copies of one pixel (R, G, B)
#include <cstddef>
#include <cstdint>
#include <vector>

namespace kv {

struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;  // width * height * 3 bytes, top row first
};

std::vector<uint8_t> EncodeSkinRle(const RgbImage& image);

// False (and `out` empty) for anything that is not a complete, exact encoding of a picture of at
// most 4096 by 4096 pixels: wrong magic, truncated or overlong packets.
bool DecodeSkinRle(const uint8_t* data, size_t size, RgbImage& out);

}  // namespace kv
