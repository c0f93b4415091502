#include "sysaccess/undo_store.h"
#include "ui/undo_messages.h"

#include <gtest/gtest.h>

#include <map>

#include "sysaccess/programs.h"
#include "sysaccess/registry.h"
#include "sysaccess/undo_name_rules.h"
#include "tests/win/sysaccess_fixtures.h"

namespace kv {
namespace {

using TempFolder = test::ScratchFolder;

const std::string kChinese = "\xD6\xD0\xCE\xC4";  // 中文
const std::string kTrail5C = "\xB1\x5C";

// A key as the registry holds it: values with type and bytes, and its subkeys.
struct KeyTree {
  std::map<std::string, RegValue> values;
  std::map<std::string, KeyTree> subkeys;
};

bool ReadTree(HKEY root, const std::string& path, KeyTree& tree) {
  UniqueKey key;
  if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return false;
  for (DWORD i = 0;; ++i) {
    char name[16384];
    DWORD name_size = sizeof name;
    DWORD type = 0;
    std::string data(65536, '\0');
    DWORD data_size = static_cast<DWORD>(data.size());
    LONG rc = ::RegEnumValueA(key.get(), i, name, &name_size, nullptr, &type,
                              reinterpret_cast<BYTE*>(&data[0]), &data_size);
    if (rc != ERROR_SUCCESS) break;
    data.resize(data_size);
    tree.values[std::string(name, name_size)] = RegValue{type, data};
  }
  for (DWORD i = 0;; ++i) {
    char name[256];
    DWORD name_size = sizeof name;
    if (::RegEnumKeyExA(key.get(), i, name, &name_size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    const std::string sub(name, name_size);
    if (!ReadTree(root, path + "\\" + sub, tree.subkeys[sub])) return false;
  }
  return true;
}

std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) (out += digits[c >> 4]) += digits[c & 15];
  return out;
}

::testing::AssertionResult SameTree(const KeyTree& expected, const KeyTree& actual, const std::string& where = "") {
  for (const auto& [name, value] : expected.values) {
    auto it = actual.values.find(name);
    if (it == actual.values.end()) return ::testing::AssertionFailure() << where << " lacks value \"" << name << "\"";
    if (it->second.type != value.type)
      return ::testing::AssertionFailure() << where << " value \"" << name << "\" has type " << it->second.type
                                           << ", expected " << value.type;
    if (it->second.data != value.data)
      return ::testing::AssertionFailure() << where << " value \"" << name << "\" holds " << Hex(it->second.data)
                                           << ", expected " << Hex(value.data);
  }
  for (const auto& [name, value] : actual.values)
    if (!expected.values.count(name))
      return ::testing::AssertionFailure() << where << " has extra value \"" << name << "\"";
  for (const auto& [name, sub] : expected.subkeys) {
    auto it = actual.subkeys.find(name);
    if (it == actual.subkeys.end()) return ::testing::AssertionFailure() << where << " lacks subkey " << name;
    auto inner = SameTree(sub, it->second, where + "\\" + name);
    if (!inner) return inner;
  }
  for (const auto& [name, sub] : actual.subkeys)
    if (!expected.subkeys.count(name)) return ::testing::AssertionFailure() << where << " has extra subkey " << name;
  return ::testing::AssertionSuccess();
}

void SetValue(const std::string& path, const std::string& name, DWORD type, const std::string& data) {
  UniqueKey key;
  ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                              nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(::RegSetValueExA(key.get(), name.empty() ? nullptr : name.c_str(), 0, type,
                             reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size())),
            ERROR_SUCCESS);
}

std::string Sz(const std::string& s) { return s + std::string(1, '\0'); }
template <typename T>
std::string Raw(T n) { return std::string(reinterpret_cast<const char*>(&n), sizeof n); }

class UndoStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    base_ = "Software\\KorvaneTest\\Undo" + std::to_string(::GetCurrentProcessId());
    state_.WindowsFolder = ComputeAppState().WindowsFolder;
    state_.UndoFolder = dir_.path() + kChinese + "\\Undo\\";
    EnsureUndoFolder(state_);
  }
  void TearDown() override {
    test::DeleteTree(HKEY_CURRENT_USER, base_);
  }

  // A key with the value types, names and data that an export has to carry over.
  void SeedKey(const std::string& key) {
    SetValue(key, "", REG_SZ, Sz("default " + kChinese));
    SetValue(key, "DisplayName", REG_SZ, Sz("Foo \"quoted\" C:\\dir\\ " + kTrail5C + "\\"));
    SetValue(key, "UninstallString", REG_EXPAND_SZ, Sz("\"%SystemRoot%\\system32\\x.exe\" /u \"a b\""));
    SetValue(key, kChinese, REG_DWORD, Raw<DWORD>(0x12345678));
    SetValue(key, "Big", REG_QWORD, Raw<unsigned long long>(0x0123456789ABCDEFull));
    SetValue(key, "Blob", REG_BINARY, std::string("\x00\x01\xFF\x5C\x22", 5));
    SetValue(key, "List", REG_MULTI_SZ, std::string("a\0b\\c\0", 6) + kChinese + std::string(2, '\0'));
    SetValue(key, "Empty", REG_SZ, Sz(""));
    SetValue(key + "\\Sub\\Deeper", "v", REG_SZ, Sz("deep"));
    SetValue(key + "\\" + kChinese, kChinese, REG_SZ, Sz(kChinese + kTrail5C));
    SetValue(key + "\\Quote\"d", "q", REG_DWORD, Raw<DWORD>(0));
    UniqueKey empty;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, (key + "\\EmptyKey").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                nullptr, empty.put(), nullptr),
              ERROR_SUCCESS);
  }

  ::testing::AssertionResult Import(const std::string& file) {
    return test::ImportWithRegedit(state_.WindowsFolder, file);
  }

  test::SeedKey parent_{HKEY_CURRENT_USER, "Software\\KorvaneTest"};
  TempFolder dir_;
  AppState state_;
  std::string base_;
};

TEST_F(UndoStoreTest, EnsureUndoFolderCreatesTheWholePath) {
  EXPECT_TRUE(DirectoryExists(state_.UndoFolder));
  EnsureUndoFolder(state_);  // a second time changes nothing
  EXPECT_TRUE(DirectoryExists(state_.UndoFolder));

  AppState deeper = state_;
  deeper.UndoFolder = dir_.path() + "a\\" + kTrail5C + "\\c\\Undo\\";
  EnsureUndoFolder(deeper);
  EXPECT_TRUE(DirectoryExists(deeper.UndoFolder));
  EnsureUndoFolder(AppState{});  // no folder at all: nothing to do
}

// Beside the program first; where that folder cannot be made (a file of its name stands in for a
// Program Files folder a standard user may not write) the per-user one, for the rest of the run.
TEST_F(UndoStoreTest, EnsureUndoFolderFallsBackToThePerUserFolder) {
  struct Case {
    const char* what;
    const char* blocking_files;  // ';'-separated, relative to the program's folder
    bool fallback;               // a per-user folder is known
    bool per_user_used;
  } const cases[] = {
      {"nothing in the way", "", true, false},
      {"a file named Undo", "Undo;", true, true},
      {"a file named Undo, no per-user folder", "Undo;", false, false},
      {"both folders blocked", "Undo;local;", true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempFolder exe;
    AppState s = state_;
    s.ExeFolder = exe.path();
    s.UndoFolder = exe.path() + "Undo\\";
    s.UserUndoFolder = c.fallback ? exe.path() + "local\\" + kChinese + "\\Korvane\\Undo\\" : "";
    for (std::string rest = c.blocking_files; !rest.empty(); rest.erase(0, rest.find(';') + 1))
      ASSERT_TRUE(test::WriteFile(exe.path() + rest.substr(0, rest.find(';')), "not a folder"));
    const std::string beside = s.UndoFolder;
    EnsureUndoFolder(s);
    EXPECT_EQ(s.UndoFolder, c.per_user_used ? s.UserUndoFolder : beside);
    EXPECT_EQ(UserUndoFolderInUse(s), c.per_user_used ? s.UserUndoFolder : "");
    EXPECT_EQ(DirectoryExists(s.UserUndoFolder), c.per_user_used) << "made only when needed";
    if (!c.per_user_used) continue;
    // Writable, and the probe left nothing.
    ASSERT_TRUE(SaveUndoFile(s, "a_uninstall.reg", "content"));
    WIN32_FIND_DATAA found;
    EXPECT_FALSE(UniqueFind(::FindFirstFileA((s.UserUndoFolder + "~*").c_str(), &found)));
  }
}

TEST(ExportParameters, OneBackslashBetweenRootAndPath) {
  const std::string expected = "/s /e \"C:\\U\\a b.reg\" \"HKEY_LOCAL_MACHINE\\SOFTWARE\\X\\Foo\"";
  for (const char* path : {"SOFTWARE\\X\\Foo", "\\SOFTWARE\\X\\Foo", "\\\\SOFTWARE\\X\\Foo", "SOFTWARE\\X\\Foo\\"})
    EXPECT_EQ(ExportParameters("C:\\U\\a b.reg", "HKEY_LOCAL_MACHINE", path), expected) << path;
  EXPECT_EQ(ExportParameters("C:\\U\\txt_association.reg", "HKEY_CLASSES_ROOT", ".txt"),
            "/s /e \"C:\\U\\txt_association.reg\" \"HKEY_CLASSES_ROOT\\.txt\"");
  // A GBK character ending in 0x5C is no trailing backslash.
  EXPECT_EQ(ExportParameters("f", "HKEY_CURRENT_USER", "A\\" + kTrail5C),
            "/s /e \"f\" \"HKEY_CURRENT_USER\\A\\" + kTrail5C + "\"");
}

TEST_F(UndoStoreTest, ExportedKeyComesBackWhole) {
  const std::string key = base_ + "\\Foo (x64) [2.0]";
  SeedKey(key);
  KeyTree before;
  ASSERT_TRUE(ReadTree(HKEY_CURRENT_USER, key, before));
  ASSERT_EQ(before.values.size(), 8u);  // the comparison below is not an empty one
  ASSERT_EQ(before.subkeys.size(), 4u);
  ASSERT_EQ(before.subkeys["Sub"].subkeys["Deeper"].values.size(), 1u);

  const std::string name = ClaimUndoFileName(state_, UninstallUndoName("Foo (x64) [2.0]"));
  EXPECT_EQ(name, "Foo (x64) 2_0_uninstall.reg");
  // The stored form with a leading backslash names the same key.
  ASSERT_TRUE(ExportKeyToUndo(state_, name, "HKEY_CURRENT_USER", "\\" + key));
  EXPECT_TRUE(FileExists(state_.UndoFolder + name));

  ASSERT_TRUE(DeleteRegKey(HKEY_CURRENT_USER, key));
  ASSERT_FALSE(test::SeedKeyExists(HKEY_CURRENT_USER, key));
  ASSERT_TRUE(Import(state_.UndoFolder + name));

  KeyTree after;
  ASSERT_TRUE(ReadTree(HKEY_CURRENT_USER, key, after));
  EXPECT_TRUE(SameTree(before, after, key));
}

TEST_F(UndoStoreTest, ChineseFileNamesAreWritten) {
  const std::string key = base_ + "\\" + kChinese;
  SetValue(key, "DisplayName", REG_SZ, Sz(kChinese));
  const std::string name = ClaimUndoFileName(state_, UninstallUndoName(kChinese));
  ASSERT_EQ(name, kChinese + "_uninstall.reg");
  EXPECT_TRUE(ExportKeyToUndo(state_, name, "HKEY_CURRENT_USER", key));
  WIN32_FIND_DATAA found;
  UniqueFind find(::FindFirstFileA((state_.UndoFolder + "*_uninstall.reg").c_str(), &found));
  ASSERT_TRUE(find);
  EXPECT_EQ(std::string(found.cFileName), name);
}

TEST_F(UndoStoreTest, TakenNamesGetNumbers) {
  const std::string key = base_ + "\\Skype";
  SetValue(key, "Skype", REG_SZ, Sz("C:\\skype.exe"));
  const std::string wanted = StartupUndoName({"Skype", "agent.exe"});
  ASSERT_TRUE(test::WriteFile(state_.UndoFolder + wanted, "older"));

  const std::string second = ClaimUndoFileName(state_, wanted);
  EXPECT_EQ(second, "Skype,agent_startup (2).reg");
  ASSERT_TRUE(ExportKeyToUndo(state_, second, "HKEY_CURRENT_USER", key));
  const std::string third = ClaimUndoFileName(state_, wanted);
  EXPECT_EQ(third, "Skype,agent_startup (3).reg");
  ASSERT_TRUE(ExportKeyToUndo(state_, third, "HKEY_CURRENT_USER", key));

  EXPECT_EQ(test::ReadFile(state_.UndoFolder + wanted), "older");
  EXPECT_EQ(test::ReadFile(state_.UndoFolder + second), test::ReadFile(state_.UndoFolder + third));
  EXPECT_EQ(UndoResultMessage(UndoForm::Named, third, true),
            "成功删除记录，\r创建撤消文件Skype,agent_startup (3).reg");
}

TEST_F(UndoStoreTest, StaleFileIsNeitherReplacedNorCounted) {
  const std::string key = base_ + "\\Stale";
  SetValue(key, "v", REG_SZ, Sz("new"));
  const std::string name = "Stale_uninstall.reg";
  ASSERT_TRUE(test::WriteFile(state_.UndoFolder + name, "older"));
  EXPECT_FALSE(ExportKeyToUndo(state_, name, "HKEY_CURRENT_USER", key));
  EXPECT_EQ(test::ReadFile(state_.UndoFolder + name), "older");
}

TEST_F(UndoStoreTest, RefusedAndOverlongNamesStillGiveAFile) {
  const std::string key = base_ + "\\Odd";
  SetValue(key, "v", REG_SZ, Sz("x"));
  const std::string refused = ClaimUndoFileName(state_, UninstallUndoName("What? <x64>"));
  EXPECT_EQ(refused, "What_ _x64_ _uninstall.reg");
  EXPECT_TRUE(ExportKeyToUndo(state_, refused, "HKEY_CURRENT_USER", key));

  std::string long_name;
  for (int i = 0; i < 100; ++i) long_name += kChinese + "ab";
  const std::string shortened = ClaimUndoFileName(state_, UninstallUndoName(long_name));
  EXPECT_LE(state_.UndoFolder.size() + shortened.size(), static_cast<size_t>(MAX_PATH - 1));
  EXPECT_TRUE(ExportKeyToUndo(state_, shortened, "HKEY_CURRENT_USER", key));
  // Taken now: the numbered name is shortened further and still fits.
  const std::string numbered = ClaimUndoFileName(state_, UninstallUndoName(long_name));
  EXPECT_NE(numbered, shortened);
  EXPECT_LE(state_.UndoFolder.size() + numbered.size(), static_cast<size_t>(MAX_PATH - 1));
  EXPECT_TRUE(ExportKeyToUndo(state_, numbered, "HKEY_CURRENT_USER", key));
}

TEST_F(UndoStoreTest, FailedExportsGiveNoFile) {
  const std::string key = base_ + "\\Present";
  SetValue(key, "v", REG_SZ, Sz("x"));

  // No registry editor in the Windows folder.
  TempFolder empty_windows;
  AppState no_editor = state_;
  no_editor.WindowsFolder = empty_windows.path();
  EXPECT_FALSE(ExportKeyToUndo(no_editor, "a_uninstall.reg", "HKEY_CURRENT_USER", key));
  EXPECT_FALSE(FileExists(state_.UndoFolder + "a_uninstall.reg"));

  // A key that is not there.
  EXPECT_FALSE(ExportKeyToUndo(state_, "b_uninstall.reg", "HKEY_CURRENT_USER", base_ + "\\Missing"));
  EXPECT_FALSE(FileExists(state_.UndoFolder + "b_uninstall.reg"));

  // A quote in the key path would split the editor's argument.
  EXPECT_FALSE(ExportKeyToUndo(state_, "c_uninstall.reg", "HKEY_CURRENT_USER", key + "\" \"HKEY_CURRENT_USER"));
  EXPECT_FALSE(FileExists(state_.UndoFolder + "c_uninstall.reg"));

  // The undo folder could not be made.
  AppState no_folder = state_;
  no_folder.UndoFolder = dir_.path() + "missing\\";
  EXPECT_FALSE(ExportKeyToUndo(no_folder, "d_uninstall.reg", "HKEY_CURRENT_USER", key));
}

TEST_F(UndoStoreTest, SaveUndoFileWritesNewFilesOnly) {
  const std::string content = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\" + kChinese + "]\r\n\"a\"=\"" + kTrail5C + "\"\r\n";
  const std::string name = ClaimUndoFileName(state_, StartupUndoName({"ctfmon", "Foo.exe"}));
  EXPECT_EQ(name, "ctfmon,Foo_startup.reg");
  ASSERT_TRUE(SaveUndoFile(state_, name, content));
  EXPECT_EQ(test::ReadFile(state_.UndoFolder + name), content);

  EXPECT_FALSE(SaveUndoFile(state_, name, "other"));
  EXPECT_EQ(test::ReadFile(state_.UndoFolder + name), content);

  // A device name is defused and the file lands in the folder.
  const std::string device = ClaimUndoFileName(state_, StartupUndoName({"nul.x"}));
  EXPECT_EQ(device, "nul_.x_startup.reg");
  ASSERT_TRUE(SaveUndoFile(state_, device, content));
  EXPECT_EQ(test::ReadFile(state_.UndoFolder + device), content);

  AppState no_folder = state_;
  no_folder.UndoFolder = dir_.path() + "missing\\";
  EXPECT_FALSE(SaveUndoFile(no_folder, name, content));
}

TEST(UndoResultMessage, TellsWhetherThisDeletionWroteItsFile) {
  EXPECT_EQ(UndoResultMessage(UndoForm::Named, "txt_association.reg", true),
            "成功删除记录，\r创建撤消文件txt_association.reg");
  EXPECT_EQ(UndoResultMessage(UndoForm::Named, "txt_association.reg", false), "成功删除记录！");
  EXPECT_EQ(UndoResultMessage(UndoForm::Autostart, "x_startup.reg", true), "成功删除记录，创建撤消文件。");
  EXPECT_EQ(UndoResultMessage(UndoForm::Autostart, "x_startup.reg", false), "成功删除记录！");
  EXPECT_STREQ(kUndoNotCreated, "无法创建撤消文件，未删除任何内容。");
  // The per-user folder is named on a line of its own; beside the program nothing is added.
  EXPECT_EQ(WithUndoFolder("成功删除记录，创建撤消文件。", ""), "成功删除记录，创建撤消文件。");
  EXPECT_EQ(WithUndoFolder("成功删除记录，创建撤消文件。", "C:\\用户\\Korvane\\Undo\\"),
            "成功删除记录，创建撤消文件。\r撤消文件夹：C:\\用户\\Korvane\\Undo\\");
}

// The named message relies on a lone carriage return breaking the line in a label.
TEST(UndoResultMessage, CarriageReturnBreaksTheLine) {
  UniqueDc dc(::CreateCompatibleDC(nullptr));
  ASSERT_TRUE(dc);
  const std::string one = "成功删除记录，";
  const std::string two = UndoResultMessage(UndoForm::Named, "a.reg", true);
  RECT r1 = {0, 0, 270, 0}, r2 = {0, 0, 270, 0};
  ::DrawTextA(dc.get(), one.c_str(), -1, &r1, DT_CALCRECT | DT_WORDBREAK | DT_CENTER);
  ::DrawTextA(dc.get(), two.c_str(), -1, &r2, DT_CALCRECT | DT_WORDBREAK | DT_CENTER);
  EXPECT_EQ(r2.bottom - r2.top, 2 * (r1.bottom - r1.top));
}

}  // namespace
}  // namespace kv
