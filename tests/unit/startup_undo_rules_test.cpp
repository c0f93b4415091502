#include "startup/startup_undo_rules.h"

#include <gtest/gtest.h>

#include "tests/unit/test_code_page.h"

namespace kv {
namespace {

RegTreeValue Sz(const std::u16string& name, const std::u16string& text) {
  return {name, kRegSz, Utf16Bytes(text + u'\0')};
}

TEST(StartupUndoContent, AnOrdinaryEntryGivesTheEditorsOwnThreeLines) {
  std::string bytes;
  ASSERT_TRUE(StartupUndoFileContent({{'1', Sz(u"ctfmon", u"C:\\WINDOWS\\system32\\ctfmon.exe")}}, bytes));
  EXPECT_EQ(bytes, Utf16Bytes(u"\xFEFF"
                              u"Windows Registry Editor Version 5.00\r\n\r\n"
                              u"[HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\]\r\n"
                              u"\"ctfmon\"=\"C:\\\\WINDOWS\\\\system32\\\\ctfmon.exe\"\r\n\r\n"));

  ASSERT_TRUE(StartupUndoFileContent({{'8', Sz(u"a.lnk", u"")}, {'9', Sz(u"b.lnk", u"")}}, bytes));
  EXPECT_EQ(bytes, Utf16Bytes(u"\xFEFFWindows Registry Editor Version 5.00\r\n\r\n")) << "shortcuts are not recorded";
}

TEST(StartupUndoContent, KeyLinesBySourceAndOneGroupPerEntry) {
  const struct {
    char digit;
    const char* key;
  } cases[] = {
      {'1', "[HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\]"},
      {'2', "[HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce\\]"},
      {'3', "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\]"},
      {'4', "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce\\]"},
      {'5', "[HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\]"},
      {'6', "[HKEY_CURRENT_USER\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run\\]"},
      {'7', "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run\\]"},
      {'8', ""},
      {'9', ""},
  };
  for (const auto& c : cases) EXPECT_EQ(StartupUndoKeyLine(c.digit), c.key) << c.digit;

  // Two entries of one key still get a key line each, and read back as the values they were.
  const std::vector<StartupUndoEntry> entries = {
      {'1', Sz(u"ctfmon", u"a")},
      {'1', Sz(u"Foo.exe", u"\"C:\\Program Files\\\x4E2D\\Foo.exe\" -min")},
      {'5', {u"expand", kRegExpandSz, Utf16Bytes(std::u16string(u"%ProgramFiles%\\x.exe") + u'\0')}},
  };
  std::string bytes;
  ASSERT_TRUE(StartupUndoFileContent(entries, bytes));
  RegFileContent file;
  std::string error;
  ASSERT_TRUE(ReadRegFile(bytes, test::TestDecode, file, &error)) << error;
  ASSERT_EQ(file.keys.size(), entries.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    ASSERT_EQ(file.keys[i].values.size(), 1u);
    EXPECT_EQ(file.keys[i].values[0].name, entries[i].value.name);
    EXPECT_EQ(file.keys[i].values[0].type, entries[i].value.type);
    EXPECT_EQ(file.keys[i].values[0].data, entries[i].value.data);
  }
  EXPECT_TRUE(RegFileRestores(file, StartupUndoKeys(entries)));
}

TEST(StartupUndoContent, AnEntryNoFileRestoresAlikeWritesNoFile) {
  std::string bytes;
  EXPECT_FALSE(StartupUndoFileContent({{'1', Sz(u"ok", u"a")}, {'1', Sz(u"line\r\nbreak", u"b")}}, bytes));
  EXPECT_TRUE(bytes.empty());
}

}  // namespace
}  // namespace kv
