#include "sysaccess/undo_verify.h"

#include <gtest/gtest.h>

#include <functional>

#include "sysaccess/programs.h"
#include "sysaccess/undo_store.h"
#include "tests/win/reliability_support.h"
#include "tests/win/sysaccess_fixtures.h"

namespace kv {
namespace {

const std::string kChinese = "中文";
const std::wstring kWideChinese = L"\x4E2D\x6587";

std::string Utf16(const std::wstring& s, bool terminated = true) {
  std::string out(reinterpret_cast<const char*>(s.data()), s.size() * 2);
  if (terminated) out.append(2, '\0');
  return out;
}

std::string Narrow(const std::wstring& s) {
  const int n = ::WideCharToMultiByte(CP_ACP, 0, s.data(), static_cast<int>(s.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, s.data(), static_cast<int>(s.size()), &out[0], n, nullptr, nullptr);
  return out;
}

void SetW(const std::wstring& key, const std::wstring& name, DWORD type, const std::string& data) {
  UniqueKey k;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr,
                              k.put(), nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(::RegSetValueExW(k.get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                             static_cast<DWORD>(data.size())),
            ERROR_SUCCESS);
}

void MakeKey(const std::wstring& key) {
  UniqueKey k;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr,
                              k.put(), nullptr),
            ERROR_SUCCESS);
}

template <typename T>
std::string Raw(T n) {
  return std::string(reinterpret_cast<const char*>(&n), sizeof n);
}

// Both snapshots hold the same tree (text values compared as the import writes them).
::testing::AssertionResult SameTree(const std::vector<RegTreeKey>& before, const std::vector<RegTreeKey>& after) {
  RegFileContent as_file;
  as_file.keys = after;
  std::string why;
  if (RegFileRestores(as_file, before, &why)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << why;
}

class UndoVerifyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    base_ = L"Software\\KorvaneTest\\Verify" + std::to_wstring(::GetCurrentProcessId());
    state_.WindowsFolder = ComputeAppState().WindowsFolder;
    state_.UndoFolder = dir_.path() + "Undo\\";
    EnsureUndoFolder(state_);
  }
  void TearDown() override { test::DeleteTree(HKEY_CURRENT_USER, Narrow(base_)); }

  ::testing::AssertionResult Import(const std::string& file) {
    return test::ImportWithRegedit(state_.WindowsFolder, state_.UndoFolder + file);
  }
  bool Snapshot(const std::wstring& key, std::vector<RegTreeKey>& out) {
    return SnapshotRegistryTree(RegistryView::Wow64_64, HKEY_CURRENT_USER, "HKEY_CURRENT_USER", Narrow(key), out);
  }

  test::SeedKey parent_{HKEY_CURRENT_USER, "Software\\KorvaneTest"};
  test::ScratchFolder dir_;
  AppState state_;
  std::wstring base_;
};

struct HostileCase {
  const char* what;
  std::function<void(const std::wstring& key)> seed;
  int verified;  // 1: the export is vouched for, 0: refused (it would not restore exactly)
};

// Every kind of value and name an uninstall record or extension key may hold, each exported by the
// real registry editor. Whenever the export is vouched for, importing it must give back exactly
// the tree that was there; where the editor loses something the file must be refused.
TEST_F(UndoVerifyTest, EditorExportsAreVouchedForExactlyWhenTheyRestore) {
  const std::wstring big(1 << 19, L'\x4E2D');  // 1 MB of UTF-16
  const HostileCase cases[] = {
      {"REG_SZ with GBK", [&](auto k) { SetW(k, kWideChinese, REG_SZ, Utf16(L"C:\\" + kWideChinese + L"\\a.exe")); }, 1},
      // Wine's editor sometimes drops the last character of such a string; then it is refused.
      {"REG_SZ without NUL", [](auto k) { SetW(k, L"v", REG_SZ, Utf16(L"no end", false)); }, -1},
      {"REG_SZ of zero bytes", [](auto k) { SetW(k, L"v", REG_SZ, ""); }, 1},
      {"REG_SZ of odd length", [](auto k) { SetW(k, L"v", REG_SZ, "abc"); }, 0},
      {"REG_SZ with a NUL inside", [](auto k) { SetW(k, L"v", REG_SZ, Utf16(std::wstring(L"a\0b", 3))); }, 0},
      {"REG_SZ of 1 MB", [&](auto k) { SetW(k, L"big", REG_SZ, Utf16(big)); }, 1},
      {"REG_EXPAND_SZ", [](auto k) { SetW(k, L"v", REG_EXPAND_SZ, Utf16(L"%SystemRoot%\\x.exe")); }, 1},
      {"REG_EXPAND_SZ of odd length", [](auto k) { SetW(k, L"v", REG_EXPAND_SZ, "abc"); }, 0},
      {"REG_MULTI_SZ", [](auto k) { SetW(k, L"v", REG_MULTI_SZ, Utf16(std::wstring(L"a\0\x4E2D\0", 4))); }, 1},
      {"REG_MULTI_SZ unterminated", [](auto k) { SetW(k, L"v", REG_MULTI_SZ, Utf16(std::wstring(L"a\0b", 3), false)); }, 1},
      {"REG_DWORD", [](auto k) { SetW(k, L"v", REG_DWORD, Raw<DWORD>(0xDEADBEEF)); }, 1},
      {"REG_DWORD of two bytes", [](auto k) { SetW(k, L"v", REG_DWORD, "\x01\x02"); }, 0},
      {"REG_DWORD of eight bytes", [](auto k) { SetW(k, L"v", REG_DWORD, Raw<unsigned long long>(7)); }, -1},
      {"REG_QWORD", [](auto k) { SetW(k, L"v", REG_QWORD, Raw<unsigned long long>(0x0102030405060708ull)); }, 1},
      {"REG_BINARY", [](auto k) { SetW(k, L"v", REG_BINARY, std::string("\0\x5C\x22\xFF", 4)); }, 1},
      {"REG_BINARY empty", [](auto k) { SetW(k, L"v", REG_BINARY, ""); }, 1},
      {"REG_NONE", [](auto k) { SetW(k, L"v", REG_NONE, "\x01"); }, 1},
      {"REG_NONE empty", [](auto k) { SetW(k, L"v", REG_NONE, ""); }, 1},
      {"type 0x99", [](auto k) { SetW(k, L"v", 0x99, "\x01\x02\x03"); }, 1},
      {"names with quotes, backslashes, |", [](auto k) { SetW(k, L"a\"b\\c|d e", REG_SZ, Utf16(L"\"q\" \\ |")); }, 1},
      // Wine's editor writes a line break as \r\n, an escape the Windows editor does not read.
      {"a name with CR LF", [](auto k) { SetW(k, L"a\r\ne", REG_SZ, Utf16(L"x")); }, 0},
      {"data with CR LF", [](auto k) { SetW(k, L"v", REG_SZ, Utf16(L"a\r\nb")); }, 0},
      {"a GBK name whose second byte is 0x5C",
       [](auto k) { SetW(k, L"\x7668", REG_SZ, Utf16(L"\x7668\\")); }, 1},
      {"a value name of 16,383 characters", [](auto k) { SetW(k, std::wstring(16383, L'n'), REG_SZ, Utf16(L"x")); }, 1},
      {"a key name of 255 characters", [](auto k) { SetW(k + L"\\" + std::wstring(255, L'k'), L"v", REG_SZ, Utf16(L"x")); }, 1},
      {"empty keys", [](auto k) { MakeKey(k + L"\\empty\\emptier"); }, 1},
      {"a key name with ] and a quote", [](auto k) { SetW(k + L"\\a]b\"c", L"v", REG_DWORD, Raw<DWORD>(1)); }, 1},
      {"data that looks like a key line",
       [](auto k) { SetW(k, L"[HKEY_CURRENT_USER\\Evil]", REG_SZ, Utf16(L"x\"\r\n[HKEY_CURRENT_USER\\Evil]\r\n\"a\"=\"b")); }, 0},
      {"a key name with CR LF that would add a value", [](auto k) { MakeKey(k + L"\\x]\r\n\"evil\"=\"1\"\r\n[y"); }, 0},
      {"the default value", [](auto k) { SetW(k, L"", REG_SZ, Utf16(L"default")); }, 1},
  };
  int round_trips = 0, vouched = 0;
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    const HostileCase& c = cases[i];
    SCOPED_TRACE(c.what);
    const std::wstring key = base_ + L"\\c" + std::to_wstring(i);
    c.seed(key);
    if (::testing::Test::HasFatalFailure()) return;
    const std::string file = "c" + std::to_string(i) + ".reg";
    ASSERT_TRUE(ExportKeyToUndo(state_, file, "HKEY_CURRENT_USER", Narrow(key)));
    std::vector<RegTreeKey> before;
    ASSERT_TRUE(Snapshot(key, before));
    std::string why;
    const bool verified = UndoFileHolds(state_.UndoFolder + file, before, &why);
    if (c.verified >= 0) {
      EXPECT_EQ(verified, c.verified == 1) << why;
    }
    if (!verified) continue;  // the editor may even crash on such a file: it is never imported
    ++vouched;
    test::DeleteTree(HKEY_CURRENT_USER, Narrow(key));
    ASSERT_TRUE(Import(file));
    std::vector<RegTreeKey> after;
    ASSERT_TRUE(Snapshot(key, after));
    EXPECT_TRUE(SameTree(before, after));
    ++round_trips;
  }
  EXPECT_FALSE(test::SeedKeyExists(HKEY_CURRENT_USER, "Evil"));
  test::RecordFigure("hostile values exported and checked", static_cast<long long>(sizeof cases / sizeof cases[0]));
  test::RecordFigure("round trips compared", round_trips);
  EXPECT_GE(vouched, 20);
}

TEST_F(UndoVerifyTest, ChangesAfterTheExportAreCaught) {
  const std::wstring key = base_ + L"\\Foo";
  SetW(key, L"DisplayName", REG_SZ, Utf16(L"Foo"));
  SetW(key + L"\\sub", L"v", REG_DWORD, Raw<DWORD>(1));
  const std::string path = Narrow(key);
  const struct {
    const char* what;
    std::function<void()> change;
  } changes[] = {
      {"a value added", [&] { SetW(key, L"Later", REG_SZ, Utf16(L"x")); }},
      {"a value changed", [&] { SetW(key + L"\\sub", L"v", REG_DWORD, Raw<DWORD>(2)); }},
      {"a subkey added", [&] { MakeKey(key + L"\\new"); }},
      {"the key removed", [&] { test::DeleteTree(HKEY_CURRENT_USER, path); }},
  };
  int n = 0;
  for (const auto& c : changes) {
    SCOPED_TRACE(c.what);
    const std::string file = "Foo" + std::to_string(n++) + "_uninstall.reg";
    ASSERT_TRUE(ExportKeyToUndo(state_, file, "HKEY_CURRENT_USER", path));
    ASSERT_TRUE(VerifyUndoTree(state_, file, RegistryView::Wow64_64, HKEY_CURRENT_USER, "HKEY_CURRENT_USER", path));
    EXPECT_TRUE(FileExists(state_.UndoFolder + file));
    const std::string stale = "Stale" + file;
    ASSERT_TRUE(ExportKeyToUndo(state_, stale, "HKEY_CURRENT_USER", path));
    c.change();
    EXPECT_FALSE(VerifyUndoTree(state_, stale, RegistryView::Wow64_64, HKEY_CURRENT_USER, "HKEY_CURRENT_USER", path));
    EXPECT_FALSE(FileExists(state_.UndoFolder + stale)) << "an unverified file is no undo file";
  }
  test::RecordFigure("faults injected", static_cast<long long>(sizeof changes / sizeof changes[0]));
}

// The autostart file of old was a code-page file under header 5.00 with GBK bytes as hex(2): Wine's
// editor restores it, the Windows editor reads those bytes as UTF-16 and restores garbage. The
// check reads by the Windows rules, so it refuses that file; the file written now restores
// exactly, on Wine's import too.
TEST_F(UndoVerifyTest, TheAutostartFileIsVouchedForByTheWindowsRules) {
  const std::wstring run = base_ + L"\\Run";
  SetW(run, kWideChinese + L".exe", REG_SZ, Utf16(L"\"C:\\" + kWideChinese + L"\\a.exe\" /q"));
  SetW(run, L"Sidebar", REG_EXPAND_SZ, Utf16(L"%ProgramFiles%\\Windows Sidebar\\Sidebar.exe /autoRun"));
  const std::string full = "HKEY_CURRENT_USER\\" + Narrow(run);
  std::vector<RegTreeKey> expected;
  for (const std::string& name : {kChinese + ".exe", std::string("Sidebar")}) {
    RegTreeValue v;
    ASSERT_TRUE(SnapshotRegistryValue(RegistryView::Wow64_64, HKEY_CURRENT_USER, Narrow(run), name, v));
    ExpectValue(expected, full, v);
  }

  std::string hex;
  for (unsigned char c : std::string("%ProgramFiles%\\Windows Sidebar\\Sidebar.exe /autoRun") + '\0') {
    char b[4];
    std::snprintf(b, sizeof b, "%02x,", c);
    hex += b;
  }
  hex.pop_back();
  const std::string old_form = "Windows Registry Editor Version 5.00\r\n\r\n[" + full + "\\]\r\n\"" + kChinese +
                               ".exe\"=\"\\\"C:\\\\" + kChinese + "\\\\a.exe\\\" /q\"\r\n\r\n[" + full +
                               "\\]\r\n\"Sidebar\"=hex(2):" + hex + "\r\n\r\n";
  ASSERT_TRUE(SaveUndoFile(state_, "old_startup.reg", old_form));
  std::string why;
  EXPECT_FALSE(UndoFileHolds(state_.UndoFolder + "old_startup.reg", expected, &why));

  std::string content;
  ASSERT_TRUE(WriteRegFile(expected, content));
  ASSERT_TRUE(SaveUndoFile(state_, "a_startup.reg", content));
  EXPECT_TRUE(UndoFileHolds(state_.UndoFolder + "a_startup.reg", expected, &why)) << why;

  // What the editor makes of it is what the reader said.
  std::vector<RegTreeKey> before;
  ASSERT_TRUE(Snapshot(run, before));
  test::DeleteTree(HKEY_CURRENT_USER, Narrow(run));
  ASSERT_TRUE(Import("a_startup.reg"));
  std::vector<RegTreeKey> after;
  ASSERT_TRUE(Snapshot(run, after));
  EXPECT_TRUE(SameTree(before, after));
  test::RecordFigure("round trips compared", 1);

  // A line break in a name written raw would add a value of its own: such a file is refused.
  const std::string injected = "Windows Registry Editor Version 5.00\r\n\r\n[" + full + "\\]\r\n\"" + kChinese +
                               ".exe\"=\"x\"\r\n\"evil\"=\"c:\\\\evil.exe\"\r\n\r\n";
  ASSERT_TRUE(SaveUndoFile(state_, "b_startup.reg", injected));
  EXPECT_FALSE(VerifyUndoValues(state_, "b_startup.reg", expected));
  EXPECT_FALSE(FileExists(state_.UndoFolder + "b_startup.reg"));
  EXPECT_FALSE(VerifyUndoValues(state_, "missing_startup.reg", expected));
  EXPECT_TRUE(VerifyUndoValues(state_, "a_startup.reg", expected));
}

TEST_F(UndoVerifyTest, SnapshotRefusesWhatItCannotRead) {
  std::vector<RegTreeKey> tree;
  EXPECT_FALSE(Snapshot(base_ + L"\\missing", tree));
  EXPECT_FALSE(SnapshotRegistryTree(RegistryView::Wow64_64, HKEY_CURRENT_USER, "HKEY_CURRENT_USER", "\\", tree))
      << "never a whole root";
  RegTreeValue v;
  EXPECT_FALSE(SnapshotRegistryValue(RegistryView::Wow64_64, HKEY_CURRENT_USER, Narrow(base_), "none", v));
  std::string why;
  EXPECT_FALSE(UndoFileHolds(state_.UndoFolder + "none.reg", {}, &why));
}

}  // namespace
}  // namespace kv
