// ListedUninstallCommand over any values: fields are the subkey name, the display name, the
// release type, the quiet command and the command; the first byte's bits set the flags. A
// listed entry shows one of its own commands, and a narrower filter never lists more.
#include "uninstall/uninstall_filter_rules.h"

#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const unsigned char flags = data[0];
  const auto f = fuzz::Fields(fuzz::Text(data + 1, size - 1), 5);
  kv::UninstallValues v;
  v.subkey_name = f[0];
  v.display_name = f[1];
  v.release_type = f[2];
  v.quiet_uninstall_string = f[3];
  v.uninstall_string = f[4];
  v.system_component = flags & 1;
  v.has_quiet_uninstall_string = (flags & 2) || !f[3].empty();
  v.has_uninstall_string = (flags & 4) || !f[4].empty();
  const std::string all = kv::ListedUninstallCommand(v, kv::UninstallFilter::AllPrograms);
  const std::string hide = kv::ListedUninstallCommand(v, kv::UninstallFilter::HideUpdates);
  const std::string bars = kv::ListedUninstallCommand(v, kv::UninstallFilter::OnlyToolbars);
  FUZZ_CHECK(all.empty() || all == v.quiet_uninstall_string || all == v.uninstall_string);
  FUZZ_CHECK(hide.empty() || hide == all);
  FUZZ_CHECK(bars.empty() || bars == all);
  if (v.system_component) FUZZ_CHECK(all.empty());
  return 0;
}
