#include "startup/startup_undo_rules.h"

#include <gtest/gtest.h>

#include <iterator>

#include "tests/unit/test_code_page.h"

namespace kv {
namespace {

using S = StartupSource;

RegTreeValue Sz(const std::u16string& name, const std::u16string& text) {
  return {name, kRegSz, Utf16Bytes(text + u'\0')};
}

std::string NameOf(const std::optional<StartupKey>& key) { return key ? StartupKeyName(*key) : ""; }

TEST(StartupUndoContent, AnOrdinaryEntryGivesTheEditorsOwnThreeLines) {
  std::string bytes;
  ASSERT_TRUE(StartupUndoFileContent({{S::UserRun, Sz(u"ctfmon", u"C:\\WINDOWS\\system32\\ctfmon.exe")}}, bytes));
  EXPECT_EQ(bytes, Utf16Bytes(u"\xFEFF"
                              u"Windows Registry Editor Version 5.00\r\n\r\n"
                              u"[HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\]\r\n"
                              u"\"ctfmon\"=\"C:\\\\WINDOWS\\\\system32\\\\ctfmon.exe\"\r\n\r\n"));

  ASSERT_TRUE(StartupUndoFileContent(
      {{S::UserStartupShortcut, Sz(u"a.lnk", u"")}, {S::CommonStartupShortcut, Sz(u"b.lnk", u"")}}, bytes));
  EXPECT_EQ(bytes, Utf16Bytes(u"\xFEFFWindows Registry Editor Version 5.00\r\n\r\n")) << "shortcuts are not recorded";
}

TEST(StartupUndoContent, KeyLinesBySourceAndOneGroupPerEntry) {
  // Per source: the key it is read from, the one its deleted rows come back under, and where Task
  // Manager keeps its state (the source's own tree, one key per kind).
  const std::string hkcu = "HKEY_CURRENT_USER\\SOFTWARE\\", hklm = "HKEY_LOCAL_MACHINE\\SOFTWARE\\";
  const std::string run = "Microsoft\\Windows\\CurrentVersion\\Run\\";
  const std::string once = "Microsoft\\Windows\\CurrentVersion\\RunOnce\\";
  const std::string run32 = "Wow6432Node\\" + run, msconfig = "Microsoft\\Shared Tools\\MSConfig\\startupreg\\";
  const std::string approved = "Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\";
  const struct {
    StartupSource source;
    std::string read, undo, state;
  } cases[] = {
      {S::UserRun, hkcu + run, hkcu + run, hkcu + approved + "Run"},
      {S::UserRunOnce, hkcu + once, hkcu + once, ""},
      {S::MachineRun, hklm + run, hklm + run, hklm + approved + "Run"},
      {S::MachineRunOnce, hklm + once, hklm + once, ""},
      {S::MsconfigDisabled, hklm + msconfig, hkcu + run, ""},
      {S::UserRun32, hkcu + run32, hkcu + run32, hkcu + approved + "Run32"},
      {S::MachineRun32, hklm + run32, hklm + run32, hklm + approved + "Run32"},
      {S::UserStartupShortcut, "", "", hkcu + approved + "StartupFolder"},
      {S::CommonStartupShortcut, "", "", hklm + approved + "StartupFolder"},
  };
  ASSERT_EQ(std::size(cases), kStartupSourceCount);
  for (size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(static_cast<int>(c.source));
    EXPECT_EQ(kStartupSources[i], c.source) << "the reading order";
    EXPECT_EQ(NameOf(StartupSourceKey(c.source)), c.read);
    EXPECT_EQ(NameOf(StartupUndoKey(c.source)), c.undo);
    EXPECT_EQ(NameOf(StartupApprovedKey(c.source)), c.state);
  }

  // Two entries of one key still get a key line each, and read back as the values they were; a
  // Task Manager state follows its entry under its own key, a shortcut's state stands alone.
  const RegTreeValue disabled{u"Foo.exe", kRegBinary, std::string("\x03\0\0\0\x10\x5C\x22\x0D\x0A\xD4\x01\0", 12)};
  const RegTreeValue enabled{u"\x4E2D.lnk", kRegBinary, std::string("\x02\0\0\0\0\0\0\0\0\0\0\0", 12)};
  const std::vector<StartupUndoEntry> entries = {
      {S::UserRun, Sz(u"ctfmon", u"a")},
      {S::UserRun, Sz(u"Foo.exe", u"\"C:\\Program Files\\\x4E2D\\Foo.exe\" -min"), disabled},
      {S::MsconfigDisabled, {u"expand", kRegExpandSz, Utf16Bytes(std::u16string(u"%ProgramFiles%\\x.exe") + u'\0')}},
      {S::CommonStartupShortcut, {}, enabled},
  };
  const std::vector<RegTreeValue> in_file_order = {entries[0].value, entries[1].value, disabled, entries[2].value,
                                                   enabled};
  std::string bytes;
  ASSERT_TRUE(StartupUndoFileContent(entries, bytes));
  RegFileContent file;
  std::string error;
  ASSERT_TRUE(ReadRegFile(bytes, test::TestDecode, file, &error)) << error;
  ASSERT_EQ(file.keys.size(), in_file_order.size());
  for (size_t i = 0; i < in_file_order.size(); ++i) {
    ASSERT_EQ(file.keys[i].values.size(), 1u);
    EXPECT_EQ(file.keys[i].values[0].name, in_file_order[i].name);
    EXPECT_EQ(file.keys[i].values[0].type, in_file_order[i].type);
    EXPECT_EQ(file.keys[i].values[0].data, in_file_order[i].data);
  }
  EXPECT_EQ(file.keys[2].path, u"HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run");
  EXPECT_EQ(file.keys[4].path,
            u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\StartupFolder");
  EXPECT_TRUE(RegFileRestores(file, StartupUndoKeys(entries)));
}

TEST(StartupUndoContent, AnEntryNoFileRestoresAlikeWritesNoFile) {
  std::string bytes;
  EXPECT_FALSE(StartupUndoFileContent({{S::UserRun, Sz(u"ok", u"a")}, {S::UserRun, Sz(u"line\r\nbreak", u"b")}}, bytes));
  EXPECT_TRUE(bytes.empty());
}

}  // namespace
}  // namespace kv
