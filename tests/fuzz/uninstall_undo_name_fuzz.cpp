// UninstallUndoName over any display name: the sixteen characters are gone from the first part,
// the kind suffix follows, and the name is made usable without losing it.
#include "tests/fuzz/usable_name_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string display = fuzz::Text(data, size);
  const std::string name = kv::UninstallUndoName(display);
  const std::string suffix = "_uninstall.reg";
  FUZZ_CHECK(name.size() >= suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0);
  const std::string head = name.substr(0, name.size() - suffix.size());
  for (const auto& c : fuzz::Chars(head)) FUZZ_CHECK(c.size() != 1 || std::string("\"\\/.:;<>&%#*[]{}").find(c[0]) == std::string::npos);

  const std::string usable = fuzz::CheckUsableName(name, 30);
  // The kind stays at the end whenever the name had to be cut, unless a display name ending in
  // a lone lead byte took its "_" as a second byte.
  const bool own_suffix = kv::FindText(name, suffix, name.size() - suffix.size()) == name.size() - suffix.size();
  if (own_suffix) {
    FUZZ_CHECK(usable.size() >= suffix.size());
    FUZZ_CHECK(usable.compare(usable.size() - suffix.size(), suffix.size(), suffix) == 0);
  }
  fuzz::CheckNumbered(usable, 30, 2);
  return 0;
}
