#include "startup/startup_undo_rules.h"

#include <gtest/gtest.h>

#include <cctype>
#include <random>

#include "tests/unit/startup_reg_reader.h"

namespace kv {
using namespace std::string_literals;
namespace {

const std::string kRunLine = "[HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\]";
const std::string kChinese = "\xD6\xD0\xCE\xC4";  // 中文
const std::string kTrail5C = "\xB1\x5C";          // a character whose second byte is a backslash
const std::string kHead = "Windows Registry Editor Version 5.00\r\n\r\n";

RegFileValue Sz(const std::string& name, const std::string& text) { return {name, kRegSz, text + '\0'}; }

// Lines that open a key; every other line is blank, a value or an indented hex continuation.
size_t KeyLineCount(const std::string& content) {
  size_t keys = 0;
  for (const auto& line : test::RegFileLines(content)) {
    if (line.empty() || line == kRegFileHeader) continue;
    if (line[0] == '[')
      ++keys;
    else
      EXPECT_TRUE(line[0] == '"' || (line.compare(0, 2, "  ") == 0 && isxdigit(static_cast<unsigned char>(line[2]))))
          << line;
  }
  return keys;
}

// What the registry holds after importing: string data always ends in one zero byte.
RegFileValue Imported(RegFileValue v) {
  const bool text = v.type == kRegSz || v.type == kRegExpandSz || v.type == kRegMultiSz;
  if (text && (v.data.empty() || v.data.back() != '\0')) v.data += '\0';
  return v;
}

TEST(StartupUndoContent, AnOrdinaryEntryGivesExactlyThreeLines) {
  const std::string content = StartupUndoFileContent({{'1', Sz("ctfmon", "C:\\WINDOWS\\system32\\ctfmon.exe")}});
  EXPECT_EQ(content, kHead + kRunLine + "\r\n\"ctfmon\"=\"C:\\\\WINDOWS\\\\system32\\\\ctfmon.exe\"\r\n\r\n");
}

TEST(StartupUndoContent, HeaderOnlyWhenNothingIsRecorded) {
  EXPECT_EQ(StartupUndoFileContent({}), kHead);
  EXPECT_EQ(StartupUndoFileContent({{'8', Sz("a.lnk", "")}, {'9', Sz("b.lnk", "")}}), kHead);
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

  // Two entries of one key still get a key line each.
  const auto read = test::ReadRegFile(StartupUndoFileContent({{'1', Sz("ctfmon", "a")}, {'1', Sz("Foo.exe", "b")}}));
  ASSERT_EQ(read.keys.size(), 2u);
  EXPECT_EQ(read.keys[0].values[0].name, "ctfmon");
  EXPECT_EQ(read.keys[1].values[0].name, "Foo.exe");
}

TEST(StartupUndoContent, EscapesNamesAndStringsGbkAware) {
  const struct {
    std::string in, out;
  } cases[] = {
      {"\"C:\\Program Files\\A\\a.exe\" /x", "\\\"C:\\\\Program Files\\\\A\\\\a.exe\\\" /x"},
      {kChinese + "\"x\"", kChinese + "\\\"x\\\""},
      {kTrail5C + "\\" + kTrail5C, kTrail5C + "\\\\" + kTrail5C},  // the second byte is not doubled
      {"a\r\nb", "a\\r\\nb"},
      {"tab\there", "tab\there"},
  };
  for (const auto& c : cases) EXPECT_EQ(RegFileEscape(c.in), c.out) << c.in;
  EXPECT_EQ(RegFileValueLine(Sz(kChinese + "\"x\"", "%SystemRoot%\\x.exe")),
            "\"" + kChinese + "\\\"x\\\"\"=\"%SystemRoot%\\\\x.exe\"");
}

TEST(StartupUndoContent, TypesAreWrittenInTheirOwnForms) {
  const struct {
    RegFileValue v;
    std::string line;
  } cases[] = {
      {{"e", kRegExpandSz, "%SystemRoot%\0"s}, "\"e\"=hex(2):25,53,79,73,74,65,6d,52,6f,6f,74,25,00"},
      {{"e", kRegExpandSz, "ab"}, "\"e\"=hex(2):61,62,00"},
      {{"d", kRegDword, "\x2a\x00\x00\x80"s}, "\"d\"=dword:8000002a"},
      {{"d", kRegDword, "\x01\x02"}, "\"d\"=hex(4):01,02"},
      {{"b", kRegBinary, "\x00\xff"s}, "\"b\"=hex:00,ff"},
      {{"m", kRegMultiSz, "a\0b\0\0"s}, "\"m\"=hex(7):61,00,62,00,00"},
      {{"q", kRegQword, "\x01\0\0\0\0\0\0\0"s}, "\"q\"=hex(b):01,00,00,00,00,00,00,00"},
      {{"n", kRegNone, ""}, "\"n\"=hex(0):"},
      {{"s", kRegSz, "line1\r\nline2\0"s}, "\"s\"=hex(1):6c,69,6e,65,31,0d,0a,6c,69,6e,65,32,00"},
      {{"s", kRegSz, "a\0b\0"s}, "\"s\"=hex(1):61,00,62,00"},
      {{"s", kRegSz, ""}, "\"s\"=\"\""},
      {{"s", kRegSz, "plain"}, "\"s\"=\"plain\""},
  };
  for (const auto& c : cases) EXPECT_EQ(RegFileValueLine(c.v), c.line) << c.line;
}

TEST(StartupUndoContent, LongHexDataIsContinuedOnIndentedLines) {
  const RegFileValue v{"big", kRegBinary, std::string(100, '\x11')};
  const std::string line = RegFileValueLine(v);
  for (const auto& l : test::RegFileLines(line)) {
    EXPECT_LE(l.size(), 80u);
    EXPECT_NE(l[0], '[');
  }
  const auto read = test::ReadRegFile(StartupUndoFileContent({{'3', v}}));
  ASSERT_EQ(read.keys.size(), 1u);
  EXPECT_EQ(read.keys[0].values[0].data, v.data);
}

TEST(StartupUndoContent, RoundTripsNamesTypesAndData) {
  const std::vector<StartupUndoEntry> entries = {
      {'1', Sz("Foo.exe", "\"C:\\Program Files\\Foo\\Foo.exe\" -min")},
      {'1', Sz(kChinese + "\"x\"", "C:\\" + kChinese + "\\" + kTrail5C + ".exe")},
      {'2', {"expand", kRegExpandSz, "%ProgramFiles%\\" + kChinese + "\\a.exe\0"s}},
      {'3', {"dword", kRegDword, "\x01\x00\x00\x00"s}},
      {'4', {"multi", kRegMultiSz, "one\0two\0\0"s}},
      {'5', Sz("Disabled\\Name", "C:\\d.exe")},
      {'6', {"bin", kRegBinary, std::string("\x00\x0d\x0a[", 4)}},
      {'7', {"qword", kRegQword, std::string(8, '\x7f')}},
      {'1', {"none", kRegNone, ""}},
      {'1', Sz("tab\tname", "tab\tdata")},
  };
  const auto read = test::ReadRegFile(StartupUndoFileContent(entries));
  EXPECT_TRUE(read.header_ok);
  EXPECT_EQ(read.bad_lines, 0);
  ASSERT_EQ(read.keys.size(), entries.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    ASSERT_EQ(read.keys[i].values.size(), 1u) << i;
    const RegFileValue want = Imported(entries[i].value);
    const RegFileValue& got = read.keys[i].values[0];
    EXPECT_EQ(read.keys[i].key, StartupUndoKeyLine(entries[i].digit).substr(1, StartupUndoKeyLine(entries[i].digit).size() - 2));
    EXPECT_EQ(got.name, want.name) << i;
    EXPECT_EQ(got.type, want.type) << i;
    EXPECT_EQ(got.data, want.data) << i;
  }
}

TEST(StartupUndoContent, CraftedLineBreaksCannotAddKeys) {
  const std::string evil = "x\"\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Evil]\r\n\"pwn\"=\"1\"\n[HKEY_CURRENT_USER\\Evil2]\r";
  const std::vector<StartupUndoEntry> entries = {
      {'1', Sz(evil, "C:\\ok.exe")},
      {'3', Sz("ok", evil)},
      {'5', {evil, kRegExpandSz, evil}},
      {'7', Sz(evil + "\\", evil + "\\")},
  };
  const std::string content = StartupUndoFileContent(entries);
  const auto read = test::ReadRegFile(content);
  EXPECT_EQ(read.bad_lines, 0);
  ASSERT_EQ(read.keys.size(), entries.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    EXPECT_EQ(read.keys[i].key.find("Evil"), std::string::npos);
    ASSERT_EQ(read.keys[i].values.size(), 1u);
    EXPECT_EQ(read.keys[i].values[0].name, entries[i].value.name);
    EXPECT_EQ(read.keys[i].values[0].data, Imported(entries[i].value).data);
  }
  EXPECT_EQ(KeyLineCount(content), entries.size());
}

// Random names of GBK characters and control bytes, random data of any bytes: the file always
// has its three lines per entry and reads back to the same values.
TEST(StartupUndoContent, RandomValuesRoundTrip) {
  std::mt19937 rng(936);
  auto byte = [&](int lo, int hi) { return static_cast<char>(std::uniform_int_distribution<int>(lo, hi)(rng)); };
  const uint32_t types[] = {kRegSz, kRegExpandSz, kRegMultiSz, kRegBinary, kRegDword, kRegNone, kRegQword};
  for (int round = 0; round < 300; ++round) {
    RegFileValue v;
    const int name_len = std::uniform_int_distribution<int>(1, 12)(rng);
    for (int i = 0; i < name_len; ++i) {
      switch (std::uniform_int_distribution<int>(0, 3)(rng)) {
        case 0:
          v.name += byte(1, 31);
          break;
        case 1:
          v.name += byte(32, 126);
          break;
        default:
          v.name += byte(0x81, 0xFE);
          v.name += byte(0x40, 0xFE);
          break;
      }
    }
    v.type = types[std::uniform_int_distribution<size_t>(0, 6)(rng)];
    const int data_len = std::uniform_int_distribution<int>(0, 40)(rng);
    for (int i = 0; i < data_len; ++i) v.data += byte(0, 255);
    const std::string content = StartupUndoFileContent({{'1', v}});
    ASSERT_EQ(KeyLineCount(content), 1u) << round;
    const auto read = test::ReadRegFile(content);
    ASSERT_EQ(read.keys.size(), 1u) << round;
    ASSERT_EQ(read.keys[0].values.size(), 1u) << round;
    const RegFileValue want = Imported(v);
    EXPECT_EQ(read.keys[0].values[0].name, want.name) << round;
    EXPECT_EQ(read.keys[0].values[0].type, want.type) << round;
    EXPECT_EQ(read.keys[0].values[0].data, want.data) << round;
  }
}

}  // namespace
}  // namespace kv
