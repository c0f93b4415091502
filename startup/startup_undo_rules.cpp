#include "startup/startup_undo_rules.h"

#include <cstdio>

#include "sysaccess/text_rules.h"

namespace kv {

const char kRegFileHeader[] = "Windows Registry Editor Version 5.00";

namespace {

constexpr char kLineEnd[] = "\r\n";
constexpr size_t kHexLineWidth = 77;  // where the registry editor wraps its own hex lines

bool IsTrailByte(unsigned char c) { return c >= 0x40 && c <= 0xFE && c != 0x7F; }

// Calls f(index, length) per character; unlike ForEachChar a lead byte whose follower cannot be a
// second byte stands alone, so a quote or control byte after it is still seen and escaped.
template <typename F>
void ForEachStrictChar(const std::string& s, F&& f) {
  for (size_t i = 0; i < s.size();) {
    const bool pair = IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size() &&
                      IsTrailByte(static_cast<unsigned char>(s[i + 1]));
    const size_t n = pair ? 2 : 1;
    f(i, n);
    i += n;
  }
}

// Text that the quoted string form gives back unchanged: clean GBK without control bytes (0x80
// and 0xFF may not survive the editor's conversion either).
bool FitsQuotedForm(const std::string& text) {
  bool ok = true;
  ForEachStrictChar(text, [&](size_t i, size_t n) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (n == 1 && (c < 0x20 || c >= 0x80)) ok = false;
  });
  return ok;
}

std::string HexByte(unsigned char c) {
  char buf[3];
  std::snprintf(buf, sizeof buf, "%02x", c);
  return buf;
}

std::string TypeTag(uint32_t type) {
  if (type == kRegBinary) return "hex:";
  char buf[24];
  std::snprintf(buf, sizeof buf, "hex(%x):", static_cast<unsigned>(type));
  return buf;
}

// Comma-separated bytes after `head`, wrapped like the registry editor's own exports.
std::string HexData(const std::string& head, const std::string& bytes) {
  std::string out = head;
  size_t width = head.size();
  for (size_t i = 0; i < bytes.size(); ++i) {
    out += HexByte(static_cast<unsigned char>(bytes[i]));
    if (i + 1 == bytes.size()) break;
    out += ',';
    width += 3;
    if (width >= kHexLineWidth) {
      out += "\\";
      out += kLineEnd;
      out += "  ";
      width = 2;
    }
  }
  return out;
}

// String data in hex form is read back as code-page bytes up to a closing zero byte.
std::string WithZeroEnd(std::string bytes) {
  if (bytes.empty() || bytes.back() != '\0') bytes += '\0';
  return bytes;
}

}  // namespace

std::string RegFileEscape(const std::string& text) {
  std::string out;
  out.reserve(text.size() + 8);
  ForEachStrictChar(text, [&](size_t i, size_t n) {
    const char c = text[i];
    if (n == 1 && c == '\\')
      out += "\\\\";
    else if (n == 1 && c == '"')
      out += "\\\"";
    else if (n == 1 && c == '\r')
      out += "\\r";
    else if (n == 1 && c == '\n')
      out += "\\n";
    else
      out.append(text, i, n);
  });
  return out;
}

std::string RegFileValueLine(const RegFileValue& value) {
  const std::string head = value.name.empty() ? "@=" : "\"" + RegFileEscape(value.name) + "\"=";
  const std::string& data = value.data;
  switch (value.type) {
    case kRegSz: {
      // One terminating zero is what an ordinary string carries; anything else needs the bytes.
      std::string text = data;
      if (!text.empty() && text.back() == '\0') text.pop_back();
      if (FitsQuotedForm(text)) return head + "\"" + RegFileEscape(text) + "\"";
      return HexData(head + TypeTag(kRegSz), WithZeroEnd(data));
    }
    case kRegExpandSz:
    case kRegMultiSz:
      return HexData(head + TypeTag(value.type), WithZeroEnd(data));
    case kRegDword:
      if (data.size() == 4) {
        uint32_t n = 0;
        for (size_t i = 0; i < 4; ++i) n |= uint32_t(static_cast<unsigned char>(data[i])) << (8 * i);
        char buf[16];
        std::snprintf(buf, sizeof buf, "dword:%08x", static_cast<unsigned>(n));
        return head + buf;
      }
      return HexData(head + TypeTag(kRegDword), data);
    default:
      return HexData(head + TypeTag(value.type), data);
  }
}

std::string StartupUndoKeyLine(char digit) {
  switch (digit) {
    case '1':
    case '5':
      return "[HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\]";
    case '2':
      return "[HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce\\]";
    case '3':
      return "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\]";
    case '4':
      return "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce\\]";
    case '6':
      return "[HKEY_CURRENT_USER\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run\\]";
    case '7':
      return "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run\\]";
    default:
      return "";
  }
}

std::string StartupUndoFileContent(const std::vector<StartupUndoEntry>& entries) {
  std::string out = std::string(kRegFileHeader) + kLineEnd + kLineEnd;
  for (const auto& e : entries) {
    const std::string key = StartupUndoKeyLine(e.digit);
    if (key.empty()) continue;
    out += key + kLineEnd;
    out += RegFileValueLine(e.value) + kLineEnd;
    out += kLineEnd;
  }
  return out;
}

}  // namespace kv
