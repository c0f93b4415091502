#include "sysaccess/text_rules.h"

namespace kv {

std::string AsciiUpper(const std::string& s) {
  std::string out = s;
  ForEachChar(s, [&](size_t i, size_t n) {
    if (n == 1 && out[i] >= 'a' && out[i] <= 'z') out[i] = static_cast<char>(out[i] - 'a' + 'A');
  });
  return out;
}

size_t FindText(const std::string& s, const std::string& token, size_t from) {
  if (token.empty()) return from <= s.size() ? from : std::string::npos;
  size_t found = std::string::npos;
  for (size_t i = 0; i < s.size() && found == std::string::npos;) {
    size_t n = (IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) ? 2 : 1;
    if (i >= from && s.compare(i, token.size(), token) == 0) found = i;
    i += n;
  }
  return found;
}

size_t FindLastText(const std::string& s, const std::string& token) {
  if (token.empty()) return s.size();
  // One pass: a search from the start for each match would make a long line of dots quadratic.
  size_t last = std::string::npos;
  ForEachChar(s, [&](size_t i, size_t) {
    if (s.compare(i, token.size(), token) == 0) last = i;
  });
  return last;
}

std::string ReplaceAll(const std::string& s, const std::string& token, const std::string& with) {
  if (token.empty()) return s;
  std::string out;
  size_t i = 0;
  while (i < s.size()) {
    if (s.compare(i, token.size(), token) == 0) {
      out += with;
      i += token.size();
      continue;
    }
    size_t n = (IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) ? 2 : 1;
    out.append(s, i, n);
    i += n;
  }
  return out;
}

std::string ReplaceAllIgnoreCase(const std::string& s, const std::string& token, const std::string& with) {
  if (token.empty()) return s;
  const std::string upper = AsciiUpper(s);
  const std::string utoken = AsciiUpper(token);
  std::string out;
  size_t i = 0;
  while (i < s.size()) {
    if (upper.compare(i, utoken.size(), utoken) == 0) {
      out += with;
      i += utoken.size();
      continue;
    }
    size_t n = (IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) ? 2 : 1;
    out.append(s, i, n);
    i += n;
  }
  return out;
}

bool EndsWithBackslash(const std::string& s) {
  bool last_is_backslash = false;
  ForEachChar(s, [&](size_t i, size_t n) { last_is_backslash = (n == 1 && s[i] == '\\'); });
  return last_is_backslash;
}

std::string WithTrailingBackslash(const std::string& s) {
  return EndsWithBackslash(s) ? s : s + "\\";
}

std::string UpToLastBackslash(const std::string& s) {
  size_t cut = std::string::npos;
  ForEachChar(s, [&](size_t i, size_t n) {
    if (n == 1 && s[i] == '\\') cut = i;
  });
  return cut == std::string::npos ? std::string() : s.substr(0, cut + 1);
}

std::string TrimControls(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= 32) ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= 32) --e;
  return s.substr(b, e - b);
}

std::string ToDecimal(long long n) { return std::to_string(n); }

}  // namespace kv
