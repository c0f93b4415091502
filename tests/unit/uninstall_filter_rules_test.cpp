// The filters against real registry values are tested under Wine; here only what the registry
// cannot easily show: upper-casing that must leave GBK second bytes alone.
#include "uninstall/uninstall_filter_rules.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

UninstallValues Entry(const std::string& name) {
  UninstallValues v;
  v.subkey_name = "{GUID}";
  v.display_name = name;
  v.has_uninstall_string = true;
  v.uninstall_string = "C:\\App\\uninst.exe";
  return v;
}

TEST(UninstallFilter, UpperCasingLeavesGbkSecondBytesAlone) {
  // After a lead byte, "t" is the second half of a character, not the start of "toolbar".
  EXPECT_EQ(ListedUninstallCommand(Entry("\x81toolbar"), UninstallFilter::OnlyToolbars), "");
  EXPECT_NE(ListedUninstallCommand(Entry("\x81\x81toolbar"), UninstallFilter::OnlyToolbars), "");
  EXPECT_NE(ListedUninstallCommand(Entry("\x81windows live"), UninstallFilter::AllPrograms), "");
  EXPECT_EQ(ListedUninstallCommand(Entry("\x81(kb1)"), UninstallFilter::HideUpdates), "C:\\App\\uninst.exe");
  EXPECT_EQ(ListedUninstallCommand(Entry("\x81\x81(kb1)"), UninstallFilter::HideUpdates), "");
}

}  // namespace
}  // namespace kv
