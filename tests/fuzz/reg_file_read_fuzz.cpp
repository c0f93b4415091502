// The registry file reader over any bytes: it never crashes, and whatever it accepts and the
// writer can write comes back the same when written and read again.
#include "sysaccess/reg_file_rules.h"

#include "tests/fuzz/fuzz_support.h"
#include "tests/unit/test_code_page.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kv::RegFileContent file;
  if (!kv::ReadRegFile(fuzz::Text(data, size), kv::test::TestDecode, file) || file.has_removals) return 0;
  std::string bytes;
  if (!kv::WriteRegFile(file.keys, bytes)) return 0;
  kv::RegFileContent again;
  std::string error, why;
  FUZZ_CHECK(kv::ReadRegFile(bytes, kv::test::TestDecode, again, &error));
  FUZZ_CHECK(kv::RegFileRestores(again, file.keys, &why));
  FUZZ_CHECK(kv::RegFileRestores(file, file.keys, &why));
  return 0;
}
