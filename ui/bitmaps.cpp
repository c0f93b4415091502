#include "ui/bitmaps.h"

#include <cstring>

namespace kv {

HBITMAP LoadSkinBitmap(int id) {
  return static_cast<HBITMAP>(::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0,
                                           LR_CREATEDIBSECTION));
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
