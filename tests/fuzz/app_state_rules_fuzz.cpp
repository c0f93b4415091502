// The folder rules of the start-up state over any path.
#include "sysaccess/app_state_rules.h"

#include "sysaccess/text_rules.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = fuzz::Text(data, size);
  (void)kv::IsX86ProgramFiles(path);
  for (const std::string& folder : {kv::FolderOfPath(path), kv::ProfileFolderFrom(path)}) {
    const std::string within = kv::UpToLastBackslash(path);
    FUZZ_CHECK(folder.compare(0, within.size(), within) == 0);
    FUZZ_CHECK(folder.size() <= within.size() + 1);
  }
  return 0;
}
