#pragma once
// For the tests and fuzzers of the registry file reader: keys written in the form of the
// registry editor's export (UTF-16LE with a byte-order mark, as Wine's regedit writes it), and a
// stand-in for code page 936 that maps each double-byte character to one UTF-16 unit of its own.
#include <cstdio>
#include <string>
#include <vector>

#include "sysaccess/reg_file_rules.h"

namespace kv::test {

inline std::u16string U16(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

inline std::u16string EscapedForRegFile(const std::u16string& s) {
  std::u16string out;
  for (char16_t c : s) {
    if (c == u'\\' || c == u'"') out += u'\\';
    if (c == u'\r') out += u"\\r";
    else if (c == u'\n') out += u"\\n";
    else out += c;
  }
  return out;
}

// True when the editor writes the data as a quoted string: text of even length ending in its one
// NUL, with no NUL before it.
inline bool WrittenAsString(const RegTreeValue& v) {
  if (v.type != 1 || v.data.size() < 2 || v.data.size() % 2 != 0) return false;
  const std::u16string text = Utf16FromBytes(v.data);
  return text.back() == 0 && text.find(u'\0') == text.size() - 1;
}

inline std::u16string HexList(const std::string& data, size_t first_line_used) {
  std::u16string out;
  size_t used = first_line_used;
  for (size_t i = 0; i < data.size(); ++i) {
    char b[4];
    std::snprintf(b, sizeof b, "%02x", static_cast<unsigned char>(data[i]));
    out += U16(b);
    used += 2;
    if (i + 1 < data.size()) {
      out += u',';
      ++used;
      if (used > 76) {  // the editor keeps lines within 80 columns
        out += u"\\\r\n  ";
        used = 2;
      }
    }
  }
  return out;
}

inline std::u16string ValueLineOf(const RegTreeValue& v) {
  std::u16string line = v.name.empty() ? u"@" : u"\"" + EscapedForRegFile(v.name) + u"\"";
  line += u'=';
  if (WrittenAsString(v)) {
    std::u16string text = Utf16FromBytes(v.data);
    text.pop_back();
    return line + u"\"" + EscapedForRegFile(text) + u"\"";
  }
  if (v.type == 4 && v.data.size() == 4) {
    char b[16];
    const unsigned n = static_cast<unsigned char>(v.data[0]) | static_cast<unsigned char>(v.data[1]) << 8 |
                       static_cast<unsigned char>(v.data[2]) << 16 | static_cast<unsigned>(static_cast<unsigned char>(v.data[3])) << 24;
    std::snprintf(b, sizeof b, "dword:%08x", n);
    return line + U16(b);
  }
  char kind[24];
  if (v.type == 3) std::snprintf(kind, sizeof kind, "hex:");
  else std::snprintf(kind, sizeof kind, "hex(%x):", static_cast<unsigned>(v.type));
  line += U16(kind);
  return line + HexList(v.data, line.size());
}

// The whole file, bytes as the editor writes them.
inline std::string ExportForm(const std::vector<RegTreeKey>& keys) {
  std::u16string text = u"\xFEFFWindows Registry Editor Version 5.00\r\n\r\n";
  for (const auto& key : keys) {
    text += u"[" + key.path + u"]\r\n";
    for (const auto& v : key.values) text += ValueLineOf(v) + u"\r\n";
    text += u"\r\n";
  }
  return Utf16Bytes(text);
}

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
