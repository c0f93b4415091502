#include "sysaccess/reg_file_rules.h"

#include <gtest/gtest.h>

#include "tests/unit/reg_export_form.h"

namespace kv {
namespace {

using test::ExportForm;
using test::TestDecode;
using test::TestEncode;
using test::U16;

RegTreeValue Text(const std::u16string& name, uint32_t type, const std::u16string& text) {
  return {name, type, Utf16Bytes(text)};
}

std::string Unicode(const std::u16string& text) { return Utf16Bytes(u"\xFEFF" + text); }

bool Read(const std::string& bytes, RegFileContent& out, std::string* error = nullptr) {
  return ReadRegFile(bytes, TestDecode, out, error);
}

// What Wine's regedit wrote for a key with values of every kind (checked by hand).
const char16_t kWineExport[] =
    u"Windows Registry Editor Version 5.00\r\n\r\n"
    u"[HKEY_CURRENT_USER\\Software\\KorvaneTest\\A]\r\n"
    u"@=\"plain\"\r\n"
    u"\"bin\"=hex:00,01,ff\r\n"
    u"\"dword\"=dword:12345678\r\n"
    u"\"expand\"=hex(2):25,00,53,00,79,00,73,00,74,00,65,00,6d,00,52,00,6f,00,6f,00,74,\\\r\n"
    u"  00,25,00,5c,00,78,00,00,00\r\n"
    u"\"multi\"=hex(7):6f,00,6e,00,65,00,00,00,74,00,77,00,6f,00,00,00,00,00\r\n"
    u"\"na\\\"me\\\\with\\r\\nstuff\"=\"line1\\r\\nline2\\\"q\\\\\"\r\n"
    u"\"none0\"=hex(0):\r\n"
    u"\"qword\"=hex(b):88,77,66,55,44,33,22,11\r\n"
    u"\"\x4E2D\x6587\"=\"\x4E2D\x6587\"\r\n"
    u"\r\n"
    u"[HKEY_CURRENT_USER\\Software\\KorvaneTest\\A\\sub]key]\r\n"
    u"\r\n";

TEST(RegFileReader, ReadsTheEditorsExport) {
  RegFileContent file;
  std::string error;
  ASSERT_TRUE(Read(Unicode(kWineExport), file, &error)) << error;
  EXPECT_TRUE(file.unicode);
  EXPECT_FALSE(file.has_removals);
  ASSERT_EQ(file.keys.size(), 2u);
  EXPECT_EQ(file.keys[1].path, u"HKEY_CURRENT_USER\\Software\\KorvaneTest\\A\\sub]key");
  EXPECT_TRUE(file.keys[1].values.empty());

  const std::vector<RegTreeValue> expected = {
      Text(u"", 1, std::u16string(u"plain") + u'\0'),
      {u"bin", 3, std::string("\x00\x01\xff", 3)},
      {u"dword", 4, "\x78\x56\x34\x12"},
      Text(u"expand", 2, std::u16string(u"%SystemRoot%\\x") + u'\0'),
      Text(u"multi", 7, std::u16string(u"one\0two\0\0", 9)),
      Text(u"na\"me\\with\r\nstuff", 1, std::u16string(u"line1\r\nline2\"q\\") + u'\0'),
      {u"none0", 0, ""},
      {u"qword", 11, "\x88\x77\x66\x55\x44\x33\x22\x11"},
      Text(u"\x4E2D\x6587", 1, std::u16string(u"\x4E2D\x6587") + u'\0'),
  };
  const auto& got = file.keys[0].values;
  ASSERT_EQ(got.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(got[i].name, expected[i].name) << i;
    EXPECT_EQ(got[i].type, expected[i].type) << i;
    EXPECT_EQ(got[i].data, expected[i].data) << i;
  }
}

TEST(RegFileReader, CodePageFileTakesTextDataAsCodePageBytes) {
  // The autostart tab's form: no byte-order mark, GBK names, hex(2) of GBK bytes and a zero.
  const std::u16string name = u"\x4E2D\x6587";
  const std::string gbk = TestEncode(name);
  std::string hex;
  for (unsigned char c : gbk + "x" + std::string(1, '\0')) {
    char b[4];
    std::snprintf(b, sizeof b, "%02x,", c);
    hex += b;
  }
  hex.pop_back();
  const std::string file_text = "Windows Registry Editor Version 5.00\r\n\r\n"
                                "[HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\]\r\n\"" +
                                gbk + "\"=\"C:\\\\" + gbk + "\\\\a.exe \\\"q\\\"\"\r\n\"e\"=hex(2):" + hex + "\r\n\r\n";
  RegFileContent file;
  std::string error;
  ASSERT_TRUE(Read(file_text, file, &error)) << error;
  EXPECT_FALSE(file.unicode);
  ASSERT_EQ(file.keys.size(), 1u);
  ASSERT_EQ(file.keys[0].values.size(), 2u);
  EXPECT_EQ(file.keys[0].values[0].name, name);
  EXPECT_EQ(file.keys[0].values[0].data, Utf16Bytes(u"C:\\" + name + u"\\a.exe \"q\"" + u'\0'));
  EXPECT_EQ(file.keys[0].values[1].type, 2u);
  EXPECT_EQ(file.keys[0].values[1].data, Utf16Bytes(name + u"x" + u'\0'));

  // A second byte 0x5C is part of its character, not an escape.
  const std::string trail5c = "\xB1\x5C";
  ASSERT_TRUE(Read("REGEDIT4\r\n[HKEY_CURRENT_USER\\x]\r\n\"" + trail5c + "\"=\"" + trail5c + "\"\r\n", file, &error))
      << error;
  std::u16string decoded;
  ASSERT_TRUE(TestDecode(trail5c, decoded));
  EXPECT_EQ(file.keys[0].values[0].name, decoded);
}

TEST(RegFileReader, AcceptsWhatTheEditorImportsAlike) {
  const char16_t* cases[] = {
      u"\"a\" = \"spaced\"\r\n",                  // blanks around "="
      u";comment\r\n#hash\r\n\"a\"=\"x\"   \r\n",  // comments, trailing blanks
      u"  \"a\"=hex:01,\\\r\n    02,03,\r\n",      // continued, ending in a comma
      u"\"a\"=dword:1\r\n",
      u"\"a\"=hex(2):\r\n",
  };
  for (const char16_t* body : cases) {
    RegFileContent file;
    std::string error;
    EXPECT_TRUE(Read(Unicode(std::u16string(u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\x]\r\n") +
                             body),
                     file, &error))
        << error;
    ASSERT_EQ(file.keys.size(), 1u);
    EXPECT_EQ(file.keys[0].values.size(), 1u);
  }
}

TEST(RegFileReader, RefusesWhatItCannotVouchFor) {
  const struct {
    const char16_t* body;
    const char* what;
  } cases[] = {
      {u"\"a\"=\"x\\ty\"", "unknown escape (the editor drops the backslash)"},
      {u"\"a\"=\"x\\0y\"", "NUL escape (the editor skips the value)"},
      {u"\"a\"=\"unterminated", "no closing quote"},
      {u"\"a\"=\"x\" trailing", "text after the string"},
      {u"\"a\"=dword:123456789", "nine DWORD digits"},
      {u"\"a\"=Hex:01", "upper-case hex"},
      {u"\"a\"=hex(2):41", "odd-length text (the editor crashes)"},
      {u"\"a\"=hex(100000000):01", "type of nine digits"},
      {u"\"a\"=hex:01 ,02", "blank before a comma"},
      {u"\"a\"=hex:01,\\", "continuation at the end"},
      {u"\"a\"=str:\"x\"", "unknown data form"},
      {u"\"a\"=\"x\"\ry", "carriage return inside a line"},
      {u"[HKEY_CURRENT_USER\\x] junk", "text after the key"},
      {u"[]", "empty key"},
      {u"garbage", "neither key nor value"},
  };
  for (const auto& c : cases) {
    RegFileContent file;
    EXPECT_FALSE(Read(Unicode(std::u16string(u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\x]\r\n") +
                              c.body + u"\r\n"),
                      file))
        << c.what;
  }
  RegFileContent file;
  EXPECT_FALSE(Read(Unicode(u"\"a\"=\"x\"\r\n"), file)) << "no header";
  EXPECT_FALSE(Read(Unicode(u"Windows Registry Editor Version 5.00\r\n\"a\"=\"x\"\r\n"), file)) << "value before key";
  EXPECT_FALSE(Read("\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n", file)) << "UTF-8 mark";
  EXPECT_FALSE(Read("Windows Registry Editor Version 5.00\r\n[HKEY_CURRENT_USER\\\x80]\r\n", file)) << "not of the code page";
  EXPECT_FALSE(Read(std::string("\xFF\xFE\x57", 3), file)) << "odd UTF-16";
}

TEST(RegFileReader, RemovalsAreReported) {
  for (const char16_t* body : {u"[-HKEY_CURRENT_USER\\y]\r\n", u"\"a\"=-\r\n"}) {
    RegFileContent file;
    ASSERT_TRUE(Read(Unicode(std::u16string(u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\x]\r\n") + body),
                     file));
    EXPECT_TRUE(file.has_removals);
  }
}

const std::u16string kKey = u"HKEY_CURRENT_USER\\Software\\KorvaneTest\\R";

std::vector<RegTreeKey> SampleTree() {
  return {
      {kKey, {Text(u"", 1, std::u16string(u"v") + u'\0'), {u"n", 4, "\1\0\0\0"}}},
      {kKey + u"\\sub", {}},
  };
}

TEST(RegFileRestores, ExactlyTheExpectedTree) {
  const std::vector<RegTreeKey> tree = SampleTree();
  RegFileContent file;
  ASSERT_TRUE(Read(ExportForm(tree), file));
  std::string why;
  EXPECT_TRUE(RegFileRestores(file, tree, &why)) << why;

  struct Change {
    const char* what;
    void (*apply)(std::vector<RegTreeKey>&);
  };
  const Change changes[] = {
      {"a value missing", [](std::vector<RegTreeKey>& t) { t[0].values.pop_back(); }},
      {"a value added", [](std::vector<RegTreeKey>& t) { t[0].values.push_back({u"evil", 1, ""}); }},
      {"other data", [](std::vector<RegTreeKey>& t) { t[0].values[1].data = "\2\0\0\0"; }},
      {"other type", [](std::vector<RegTreeKey>& t) { t[0].values[1].type = 3; }},
      {"a key missing", [](std::vector<RegTreeKey>& t) { t.pop_back(); }},
      {"a key added", [](std::vector<RegTreeKey>& t) { t.push_back({u"HKEY_LOCAL_MACHINE\\Software\\Evil", {}}); }},
      {"a value renamed", [](std::vector<RegTreeKey>& t) { t[0].values[1].name = u"N"; }},
  };
  for (const auto& c : changes) {
    std::vector<RegTreeKey> other = tree;
    c.apply(other);
    RegFileContent changed;
    ASSERT_TRUE(Read(ExportForm(other), changed));
    EXPECT_FALSE(RegFileRestores(changed, tree)) << c.what << " in the file";
    EXPECT_FALSE(RegFileRestores(file, other)) << c.what << " in the registry";
  }
}

TEST(RegFileRestores, AsAnImportWouldMergeAndName) {
  // The autostart file names its key once per value, with a trailing backslash and other case.
  const std::u16string body = u"[" + kKey + u"\\]\r\n\"a\"=\"1\"\r\n\r\n[" + kKey + u"]\r\n\"b\"=\"2\"\r\n";
  RegFileContent file;
  ASSERT_TRUE(Read(Unicode(u"Windows Registry Editor Version 5.00\r\n\r\n" + body), file));
  std::u16string upper = kKey;
  for (auto& c : upper)
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
  const std::vector<RegTreeKey> expected = {{upper, {Text(u"a", 1, u"1"), Text(u"b", 1, std::u16string(u"2") + u'\0')}}};
  std::string why;
  EXPECT_TRUE(RegFileRestores(file, expected, &why)) << why;

  // A later line for the same name wins.
  ASSERT_TRUE(Read(Unicode(u"Windows Registry Editor Version 5.00\r\n\r\n" + body + u"\"a\"=\"9\"\r\n"), file));
  EXPECT_FALSE(RegFileRestores(file, expected));

  ASSERT_TRUE(Read(Unicode(u"Windows Registry Editor Version 5.00\r\n\r\n" + body + u"\"c\"=-\r\n"), file));
  EXPECT_FALSE(RegFileRestores(file, expected)) << "a removal";
}

TEST(SameRegData, TextIgnoresOneTerminator) {
  const std::string ab = Utf16Bytes(u"ab"), ab0 = Utf16Bytes(std::u16string(u"ab") + u'\0');
  EXPECT_TRUE(SameRegData(1, ab, ab0));
  EXPECT_TRUE(SameRegData(2, "", std::string(2, '\0')));
  EXPECT_TRUE(SameRegData(7, ab0 + std::string(2, '\0'), ab0 + std::string(2, '\0')));
  EXPECT_FALSE(SameRegData(7, ab0, ab0 + std::string(2, '\0')));
  EXPECT_FALSE(SameRegData(1, Utf16Bytes(std::u16string(u"a\0b", 3)), Utf16Bytes(std::u16string(u"a", 1) + u'\0')));
  EXPECT_FALSE(SameRegData(1, "abc", std::string(2, '\0'))) << "odd length";
  EXPECT_FALSE(SameRegData(3, ab, ab0)) << "binary is exact";
}

TEST(RegFileReader, ExportedHostileValuesComeBackExactly) {
  std::u16string long_name(16383, u'n');
  std::u16string big(1 << 19, u'\x4E2D');
  const std::vector<RegTreeKey> tree = {
      {kKey,
       {
           Text(u"quote\"back\\slash", 1, std::u16string(u"[HKEY_LOCAL_MACHINE\\Evil]\r\n\"x\"=\"y\"") + u'\0'),
           Text(u"bar|\r\nname", 2, std::u16string(u"%TEMP%\\\x4E2D") + u'\0'),
           {u"nul inside", 1, Utf16Bytes(std::u16string(u"a\0b", 3))},
           {u"odd", 3, "abc"},
           {u"none", 0, ""},
           {u"type99", 0x99, "\x01"},
           Text(long_name, 1, big + u'\0'),
       }},
      {kKey + u"\\k]ey with ] brackets", {}},
  };
  RegFileContent file;
  std::string error, why;
  ASSERT_TRUE(Read(ExportForm(tree), file, &error)) << error;
  EXPECT_TRUE(RegFileRestores(file, tree, &why)) << why;
}

}  // namespace
}  // namespace kv
