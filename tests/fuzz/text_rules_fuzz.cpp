// The DBCS text helpers against brute-force readings of the same text: fields are a text and a
// token.
#include "sysaccess/text_rules.h"

#include "tests/fuzz/fuzz_support.h"

namespace {

bool IsAscii(const std::string& s) {
  for (unsigned char c : s)
    if (c >= 0x80) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto f = fuzz::Fields(fuzz::Text(data, size), 2);
  const std::string& s = f[0];
  const std::string& token = f[1];

  // Only ASCII letters of their own change, and upper-casing twice changes nothing more.
  const std::string upper = kv::AsciiUpper(s);
  FUZZ_CHECK(upper.size() == s.size());
  FUZZ_CHECK(kv::AsciiUpper(upper) == upper);
  kv::ForEachChar(s, [&](size_t i, size_t n) {
    if (n == 2) FUZZ_CHECK(upper.compare(i, 2, s, i, 2) == 0);
  });

  // Every boundary-aligned match, found the slow way.
  std::vector<size_t> matches;
  kv::ForEachChar(s, [&](size_t i, size_t) {
    if (!token.empty() && s.compare(i, token.size(), token) == 0) matches.push_back(i);
  });
  if (!token.empty()) {
    const size_t first = kv::FindText(s, token);
    FUZZ_CHECK(first == (matches.empty() ? std::string::npos : matches.front()));
    FUZZ_CHECK(kv::FindLastText(s, token) == (matches.empty() ? std::string::npos : matches.back()));
    if (matches.size() > 1) FUZZ_CHECK(kv::FindText(s, token, matches[0] + 1) == matches[1] ||
                                       !fuzz::IsCharBoundary(s, matches[0] + 1));
  }

  FUZZ_CHECK(kv::ReplaceAll(s, token, token) == s);
  if (matches.empty()) FUZZ_CHECK(kv::ReplaceAll(s, token, "#") == s);
  if (IsAscii(token) && !token.empty() && s.find('\x01') == std::string::npos &&
      token.find('\x01') == std::string::npos)
    FUZZ_CHECK(kv::ReplaceAll(kv::ReplaceAll(s, token, "\x01"), "\x01", token) == s);
  (void)kv::ReplaceAllIgnoreCase(s, token, "x");

  // A text that does not end in a lone lead byte gets a backslash of its own.
  const std::vector<std::string> chars = fuzz::Chars(s);
  const bool lone_lead_at_end = !chars.empty() && chars.back().size() == 1 &&
                                kv::IsLeadByte(static_cast<unsigned char>(chars.back()[0]));
  const std::string with = kv::WithTrailingBackslash(s);
  if (!lone_lead_at_end) FUZZ_CHECK(kv::EndsWithBackslash(with));
  if (kv::EndsWithBackslash(s)) FUZZ_CHECK(with == s);

  const std::string folder = kv::UpToLastBackslash(s);
  FUZZ_CHECK(s.compare(0, folder.size(), folder) == 0);
  FUZZ_CHECK(folder.empty() || kv::EndsWithBackslash(folder));
  FUZZ_CHECK(kv::FindText(s.substr(folder.size()), "\\") == std::string::npos);

  const std::string trimmed = kv::TrimControls(s);
  FUZZ_CHECK(trimmed.empty() || (static_cast<unsigned char>(trimmed.front()) > 32 &&
                                 static_cast<unsigned char>(trimmed.back()) > 32));
  FUZZ_CHECK(s.find(trimmed) != std::string::npos);
  return 0;
}
