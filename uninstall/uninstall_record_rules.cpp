#include "uninstall/uninstall_record_rules.h"

#include <vector>

#include "sysaccess/text_rules.h"

namespace kv {

namespace {

constexpr char kSeparator = '|';
const char kHex[] = "0123456789ABCDEF";

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

void AppendEscaped(std::string& out, unsigned char byte) {
  out += kRecordEscape;
  out += kHex[byte >> 4];
  out += kHex[byte & 0xF];
}

// Works in whole characters: the second byte of a GBK character is never taken for a "|" or
// the escape. A lead byte left alone at the end would swallow the separator that follows it.
void AppendField(std::string& out, const std::string& field) {
  ForEachChar(field, [&](size_t i, size_t n) {
    const auto c = static_cast<unsigned char>(field[i]);
    if (n == 1 && (c == kSeparator || c == kRecordEscape || IsLeadByte(c)))
      AppendEscaped(out, c);
    else
      out.append(field, i, n);
  });
}

// Reads one escaped field from `at` up to its separator, which it steps over.
bool ReadField(const std::string& line, size_t& at, std::string& field) {
  field.clear();
  while (at < line.size()) {
    const auto c = static_cast<unsigned char>(line[at]);
    if (c == kSeparator) {
      ++at;
      return true;
    }
    if (c == kRecordEscape) {
      if (at + 2 >= line.size()) return false;
      const int hi = HexValue(line[at + 1]), lo = HexValue(line[at + 2]);
      if (hi < 0 || lo < 0) return false;
      field += static_cast<char>(hi * 16 + lo);
      at += 3;
      continue;
    }
    const size_t n = (IsLeadByte(c) && at + 1 < line.size()) ? 2 : 1;
    field.append(line, at, n);
    at += n;
  }
  return false;  // no separator: not a whole record
}

}  // namespace

std::string EncodeUninstallRecord(const UninstallFields& fields) {
  std::string out;
  out.reserve(fields.display_name.size() + fields.key_path.size() + fields.command.size() + 8);
  AppendField(out, fields.display_name);
  out += kSeparator;
  out += fields.root_mark;
  out += kSeparator;
  AppendField(out, fields.key_path);
  out += kSeparator;
  out += fields.command;
  return out;
}

bool DecodeUninstallRecord(const std::string& line, UninstallFields& out) {
  size_t at = 0;
  if (!ReadField(line, at, out.display_name)) return false;
  if (at + 1 >= line.size() || line[at + 1] != kSeparator) return false;
  out.root_mark = line[at];
  at += 2;
  if (!ReadField(line, at, out.key_path)) return false;
  out.command = line.substr(at);
  return true;
}

std::string FormatInstallDate(const std::string& text) {
  if (text.empty() || text.find('/') != std::string::npos) return text;
  std::vector<std::string> chars;
  ForEachChar(text, [&](size_t i, size_t n) { chars.push_back(text.substr(i, n)); });
  // Before the 5th character, then before the 8th of the result; past the end means appended.
  for (size_t before : {size_t{5}, size_t{8}}) {
    const size_t at = before - 1 < chars.size() ? before - 1 : chars.size();
    chars.insert(chars.begin() + static_cast<std::ptrdiff_t>(at), "/");
  }
  std::string out;
  for (const auto& c : chars) out += c;
  return out;
}

}  // namespace kv
