#pragma once
// The properties of a usable undo file name, shared by the undo-name fuzzers.
#include <string>
#include <vector>

#include "sysaccess/text_rules.h"
#include "sysaccess/undo_name_rules.h"
#include "tests/fuzz/fuzz_support.h"

namespace fuzz {

// Room for the longest kind suffix with a number ("_association (9999).reg") and some name.
constexpr size_t kRoomyBudget = 40;

inline bool IsRefused(const std::string& c) {
  if (c.size() != 1) return false;
  const unsigned char b = static_cast<unsigned char>(c[0]);
  return b < 32 || std::string("\\/:*?\"<>|").find(c[0]) != std::string::npos;
}

inline size_t Weight(const std::string& s) {
  size_t w = 0;
  for (const auto& c : Chars(s)) w += c.size() == 2 ? 3 : 1;
  return w;
}

// True when `chars` is a whole-character prefix of `all` followed by a whole-character suffix.
inline bool PrefixThenSuffix(const std::vector<std::string>& chars, const std::vector<std::string>& all) {
  if (chars.size() > all.size()) return false;
  size_t prefix = 0, suffix = 0;
  while (prefix < chars.size() && chars[prefix] == all[prefix]) ++prefix;
  while (suffix < chars.size() && chars[chars.size() - 1 - suffix] == all[all.size() - 1 - suffix]) ++suffix;
  return prefix + suffix >= chars.size();
}

inline bool IsDeviceBase(std::string base) {
  while (!base.empty() && base.back() == ' ') base.pop_back();
  base = kv::AsciiUpper(base);
  if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL") return true;
  return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
         base[3] >= '1' && base[3] <= '9';
}

// Checks UsableUndoFileName(name, folder_length) and returns it.
inline std::string CheckUsableName(const std::string& name, size_t folder_length) {
  const std::string r = kv::UsableUndoFileName(name, folder_length);
  const std::vector<std::string> chars = Chars(r);
  FUZZ_CHECK(!chars.empty());
  for (const auto& c : chars) FUZZ_CHECK(!IsRefused(c));
  FUZZ_CHECK(chars.back() != "." && chars.back() != " ");
  const size_t dot = kv::FindText(r, ".");
  FUZZ_CHECK(!IsDeviceBase(r.substr(0, dot == std::string::npos ? r.size() : dot)));

  const size_t budget = folder_length < 259 ? 259 - folder_length : 0;
  const bool roomy = budget >= kRoomyBudget;
  if (roomy) {
    FUZZ_CHECK(r.size() <= budget);
    FUZZ_CHECK(Weight(r) <= 255);
    FUZZ_CHECK(kv::UsableUndoFileName(r, folder_length) == r);  // a usable name stays as it is
  }

  // Whole characters of the cleaned name, perhaps less some in the middle, perhaps with one "_"
  // put in (a device name, or a name that had nothing left): never a split GBK character.
  std::vector<std::string> clean;
  for (const auto& c : Chars(name)) clean.push_back(IsRefused(c) ? "_" : c);
  bool shaped = PrefixThenSuffix(chars, clean);
  for (size_t i = 0; i < chars.size() && !shaped; ++i) {
    if (chars[i] != "_") continue;
    std::vector<std::string> less = chars;
    less.erase(less.begin() + static_cast<long>(i));
    shaped = PrefixThenSuffix(less, clean);
  }
  FUZZ_CHECK(shaped);
  return r;
}

// A numbered form of a usable name keeps its number when it is made usable again.
inline void CheckNumbered(const std::string& usable, size_t folder_length, int n) {
  const std::string numbered = CheckUsableName(kv::NumberedUndoFileName(usable, n), folder_length);
  const std::string tag = " (" + std::to_string(n) + ")";
  const size_t budget = folder_length < 259 ? 259 - folder_length : 0;
  const std::string reg = ".reg";
  if (budget >= kRoomyBudget && usable.size() >= reg.size() &&
      kv::FindText(usable, reg, usable.size() - reg.size()) == usable.size() - reg.size()) {
    const std::string end = tag + reg;
    FUZZ_CHECK(numbered.size() >= end.size() &&
               numbered.compare(numbered.size() - end.size(), end.size(), end) == 0);
  }
}

// The folder length and number fields: decimal text, bounded.
inline size_t SmallNumber(const std::string& field, size_t limit, size_t fallback) {
  if (field.empty() || field.size() > 6) return fallback;
  size_t n = 0;
  for (char c : field) {
    if (c < '0' || c > '9') return fallback;
    n = n * 10 + static_cast<size_t>(c - '0');
  }
  return n > limit ? limit : n;
}

}  // namespace fuzz
