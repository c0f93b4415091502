#pragma once
// For the tests and fuzzers of the registry file rules: a stand-in for code page 936 that maps
// each double-byte character to one UTF-16 unit of its own.
#include <string>

#include "sysaccess/reg_file_rules.h"

namespace kv::test {

// The stand-in code page: ASCII as itself, a lead byte 0x81..0xFE with a second byte 0x40..0xFE
// (not 0x7F) as one unit from U+4E00 on; anything else is refused.
inline bool TestDecode(const std::string& bytes, std::u16string& text) {
  text.clear();
  for (size_t i = 0; i < bytes.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(bytes[i]);
    if (c < 0x80) {
      text += static_cast<char16_t>(c);
      continue;
    }
    if (c < 0x81 || c > 0xFE || i + 1 == bytes.size()) return false;
    const unsigned char t = static_cast<unsigned char>(bytes[++i]);
    if (t < 0x40 || t > 0xFE || t == 0x7F) return false;
    text += static_cast<char16_t>(0x4E00 + (c - 0x81) * 191 + (t - 0x40));
  }
  return true;
}

inline std::string TestEncode(const std::u16string& text) {
  std::string out;
  for (char16_t u : text) {
    if (u < 0x80) {
      out += static_cast<char>(u);
      continue;
    }
    const unsigned idx = static_cast<unsigned>(u) - 0x4E00;
    out += static_cast<char>(0x81 + idx / 191);
    out += static_cast<char>(0x40 + idx % 191);
  }
  return out;
}

}  // namespace kv::test
