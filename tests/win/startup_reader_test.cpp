#include <gtest/gtest.h>

#include "startup/startup_reader.h"
#include "sysaccess/text_rules.h"
#include "tests/win/startup_fixtures.h"

namespace kv {
namespace {

using test::RowsNamed;
using test::SeedValue;
using test::Sz;
using S = StartupSource;

TEST(StartupReader, ReadsEverySourceInOrderInItsView) {
  test::StartupScratch s;
  const std::string chinese = test::Unique("中文\"x\"");
  const std::string same = test::Unique("same");
  const std::string dis = test::Unique("disabled");
  const std::string nocmd = test::Unique("nocommand");
  SeedValue v1(HKEY_CURRENT_USER, test::kRunPath, test::Unique("user"), REG_SZ, Sz("  C:\\u.exe /x  "));
  SeedValue v1b(HKEY_CURRENT_USER, test::kRunPath, same, REG_SZ, Sz("C:\\same.exe"));
  SeedValue v1c(HKEY_CURRENT_USER, test::kRunPath, chinese, REG_SZ, Sz("\"C:\\程序\\应用.exe\" -a"));
  SeedValue v1d(HKEY_CURRENT_USER, test::kRunPath, test::Unique("dword"), REG_DWORD, std::string(4, '\1'));
  SeedValue v2(HKEY_CURRENT_USER, test::kRunOncePath, test::Unique("once"), REG_EXPAND_SZ, Sz("%SystemRoot%\\o.exe"));
  SeedValue v3(HKEY_LOCAL_MACHINE, test::kRunPath, test::Unique("m64"), REG_SZ, Sz("C:\\m64.exe"));
  SeedValue v3b(HKEY_LOCAL_MACHINE, test::kRunPath, same, REG_SZ, Sz("C:\\same.exe"));
  SeedValue v4(HKEY_LOCAL_MACHINE, test::kRunOncePath, test::Unique("monce"), REG_SZ, Sz("C:\\mo.exe"));
  SeedValue v5(HKEY_LOCAL_MACHINE, test::kStartupRegPath + std::string("\\") + dis, "command", REG_SZ, Sz("C:\\d.exe"));
  test::SeedKey v5b(HKEY_LOCAL_MACHINE, test::kStartupRegPath + std::string("\\") + nocmd);
  // Under Wine the 32-bit view of the user's Software key follows a Wow6432Node key once it
  // exists; Windows shares that key between the views. With both Run keys there, each entry is
  // listed once, under its own source.
  SeedValue v6(HKEY_CURRENT_USER, test::kRun32Path, test::Unique("u32"), REG_SZ, Sz("C:\\u32.exe"));
  // The 32-bit view of the machine's Run key is MachineRun32, not MachineRun.
  SeedValue v7(HKEY_LOCAL_MACHINE, test::kRunPath, test::Unique("m32"), REG_SZ, Sz("C:\\m32.exe"), KEY_WOW64_32KEY);

  ASSERT_TRUE(test::CopyCorpus("sample.lnk", s.state.StartupFolder + "a.lnk"));
  ASSERT_TRUE(test::CopyCorpus("sample13.lnk", s.state.StartupFolder + "hidden.lnk"));
  ::SetFileAttributesA((s.state.StartupFolder + "hidden.lnk").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  ASSERT_TRUE(::CreateDirectoryA((s.state.StartupFolder + "x.lnk").c_str(), nullptr));
  ASSERT_TRUE(test::WriteFile(s.state.StartupFolder + "broken.lnk", "not a shortcut"));
  ASSERT_TRUE(test::WriteFile(s.state.StartupFolder + "other.txt", "not listed"));
  ASSERT_TRUE(test::WriteFile(s.state.CommonStartupFolder + "环境.lnk", test::ShortcutBytes("%SystemRoot%\\notepad.exe")));

  ShortcutReader links;
  ASSERT_TRUE(links.Create());
  int pumps = 0;
  const auto rows = test::ReadAllRows(s.state, &links, &pumps);
  EXPECT_GE(pumps, static_cast<int>(rows.size()));

  // Rows stay in source order.
  for (size_t i = 1; i < rows.size(); ++i) EXPECT_LE(rows[i - 1].source, rows[i].source) << i;
  for (const auto& r : rows) EXPECT_FALSE(r.caption.empty()) << "the default value is never listed";

  struct Want {
    std::string caption;
    StartupSource source;
    std::string command, access;
  } const wants[] = {
      {v1.name(), S::UserRun, "C:\\u.exe /x", "tester"},
      {chinese, S::UserRun, "\"C:\\程序\\应用.exe\" -a", "tester"},
      {v1d.name(), S::UserRun, "", "tester"},
      {v2.name(), S::UserRunOnce, "%SystemRoot%\\o.exe", "tester"},
      {v3.name(), S::MachineRun, "C:\\m64.exe", kStartupAllUsers},
      {v4.name(), S::MachineRunOnce, "C:\\mo.exe", kStartupAllUsers},
      {dis, S::MsconfigDisabled, "C:\\d.exe", kStartupDisabled},
      {nocmd, S::MsconfigDisabled, "", kStartupDisabled},
      {v6.name(), S::UserRun32, "C:\\u32.exe", "tester"},
      {v7.name(), S::MachineRun32, "C:\\m32.exe", kStartupAllUsers},
      {"a.lnk", S::UserStartupShortcut, "C:\\Users\\Jonathan\\AppData\\Roaming\\.minecraft", "tester"},
      {"hidden.lnk", S::UserStartupShortcut, "C:\\Windows\\System32\\cmd.exe", "tester"},
      {"broken.lnk", S::UserStartupShortcut, "", "tester"},
      {"环境.lnk", S::CommonStartupShortcut, "%SystemRoot%\\notepad.exe", kStartupAllUsers},
  };
  for (const auto& w : wants) {
    const auto found = RowsNamed(rows, w.caption);
    ASSERT_EQ(found.size(), 1u) << w.caption;
    EXPECT_EQ(found[0].source, w.source) << w.caption;
    EXPECT_EQ(found[0].command, w.command) << w.caption;
    EXPECT_EQ(found[0].access, w.access) << w.caption;
  }
  EXPECT_TRUE(RowsNamed(rows, "x.lnk").empty());
  EXPECT_TRUE(RowsNamed(rows, "other.txt").empty());
  EXPECT_FALSE(RowsNamed(rows, "broken.lnk")[0].own_icon);
  EXPECT_EQ(RowsNamed(rows, "环境.lnk")[0].icon_path, "%SystemRoot%\\notepad.exe");
  EXPECT_EQ(RowsNamed(rows, v1.name())[0].icon_path, "C:\\U.EXE");

  const auto both = RowsNamed(rows, same);
  ASSERT_EQ(both.size(), 2u);
  EXPECT_EQ(both[0].access, "tester");
  EXPECT_EQ(both[1].access, kStartupAllUsers);
}

// Since Windows 8 Task Manager disables an entry where it is: a REG_BINARY value of the entry's
// name in StartupApproved\Run, Run32 or StartupFolder of the entry's own root, first byte odd.
// A state in any other key is not this entry's.
TEST(StartupReader, EntriesThatTaskManagerDisabledShowAsDisabled) {
  test::StartupScratch s;
  const struct {
    const char* what;
    bool seeded;
    DWORD type;
    std::string data;
    bool disabled;
  } states[] = {
      {"missing", false, REG_NONE, "", false},
      {"02", true, REG_BINARY, test::ApprovedBytes(0x02), false},
      {"06", true, REG_BINARY, test::ApprovedBytes(0x06), false},
      {"03", true, REG_BINARY, test::ApprovedBytes(0x03), true},
      {"empty binary", true, REG_BINARY, "", false},
      {"dword 3", true, REG_DWORD, std::string("\x03\0\0\0", 4), false},
  };
  struct Want {
    std::string caption;
    StartupSource source;
    std::string access;
  };
  std::vector<Want> wants;
  std::vector<std::unique_ptr<SeedValue>> seeds;
  auto seed = [&](HKEY root, const std::string& key, const std::string& name, DWORD type, const std::string& data) {
    seeds.push_back(std::make_unique<SeedValue>(root, key, name, type, data));
  };
  for (const auto& src : test::ApprovedSources()) {
    const std::string enabled = src.root == HKEY_CURRENT_USER ? "tester" : kStartupAllUsers;
    for (const auto& st : states) {
      std::string name = test::Unique("approved " + std::to_string(static_cast<int>(src.source)) + " " + st.what);
      if (!src.entry_path) name += ".lnk";
      seeds.push_back(test::SeedEntry(s.state, src, name, "C:\\approved.exe"));
      if (st.seeded) {
        seed(src.root, src.key(), name, st.type, st.data);
      } else {
        for (const auto& other : test::ApprovedSources())
          if (other.source != src.source) seed(other.root, other.key(), name, REG_BINARY, test::ApprovedBytes(0x03));
      }
      wants.push_back({name, src.source, st.disabled ? kStartupDisabled : enabled});
    }
  }
  // Names match as the registry matches them: ASCII letters in any case, but a GBK character
  // whose second byte is a letter is no other character in another case.
  const std::string upper = test::Unique("Upper Case");
  seeds.push_back(std::make_unique<SeedValue>(HKEY_CURRENT_USER, test::kRunPath, upper, REG_SZ, Sz("C:\\u.exe")));
  seed(HKEY_CURRENT_USER, test::ApprovedSources()[0].key(), AsciiUpper(upper), REG_BINARY, test::ApprovedBytes(0x03));
  wants.push_back({upper, S::UserRun, kStartupDisabled});
  const std::string gbk = test::Unique("x\xB1\x61");  // a character whose second byte is "a"
  seeds.push_back(std::make_unique<SeedValue>(HKEY_CURRENT_USER, test::kRunPath, gbk, REG_SZ, Sz("C:\\g.exe")));
  seed(HKEY_CURRENT_USER, test::ApprovedSources()[0].key(), test::Unique("x\xB1\x41"), REG_BINARY,
       test::ApprovedBytes(0x03));
  wants.push_back({gbk, S::UserRun, "tester"});
  // RunOnce has no state: a disabled one of its name in the Run key's place changes nothing.
  const std::string once = test::Unique("once");
  seeds.push_back(std::make_unique<SeedValue>(HKEY_CURRENT_USER, test::kRunOncePath, once, REG_SZ, Sz("C:\\o.exe")));
  seed(HKEY_CURRENT_USER, test::ApprovedSources()[0].key(), once, REG_BINARY, test::ApprovedBytes(0x03));
  wants.push_back({once, S::UserRunOnce, "tester"});

  std::vector<StartupRow> rows;
  const StartupReadResult read =
      ReadStartupEntries(s.state, nullptr, [&](const StartupRow& r) { rows.push_back(r); }, nullptr);
  for (const auto& w : wants) {
    const auto found = RowsNamed(rows, w.caption);
    ASSERT_EQ(found.size(), 1u) << w.caption;
    EXPECT_EQ(found[0].source, w.source) << w.caption;
    EXPECT_EQ(found[0].access, w.access) << w.caption;
  }
  size_t shown_disabled = 0;
  for (const auto& r : rows) shown_disabled += r.access == kStartupDisabled;
  EXPECT_EQ(read.rows, rows.size());
  EXPECT_EQ(read.disabled, shown_disabled);
  EXPECT_GE(read.disabled, 7u);
}

TEST(StartupReader, MissingFoldersAndNoShellLinkObject) {
  test::StartupScratch s;
  ASSERT_TRUE(test::CopyCorpus("sample.lnk", s.state.StartupFolder + "a.lnk"));
  AppState state = s.state;
  state.CommonStartupFolder = "";
  const auto rows = test::ReadAllRows(state, nullptr);
  const auto a = RowsNamed(rows, "a.lnk");
  ASSERT_EQ(a.size(), 1u);
  EXPECT_EQ(a[0].command, "");
  state.StartupFolder = s.state.StartupFolder + "gone\\";
  EXPECT_TRUE(RowsNamed(test::ReadAllRows(state, nullptr), "a.lnk").empty());
}

// Real shortcuts written by Windows read as the shell reads them under code page 936; one shell
// link object serves all of them, whatever the file before held.
TEST(StartupReader, CorpusShortcutsReadTheirTargets) {
  if (::GetFileAttributesA(test::CorpusFolder().c_str()) == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "no corpus";
  const struct {
    const char* file;
    const char* target;  // nullptr: the file does not load
  } cases[] = {
      {"sample6.lnk", "C:\\Youdao\\ShoppingAssistant\\ie\\4.4\\播放器正在加载（拦截请允许）.exe"},
      {"padded_cli_arguments.lnk", nullptr},
      {"console_properties_block.lnk", "C:\\Windows\\SysWOW64\\WindowsPowerShell\\v1.0\\powershell.exe"},
      // Advertised: GetPath gives an icon file under Windows\Installer on Windows, "" under Wine;
      // the product is installed nowhere, so Windows Installer resolves no program either.
      {"darwin_block.lnk", kStartupAdvertised},
      {"darwin_block_modified.lnk", kStartupAdvertised},
      {"decoding_error2.lnk", "C:\\Windows\\System32\\cmd.exe"},
      {"network_info.lnk", ""},
      {"extra_data.lnk", "C:\\Users\\Jonathan\\AppData\\Roaming\\.minecraft"},
      {"invalid_date2.lnk", ""},
      {"microsoft_example.lnk", "C:\\test\\a.txt"},
      {"sample3.lnk", ""},
      {"sample.lnk", "C:\\Users\\Jonathan\\AppData\\Roaming\\.minecraft"},
      {"unknown_block.lnk", ""},
      {"sample2.lnk", "C:\\Users\\TEMP\\AppData\\Roaming\\.minecraft"},
      {"unknown_target.lnk", ""},
      {"sample4.lnk", "C:\\Users\\roman\\AppData\\Roaming\\.minecraft"},
      {"sample8.lnk", "C:\\AnonymusBrowser-v2.0\\AnonymusBrowser.exe"},
      {"sample10.lnk", "C:\\Program Files (x86)\\HDZB_USBKEY_NEW1G\\HDZB_USBKEY_NEW1G.exe"},
      {"sample13.lnk", "C:\\Windows\\System32\\cmd.exe"},
      {"sample16.lnk", "C:\\Users\\"},
      {"decoding_error3.lnk", "C:\\Users\\"},
  };
  // The same order in the folder and through one object: a link without a path must not show
  // the path of the one read before it.
  ShortcutReader links;
  ASSERT_TRUE(links.Create());
  test::ScratchFolder folder;
  for (const auto& c : cases) {
    const std::string copy = folder.path() + c.file;
    ASSERT_TRUE(test::CopyCorpus(c.file, copy)) << c.file;
    std::string target = "stale";
    const bool loaded = links.ReadTarget(copy, target);
    EXPECT_EQ(loaded, c.target != nullptr) << c.file;
    if (c.target) {
      EXPECT_EQ(target, c.target) << c.file;
    }
  }

  // Read as a Startup folder: every file gives a row, in the folder's order, loadable or not.
  test::StartupScratch s;
  for (const auto& c : cases) ASSERT_TRUE(test::CopyCorpus(c.file, s.state.CommonStartupFolder + c.file));
  const auto rows = test::ReadAllRows(s.state, &links);
  for (const auto& c : cases) {
    const auto found = RowsNamed(rows, c.file);
    ASSERT_EQ(found.size(), 1u) << c.file;
    EXPECT_EQ(found[0].source, S::CommonStartupShortcut);
    EXPECT_EQ(found[0].command, c.target ? c.target : "") << c.file;
    EXPECT_EQ(found[0].own_icon, c.target != nullptr && c.target != std::string(kStartupAdvertised)) << c.file;
    EXPECT_FALSE(ContainsText(AsciiUpper(found[0].command), "\\INSTALLER\\{")) << c.file;
  }

  // Where Windows Installer names the program, the row shows it and its icon.
  links.SetAdvertisedResolver([](const std::string& shortcut, std::string& program) {
    program = "C:\\Program Files\\广告\\app.exe";
    return ContainsText(shortcut, "darwin_block");
  });
  const auto again = test::ReadAllRows(s.state, &links);
  const auto resolved = RowsNamed(again, "darwin_block.lnk");
  ASSERT_EQ(resolved.size(), 1u);
  EXPECT_EQ(resolved[0].command, "C:\\Program Files\\广告\\app.exe");
  EXPECT_EQ(resolved[0].icon_path, resolved[0].command);
  EXPECT_TRUE(resolved[0].own_icon);
  EXPECT_EQ(RowsNamed(again, "sample.lnk")[0].command, "C:\\Users\\Jonathan\\AppData\\Roaming\\.minecraft")
      << "an ordinary shortcut never asks Windows Installer";
}

}  // namespace
}  // namespace kv
