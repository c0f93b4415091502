// AssociationUndoName over any key name: the name less its first whole character, then the
// kind suffix.
#include "tests/fuzz/usable_name_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string extension = fuzz::Text(data, size);
  const std::string name = kv::AssociationUndoName(extension);
  std::string expected;
  const auto chars = fuzz::Chars(extension);
  for (size_t i = 1; i < chars.size(); ++i) expected += chars[i];
  FUZZ_CHECK(name == expected + "_association.reg");
  fuzz::CheckNumbered(fuzz::CheckUsableName(name, 30), 30, 9999);
  return 0;
}
