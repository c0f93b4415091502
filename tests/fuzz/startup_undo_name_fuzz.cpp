// StartupRecordedName and StartupUndoName over captions one per line: a recorded name holds no
// backslash or ".EXE" of its own, and the file name joins them.
#include "tests/fuzz/usable_name_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> captions = fuzz::Lines(fuzz::Text(data, size));
  if (captions.size() > 64) captions.resize(64);
  std::string joined;
  for (size_t i = 0; i < captions.size(); ++i) {
    const std::string& caption = captions[i];
    const std::string recorded = kv::StartupRecordedName(caption);
    FUZZ_CHECK(!kv::ContainsText(recorded, "\\"));
    FUZZ_CHECK(!kv::ContainsText(kv::AsciiUpper(recorded), ".EXE"));
    FUZZ_CHECK(recorded.size() <= caption.size());
    joined += (i == 0 ? "" : ",") + recorded;
  }
  const std::string name = kv::StartupUndoName(captions);
  FUZZ_CHECK(name == joined + "_startup.reg");
  fuzz::CheckNumbered(fuzz::CheckUsableName(name, 30), 30, 3);
  return 0;
}
