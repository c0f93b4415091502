// ExpandPathVars: fields are the Windows folder, the profile folder and the path. With folders
// that hold no "%", no upper-case token survives, and a path without "%" is left as it was.
#include "sysaccess/path_rules.h"

#include "sysaccess/text_rules.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto f = fuzz::Fields(fuzz::Text(data, size), 3);
  const std::string& path = f[2];
  (void)kv::ExpandPathVars(path, kv::PathFolders{f[0], f[1]});

  const kv::PathFolders fixed{"C:\\WINDOWS\\", "C:\\Users\\\xD5\xC5\xB1\x5C\\"};
  const std::string out = kv::ExpandPathVars(path, fixed);
  if (!kv::ContainsText(path, "%")) FUZZ_CHECK(out == path);
  for (const char* token : {"%WINDIR%\\", "%SYSTEMROOT%\\", "%PROGRAMFILES%\\", "%PROGRAMFILES(X86)%\\",
                            "%PROGRAMW6432%\\", "%USERPROFILE%\\"})
    FUZZ_CHECK(!kv::ContainsText(out, token));
  return 0;
}
