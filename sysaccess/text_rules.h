#pragma once
// Byte-string rules for code page 936 text. A lead byte (0x81..0xFE) and the byte after it form
// one character: that second byte is never a backslash, a letter to upper-case, or a token start.
#include <cstddef>
#include <string>

namespace kv {

inline bool IsLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

// Calls f(index, length) for each character of s; length is 2 for a complete double-byte
// character and 1 otherwise (a lead byte at the very end stands alone).
template <typename F>
void ForEachChar(const std::string& s, F&& f) {
  for (size_t i = 0; i < s.size();) {
    size_t n = (IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) ? 2 : 1;
    f(i, n);
    i += n;
  }
}

// Upper-cases ASCII a..z that are characters of their own.
std::string AsciiUpper(const std::string& s);

// Position of the first occurrence of `token` that starts at a character boundary, from `from`
// (a boundary) on; npos when absent. Matching is byte-exact.
size_t FindText(const std::string& s, const std::string& token, size_t from = 0);
// Last occurrence at a character boundary; npos when absent.
size_t FindLastText(const std::string& s, const std::string& token);
inline bool ContainsText(const std::string& s, const std::string& token) {
  return FindText(s, token) != std::string::npos;
}
// Replaces every boundary-aligned occurrence of `token` by `with`.
std::string ReplaceAll(const std::string& s, const std::string& token, const std::string& with);
// Replaces every occurrence matched without regard to ASCII case.
std::string ReplaceAllIgnoreCase(const std::string& s, const std::string& token, const std::string& with);

// True when the last character of s is a backslash of its own.
bool EndsWithBackslash(const std::string& s);
// Appends a backslash unless s already ends with one; "" becomes "\".
std::string WithTrailingBackslash(const std::string& s);
// s up to and including its last backslash of its own; "" when it has none.
std::string UpToLastBackslash(const std::string& s);

// Removes leading and trailing bytes of code 32 or lower (never a GBK second byte).
std::string TrimControls(const std::string& s);

std::string ToDecimal(long long n);

}  // namespace kv
