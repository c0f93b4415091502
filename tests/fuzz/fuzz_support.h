#pragma once
// Shared by the fuzzers: the input split into text fields, and a check that stops the run with
// the failed property (libFuzzer then saves the input as a crash).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "sysaccess/text_rules.h"

#define FUZZ_CHECK(cond)                                                              \
  do {                                                                                \
    if (!(cond)) {                                                                    \
      std::fprintf(stderr, "property failed at %s:%d: %s\n", __FILE__, __LINE__, #cond); \
      std::abort();                                                                   \
    }                                                                                 \
  } while (0)

namespace fuzz {

inline std::string Text(const uint8_t* data, size_t size) {
  return std::string(reinterpret_cast<const char*>(data), size);
}

// The seeds are small text files: fields one per line, the last field taking the rest (so a
// fuzzed field may still hold a line feed). Missing fields are empty.
inline std::vector<std::string> Fields(const std::string& text, size_t count) {
  std::vector<std::string> fields;
  size_t at = 0;
  while (fields.size() + 1 < count) {
    size_t nl = text.find('\n', at);
    if (nl == std::string::npos) break;
    fields.push_back(text.substr(at, nl - at));
    at = nl + 1;
  }
  fields.push_back(at <= text.size() ? text.substr(at) : std::string());
  fields.resize(count);
  return fields;
}

// Every line of the input as a field of its own.
inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t at = 0;
  for (;;) {
    size_t nl = text.find('\n', at);
    lines.push_back(text.substr(at, nl == std::string::npos ? std::string::npos : nl - at));
    if (nl == std::string::npos) return lines;
    at = nl + 1;
  }
}

// s cut into its characters as the program sees them (a lead byte and the byte after it are one).
inline std::vector<std::string> Chars(const std::string& s) {
  std::vector<std::string> chars;
  kv::ForEachChar(s, [&](size_t i, size_t n) { chars.push_back(s.substr(i, n)); });
  return chars;
}

inline bool IsCharBoundary(const std::string& s, size_t at) {
  bool found = at == s.size();
  kv::ForEachChar(s, [&](size_t i, size_t) { found = found || i == at; });
  return found;
}

}  // namespace fuzz
