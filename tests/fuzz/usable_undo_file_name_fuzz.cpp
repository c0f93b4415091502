// UsableUndoFileName and NumberedUndoFileName over any name: fields are the undo folder's
// length, a number and the name.
#include "tests/fuzz/usable_name_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto f = fuzz::Fields(fuzz::Text(data, size), 3);
  const size_t folder_length = fuzz::SmallNumber(f[0], 400, 40);
  const int n = static_cast<int>(fuzz::SmallNumber(f[1], 9999, 2));
  const std::string usable = fuzz::CheckUsableName(f[2], folder_length);
  if (n >= 2) fuzz::CheckNumbered(usable, folder_length, n);
  return 0;
}
