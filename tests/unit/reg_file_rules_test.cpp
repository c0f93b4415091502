#include "sysaccess/reg_file_rules.h"

#include <gtest/gtest.h>

#include <random>

#include "tests/unit/test_code_page.h"

namespace kv {
namespace {

using test::TestDecode;
using test::TestEncode;

RegTreeValue Text(const std::u16string& name, uint32_t type, const std::u16string& text) {
  return {name, type, Utf16Bytes(text)};
}

std::string Unicode(const std::u16string& text) { return Utf16Bytes(u"\xFEFF" + text); }

bool Read(const std::string& bytes, RegFileContent& out, std::string* error = nullptr) {
  return ReadRegFile(bytes, TestDecode, out, error);
}

std::string Written(const std::vector<RegTreeKey>& keys) {
  std::string bytes;
  EXPECT_TRUE(WriteRegFile(keys, bytes));
  return bytes;
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
    u"\"na\\\"me\\\\with stuff\"=\"line1 line2\\\"q\\\\\"\r\n"
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
      Text(u"na\"me\\with stuff", 1, std::u16string(u"line1 line2\"q\\") + u'\0'),
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

// The Windows editor reads hex text data by the header: UTF-16LE under version 5.00 whatever the
// file's encoding, code-page bytes under REGEDIT4 (Wine's reads by the encoding instead). The
// autostart file of old, a code-page file with GBK hex(2) under 5.00, restored garbage there.
TEST(RegFileReader, TheHeaderDecidesHowHexTextIsRead) {
  const std::u16string name = u"\x4E2D\x6587";
  const std::string gbk = TestEncode(name);
  const std::u16string command = u"%ProgramFiles%\\" + name + u"\\Sidebar.exe /autoRun";
  std::string hex;
  for (unsigned char c : TestEncode(command) + std::string(1, '\0')) {
    char b[4];
    std::snprintf(b, sizeof b, "%02x,", c);
    hex += b;
  }
  hex.pop_back();
  const std::string key = "[HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\]\r\n";
  const std::string body = key + "\"" + gbk + "\"=\"C:\\\\" + gbk + "\\\\a.exe \\\"q\\\"\"\r\n\"e\"=hex(2):" + hex + "\r\n\r\n";
  const std::vector<RegTreeKey> registry = {
      {u"HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run",
       {Text(name, kRegSz, u"C:\\" + name + u"\\a.exe \"q\"" + u'\0'), Text(u"e", kRegExpandSz, command + u'\0')}}};

  RegFileContent file;
  std::string error;
  ASSERT_TRUE(Read("REGEDIT4\r\n\r\n" + body, file, &error)) << error;
  EXPECT_FALSE(file.unicode);
  ASSERT_EQ(file.keys.size(), 1u);
  ASSERT_EQ(file.keys[0].values.size(), 2u);
  EXPECT_EQ(file.keys[0].values[0].name, name) << "quoted text in the file's own encoding";
  EXPECT_EQ(file.keys[0].values[1].data, Utf16Bytes(command + u'\0'));
  EXPECT_TRUE(RegFileRestores(file, registry, &error)) << error;

  // The old autostart file: the same lines under 5.00 read the GBK bytes as UTF-16.
  const std::string old_file = "Windows Registry Editor Version 5.00\r\n\r\n" + body;
  const bool read = Read(old_file, file);
  EXPECT_FALSE(read && RegFileRestores(file, registry)) << "vouched for a file Windows restores wrongly";

  // What the writer makes of the same registry is read back exactly.
  ASSERT_TRUE(Read(Written(registry), file, &error)) << error;
  EXPECT_TRUE(RegFileRestores(file, registry, &error)) << error;

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
      {u"\"a\"=\"x\\0y\"", "NUL escape (Wine's, not the Windows editor's)"},
      {u"\"a\"=\"x\\ny\"", "LF escape (Wine's, not the Windows editor's)"},
      {u"\"a\\rb\"=\"x\"", "CR escape in a name (Wine's, not the Windows editor's)"},
      {u"\"a\"=\"unterminated", "no closing quote"},
      {u"\"a\"=\"x\" trailing", "text after the string"},
      {u"\"a\"=dword:123456789", "nine DWORD digits"},
      {u"\"a\"=Hex:01", "upper-case hex"},
      {u"\"a\"=hex(2):41", "odd-length text (the editor crashes)"},
      {u"\"a\"=hex(7):41,00,42", "odd-length text of a multi-string"},
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
  ASSERT_TRUE(Read(Written(tree), file));
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
    ASSERT_TRUE(Read(Written(other), changed));
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
           Text(u"bar|name", 2, std::u16string(u"%TEMP%\\\x4E2D\r\n") + u'\0'),
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
  ASSERT_TRUE(Read(Written(tree), file, &error)) << error;
  EXPECT_TRUE(RegFileRestores(file, tree, &why)) << why;
}

TEST(RegFileWriter, TypesAreWrittenInTheirOwnForms) {
  using namespace std::string_literals;
  const struct {
    RegTreeValue v;
    const char16_t* line;
  } cases[] = {
      {Text(u"s", kRegSz, std::u16string(u"a\"b\\c") + u'\0'), u"\"s\"=\"a\\\"b\\\\c\""},
      {Text(u"s", kRegSz, u"no terminator"), u"\"s\"=\"no terminator\""},
      {{u"s", kRegSz, ""}, u"\"s\"=\"\""},
      {Text(u"", kRegSz, std::u16string(u"default") + u'\0'), u"@=\"default\""},
      {Text(u"s", kRegSz, std::u16string(u"a\r\nb") + u'\0'), u"\"s\"=hex(1):61,00,0d,00,0a,00,62,00,00,00"},
      {Text(u"s", kRegSz, std::u16string(u"a\0b", 3)), u"\"s\"=hex(1):61,00,00,00,62,00,00,00"},
      {Text(u"e", kRegExpandSz, std::u16string(u"%A%") + u'\0'), u"\"e\"=hex(2):25,00,41,00,25,00,00,00"},
      {Text(u"e", kRegExpandSz, u"ab"), u"\"e\"=hex(2):61,00,62,00,00,00"},
      {Text(u"m", kRegMultiSz, std::u16string(u"a\0b\0\0", 5)), u"\"m\"=hex(7):61,00,00,00,62,00,00,00,00,00"},
      {{u"d", kRegDword, "\x2a\x00\x00\x80"s}, u"\"d\"=dword:8000002a"},
      {{u"d", kRegDword, "\x01\x02"}, u"\"d\"=hex(4):01,02"},
      {{u"b", kRegBinary, "\x00\xff"s}, u"\"b\"=hex:00,ff"},
      {{u"q", kRegQword, "\x01\0\0\0\0\0\0\0"s}, u"\"q\"=hex(b):01,00,00,00,00,00,00,00"},
      {{u"n", kRegNone, ""}, u"\"n\"=hex(0):"},
      {{u"\x4E2D\"]", 0x99, "\x01"}, u"\"\x4E2D\\\"]\"=hex(99):01"},
      // What no file restores alike: names with a control character, text of odd length.
      {Text(u"line\nbreak", kRegSz, u"x"), u""},
      {Text(u"tab\tname", kRegDword, u"xx"), u""},
      {{u"odd", kRegExpandSz, "abc"}, u""},
  };
  for (const auto& c : cases) EXPECT_EQ(RegFileValueLine(c.v), c.line) << std::string(c.v.name.begin(), c.v.name.end());

  std::string bytes = "x";
  EXPECT_FALSE(WriteRegFile({{u"HKEY_CURRENT_USER\\ok", {Text(u"line\nbreak", kRegSz, u"x")}}}, bytes));
  EXPECT_TRUE(bytes.empty());
  EXPECT_FALSE(WriteRegFile({{u"HKEY_CURRENT_USER\\a\r\n[HKEY_LOCAL_MACHINE\\Evil]", {}}}, bytes)) << "key line break";
  EXPECT_FALSE(WriteRegFile({{u"-HKEY_CURRENT_USER\\a", {}}}, bytes)) << "would remove the key";
}

TEST(RegFileWriter, LongHexDataGoesOnInIndentedLinesAndReadsBack) {
  const std::vector<RegTreeKey> tree = {{kKey, {{u"big", kRegBinary, std::string(300, '\x11')}}}};
  const std::u16string text = Utf16FromBytes(Written(tree).substr(2));
  size_t lines = 0;
  for (size_t at = 0, nl; (nl = text.find(u"\r\n", at)) != std::u16string::npos; at = nl + 2, ++lines)
    EXPECT_LE(nl - at, 80u) << "line " << lines;
  EXPECT_GT(lines, 6u);
  RegFileContent file;
  ASSERT_TRUE(Read(Written(tree), file));
  EXPECT_TRUE(RegFileRestores(file, tree));
}

// One undo file for the copies of one key in two trees: the second export joins the first, and
// the whole restores both; anything not of the writer's form is refused.
TEST(RegFileWriter, TwoFilesJoinIntoOneThatRestoresBoth) {
  const std::vector<RegTreeKey> user = {{u"HKEY_CURRENT_USER\\Software\\Classes\\.x", {{u"", kRegSz, Utf16Bytes(u"u\0")}}}};
  const std::vector<RegTreeKey> machine = {
      {u"HKEY_LOCAL_MACHINE\\Software\\Classes\\.x", {{u"", kRegSz, Utf16Bytes(u"m\0")}}},
      {u"HKEY_LOCAL_MACHINE\\Software\\Classes\\.x\\ShellNew", {}}};
  std::string whole = Written(user);
  ASSERT_TRUE(AppendRegFileKeys(whole, Written(machine)));
  RegFileContent file;
  ASSERT_TRUE(Read(whole, file));
  std::vector<RegTreeKey> both = user;
  both.insert(both.end(), machine.begin(), machine.end());
  std::string why;
  EXPECT_TRUE(RegFileRestores(file, both, &why)) << why;

  for (const std::string& bad : {std::string("REGEDIT4\r\n"), Written(user).substr(2), std::string()}) {
    std::string kept = Written(user);
    EXPECT_FALSE(AppendRegFileKeys(kept, bad));
    EXPECT_EQ(kept, Written(user));
    std::string not_whole = bad;
    EXPECT_FALSE(AppendRegFileKeys(not_whole, Written(user)));
  }
}

// Random names of any characters and random data of any type: whatever the writer accepts reads
// back to exactly the same registry, under the key it names and no other; it refuses only names
// with a control character and text of odd length.
TEST(RegFileWriter, RandomValuesRoundTrip) {
  std::mt19937 rng(936);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const char16_t kSyntax[] = {u'\\', u'"', u'[', u']', u'=', u'@', u'\r', u'\n', u'\t', u'-', u';', u','};
  const uint32_t kTypes[] = {kRegSz, kRegExpandSz, kRegMultiSz, kRegBinary, kRegDword, kRegNone, kRegQword, 0x99};
  for (int round = 0; round < 400; ++round) {
    RegTreeValue v;
    const int name_len = pick(0, 10);
    for (int i = 0; i < name_len; ++i)
      v.name += pick(0, 2) == 0 ? kSyntax[pick(0, 11)] : static_cast<char16_t>(pick(0, 2) ? pick(0x20, 0x7E) : pick(1, 0xFFFF));
    v.type = kTypes[pick(0, 7)];
    const int data_len = pick(0, 40);
    for (int i = 0; i < data_len; ++i) v.data += static_cast<char>(pick(0, 255));
    const std::vector<RegTreeKey> tree = {{kKey, {v}}};

    bool writable = true;
    for (char16_t c : v.name) writable = writable && c >= 0x20;
    if (IsRegTextType(v.type) && v.data.size() % 2) writable = false;
    std::string bytes;
    ASSERT_EQ(WriteRegFile(tree, bytes), writable) << round;
    if (!writable) continue;
    RegFileContent file;
    std::string error;
    ASSERT_TRUE(Read(bytes, file, &error)) << round << ": " << error;
    ASSERT_EQ(file.keys.size(), 1u) << round;
    EXPECT_TRUE(RegFileRestores(file, tree, &error)) << round << ": " << error;
  }
}

}  // namespace
}  // namespace kv
