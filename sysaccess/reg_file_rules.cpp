#include "sysaccess/reg_file_rules.h"

#include <cstdio>
#include <map>

namespace kv {

const char16_t kRegFileHeader[] = u"Windows Registry Editor Version 5.00";
const char16_t kRegFile4Header[] = u"REGEDIT4";

bool IsRegTextType(uint32_t type) { return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz; }

namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

std::u16string Ascii(const char* s) {
  std::u16string out;
  while (*s) out += static_cast<char16_t>(*s++);
  return out;
}

// For messages: the text with anything but printable ASCII as "?".
std::string Printable(const std::u16string& s) {
  std::string out;
  for (char16_t c : s) out += (c >= 32 && c < 127) ? static_cast<char>(c) : '?';
  return out;
}

class Parser {
 public:
  Parser(const std::u16string& text, bool unicode, const CodePageDecoder& decode, RegFileContent& out)
      : decode_(decode), out_(out) {
    out_.unicode = unicode;
    size_t at = 0;
    for (;;) {
      const size_t nl = text.find(u'\n', at);
      lines_.push_back(text.substr(at, nl == std::u16string::npos ? std::u16string::npos : nl - at));
      if (nl == std::u16string::npos) break;
      at = nl + 1;
    }
  }

  bool Run() {
    for (auto& line : lines_) {
      if (!line.empty() && line.back() == u'\r') line.pop_back();
      if (line.find(u'\r') != std::u16string::npos) return Fail("a carriage return inside a line");
      // The editor reads lines as C strings: a NUL would end its line early.
      if (line.find(u'\0') != std::u16string::npos) return Fail("a NUL character");
    }
    const std::u16string header = Trimmed(0);
    version5_ = header == kRegFileHeader;
    if (!version5_ && header != kRegFile4Header) return Fail("no registry file header");
    for (line_ = 1; line_ < lines_.size(); ++line_) {
      const std::u16string& l = lines_[line_];
      pos_ = 0;
      while (pos_ < l.size() && IsBlank(l[pos_])) ++pos_;
      if (pos_ == l.size() || l[pos_] == u';' || l[pos_] == u'#') continue;
      const bool ok = l[pos_] == u'[' ? KeyLine() : (l[pos_] == u'@' || l[pos_] == u'"') ? ValueLine()
                                                                                         : Fail("not a key or a value");
      if (!ok) return false;
    }
    return true;
  }

  std::string error;

 private:
  bool Fail(const char* why) {
    error = "line " + std::to_string(line_ + 1) + ": " + why;
    return false;
  }

  std::u16string Trimmed(size_t i) const {
    std::u16string s = lines_[i];
    while (!s.empty() && IsBlank(s.back())) s.pop_back();
    return s;
  }
  const std::u16string& Line() const { return lines_[line_]; }
  bool OnlyBlanksFrom(size_t i) const {
    while (i < Line().size() && IsBlank(Line()[i])) ++i;
    return i == Line().size();
  }

  bool KeyLine() {
    // The editor takes the name up to the last "]", so a "]" inside a key name survives.
    const size_t close = Line().rfind(u']');
    if (close == std::u16string::npos || close <= pos_ + 1) return Fail("no key name");
    if (!OnlyBlanksFrom(close + 1)) return Fail("text after a key name");
    std::u16string path = Line().substr(pos_ + 1, close - pos_ - 1);
    if (path[0] == u'-') {
      out_.has_removals = true;
      in_removed_key_ = true;
      return true;
    }
    in_removed_key_ = false;
    out_.keys.push_back(RegTreeKey{std::move(path), {}});
    return true;
  }

  // A quoted text from pos_ (at its opening quote) to just after its closing quote.
  bool Quoted(std::u16string& text) {
    text.clear();
    const std::u16string& l = Line();
    for (++pos_; pos_ < l.size(); ++pos_) {
      char16_t c = l[pos_];
      if (c == u'"') {
        ++pos_;
        return true;
      }
      if (c == u'\\') {
        if (++pos_ == l.size()) break;
        // Wine's editor also reads \n, \r and \0; the Windows editor does not.
        if (l[pos_] != u'\\' && l[pos_] != u'"') return Fail("an escape the Windows editor does not know");
        c = l[pos_];
      }
      text += c;
    }
    return Fail("a quoted text without its closing quote");
  }

  bool ValueLine() {
    if (in_removed_key_) return Fail("a value under a removed key");
    if (out_.keys.empty()) return Fail("a value before the first key");
    RegTreeValue value;
    if (Line()[pos_] == u'@') {
      ++pos_;
    } else if (!Quoted(value.name)) {
      return false;
    }
    while (pos_ < Line().size() && IsBlank(Line()[pos_])) ++pos_;
    if (pos_ == Line().size() || Line()[pos_] != u'=') return Fail("no = after the value name");
    ++pos_;
    while (pos_ < Line().size() && IsBlank(Line()[pos_])) ++pos_;
    if (!Data(value)) return false;
    if (!removed_value_) out_.keys.back().values.push_back(std::move(value));
    return true;
  }

  bool StartsHere(const char* word) const {
    const std::u16string w = Ascii(word);
    return Line().compare(pos_, w.size(), w) == 0;
  }

  bool Data(RegTreeValue& value) {
    removed_value_ = false;
    const std::u16string& l = Line();
    if (pos_ < l.size() && l[pos_] == u'"') {
      std::u16string text;
      if (!Quoted(text)) return false;
      if (!OnlyBlanksFrom(pos_)) return Fail("text after a string");
      value.type = kRegSz;
      value.data = Utf16Bytes(text + u'\0');
      return true;
    }
    if (pos_ < l.size() && l[pos_] == u'-') {
      if (!OnlyBlanksFrom(pos_ + 1)) return Fail("text after a removal");
      out_.has_removals = true;
      removed_value_ = true;
      return true;
    }
    if (StartsHere("dword:")) {
      pos_ += 6;
      uint32_t n = 0;
      size_t digits = 0;
      for (; pos_ < l.size() && HexDigit(l[pos_]) >= 0; ++pos_, ++digits)
        n = (n << 4) | static_cast<uint32_t>(HexDigit(l[pos_]));
      if (digits == 0 || digits > 8 || !OnlyBlanksFrom(pos_)) return Fail("a DWORD the editor refuses");
      value.type = kRegDword;
      value.data.clear();
      for (int i = 0; i < 4; ++i) value.data += static_cast<char>((n >> (8 * i)) & 0xFF);
      return true;
    }
    if (StartsHere("hex:")) {
      pos_ += 4;
      value.type = kRegBinary;
    } else if (StartsHere("hex(")) {
      pos_ += 4;
      uint32_t type = 0;
      size_t digits = 0;
      for (; pos_ < l.size() && HexDigit(l[pos_]) >= 0; ++pos_, ++digits)
        type = (type << 4) | static_cast<uint32_t>(HexDigit(l[pos_]));
      if (digits == 0 || digits > 8 || !StartsHere("):")) return Fail("a value type the editor refuses");
      pos_ += 2;
      value.type = type;
    } else {
      return Fail("data of no known form");
    }
    std::string bytes;
    if (!HexBytes(bytes)) return false;
    if (!IsRegTextType(value.type)) {
      value.data = std::move(bytes);
    } else if (version5_) {
      // The Windows editor takes them as UTF-16LE under this header, also in a code-page file
      // (Wine's would take them as code-page bytes there); an odd length makes it crash.
      if (bytes.size() % 2 != 0) return Fail("odd-length text data under version 5.00");
      value.data = std::move(bytes);
    } else {
      // Under REGEDIT4 the editor takes text data as code-page bytes.
      std::u16string text;
      if (!decode_(bytes, text)) return Fail("text data that is not of the code page");
      value.data = Utf16Bytes(text);
    }
    return true;
  }

  // Comma-separated bytes of one or two hex digits; a line that ends in ",\" goes on in the next.
  bool HexBytes(std::string& bytes) {
    for (;;) {
      const std::u16string& l = Line();
      if (OnlyBlanksFrom(pos_)) return true;
      int hi = HexDigit(l[pos_]);
      if (hi < 0) return Fail("a byte that is not hex");
      ++pos_;
      int b = hi;
      if (pos_ < l.size() && HexDigit(l[pos_]) >= 0) b = hi * 16 + HexDigit(l[pos_++]);
      bytes += static_cast<char>(b);
      if (OnlyBlanksFrom(pos_)) return true;
      if (l[pos_] != u',') return Fail("no comma after a byte");
      ++pos_;
      if (pos_ < l.size() && l[pos_] == u'\\') {
        if (!OnlyBlanksFrom(pos_ + 1)) return Fail("text after a line continuation");
        if (++line_ == lines_.size()) return Fail("a continuation at the end of the file");
        pos_ = 0;
        while (pos_ < Line().size() && IsBlank(Line()[pos_])) ++pos_;
        if (pos_ == Line().size()) return Fail("a continuation onto an empty line");
      }
    }
  }

  const CodePageDecoder& decode_;
  RegFileContent& out_;
  std::vector<std::u16string> lines_;
  size_t line_ = 0;
  size_t pos_ = 0;
  bool version5_ = false;
  bool in_removed_key_ = false;
  bool removed_value_ = false;
};

std::u16string KeyOfPath(const std::u16string& path) {
  std::u16string k = path;
  while (!k.empty() && k.back() == u'\\') k.pop_back();
  for (auto& c : k)
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  return k;
}

using ValueMap = std::map<std::u16string, const RegTreeValue*>;

// The keys merged by name, each with its values by name (a later one replacing an earlier one).
std::map<std::u16string, ValueMap> Merged(const std::vector<RegTreeKey>& keys) {
  std::map<std::u16string, ValueMap> merged;
  for (const auto& key : keys) {
    ValueMap& values = merged[KeyOfPath(key.path)];
    for (const auto& v : key.values) values[v.name] = &v;
  }
  return merged;
}

bool Why(std::string* why, const std::string& text) {
  if (why) *why = text;
  return false;
}

}  // namespace

std::string Utf16Bytes(const std::u16string& text) {
  std::string out;
  out.reserve(text.size() * 2);
  for (char16_t c : text) {
    out += static_cast<char>(c & 0xFF);
    out += static_cast<char>(c >> 8);
  }
  return out;
}

std::u16string Utf16FromBytes(const std::string& bytes) {
  std::u16string out;
  out.reserve(bytes.size() / 2);
  for (size_t i = 0; i + 1 < bytes.size(); i += 2)
    out += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8));
  return out;
}

bool ReadRegFile(const std::string& bytes, const CodePageDecoder& decode, RegFileContent& out, std::string* error) {
  out = RegFileContent();
  std::u16string text;
  const bool unicode = bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE';
  if (unicode) {
    if (bytes.size() % 2 != 0) {
      if (error) *error = "a UTF-16 file of odd length";
      return false;
    }
    text = Utf16FromBytes(bytes.substr(2));
  } else if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 || !decode(bytes, text)) {
    if (error) *error = "text that is neither UTF-16 nor of the code page";
    return false;
  }
  Parser parser(text, unicode, decode, out);
  const bool ok = parser.Run();
  if (!ok && error) *error = parser.error;
  return ok;
}

bool SameRegData(uint32_t type, const std::string& a, const std::string& b) {
  if (!IsRegTextType(type)) return a == b;
  auto bare = [](const std::string& d) {
    const bool terminated = d.size() >= 2 && d.size() % 2 == 0 && d[d.size() - 1] == 0 && d[d.size() - 2] == 0;
    return terminated ? d.substr(0, d.size() - 2) : d;
  };
  return bare(a) == bare(b);
}

bool SameKeyPath(const std::u16string& a, const std::u16string& b) { return KeyOfPath(a) == KeyOfPath(b); }

bool RegFileRestores(const RegFileContent& file, const std::vector<RegTreeKey>& expected, std::string* why) {
  if (file.has_removals) return Why(why, "the file removes registry data");
  const auto in_file = Merged(file.keys);
  const auto wanted = Merged(expected);
  for (const auto& [path, values] : in_file)
    if (!wanted.count(path)) return Why(why, "the file names another key: " + Printable(path));
  for (const auto& [path, values] : wanted) {
    const auto found = in_file.find(path);
    if (found == in_file.end()) return Why(why, "key missing: " + Printable(path));
    const ValueMap& got = found->second;
    for (const auto& [name, value] : values) {
      const auto v = got.find(name);
      if (v == got.end()) return Why(why, "value missing: " + Printable(path) + " " + Printable(name));
      if (v->second->type != value->type || !SameRegData(value->type, v->second->data, value->data))
        return Why(why, "value differs: " + Printable(path) + " " + Printable(name));
    }
    for (const auto& [name, value] : got)
      if (!values.count(name)) return Why(why, "the file adds a value: " + Printable(path) + " " + Printable(name));
  }
  return true;
}

// ---- Writing, in the editor's export form ----

namespace {

constexpr char16_t kLineEnd[] = u"\r\n";
constexpr size_t kHexColumns = 76;  // the editor keeps its hex lines within 80 columns

std::u16string Escaped(const std::u16string& text) {
  std::u16string out;
  out.reserve(text.size() + 8);
  for (char16_t c : text) {
    if (c == u'\\' || c == u'"') out += u'\\';
    out += c;
  }
  return out;
}

bool HasControl(const std::u16string& text) {
  for (char16_t c : text)
    if (c < 0x20) return true;
  return false;
}

// Comma-separated bytes after `head`, wrapped as the editor wraps its own exports.
std::u16string HexLine(std::u16string head, const std::string& bytes) {
  size_t used = head.size();
  for (size_t i = 0; i < bytes.size(); ++i) {
    char b[3];
    std::snprintf(b, sizeof b, "%02x", static_cast<unsigned char>(bytes[i]));
    head += Ascii(b);
    used += 2;
    if (i + 1 == bytes.size()) break;
    head += u',';
    if (++used > kHexColumns) {
      head += u"\\";
      head += kLineEnd;
      head += u"  ";
      used = 2;
    }
  }
  return head;
}

std::u16string TypeTag(uint32_t type) {
  if (type == kRegBinary) return u"hex:";
  char tag[24];
  std::snprintf(tag, sizeof tag, "hex(%x):", static_cast<unsigned>(type));
  return Ascii(tag);
}

// Text data as an import leaves it: ending in one zero character.
std::string WithZeroEnd(const std::string& utf16) {
  const size_t n = utf16.size();
  const bool ends_in_zero = n >= 2 && utf16[n - 1] == 0 && utf16[n - 2] == 0;
  return ends_in_zero ? utf16 : utf16 + std::string(2, '\0');
}

}  // namespace

bool RegFileCanName(const std::u16string& name) { return !HasControl(name); }

std::u16string RegFileValueLine(const RegTreeValue& value) {
  if (!RegFileCanName(value.name)) return u"";
  const std::u16string head = value.name.empty() ? u"@=" : u"\"" + Escaped(value.name) + u"\"=";
  if (IsRegTextType(value.type) && value.data.size() % 2 != 0) return u"";
  if (value.type == kRegSz) {
    // One terminating zero is what an ordinary string carries; anything else needs the bytes.
    std::u16string text = Utf16FromBytes(value.data);
    if (!text.empty() && text.back() == u'\0') text.pop_back();
    if (!HasControl(text)) return head + u"\"" + Escaped(text) + u"\"";
  }
  if (IsRegTextType(value.type)) return HexLine(head + TypeTag(value.type), WithZeroEnd(value.data));
  if (value.type == kRegDword && value.data.size() == 4) {
    uint32_t n = 0;
    for (size_t i = 0; i < 4; ++i) n |= uint32_t(static_cast<unsigned char>(value.data[i])) << (8 * i);
    char dword[16];
    std::snprintf(dword, sizeof dword, "dword:%08x", static_cast<unsigned>(n));
    return head + Ascii(dword);
  }
  return HexLine(head + TypeTag(value.type), value.data);
}

bool WriteRegFile(const std::vector<RegTreeKey>& keys, std::string& bytes) {
  bytes.clear();
  std::u16string text = u"\xFEFF";
  text += kRegFileHeader;
  text += kLineEnd;
  text += kLineEnd;
  for (const auto& key : keys) {
    // A key line holds no line break, and "[-" would remove the key instead.
    if (key.path.empty() || key.path[0] == u'-' || HasControl(key.path)) return false;
    text += u"[" + key.path + u"]" + kLineEnd;
    for (const auto& value : key.values) {
      const std::u16string line = RegFileValueLine(value);
      if (line.empty()) return false;
      text += line + kLineEnd;
    }
    text += kLineEnd;
  }
  bytes = Utf16Bytes(text);
  return true;
}

bool AppendRegFileKeys(std::string& whole, const std::string& part) {
  const std::string head = Utf16Bytes(std::u16string(u"\xFEFF") + kRegFileHeader + kLineEnd);
  if (whole.compare(0, head.size(), head) != 0 || part.compare(0, head.size(), head) != 0) return false;
  whole.append(part, head.size(), std::string::npos);
  return true;
}

}  // namespace kv
