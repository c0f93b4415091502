// The registry file reader over any bytes: it never crashes, and whatever it accepts comes back
// the same when written in the editor's export form and read again.
#include "sysaccess/reg_file_rules.h"

#include "tests/fuzz/fuzz_support.h"
#include "tests/unit/reg_export_form.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kv::RegFileContent file;
  if (!kv::ReadRegFile(fuzz::Text(data, size), kv::test::TestDecode, file) || file.has_removals) return 0;
  kv::RegFileContent again;
  std::string error, why;
  FUZZ_CHECK(kv::ReadRegFile(kv::test::ExportForm(file.keys), kv::test::TestDecode, again, &error));
  FUZZ_CHECK(kv::RegFileRestores(again, file.keys, &why));
  FUZZ_CHECK(kv::RegFileRestores(file, file.keys, &why));
  return 0;
}
