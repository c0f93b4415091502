#include "ui/bitmaps.h"

#include <cstring>

#include "ui/skin_rle_rules.h"

namespace kv {

HBITMAP LoadSkinBitmap(int id) {
  HMODULE module = ::GetModuleHandleA(nullptr);
  HRSRC res = ::FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(10));  // RT_RCDATA
  if (!res) return nullptr;
  const auto* bytes = static_cast<const uint8_t*>(::LockResource(::LoadResource(module, res)));
  RgbImage image;
  if (!bytes || !DecodeSkinRle(bytes, ::SizeofResource(module, res), image)) return nullptr;
  return CreateSkinBitmap(image);
}

HBITMAP CreateSkinBitmap(const RgbImage& image) {
  if (image.width <= 0 || image.height <= 0 ||
      image.rgb.size() != static_cast<size_t>(image.width) * static_cast<size_t>(image.height) * 3)
    return nullptr;
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = image.width;
  bi.bmiHeader.biHeight = image.height;  // bottom-up, as LoadImage makes them
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 24;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bmp = ::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bmp || !bits) {
    if (bmp) ::DeleteObject(bmp);
    return nullptr;
  }
  const size_t w = static_cast<size_t>(image.width);
  const size_t stride = (w * 3 + 3) & ~size_t{3};
  auto* out = static_cast<uint8_t*>(bits);
  for (size_t y = 0; y < static_cast<size_t>(image.height); ++y) {
    const uint8_t* src = image.rgb.data() + y * w * 3;
    uint8_t* dst = out + (static_cast<size_t>(image.height) - 1 - y) * stride;
    for (size_t x = 0; x < w; ++x) {
      dst[x * 3] = src[x * 3 + 2];
      dst[x * 3 + 1] = src[x * 3 + 1];
      dst[x * 3 + 2] = src[x * 3];
    }
  }
  return bmp;
}

HBITMAP LoadRcDataBitmap(const char* name) {
  HMODULE module = ::GetModuleHandleA(nullptr);
  HRSRC res = ::FindResourceA(module, name, MAKEINTRESOURCEA(10));  // RT_RCDATA
  if (!res) return nullptr;
  HGLOBAL data = ::LoadResource(module, res);
  const auto* bytes = static_cast<const unsigned char*>(::LockResource(data));
  const DWORD size = ::SizeofResource(module, res);
  if (!bytes || size < sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)) return nullptr;
  BITMAPFILEHEADER file;
  std::memcpy(&file, bytes, sizeof file);
  if (file.bfType != 0x4D42 || file.bfOffBits >= size) return nullptr;
  const auto* info = reinterpret_cast<const BITMAPINFO*>(bytes + sizeof(BITMAPFILEHEADER));
  void* bits = nullptr;
  HBITMAP bmp = ::CreateDIBSection(nullptr, info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bmp || !bits) return bmp;
  const LONG h = info->bmiHeader.biHeight < 0 ? -info->bmiHeader.biHeight : info->bmiHeader.biHeight;
  const size_t stride = ((static_cast<size_t>(info->bmiHeader.biWidth) * info->bmiHeader.biBitCount + 31) / 32) * 4;
  const size_t need = stride * static_cast<size_t>(h);
  if (file.bfOffBits + need <= size) std::memcpy(bits, bytes + file.bfOffBits, need);
  return bmp;
}

}  // namespace kv
