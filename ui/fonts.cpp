#include "ui/fonts.h"

#include <map>
#include <string>
#include <tuple>

#include "win/handles.h"

namespace kv {

HFONT GetFont(const char* face, int pixel_height, bool bold, bool underline) {
  static std::map<std::tuple<std::string, int, bool, bool>, UniqueFont> cache;
  auto key = std::make_tuple(std::string(face), pixel_height, bold, underline);
  auto it = cache.find(key);
  if (it != cache.end()) return it->second.get();
  LOGFONTA lf{};
  lf.lfHeight = -pixel_height;  // character height, not cell height
  lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  lf.lfUnderline = underline ? TRUE : FALSE;
  lf.lfCharSet = GB2312_CHARSET;
  lf.lfQuality = DEFAULT_QUALITY;
  lstrcpynA(lf.lfFaceName, face, LF_FACESIZE);
  HFONT font = ::CreateFontIndirectA(&lf);
  cache[key].reset(font);
  return font;
}

}  // namespace kv
