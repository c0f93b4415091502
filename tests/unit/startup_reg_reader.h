#pragma once
// A small reader of registry files in code page 936, parsing as the registry editor does (one
// double-byte character never splits, escapes \\ \" \r \n, hex data continued after a trailing
// backslash), so tests can check what an undo file would put back.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "startup/startup_undo_rules.h"
#include "sysaccess/text_rules.h"

namespace kv::test {

struct RegFileKey {
  std::string key;  // text between [ and ]
  std::vector<RegFileValue> values;
};

struct RegFileRead {
  bool header_ok = false;
  std::vector<RegFileKey> keys;
  int bad_lines = 0;  // lines that are neither blank, a key nor a readable value
};

inline std::vector<std::string> RegFileLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      lines.push_back(line);
      line.clear();
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      line += text[i];
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

// Reads a quoted string starting after its opening quote; `at` ends after the closing quote.
inline bool ReadQuoted(const std::string& s, size_t& at, std::string& out) {
  out.clear();
  while (at < s.size()) {
    const auto c = static_cast<unsigned char>(s[at]);
    if (IsLeadByte(c) && at + 1 < s.size()) {
      out.append(s, at, 2);
      at += 2;
    } else if (c == '\\' && at + 1 < s.size()) {
      const char e = s[at + 1];
      out += e == 'n' ? '\n' : e == 'r' ? '\r' : e;
      at += 2;
    } else if (c == '"') {
      ++at;
      return true;
    } else {
      out += static_cast<char>(c);
      ++at;
    }
  }
  return false;
}

inline bool ReadHex(const std::vector<std::string>& lines, size_t& li, std::string rest, std::string& bytes) {
  for (;;) {
    bool more = false;
    size_t i = 0;
    while (i < rest.size()) {
      while (i < rest.size() && (rest[i] == ' ' || rest[i] == '\t')) ++i;
      if (i >= rest.size()) break;
      if (rest[i] == '\\') {
        more = true;
        break;
      }
      char* end = nullptr;
      const unsigned long b = std::strtoul(rest.c_str() + i, &end, 16);
      if (end == rest.c_str() + i || b > 0xFF) return false;
      bytes += static_cast<char>(b);
      i = static_cast<size_t>(end - rest.c_str());
      if (i < rest.size() && rest[i] == ',') ++i;
    }
    if (!more) return true;
    if (++li >= lines.size()) return true;
    rest = lines[li];
  }
}

inline RegFileRead ReadRegFile(const std::string& text) {
  RegFileRead out;
  const std::vector<std::string> lines = RegFileLines(text);
  if (lines.empty()) return out;
  out.header_ok = lines[0] == kRegFileHeader;
  for (size_t li = 1; li < lines.size(); ++li) {
    const std::string& line = lines[li];
    size_t at = 0;
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
    if (at == line.size()) continue;
    if (line[at] == '[') {
      const size_t close = line.rfind(']');
      if (close == std::string::npos || close < at) {
        ++out.bad_lines;
        continue;
      }
      out.keys.push_back({line.substr(at + 1, close - at - 1), {}});
      continue;
    }
    RegFileValue v;
    if (line[at] == '@') {
      ++at;
    } else if (line[at] == '"') {
      ++at;
      if (!ReadQuoted(line, at, v.name)) {
        ++out.bad_lines;
        continue;
      }
    } else {
      ++out.bad_lines;
      continue;
    }
    if (at >= line.size() || line[at] != '=' || out.keys.empty()) {
      ++out.bad_lines;
      continue;
    }
    ++at;
    const std::string data = line.substr(at);
    bool ok = true;
    if (!data.empty() && data[0] == '"') {
      size_t p = 1;
      ok = ReadQuoted(data, p, v.data) && p == data.size();
      v.type = kRegSz;
      v.data += '\0';
    } else if (data.compare(0, 6, "dword:") == 0) {
      ok = data.size() == 14;
      const unsigned long n = std::strtoul(data.c_str() + 6, nullptr, 16);
      v.type = kRegDword;
      for (int i = 0; i < 4; ++i) v.data += static_cast<char>((n >> (8 * i)) & 0xFF);
    } else if (data.compare(0, 4, "hex:") == 0) {
      v.type = kRegBinary;
      ok = ReadHex(lines, li, data.substr(4), v.data);
    } else if (data.compare(0, 4, "hex(") == 0) {
      char* end = nullptr;
      v.type = static_cast<uint32_t>(std::strtoul(data.c_str() + 4, &end, 16));
      ok = end && end[0] == ')' && end[1] == ':';
      if (ok) ok = ReadHex(lines, li, std::string(end + 2), v.data);
      const bool is_text = v.type == kRegSz || v.type == kRegExpandSz || v.type == kRegMultiSz;
      if (ok && is_text && !v.data.empty() && v.data.back() != '\0') v.data += '\0';
    } else {
      ok = false;
    }
    if (!ok) {
      ++out.bad_lines;
      continue;
    }
    out.keys.back().values.push_back(v);
  }
  return out;
}

}  // namespace kv::test
