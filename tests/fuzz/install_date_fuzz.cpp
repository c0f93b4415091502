// FormatInstallDate over any text: a text with a "/" (or none) stays; otherwise exactly two "/"
// are put in and nothing else changes.
#include "uninstall/uninstall_record_rules.h"

#include <algorithm>

#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text = fuzz::Text(data, size);
  const std::string shown = kv::FormatInstallDate(text);
  if (text.empty() || text.find('/') != std::string::npos) {
    FUZZ_CHECK(shown == text);
    return 0;
  }
  FUZZ_CHECK(std::count(shown.begin(), shown.end(), '/') == 2);
  std::string without = shown;
  without.erase(std::remove(without.begin(), without.end(), '/'), without.end());
  FUZZ_CHECK(without == text);
  return 0;
}
