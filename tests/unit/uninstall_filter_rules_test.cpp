#include "uninstall/uninstall_filter_rules.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

UninstallValues Entry(const std::string& name, const std::string& command = "C:\\App\\uninst.exe") {
  UninstallValues v;
  v.subkey_name = name;
  v.display_name = name;
  v.has_uninstall_string = true;
  v.uninstall_string = command;
  return v;
}

constexpr UninstallFilter kAll = UninstallFilter::AllPrograms;
constexpr UninstallFilter kHide = UninstallFilter::HideUpdates;
constexpr UninstallFilter kToolbars = UninstallFilter::OnlyToolbars;

TEST(UninstallFilter, CommandAndPresenceTests) {
  UninstallValues v = Entry("App");
  EXPECT_EQ(ListedUninstallCommand(v, kAll), "C:\\App\\uninst.exe");
  v.system_component = true;
  EXPECT_EQ(ListedUninstallCommand(v, kAll), "");

  v = Entry("App");
  v.quiet_uninstall_string = "C:\\App\\uninst.exe /S";
  v.has_quiet_uninstall_string = true;
  EXPECT_EQ(ListedUninstallCommand(v, kAll), "C:\\App\\uninst.exe /S");  // the quiet one wins

  v = Entry("App", "");
  v.has_uninstall_string = true;  // a REG_BINARY: there, but no text
  EXPECT_EQ(ListedUninstallCommand(v, kAll), "");
  v.quiet_uninstall_string = "q.exe";
  EXPECT_EQ(ListedUninstallCommand(v, kAll), "q.exe");

  v = Entry("App");
  v.has_uninstall_string = false;  // text came from nowhere: neither value exists
  EXPECT_EQ(ListedUninstallCommand(v, kAll), "");

  v = Entry("");
  EXPECT_EQ(ListedUninstallCommand(v, kAll), "");
}

TEST(UninstallFilter, EachFilterHidesWhatItShould) {
  struct Case {
    UninstallValues v;
    bool all, hide, toolbars;
  };
  UninstallValues hotfix = Entry("Security thing");
  hotfix.release_type = "Hotfix";
  UninstallValues update = Entry("Other thing");
  update.release_type = "Security Update";
  UninstallValues toolbar_key = Entry("Helper");
  toolbar_key.subkey_name = "{ABC}_ToolBar";
  const Case cases[] = {
      {Entry("Windows Live Mail"), false, false, false},
      {Entry("wINDOWS lIVE Writer"), false, false, false},
      {Entry("Windows Mail"), true, true, false},
      {Entry("Update for Windows (KB2347290)"), true, false, false},
      {Entry("Update for Windows (kb2347290)"), true, false, false},  // upper-cased first
      {hotfix, true, false, false},
      {update, true, false, false},
      {toolbar_key, true, true, true},
      {Entry("Ask Toolbar"), true, true, true},
      {Entry("Helper", "C:\\Program Files\\toolbar\\u.exe"), true, true, true},
      {Entry("Plain"), true, true, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(!ListedUninstallCommand(c.v, kAll).empty(), c.all) << c.v.display_name;
    EXPECT_EQ(!ListedUninstallCommand(c.v, kHide).empty(), c.hide) << c.v.display_name;
    EXPECT_EQ(!ListedUninstallCommand(c.v, kToolbars).empty(), c.toolbars) << c.v.display_name;
  }
}

TEST(UninstallFilter, UpperCasingLeavesGbkSecondBytesAlone) {
  // "\x81" + "toolbar" would read TOOLBAR only if the "t" after a lead byte were a letter of its own.
  EXPECT_EQ(ListedUninstallCommand(Entry("\x81toolbar"), kToolbars), "");
  EXPECT_NE(ListedUninstallCommand(Entry("\x81\x81toolbar"), kToolbars), "");
}

}  // namespace
}  // namespace kv
