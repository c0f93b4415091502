// ExtractProgramPath over any command line: the result is one whole-character piece of the
// expanded, unquoted line, holds no quote of its own, and is the same on every call.
#include "sysaccess/path_rules.h"

#include "sysaccess/text_rules.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string line = fuzz::Text(data, size);
  // A profile folder with GBK letters, one of them ending in 0x5C.
  const kv::PathFolders folders{"C:\\WINDOWS\\", "C:\\Users\\\xD5\xC5\xB1\x5C\\"};
  const std::string path = kv::ExtractProgramPath(line, folders);
  FUZZ_CHECK(path == kv::ExtractProgramPath(line, folders));
  if (path.empty()) return 0;

  const std::string expanded =
      kv::ReplaceAll(kv::ExpandPathVars(kv::AsciiUpper(kv::TrimControls(line)), folders), "\"", "");
  FUZZ_CHECK(kv::FindText(expanded, path) != std::string::npos);
  FUZZ_CHECK(!kv::ContainsText(path, "\""));
  return 0;
}
