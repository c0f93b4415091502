// The uninstall record codec: fields are the display name, the root mark, the key path and the
// command. decode(encode(fields)) == fields, and any line decodes or is refused without harm.
#include "uninstall/uninstall_record_rules.h"

#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text = fuzz::Text(data, size);
  kv::UninstallFields any;
  (void)kv::DecodeUninstallRecord(text, any);

  const auto f = fuzz::Fields(text, 4);
  kv::UninstallFields fields;
  fields.display_name = f[0];
  fields.root_mark = f[1].empty() ? 'M' : f[1][0];
  fields.key_path = f[2];
  fields.command = f[3];
  const std::string line = kv::EncodeUninstallRecord(fields);
  kv::UninstallFields back;
  FUZZ_CHECK(kv::DecodeUninstallRecord(line, back));
  FUZZ_CHECK(back == fields);
  return 0;
}
