#include "uninstall/uninstall_plan_rules.h"

#include <gtest/gtest.h>

#include <set>

namespace kv {
namespace {

const std::string kSystem = "C:\\windows\\system32\\";

TEST(UninstallPlan, TheFirstApplicableRuleDecides) {
  // Windows ignores a trailing blank when it tests for a file; the predicate here does not, so
  // the files a rule c split yields are listed with theirs.
  const std::set<std::string> files = {
      "C:\\Program Files\\Foo\\uninst.exe", "C:\\App\\unins000.exe ", "C:\\App\\setup.exe", "C:\\App\\dash.exe",
      "C:\\中文\\卸载.exe",
  };
  auto exists = [&](const std::string& p) { return files.count(p) != 0; };
  struct Case {
    std::string command;
    UninstallRule rule;
    std::string program, parameters;
    bool run;
  } cases[] = {
      {"\"C:\\Program Files\\Foo\\uninst.exe\"", UninstallRule::A, "C:\\Program Files\\Foo\\uninst.exe", "", true},
      {"  C:\\Program Files\\Foo\\uninst.exe\t", UninstallRule::A, "C:\\Program Files\\Foo\\uninst.exe", "", true},
      {"MsiExec.exe /X{GUID}", UninstallRule::B, kSystem + "MsiExec.exe", "/X{GUID}", true},
      {"MsiExec.exe /I{GUID}", UninstallRule::B, kSystem + "MsiExec.exe", "/I{GUID}", true},
      {"msiexec.exe   /x {G} ", UninstallRule::B, kSystem + "MsiExec.exe", "/x {G}", true},
      {"MsiExec /X{GUID}", UninstallRule::B, kSystem + "MsiExec.exe", "GUID}", true},  // 11 characters go
      {"MSIEXEC", UninstallRule::B, kSystem + "MsiExec.exe", "", true},
      {"C:\\App\\unins000.exe /SILENT", UninstallRule::C, "C:\\App\\unins000.exe ", "/SILENT", true},
      {"C:\\App\\setup.exe -remove", UninstallRule::C, "C:\\App\\setup.exe", " -remove", true},
      {"RunDll32 advpack.dll,LaunchINFSection foo.inf", UninstallRule::C, "RunDll32 advpack.dll,LaunchINFSection",
       " foo.inf", false},
      {"C:\\App\\dash.exe-x", UninstallRule::D, "C:\\App\\dash.exe", "-x", true},
      // ".EXE" after the "/": rule c does not hold, rule d does (no ".EXE" before the "-").
      {"C:\\My/App\\a.exe", UninstallRule::None, "", "", false},
      {"C:\\a/b.exe-x", UninstallRule::D, "C:\\a/b.exe", "-x", false},
      {"C:\\x-y\\a.exe", UninstallRule::None, "", "", false},
      // A rule c whose file is missing does not go on to rule d.
      {"C:\\Gone\\u.exe /S -x", UninstallRule::C, "C:\\Gone\\u.exe ", "/S -x", false},
      {"\"\"", UninstallRule::None, "", "", false},
      {"noexe", UninstallRule::None, "", "", false},
      {"C:\\中文\\卸载.exe /S", UninstallRule::C, "C:\\中文\\卸载.exe ", "/S", false},
  };
  for (const auto& c : cases) {
    const UninstallPlan plan = PlanUninstall(c.command, kSystem, exists);
    EXPECT_EQ(plan.rule, c.rule) << c.command;
    EXPECT_EQ(plan.run, c.run) << c.command;
    if (c.rule == UninstallRule::None) continue;
    EXPECT_EQ(plan.program, c.program) << c.command;
    EXPECT_EQ(plan.parameters, c.parameters) << c.command;
  }
}

TEST(UninstallPlan, QuotesBecomeBlanksBeforeTheSplit) {
  auto exists = [](const std::string& p) { return p == "C:\\A B\\u.exe "; };
  const UninstallPlan plan = PlanUninstall("\"C:\\A B\\u.exe\" /S", kSystem, exists);
  EXPECT_EQ(plan.rule, UninstallRule::C);
  EXPECT_EQ(plan.program, "C:\\A B\\u.exe  ");  // the closing quote left a second blank
  EXPECT_FALSE(plan.run);
  EXPECT_EQ(UnquotedUninstallCommand("\"C:\\A B\\u.exe\" /S"), "C:\\A B\\u.exe  /S");
}

TEST(UninstallPlan, MsiExecCutCountsCharactersNotBytes) {
  auto none = [](const std::string&) { return false; };
  EXPECT_EQ(PlanUninstall("MSIEXEC中文中文 /X", kSystem, none).parameters, "/X");
}

}  // namespace
}  // namespace kv
