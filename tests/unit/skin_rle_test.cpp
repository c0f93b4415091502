#include "ui/skin_rle_rules.h"

#include <gtest/gtest.h>

#include <random>

namespace kv {
namespace {

RgbImage Make(int w, int h, uint32_t (*pixel)(int x, int y)) {
  RgbImage img{w, h, {}};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint32_t c = pixel(x, y);
      img.rgb.push_back(uint8_t(c >> 16));
      img.rgb.push_back(uint8_t(c >> 8));
      img.rgb.push_back(uint8_t(c));
    }
  return img;
}

TEST(SkinRle, RoundTripsPicturesOfEveryShape) {
  struct Case {
    const char* name;
    int w, h;
    uint32_t (*pixel)(int, int);
  } const cases[] = {
      {"one pixel", 1, 1, [](int, int) { return 0x999999u; }},
      {"flat, runs longer than one packet", 720, 540, [](int, int) { return 0xFFFFFFu; }},
      {"vertical gradient", 350, 300, [](int, int y) { return uint32_t(y) * 0x010101u; }},
      {"noise: literals only", 97, 13, [](int x, int y) { return uint32_t((x * 2654435761u) ^ (y * 40503u)) & 0xFFFFFFu; }},
      {"pairs: two equal pixels stay literal", 64, 3, [](int x, int) { return uint32_t(x / 2) * 0x030507u; }},
      {"runs of three crossing row ends", 7, 9, [](int x, int y) { return uint32_t((y * 7 + x) / 3) * 0x111111u; }},
      {"frame with key-coloured corners", 141, 26,
       [](int x, int y) { return (x < 3 && y < 3) ? 0x999999u : (y < 2 ? 0x78AAEBu : 0xC8E2FFu); }},
  };
  for (const Case& c : cases) {
    const RgbImage img = Make(c.w, c.h, c.pixel);
    const std::vector<uint8_t> enc = EncodeSkinRle(img);
    RgbImage back;
    ASSERT_TRUE(DecodeSkinRle(enc.data(), enc.size(), back)) << c.name;
    EXPECT_EQ(back.width, c.w) << c.name;
    EXPECT_EQ(back.height, c.h) << c.name;
    EXPECT_EQ(back.rgb, img.rgb) << c.name;
  }
}

TEST(SkinRle, FlatSkinsBecomeTiny) {
  const RgbImage white = Make(720, 540, [](int, int) { return 0xFFFFFFu; });
  const std::vector<uint8_t> enc = EncodeSkinRle(white);
  EXPECT_LT(enc.size(), 100u);  // 388,800 pixels in runs of at most 32,768
}

TEST(SkinRle, RejectsEverythingButAnExactEncoding) {
  const RgbImage img = Make(31, 17, [](int x, int y) { return uint32_t(x % 5 == 0 ? x * y : 7); });
  const std::vector<uint8_t> enc = EncodeSkinRle(img);
  RgbImage out;
  // Every truncation fails cleanly.
  for (size_t n = 0; n < enc.size(); ++n) {
    EXPECT_FALSE(DecodeSkinRle(enc.data(), n, out)) << n;
    EXPECT_TRUE(out.rgb.empty());
  }
  // Extra packets beyond the picture fail.
  std::vector<uint8_t> longer = enc;
  longer.insert(longer.end(), {0x00, 1, 2, 3});
  EXPECT_FALSE(DecodeSkinRle(longer.data(), longer.size(), out));
  // A run that overshoots the picture fails.
  std::vector<uint8_t> overshoot{'K', 'R', 'L', 'E', 2, 0, 2, 0, 0x80, 4, 9, 9, 9};
  EXPECT_FALSE(DecodeSkinRle(overshoot.data(), overshoot.size(), out));
  std::vector<uint8_t> exact{'K', 'R', 'L', 'E', 2, 0, 2, 0, 0x80, 3, 9, 9, 9};
  EXPECT_TRUE(DecodeSkinRle(exact.data(), exact.size(), out));
  // Wrong magic, empty or oversized pictures fail.
  for (std::vector<uint8_t> bad : {std::vector<uint8_t>{'K', 'R', 'L', 'F', 1, 0, 1, 0, 0, 1, 2, 3},
                                   std::vector<uint8_t>{'K', 'R', 'L', 'E', 0, 0, 1, 0},
                                   std::vector<uint8_t>{'K', 'R', 'L', 'E', 1, 0x10, 1, 0, 0, 1, 2, 3}})
    EXPECT_FALSE(DecodeSkinRle(bad.data(), bad.size(), out));
  EXPECT_FALSE(DecodeSkinRle(nullptr, 0, out));
}

TEST(SkinRle, RandomPicturesRoundTrip) {
  std::mt19937 rng(8);
  for (int round = 0; round < 50; ++round) {
    RgbImage img{int(rng() % 60 + 1), int(rng() % 40 + 1), {}};
    const int colours = int(rng() % 4 + 1);  // few colours: runs and literals interleave
    for (int i = 0; i < img.width * img.height * 3; i += 3) {
      const uint8_t v = uint8_t(rng() % unsigned(colours) * 60);
      img.rgb.insert(img.rgb.end(), {v, uint8_t(v / 2), uint8_t(255 - v)});
    }
    const std::vector<uint8_t> enc = EncodeSkinRle(img);
    RgbImage back;
    ASSERT_TRUE(DecodeSkinRle(enc.data(), enc.size(), back)) << round;
    EXPECT_EQ(back.rgb, img.rgb) << round;
  }
}

}  // namespace
}  // namespace kv
