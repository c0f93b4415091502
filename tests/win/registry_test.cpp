// The registry routines against the real (Wine) registry, in both views. Every test works below
// HKLM\Software\KorvaneTest (64-bit view) and HKLM\Software\Wow6432Node\KorvaneTest (what the
// 32-bit view calls Software\KorvaneTest); the fixture removes both before and after each test.
// Seeding and checking go through the raw API in the 64-bit view, so a fault in the routines
// cannot hide itself.
#include "sysaccess/registry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "win/handles.h"

namespace kv {
namespace {

using namespace std::string_literals;

const std::string kScratch64 = "Software\\KorvaneTest";
const std::string kScratch32 = "Software\\Wow6432Node\\KorvaneTest";

// GBK: "中文", and a character whose second byte is a backslash.
const std::string kChinese = "\xD6\xD0\xCE\xC4";
const std::string kTrailByteBackslash = "\xB1\x5C";

std::string Dword(DWORD n) { return std::string(reinterpret_cast<const char*>(&n), sizeof n); }

// ---- raw access, always in the 64-bit view ----
// Keys are opened through the W functions, which take paths of any length, so these helpers
// do not share the routines' way around the A functions' path limit.

std::wstring Wide(const std::string& gbk) {
  std::wstring w(gbk.size() + 1, L'\0');
  const int n = ::MultiByteToWideChar(936, 0, gbk.data(), static_cast<int>(gbk.size()), &w[0],
                                      static_cast<int>(w.size()));
  w.resize(static_cast<size_t>(n));
  return w;
}

UniqueKey RawOpen(const std::string& path64) {
  UniqueKey key;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, Wide(path64).c_str(), 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, key.put()) !=
      ERROR_SUCCESS)
    key.release();
  return key;
}

::testing::AssertionResult RawCreate(const std::string& path64) {
  UniqueKey key;
  LONG rc = ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, Wide(path64).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, key.put(), nullptr);
  if (rc != ERROR_SUCCESS) {
    key.release();
    return ::testing::AssertionFailure() << "cannot create HKLM\\" << path64 << " (error " << rc << ")";
  }
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult RawSet(const std::string& path64, const std::string& name, DWORD type,
                                  const std::string& data) {
  if (auto created = RawCreate(path64); !created) return created;
  UniqueKey key = RawOpen(path64);
  LONG rc = ::RegSetValueExA(key.get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                             static_cast<DWORD>(data.size()));
  if (rc != ERROR_SUCCESS)
    return ::testing::AssertionFailure() << "cannot set \"" << name << "\" in " << path64 << " (error " << rc << ")";
  return ::testing::AssertionSuccess();
}

// A registry link at `path64` to the key at `target64` (both below HKEY_LOCAL_MACHINE).
::testing::AssertionResult RawLink(const std::string& path64, const std::string& target64) {
  UniqueKey key;
  LONG rc = ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, Wide(path64).c_str(), 0, nullptr,
                              REG_OPTION_CREATE_LINK | REG_OPTION_VOLATILE, KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr,
                              key.put(), nullptr);
  if (rc != ERROR_SUCCESS) {
    key.release();
    return ::testing::AssertionFailure() << "cannot create the link " << path64 << " (error " << rc << ")";
  }
  const std::wstring target = L"\\REGISTRY\\MACHINE\\" + Wide(target64);
  rc = ::RegSetValueExW(key.get(), L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(target.data()),
                        static_cast<DWORD>(target.size() * sizeof(wchar_t)));
  if (rc != ERROR_SUCCESS) return ::testing::AssertionFailure() << "cannot point the link (error " << rc << ")";
  return ::testing::AssertionSuccess();
}

void RawDeleteTree(const std::string& path64) {
  if (UniqueKey key = RawOpen(path64)) {
    ::RegDeleteTreeA(key.get(), nullptr);
    key.reset();
    ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, Wide(path64).c_str(), KEY_WOW64_64KEY, 0);
  }
}

::testing::AssertionResult KeyPresent(const std::string& path64) {
  if (RawOpen(path64)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "HKLM\\" << path64 << " is missing";
}

::testing::AssertionResult KeyAbsent(const std::string& path64) {
  if (!RawOpen(path64)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "HKLM\\" << path64 << " still exists";
}

::testing::AssertionResult StoredAs(const std::string& path64, const std::string& name, DWORD type,
                                    const std::string& data) {
  UniqueKey key = RawOpen(path64);
  if (!key) return ::testing::AssertionFailure() << "HKLM\\" << path64 << " is missing";
  DWORD got_type = 0, size = 0;
  if (::RegQueryValueExA(key.get(), name.c_str(), nullptr, &got_type, nullptr, &size) != ERROR_SUCCESS)
    return ::testing::AssertionFailure() << "no value \"" << name << "\" in " << path64;
  std::string got(size, '\0');
  ::RegQueryValueExA(key.get(), name.c_str(), nullptr, &got_type, reinterpret_cast<BYTE*>(&got[0]), &size);
  got.resize(size);
  if (got_type != type || got != data)
    return ::testing::AssertionFailure() << "\"" << name << "\" is type " << got_type << " with " << got.size()
                                         << " bytes, expected type " << type << " with " << data.size();
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult ValueAbsent(const std::string& path64, const std::string& name) {
  UniqueKey key = RawOpen(path64);
  if (key && ::RegQueryValueExA(key.get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS)
    return ::testing::AssertionFailure() << "value \"" << name << "\" still in " << path64;
  return ::testing::AssertionSuccess();
}

// Enumeration order is the registry's; the tests care about the set, with duplicates.
// `listed` is taken by reference: it is read only after the listing call beside it has run.
::testing::AssertionResult SameNames(int count, const NameList& listed, std::vector<std::string> want) {
  NameList got = listed;
  std::sort(got.begin(), got.end());
  std::sort(want.begin(), want.end());
  if (count == static_cast<int>(got.size()) && got == want) return ::testing::AssertionSuccess();
  auto out = ::testing::AssertionFailure() << "count " << count << ", names:";
  for (const auto& n : got) out << " [" << n.size() << " bytes: " << n.substr(0, 20) << "]";
  out << "; expected:";
  for (const auto& n : want) out << " [" << n.size() << " bytes: " << n.substr(0, 20) << "]";
  return out;
}

// Removes both scratch keys before and after each test, and checks that nothing is left.
class RegistryScratch : public ::testing::Test {
 protected:
  void SetUp() override {
    RawDeleteTree(kScratch64);
    RawDeleteTree(kScratch32);
    ASSERT_TRUE(RawCreate(kScratch64));
    ASSERT_TRUE(RawCreate(kScratch32));
  }
  void TearDown() override {
    RawDeleteTree(kScratch64);
    RawDeleteTree(kScratch32);
    EXPECT_TRUE(KeyAbsent(kScratch64));
    EXPECT_TRUE(KeyAbsent(kScratch32));
  }
};

// One side of the registry: the view whose routines are given Software\KorvaneTest, and where
// that key lives in the 64-bit view (which is also the path the 64-bit-only routines are given).
struct Side {
  const char* label;
  RegistryView view;
  const std::string* stored;
};
const Side kSides[] = {{"View64", RegistryView::Wow64_64, &kScratch64},
                       {"View32", RegistryView::Native32, &kScratch32}};

class RegistrySide : public RegistryScratch, public ::testing::WithParamInterface<Side> {
 protected:
  RegistryView View() const { return GetParam().view; }
  RegistryView OtherView() const {
    return View() == RegistryView::Wow64_64 ? RegistryView::Native32 : RegistryView::Wow64_64;
  }
  // The path as the view routines are given it.
  static std::string In(const std::string& sub) { return kScratch64 + "\\" + sub; }
  // The same key in the 64-bit view.
  std::string At(const std::string& sub) const { return *GetParam().stored + "\\" + sub; }
};

INSTANTIATE_TEST_SUITE_P(BothViews, RegistrySide, ::testing::ValuesIn(kSides),
                         [](const ::testing::TestParamInfo<Side>& p) { return std::string(p.param.label); });

// ---- reading and listing ----

TEST_P(RegistrySide, ReadsOnlyItsOwnView) {
  ASSERT_TRUE(RawSet(At("K"), "v", REG_SZ, "here"s + '\0'));
  ASSERT_TRUE(RawCreate(At("K\\Sub")));
  NameList names{"stale"};
  EXPECT_EQ(RegReadStringIn(View(), HKEY_LOCAL_MACHINE, In("K"), "v"), "here");
  EXPECT_TRUE(SameNames(RegGetValueNamesIn(View(), HKEY_LOCAL_MACHINE, In("K"), names), names, {"v"}));
  EXPECT_TRUE(SameNames(RegGetKeyNamesIn(View(), HKEY_LOCAL_MACHINE, In("K"), names), names, {"Sub"}));

  EXPECT_EQ(RegReadStringIn(OtherView(), HKEY_LOCAL_MACHINE, In("K"), "v"), "");
  EXPECT_TRUE(SameNames(RegGetValueNamesIn(OtherView(), HKEY_LOCAL_MACHINE, In("K"), names), names, {}));
  EXPECT_TRUE(SameNames(RegGetKeyNamesIn(OtherView(), HKEY_LOCAL_MACHINE, In("K"), names), names, {}));
}

TEST_P(RegistrySide, ListsTheDefaultValueAsAnEmptyName) {
  ASSERT_TRUE(RawSet(At("K"), "", REG_SZ, "default"s + '\0'));
  ASSERT_TRUE(RawSet(At("K"), "a", REG_SZ, "1"s + '\0'));
  ASSERT_TRUE(RawSet(At("K"), "b", REG_DWORD, Dword(2)));
  ASSERT_TRUE(RawCreate(At("K\\A")));
  ASSERT_TRUE(RawCreate(At("K\\B\\Deeper")));
  NameList names;
  EXPECT_TRUE(SameNames(RegGetValueNamesIn(View(), HKEY_LOCAL_MACHINE, In("K"), names), names, {"", "a", "b"}));
  EXPECT_TRUE(SameNames(RegGetKeyNamesIn(View(), HKEY_LOCAL_MACHINE, In("K"), names), names, {"A", "B"}));
  EXPECT_EQ(RegReadStringIn(View(), HKEY_LOCAL_MACHINE, In("K"), ""), "default");
}

TEST_P(RegistrySide, MissingKeyListsNothingAndClearsTheList) {
  NameList names{"left", "over"};
  EXPECT_EQ(RegGetValueNamesIn(View(), HKEY_LOCAL_MACHINE, In("Missing"), names), 0);
  EXPECT_TRUE(names.empty());
  names = {"left"};
  EXPECT_EQ(RegGetKeyNamesIn(View(), HKEY_LOCAL_MACHINE, In("Missing"), names), 0);
  EXPECT_TRUE(names.empty());
  RegValue raw;
  EXPECT_FALSE(RegReadValue(View(), HKEY_LOCAL_MACHINE, In("Missing"), "v", raw));
}

TEST_P(RegistrySide, PathFormsWithLeadingOrTrailingBackslashNameTheSameKey) {
  ASSERT_TRUE(RawSet(At("Run"), "v", REG_SZ, "x"s + '\0'));
  ASSERT_TRUE(RawCreate(At("Run\\Sub")));
  const std::string forms[] = {In("Run"), "\\" + In("Run"), In("Run") + "\\", "\\" + In("Run") + "\\"};
  for (const std::string& form : forms) {
    SCOPED_TRACE(form);
    NameList names;
    EXPECT_EQ(RegReadStringIn(View(), HKEY_LOCAL_MACHINE, form, "v"), "x");
    EXPECT_TRUE(SameNames(RegGetValueNamesIn(View(), HKEY_LOCAL_MACHINE, form, names), names, {"v"}));
    EXPECT_TRUE(SameNames(RegGetKeyNamesIn(View(), HKEY_LOCAL_MACHINE, form, names), names, {"Sub"}));
  }
  const std::string forms64[] = {At("Run"), "\\" + At("Run"), At("Run") + "\\", "\\" + At("Run") + "\\"};
  for (const std::string& form : forms64) {
    SCOPED_TRACE(form);
    EXPECT_TRUE(RegValueExists(HKEY_LOCAL_MACHINE, form, "v"));
    RegWriteString(HKEY_LOCAL_MACHINE, form, "w", form);
    EXPECT_TRUE(StoredAs(At("Run"), "w", REG_SZ, form + '\0'));
  }
}

struct StringCase {
  const char* label;
  DWORD type;
  std::string data;
  std::string text;  // what RegReadString gives
};

const StringCase kStringCases[] = {
    {"plain", REG_SZ, "C:\\Tools\\a.exe"s + '\0', "C:\\Tools\\a.exe"},
    {"spaces trimmed", REG_SZ, "  \"C:\\Program Files\\a b.exe\" /s  "s + '\0', "\"C:\\Program Files\\a b.exe\" /s"},
    {"controls trimmed, inner kept", REG_SZ, "\t\r\n a \t b \r\n"s + '\0', "a \t b"},
    {"expand sz unexpanded", REG_EXPAND_SZ, "%ProgramFiles%\\Foo\\foo.exe"s + '\0', "%ProgramFiles%\\Foo\\foo.exe"},
    {"gbk text", REG_SZ, " " + kChinese + kTrailByteBackslash + " "s + '\0', kChinese + kTrailByteBackslash},
    {"ends at first nul", REG_SZ, "first\0second\0"s, "first"},
    {"no terminating nul", REG_SZ, "abc"s, "abc"},
    {"no terminating nul, gbk", REG_SZ, kChinese, kChinese},
    {"empty data", REG_SZ, ""s, ""},
    {"only spaces", REG_SZ, "   "s + '\0', ""},
    {"dword", REG_DWORD, Dword(7), ""},
    {"multi sz", REG_MULTI_SZ, "one\0two\0\0"s, ""},
    {"binary", REG_BINARY, "abc\0"s, ""},
    {"none", REG_NONE, "abc\0"s, ""},
};

TEST_P(RegistrySide, ReadsStringsOfEachType) {
  for (const StringCase& c : kStringCases) {
    SCOPED_TRACE(c.label);
    ASSERT_TRUE(RawSet(At("Types"), c.label, c.type, c.data));
    EXPECT_EQ(RegReadStringIn(View(), HKEY_LOCAL_MACHINE, In("Types"), c.label), c.text);
    RegValue raw;
    ASSERT_TRUE(RegReadValue(View(), HKEY_LOCAL_MACHINE, In("Types"), c.label, raw));
    EXPECT_EQ(raw.type, c.type);
  }
  EXPECT_EQ(RegReadStringIn(View(), HKEY_LOCAL_MACHINE, In("Types"), "missing"), "");
}

TEST_P(RegistrySide, ReadStringsAgreesWithReadStringValueByValue) {
  std::vector<std::string> names;
  for (const StringCase& c : kStringCases) {
    ASSERT_TRUE(RawSet(At("Types"), c.label, c.type, c.data));
    names.push_back(c.label);
  }
  names.push_back("missing");
  names.push_back(kStringCases[0].label);  // asked twice

  std::vector<bool> present;
  const std::vector<std::string> got = RegReadStrings(View(), HKEY_LOCAL_MACHINE, In("Types"), names, &present);
  ASSERT_EQ(got.size(), names.size());
  ASSERT_EQ(present.size(), names.size());
  for (size_t i = 0; i < names.size(); ++i) {
    SCOPED_TRACE(names[i]);
    EXPECT_EQ(got[i], RegReadStringIn(View(), HKEY_LOCAL_MACHINE, In("Types"), names[i]));
    EXPECT_EQ(present[i], names[i] != "missing");
  }

  const std::vector<std::string> none = RegReadStrings(View(), HKEY_LOCAL_MACHINE, In("Missing"), names, &present);
  EXPECT_EQ(none, std::vector<std::string>(names.size()));
  EXPECT_EQ(present, std::vector<bool>(names.size(), false));

  // The one-pass readings of the whole key: every value once, as the readings by name give it.
  std::vector<NamedText> texts;
  std::vector<NamedValue> raw;
  ASSERT_EQ(RegReadAllStrings(View(), HKEY_LOCAL_MACHINE, In("Types"), texts), static_cast<int>(std::size(kStringCases)));
  ASSERT_EQ(RegReadAllValues(View(), HKEY_LOCAL_MACHINE, In("Types"), raw), static_cast<int>(std::size(kStringCases)));
  for (size_t i = 0; i < raw.size(); ++i) {
    SCOPED_TRACE(raw[i].name);
    EXPECT_EQ(texts[i].name, raw[i].name);
    EXPECT_EQ(texts[i].text, RegReadStringIn(View(), HKEY_LOCAL_MACHINE, In("Types"), raw[i].name));
    RegValue one;
    ASSERT_TRUE(RegReadValue(View(), HKEY_LOCAL_MACHINE, In("Types"), raw[i].name, one));
    EXPECT_EQ(raw[i].value.type, one.type);
    EXPECT_EQ(raw[i].value.data, one.data);
  }
  EXPECT_EQ(RegReadAllValues(View(), HKEY_LOCAL_MACHINE, In("Missing"), raw), 0);
  EXPECT_TRUE(raw.empty());
}

TEST_P(RegistrySide, ReadsValuesLargerThanAnyFixedBuffer) {
  std::string text(1 << 20, 'x');
  for (size_t i = 0; i < text.size(); i += 997) text[i] = static_cast<char>('a' + i % 26);
  std::string binary(1 << 20, '\0');
  for (size_t i = 0; i < binary.size(); ++i) binary[i] = static_cast<char>(i * 31 % 251);
  ASSERT_TRUE(RawSet(At("Big"), "text", REG_SZ, text + '\0'));
  ASSERT_TRUE(RawSet(At("Big"), "binary", REG_BINARY, binary));

  EXPECT_TRUE(RegReadStringIn(View(), HKEY_LOCAL_MACHINE, In("Big"), "text") == text);
  RegValue raw;
  ASSERT_TRUE(RegReadValue(View(), HKEY_LOCAL_MACHINE, In("Big"), "binary", raw));
  EXPECT_EQ(raw.type, static_cast<DWORD>(REG_BINARY));
  EXPECT_EQ(raw.data.size(), binary.size());
  EXPECT_TRUE(raw.data == binary);
  std::vector<NamedValue> all;
  ASSERT_EQ(RegReadAllValues(View(), HKEY_LOCAL_MACHINE, In("Big"), all), 2);
  for (const auto& v : all) EXPECT_TRUE(v.value.data == (v.name == "binary" ? binary : text + '\0')) << v.name;
}

TEST_P(RegistrySide, HandlesNamesAtTheRegistryLimits) {
  // 255 characters for a key name, 16,383 for a value name; a GBK character is two bytes.
  std::string gbk_key, gbk_value;
  for (int i = 0; i < 255; ++i) gbk_key += kChinese.substr(0, 2);
  for (int i = 0; i < 16383; ++i) gbk_value += (i % 2 ? kTrailByteBackslash : kChinese.substr(2, 2));
  const std::string keys[] = {std::string(255, 'k'), gbk_key};
  const std::string values[] = {std::string(16383, 'v'), gbk_value};

  for (const std::string& k : keys) ASSERT_TRUE(RawSet(At("Long\\" + k), k.substr(0, 4), REG_SZ, "deep\0"s));
  for (const std::string& v : values) ASSERT_TRUE(RawSet(At("Long"), v, REG_SZ, v.substr(0, 8) + '\0'));

  NameList names;
  EXPECT_TRUE(SameNames(RegGetKeyNamesIn(View(), HKEY_LOCAL_MACHINE, In("Long"), names), names,
                        {keys[0], keys[1]}));
  EXPECT_TRUE(SameNames(RegGetValueNamesIn(View(), HKEY_LOCAL_MACHINE, In("Long"), names), names,
                        {values[0], values[1]}));
  for (const std::string& v : values)
    EXPECT_EQ(RegReadStringIn(View(), HKEY_LOCAL_MACHINE, In("Long"), v), v.substr(0, 8));
  // Paths longer than one call of the A functions takes under Wine: a long name below parents.
  for (const std::string& k : keys) {
    SCOPED_TRACE(k.substr(0, 4));
    EXPECT_EQ(RegReadStringIn(View(), HKEY_LOCAL_MACHINE, In("Long\\" + k), k.substr(0, 4)), "deep");
    EXPECT_TRUE(RegValueExists(HKEY_LOCAL_MACHINE, At("Long\\" + k + "\\"), k.substr(0, 4)));
  }
}

TEST_P(RegistrySide, WorksOnPathsOfSeveralLongNames) {
  const std::string a(255, 'a'), b(200, 'b'), c = kChinese + std::string(250, 'c');
  const std::string deep = a + "\\" + b + "\\" + c;
  RegWriteString(HKEY_LOCAL_MACHINE, At(deep + "\\" + kTrailByteBackslash), "v", "deep");
  EXPECT_TRUE(StoredAs(At(deep + "\\" + kTrailByteBackslash), "v", REG_SZ, "deep\0"s));
  EXPECT_EQ(RegReadStringIn(View(), HKEY_LOCAL_MACHINE, "\\" + In(deep + "\\" + kTrailByteBackslash + "\\"), "v"),
            "deep");
  NameList names;
  EXPECT_TRUE(SameNames(RegGetKeyNamesIn(View(), HKEY_LOCAL_MACHINE, In(a + "\\" + b), names), names, {c}));
  EXPECT_EQ(RegKeyExists(HKEY_LOCAL_MACHINE, In(deep)), View() == RegistryView::Native32);

  EXPECT_TRUE(DeleteRegKeyDirect(HKEY_LOCAL_MACHINE, At(deep + "\\" + kTrailByteBackslash)));
  EXPECT_TRUE(KeyAbsent(At(deep + "\\" + kTrailByteBackslash)));
  EXPECT_TRUE(KeyPresent(At(deep)));
  RegWriteString(HKEY_LOCAL_MACHINE, At(deep + "\\x"), "v", "again");
  EXPECT_TRUE(DeleteRegKey(HKEY_LOCAL_MACHINE, At(a)));
  EXPECT_TRUE(KeyAbsent(At(a)));

  // A name far beyond the limit is refused by the registry; nothing is written, nothing stumbles.
  const std::string too_long(1000, 'x');
  RegWriteString(HKEY_LOCAL_MACHINE, At(too_long), "v", "x");
  EXPECT_TRUE(KeyAbsent(At(too_long)));
  EXPECT_EQ(RegReadStringIn(View(), HKEY_LOCAL_MACHINE, In(too_long), "v"), "");
  EXPECT_FALSE(DeleteRegKey(HKEY_LOCAL_MACHINE, At(too_long)));
}

TEST_P(RegistrySide, GbkNamesRoundTripThroughListingAndReading) {
  const std::string names_in[] = {kChinese, kTrailByteBackslash, "a" + kTrailByteBackslash + "b",
                                  kChinese + kTrailByteBackslash};
  for (const std::string& n : names_in) {
    ASSERT_TRUE(RawCreate(At("Gbk\\" + n)));
    ASSERT_TRUE(RawSet(At("Gbk\\" + n), n, REG_SZ, n + '\0'));
    ASSERT_TRUE(RawSet(At("Gbk"), n, REG_SZ, n + '\0'));
  }
  NameList names;
  EXPECT_TRUE(SameNames(RegGetKeyNamesIn(View(), HKEY_LOCAL_MACHINE, In("Gbk"), names), names,
                        {std::begin(names_in), std::end(names_in)}));
  EXPECT_TRUE(SameNames(RegGetValueNamesIn(View(), HKEY_LOCAL_MACHINE, In("Gbk"), names), names,
                        {std::begin(names_in), std::end(names_in)}));
  for (const std::string& n : names_in) {
    SCOPED_TRACE(n);
    EXPECT_EQ(RegReadStringIn(View(), HKEY_LOCAL_MACHINE, In("Gbk"), n), n);
    // A key whose name ends in a 0x5C second byte, with and without the trailing backslash.
    EXPECT_EQ(RegReadStringIn(View(), HKEY_LOCAL_MACHINE, In("Gbk\\" + n), n), n);
    EXPECT_EQ(RegReadStringIn(View(), HKEY_LOCAL_MACHINE, In("Gbk\\" + n + "\\"), n), n);
  }
}

// ---- the routines that work in the 64-bit view, given either scratch key's 64-bit path ----

TEST_P(RegistrySide, WriteStringCreatesEveryMissingKey) {
  RegWriteString(HKEY_LOCAL_MACHINE, At("A\\B\\" + kChinese + "\\"), kChinese, "  kept as given  ");
  EXPECT_TRUE(StoredAs(At("A\\B\\" + kChinese), kChinese, REG_SZ, "  kept as given  "s + '\0'));
  RegWriteString(HKEY_LOCAL_MACHINE, At("A"), "", "");
  EXPECT_TRUE(StoredAs(At("A"), "", REG_SZ, "\0"s));
  RegWriteBool(HKEY_LOCAL_MACHINE, At("C\\D"), "on", true);
  RegWriteBool(HKEY_LOCAL_MACHINE, At("C\\D"), "off", false);
  EXPECT_TRUE(StoredAs(At("C\\D"), "on", REG_DWORD, Dword(1)));
  EXPECT_TRUE(StoredAs(At("C\\D"), "off", REG_DWORD, Dword(0)));
  // Overwriting changes the type to the one written.
  RegWriteString(HKEY_LOCAL_MACHINE, At("C\\D"), "on", "1");
  EXPECT_TRUE(StoredAs(At("C\\D"), "on", REG_SZ, "1\0"s));
}

struct BoolCase {
  const char* label;
  DWORD type;
  std::string data;
  bool flag;
};

TEST_P(RegistrySide, ReadBoolReadsOnlyFourByteDwords) {
  const BoolCase cases[] = {
      {"one", REG_DWORD, Dword(1), true},
      {"zero", REG_DWORD, Dword(0), false},
      {"high byte only", REG_DWORD, Dword(0x01000000), true},
      {"all bits", REG_DWORD, Dword(0xFFFFFFFF), true},
      {"sz one", REG_SZ, "1\0"s, false},
      {"binary one", REG_BINARY, Dword(1), false},
      {"qword one", REG_QWORD, Dword(1) + Dword(0), false},
      {"dword of eight bytes", REG_DWORD, Dword(1) + Dword(1), false},
      {"dword of two bytes", REG_DWORD, "\x01\x00"s, false},
      {"big endian one", REG_DWORD_BIG_ENDIAN, "\0\0\0\x01"s, false},
  };
  for (const BoolCase& c : cases) {
    SCOPED_TRACE(c.label);
    ASSERT_TRUE(RawSet(At("Flags"), c.label, c.type, c.data));
    EXPECT_EQ(RegReadBool(HKEY_LOCAL_MACHINE, At("Flags"), c.label), c.flag);
  }
  EXPECT_FALSE(RegReadBool(HKEY_LOCAL_MACHINE, At("Flags"), "missing"));
  EXPECT_FALSE(RegReadBool(HKEY_LOCAL_MACHINE, At("Missing"), "one"));
  RegWriteBool(HKEY_LOCAL_MACHINE, At("Flags"), "zero", true);
  EXPECT_TRUE(RegReadBool(HKEY_LOCAL_MACHINE, At("Flags"), "zero"));
}

TEST_P(RegistrySide, DeleteValueOnlyWhatExists) {
  ASSERT_TRUE(RawSet(At("V"), "keep", REG_SZ, "k\0"s));
  ASSERT_TRUE(RawSet(At("V"), "go", REG_DWORD, Dword(1)));
  ASSERT_TRUE(RawSet(At("V"), "", REG_SZ, "default\0"s));

  EXPECT_FALSE(DeleteRegValue(HKEY_LOCAL_MACHINE, At("V"), "missing"));
  EXPECT_FALSE(DeleteRegValue(HKEY_LOCAL_MACHINE, At("Missing"), "go"));
  EXPECT_TRUE(RegValueExists(HKEY_LOCAL_MACHINE, At("V"), "go"));
  EXPECT_FALSE(RegValueExists(HKEY_LOCAL_MACHINE, At("V"), "missing"));
  EXPECT_FALSE(RegValueExists(HKEY_LOCAL_MACHINE, At("Missing"), "go"));

  EXPECT_TRUE(DeleteRegValue(HKEY_LOCAL_MACHINE, At("V"), "go"));
  EXPECT_TRUE(ValueAbsent(At("V"), "go"));
  EXPECT_FALSE(DeleteRegValue(HKEY_LOCAL_MACHINE, At("V"), "go"));
  EXPECT_TRUE(DeleteRegValue(HKEY_LOCAL_MACHINE, At("V"), ""));
  EXPECT_TRUE(ValueAbsent(At("V"), ""));
  EXPECT_TRUE(StoredAs(At("V"), "keep", REG_SZ, "k\0"s));
}

TEST_P(RegistrySide, DeleteKeyDirectRemovesOnlyALeafWithoutSubkeys) {
  ASSERT_TRUE(RawCreate(At("One\\Two\\Three")));
  ASSERT_TRUE(RawCreate(At("One\\Two\\" + kTrailByteBackslash)));

  // Three levels below the scratch key, ending in a backslash: the last one goes, its parent stays.
  EXPECT_TRUE(DeleteRegKeyDirect(HKEY_LOCAL_MACHINE, At("One\\Two\\Three\\")));
  EXPECT_TRUE(KeyAbsent(At("One\\Two\\Three")));
  EXPECT_TRUE(KeyPresent(At("One\\Two")));
  // The 0x5C of a GBK character is not where the leaf begins.
  EXPECT_TRUE(DeleteRegKeyDirect(HKEY_LOCAL_MACHINE, "\\" + At("One\\Two\\" + kTrailByteBackslash)));
  EXPECT_TRUE(KeyAbsent(At("One\\Two\\" + kTrailByteBackslash)));

  EXPECT_FALSE(DeleteRegKeyDirect(HKEY_LOCAL_MACHINE, At("One")));  // still has Two
  EXPECT_TRUE(KeyPresent(At("One\\Two")));
  EXPECT_FALSE(DeleteRegKeyDirect(HKEY_LOCAL_MACHINE, At("One\\Missing")));
  EXPECT_FALSE(DeleteRegKeyDirect(HKEY_LOCAL_MACHINE, At("Missing\\Two")));
  EXPECT_FALSE(DeleteRegKeyDirect(HKEY_LOCAL_MACHINE, At("One\\Two\\\\")));
  EXPECT_TRUE(KeyPresent(At("One\\Two")));
}

TEST_P(RegistrySide, DeleteKeyTakesTheWholeSubtree) {
  const std::string subkeys[] = {"Tree\\a", "Tree\\b\\c\\d", "Tree\\" + kChinese + "\\" + kTrailByteBackslash,
                                 "Tree\\" + kTrailByteBackslash + "\\x"};
  for (const std::string& k : subkeys) ASSERT_TRUE(RawSet(At(k), "v", REG_SZ, "1\0"s));
  for (int i = 0; i < 40; ++i) ASSERT_TRUE(RawCreate(At("Tree\\many\\" + std::to_string(i))));
  ASSERT_TRUE(RawCreate(At("Sibling")));

  EXPECT_TRUE(DeleteRegKey(HKEY_LOCAL_MACHINE, At("Tree\\")));
  EXPECT_TRUE(KeyAbsent(At("Tree")));
  EXPECT_TRUE(KeyPresent(At("Sibling")));
  EXPECT_FALSE(DeleteRegKey(HKEY_LOCAL_MACHINE, At("Tree")));

  // A key with no subkeys, named with a leading backslash.
  EXPECT_TRUE(DeleteRegKey(HKEY_LOCAL_MACHINE, "\\" + At("Sibling")));
  EXPECT_TRUE(KeyAbsent(At("Sibling")));

  // A link in the tree, or as the key itself, goes as the link: what it points to stays whole.
  ASSERT_TRUE(RawSet(At("Target\\keep"), "v", REG_SZ, "1\0"s));
  ASSERT_TRUE(RawCreate(At("Linked")));
  ASSERT_TRUE(RawLink(At("Linked\\link"), At("Target")));
  ASSERT_TRUE(RawLink(At("Link"), At("Target")));
  ASSERT_TRUE(KeyPresent(At("Linked\\link\\keep"))) << "the link leads to the target";
  EXPECT_TRUE(DeleteRegKey(HKEY_LOCAL_MACHINE, At("Linked")));
  EXPECT_TRUE(KeyAbsent(At("Linked")));
  EXPECT_TRUE(DeleteRegKey(HKEY_LOCAL_MACHINE, At("Link")));
  EXPECT_TRUE(KeyAbsent(At("Link")));
  EXPECT_TRUE(StoredAs(At("Target\\keep"), "v", REG_SZ, "1\0"s));
}

// ---- across the views ----

TEST_F(RegistryScratch, TheDefaultViewIsThe32BitOne) {
  RegWriteString(HKEY_LOCAL_MACHINE, kScratch32 + "\\K", "v", "32");
  RegWriteString(HKEY_LOCAL_MACHINE, kScratch64 + "\\K", "v", "64");
  EXPECT_EQ(RegReadString(HKEY_LOCAL_MACHINE, kScratch64 + "\\K", "v"), "32");
  EXPECT_EQ(RegReadString64(HKEY_LOCAL_MACHINE, kScratch64 + "\\K", "v"), "64");

  ASSERT_TRUE(RawCreate(kScratch32 + "\\Only32"));
  ASSERT_TRUE(RawCreate(kScratch64 + "\\Only64"));
  EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, kScratch64 + "\\Only32"));
  EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, "\\" + kScratch64 + "\\Only32\\"));
  EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kScratch64 + "\\Only64"));
  EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kScratch64 + "\\Missing"));

  NameList names;
  EXPECT_TRUE(SameNames(RegGetKeyNames(HKEY_LOCAL_MACHINE, kScratch64, names), names, {"K", "Only32"}));
  EXPECT_TRUE(SameNames(RegGetKeyNames64(HKEY_LOCAL_MACHINE, kScratch64, names), names, {"K", "Only64"}));
  EXPECT_TRUE(SameNames(RegGetValueNames(HKEY_LOCAL_MACHINE, kScratch64 + "\\K", names), names, {"v"}));
  EXPECT_TRUE(SameNames(RegGetValueNames64(HKEY_LOCAL_MACHINE, kScratch64 + "\\K", names), names, {"v"}));
}

TEST_F(RegistryScratch, DeleteKeyWorksInThe64BitViewOnly) {
  for (const std::string& scratch : {kScratch64, kScratch32}) {
    ASSERT_TRUE(RawSet(scratch + "\\Tree\\a\\b", "v", REG_SZ, "1\0"s));
    ASSERT_TRUE(RawCreate(scratch + "\\Tree\\c"));
  }
  ASSERT_TRUE(RawCreate(kScratch64 + "\\Only64\\Sub"));

  // The same path names both trees; only the 64-bit one goes.
  EXPECT_TRUE(DeleteRegKey(HKEY_LOCAL_MACHINE, kScratch64 + "\\Tree"));
  EXPECT_TRUE(KeyAbsent(kScratch64 + "\\Tree"));
  EXPECT_TRUE(KeyPresent(kScratch32 + "\\Tree\\a\\b"));
  EXPECT_TRUE(KeyPresent(kScratch32 + "\\Tree\\c"));

  // A key that the default view does not see at all.
  EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kScratch64 + "\\Only64"));
  EXPECT_TRUE(DeleteRegKey(HKEY_LOCAL_MACHINE, kScratch64 + "\\Only64"));
  EXPECT_TRUE(KeyAbsent(kScratch64 + "\\Only64"));

  // The 32-bit tree is reached through its 64-bit path.
  EXPECT_TRUE(DeleteRegKey(HKEY_LOCAL_MACHINE, kScratch32 + "\\Tree"));
  EXPECT_TRUE(KeyAbsent(kScratch32 + "\\Tree"));
}

TEST_F(RegistryScratch, DeletesRefusePathsWithoutAKeyName) {
  ASSERT_TRUE(RawCreate(kScratch64 + "\\Keep"));
  // Taken literally, each of these names the root itself or the parent of the key meant.
  const std::string paths[] = {"", "\\", "\\\\", "\\\\\\", "\\\\\\\\", kScratch64 + "\\Keep\\\\",
                               kScratch64 + "\\\\Keep"};
  for (const std::string& p : paths) {
    SCOPED_TRACE(p);
    EXPECT_FALSE(DeleteRegKey(HKEY_LOCAL_MACHINE, p));
    EXPECT_FALSE(DeleteRegKeyDirect(HKEY_LOCAL_MACHINE, p));
    EXPECT_TRUE(KeyPresent(kScratch64 + "\\Keep"));
    EXPECT_TRUE(KeyPresent("Software\\Microsoft"));
  }
}

// A key directly below the root: DeleteRegKeyDirect has no parent to open for it.
TEST(RegistryTopLevel, DeleteKeyDirectOfOneLevelPathIsFalse) {
  const char* top = "KorvaneTestTop";
  UniqueKey key;
  ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, top, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                              key.put(), nullptr),
            ERROR_SUCCESS);
  key.reset();
  ScopeExit cleanup([&] { ::RegDeleteKeyA(HKEY_CURRENT_USER, top); });
  for (const std::string& p : {"KorvaneTestTop"s, "KorvaneTestTop\\"s, "\\KorvaneTestTop"s, "\\KorvaneTestTop\\"s}) {
    SCOPED_TRACE(p);
    EXPECT_FALSE(DeleteRegKeyDirect(HKEY_CURRENT_USER, p));
    EXPECT_TRUE(RegKeyExists(HKEY_CURRENT_USER, top));
  }
  // DeleteRegKey itself does take a one-level key (an extension under HKEY_CLASSES_ROOT is one).
  EXPECT_TRUE(DeleteRegKey(HKEY_CURRENT_USER, "\\KorvaneTestTop\\"));
  EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, top));
}

// ---- values that change while they are read ----

// Wraps the real query of one value and lets the test change the value after chosen calls.
struct ChangingValue {
  HKEY key;
  std::string name;
  std::vector<std::string> grow_to;  // written after call 1, 2, ... (the size query is call 1)
  int calls = 0;

  LONG operator()(DWORD* type, BYTE* data, DWORD* size) {
    const LONG rc = ::RegQueryValueExA(key, name.c_str(), nullptr, type, data, size);
    if (static_cast<size_t>(calls) < grow_to.size()) {
      const std::string& next = grow_to[static_cast<size_t>(calls)];
      ::RegSetValueExA(key, name.c_str(), 0, REG_BINARY, reinterpret_cast<const BYTE*>(next.data()),
                       static_cast<DWORD>(next.size()));
    }
    ++calls;
    return rc;
  }
};

TEST_F(RegistryScratch, AValueThatGrowsWhileReadIsReadAgainWhole) {
  ASSERT_TRUE(RawSet(kScratch64 + "\\G", "v", REG_BINARY, std::string(16, 's')));
  UniqueKey key = RawOpen(kScratch64 + "\\G");
  ASSERT_TRUE(key);
  struct Case {
    const char* label;
    std::vector<std::string> grow_to;
  } cases[] = {
      {"grows once", {std::string(5000, 'a')}},
      {"grows by one byte", {std::string(17, 'b')}},
      {"grows on every read", {std::string(100, 'c'), std::string(70000, 'd'), std::string(1 << 20, 'e')}},
      {"shrinks", {std::string(3, 'f')}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    ASSERT_TRUE(RawSet(kScratch64 + "\\G", "v", REG_BINARY, std::string(16, 's')));
    RegValue out;
    ASSERT_TRUE(ReadValueWith(ChangingValue{key.get(), "v", c.grow_to}, out));
    EXPECT_EQ(out.type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(out.data.size(), c.grow_to.back().size());
    EXPECT_TRUE(out.data == c.grow_to.back());
  }
}

TEST(RegistryRead, AValueThatNeverSettlesOrVanishesReadsAsAbsent) {
  RegValue out;
  out.data = "untouched";
  // Every read finds it larger again.
  DWORD grow = 10;
  EXPECT_FALSE(ReadValueWith(
      [&](DWORD* type, BYTE* data, DWORD* size) {
        *type = REG_SZ;
        const bool fits = data && *size >= grow;
        *size = grow;
        grow += 10;
        return data && !fits ? ERROR_MORE_DATA : ERROR_SUCCESS;
      },
      out));
  // Gone between the size query and the read.
  int calls = 0;
  EXPECT_FALSE(ReadValueWith(
      [&](DWORD*, BYTE*, DWORD* size) {
        *size = 8;
        return calls++ == 0 ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
      },
      out));
  // A query that claims to have written more than it was given.
  calls = 0;
  EXPECT_FALSE(ReadValueWith(
      [&](DWORD*, BYTE*, DWORD* size) {
        *size = calls++ == 0 ? 8 : 1u << 20;
        return ERROR_SUCCESS;
      },
      out));
  EXPECT_EQ(out.data, "untouched");
}

TEST_F(RegistryScratch, ConcurrentRewritesNeverGiveACutValue) {
  const std::string small = "short";
  const std::string large(64 * 1024, 'L');
  ASSERT_TRUE(RawSet(kScratch64 + "\\C", "v", REG_SZ, small + '\0'));
  std::atomic<bool> stop{false};
  std::thread writer([&] {
    UniqueKey key = RawOpen(kScratch64 + "\\C");
    for (unsigned i = 0; !stop; ++i) {
      const std::string& text = i % 2 ? large : small;
      ::RegSetValueExA(key.get(), "v", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>(text.size() + 1));
    }
  });
  int cut = 0;
  for (int i = 0; i < 300; ++i) {
    const std::string got = RegReadString64(HKEY_LOCAL_MACHINE, kScratch64 + "\\C", "v");
    if (got != small && got != large) ++cut;
  }
  stop = true;
  writer.join();
  EXPECT_EQ(cut, 0);
}

}  // namespace
}  // namespace kv
