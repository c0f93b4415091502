// Keys of any names, types and data, written in the editor's export form: the writer refuses
// exactly the names with a control character and the text values of odd length, and the reader
// gives back exactly the keys it wrote. A changed value is always noticed.
#include <fuzzer/FuzzedDataProvider.h>

#include "sysaccess/reg_file_rules.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/unit/test_code_page.h"

namespace {

// Names drawn mostly from the characters that matter to the file's syntax.
std::u16string Name(FuzzedDataProvider& in, size_t max, bool key) {
  static const char16_t kPick[] = {u'a', u'\\', u'"', u']', u'[', u'\r', u'\n', u'=', u'@', u' ', u'-',
                                   u'|', u';', u'\x4E2D', u'\xFEFF', u'\xD800', u'\t', u','};
  std::u16string s;
  const size_t n = in.ConsumeIntegralInRange<size_t>(key ? 1 : 0, max);
  for (size_t i = 0; i < n && in.remaining_bytes() > 0; ++i) {
    char16_t c = in.ConsumeBool() ? kPick[in.ConsumeIntegralInRange<size_t>(0, sizeof kPick / sizeof kPick[0] - 1)]
                                  : in.ConsumeIntegral<char16_t>();
    if (c == 0 || (key && c < 0x20)) c = u'x';  // a key line holds no control character
    s += c;
  }
  if (key && !s.empty() && s[0] == u'-') s[0] = u'x';  // that would be a removal
  if (key && s.empty()) s = u"k";
  return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  std::vector<kv::RegTreeKey> keys;
  bool unwritable = false;
  const size_t key_count = in.ConsumeIntegralInRange<size_t>(1, 4);
  for (size_t k = 0; k < key_count; ++k) {
    kv::RegTreeKey key{u"HKEY_CURRENT_USER\\" + Name(in, 12, true), {}};
    const size_t value_count = in.ConsumeIntegralInRange<size_t>(0, 5);
    for (size_t v = 0; v < value_count; ++v) {
      kv::RegTreeValue value;
      value.name = Name(in, 10, false);
      static const uint32_t kTypes[] = {0, 1, 2, 3, 4, 7, 11, 0x99, 0xFFFFFFFF};
      value.type = in.ConsumeBool() ? kTypes[in.ConsumeIntegralInRange<size_t>(0, 8)] : in.ConsumeIntegral<uint32_t>();
      value.data = in.ConsumeRandomLengthString(200);
      bool taken = false;
      for (const auto& other : key.values) taken = taken || other.name == value.name;
      if (taken) continue;
      key.values.push_back(value);
    }
    bool named = false;  // a key named twice merges, and the first one's values could be hidden
    for (const auto& other : keys) named = named || kv::SameKeyPath(other.path, key.path);
    if (named) continue;
    for (const auto& value : key.values) {
      unwritable = unwritable || (kv::IsRegTextType(value.type) && value.data.size() % 2);
      for (char16_t c : value.name) unwritable = unwritable || c < 0x20;
    }
    keys.push_back(key);
  }
  std::string bytes;
  FUZZ_CHECK(kv::WriteRegFile(keys, bytes) == !unwritable);
  if (unwritable) return 0;
  kv::RegFileContent file;
  std::string error, why;
  FUZZ_CHECK(kv::ReadRegFile(bytes, kv::test::TestDecode, file, &error));
  FUZZ_CHECK(kv::RegFileRestores(file, keys, &why));

  // Any one byte of any value changed is a different registry.
  for (auto& key : keys) {
    for (auto& value : key.values) {
      if (value.data.empty()) continue;
      value.data[0] = static_cast<char>(value.data[0] ^ 1);
      FUZZ_CHECK(!kv::RegFileRestores(file, keys));
      value.data[0] = static_cast<char>(value.data[0] ^ 1);
    }
  }
  return 0;
}
