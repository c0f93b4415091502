#include "processes/process_rules.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

TEST(ProcessRules, SkipsByNameThenEmptyPathThenMissingDriveSeparator) {
  struct Case {
    std::string name, path;
    bool skip;
  } cases[] = {
      {"explorer.exe", "C:\\Windows\\explorer.exe", false},
      {"System", "", true},
      {"system", "C:\\Windows\\system.exe", true},                   // lower-case letters still match
      {"mysystemtool.exe", "D:\\Tools\\mysystemtool.exe", true},
      {"SyStEm32.exe", "C:\\x.exe", true},
      {"sys tem.exe", "C:\\sys tem.exe", false},
      {"a.exe", "", true},
      {"smss.exe", "\\SystemRoot\\System32\\smss.exe", true},        // written from a system root
      {"b.exe", "C:/b.exe", true},
      {"c.exe", "\\??\\C:\\Windows\\c.exe", false},
      {"d.exe", "?:\\d.exe", false},
      {"\xD6\xD0\xCE\xC4.exe", "E:\\\xD6\xD0\\\xD6\xD0\xCE\xC4.exe", false},
  };
  for (const auto& c : cases) EXPECT_EQ(SkipProcess(c.name, c.path), c.skip) << c.name << " " << c.path;
  EXPECT_TRUE(SkipProcessName("SYSTEM"));
  EXPECT_FALSE(SkipProcessName("svchost.exe"));
}

TEST(ProcessRules, NameRuleReadsWholeCharacters) {
  EXPECT_TRUE(SkipProcessName("\xB2\xE2system.exe"));  // a Chinese character, then "system"
  // 0x81 0x53 is one character whose second byte happens to be "S": no "SYSTEM" in the text.
  EXPECT_FALSE(SkipProcessName("\x81SYSTEM.exe"));
}

TEST(ProcessRules, NormalisesQuestionMarkDriveAndNtPrefix) {
  struct Case {
    std::string in, out;
  } cases[] = {
      {"C:\\Windows\\explorer.exe", "C:\\Windows\\explorer.exe"},
      {"?:\\Windows\\x.exe", "C:\\Windows\\x.exe"},
      {"\\??\\C:\\Windows\\system32\\csrss.exe", "C:\\Windows\\system32\\csrss.exe"},
      {"\\??\\D:\\a\\??\\b.exe", "D:\\ab.exe"},                      // every occurrence goes
      {"?\\??\\C:\\x.exe", "CC:\\x.exe"},  // the "?" rule runs first
      {"", ""},
      {"?", "C"},
      // A GBK character whose second byte is 0x5C does not start "\??\".
      {"C:\\\xB1\\??\\x.exe", "C:\\\xB1\\??\\x.exe"},
  };
  for (const auto& c : cases) EXPECT_EQ(NormaliseProcessPath(c.in), c.out) << c.in;
}

TEST(ProcessRules, CountText) {
  EXPECT_EQ(ProcessCountText(0), "0个项目工程");
  EXPECT_EQ(ProcessCountText(123), "123个项目工程");
}

TEST(ProcessRows, FindsExactCaptionsOnly) {
  ProcessRows rows;
  rows.Append({"a.exe", "C:\\a.exe"});
  rows.Append({"B.exe", "C:\\b.exe"});
  EXPECT_EQ(rows.Find("a.exe"), 0);
  EXPECT_EQ(rows.Find("B.exe"), 1);
  EXPECT_EQ(rows.Find("A.exe"), -1);
  EXPECT_EQ(rows.Find("b.exe"), -1);
}

TEST(ProcessRows, VanishedIgnoresLetterCaseAndComesLastFirst) {
  ProcessRows rows;
  for (const char* c : {"a.exe", "b.exe", "c.exe", "A.EXE", "d.exe"}) rows.Append({c, std::string("C:\\") + c});
  NameSet seen;
  seen.Add("A.exe");  // keeps both a.exe and A.EXE: the seen list ignores case
  seen.Add("d.EXE");
  EXPECT_TRUE(seen.Contains("a.EXE"));
  const std::vector<size_t> gone = rows.Vanished(seen);
  EXPECT_EQ(gone, (std::vector<size_t>{2, 1}));
  rows.Remove(gone);
  ASSERT_EQ(rows.Size(), 3u);
  // Each row keeps its own path as the rows move up.
  for (const auto& [row, name] : {std::pair<size_t, std::string>{0, "a.exe"}, {1, "A.EXE"}, {2, "d.exe"}}) {
    EXPECT_EQ(rows.Row(row).name, name);
    EXPECT_EQ(rows.Row(row).path, "C:\\" + name);
  }
  // The index follows the rows that moved up.
  EXPECT_EQ(rows.Find("d.exe"), 2);
  EXPECT_EQ(rows.Find("c.exe"), -1);
  rows.Append({"e.exe", ""});
  EXPECT_EQ(rows.Find("e.exe"), 3);

  // A pass that saw nothing removes everything.
  rows.Remove(rows.Vanished(NameSet{}));
  EXPECT_EQ(rows.Size(), 0u);
  EXPECT_EQ(rows.Find("a.exe"), -1);
}

}  // namespace
}  // namespace kv
