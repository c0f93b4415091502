#include "uninstall/uninstall_record_rules.h"

#include <vector>

#include "sysaccess/text_rules.h"

namespace kv {

namespace {

constexpr char kSeparator = '|';
constexpr char kRecordEscape = '%';
const char kHex[] = "0123456789ABCDEF";

void AppendEscaped(std::string& out, unsigned char byte) {
  out += kRecordEscape;
  out += kHex[byte >> 4];
  out += kHex[byte & 0xF];
}

// Works in whole characters: the second byte of a GBK character is never taken for a "|" or
// the escape. A lone lead byte left at the end would pair with the separator after it when
// CompareString reads the line; the escaped "|" and "%" keep the order rows have always had.
void AppendField(std::string& out, const std::string& field) {
  ForEachChar(field, [&](size_t i, size_t n) {
    const auto c = static_cast<unsigned char>(field[i]);
    if (n == 1 && (c == kSeparator || c == kRecordEscape || IsLeadByte(c)))
      AppendEscaped(out, c);
    else
      out.append(field, i, n);
  });
}

}  // namespace

std::string UninstallRecordLine(const std::string& display_name, char root_mark, const std::string& key_path,
                                const std::string& command) {
  std::string out;
  out.reserve(display_name.size() + key_path.size() + command.size() + 8);
  AppendField(out, display_name);
  out += kSeparator;
  out += root_mark;
  out += kSeparator;
  AppendField(out, key_path);
  out += kSeparator;
  out += command;
  return out;
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
