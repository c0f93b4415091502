// The uninstall tab against hostile Uninstall entries and injected faults: it always fills and
// comes back idle, and a record is deleted only after a verified export, with a message that tells
// what happened.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>

#include "sysaccess/registry.h"
#include "sysaccess/text_rules.h"
#include "sysaccess/undo_name_rules.h"
#include "sysaccess/undo_store.h"
#include "ui/undo_messages.h"
#include "tests/win/reliability_support.h"
#include "tests/win/uninstall_fixtures.h"
#include "uninstall/uninstall_tab.h"

namespace kv {
namespace {

using test::DialogScript;
using test::UninstallRoot;

class UninstallReliabilityTest : public ::testing::Test {
 protected:
  void SetUp() override {
    state().SystemFolder = stubs_.folder();
    state().UndoFolder = undo_parent_.path() + "Undo\\";
  }

  TForm1& form() { return main_.form(); }
  UninstallTab& tab() { return static_cast<UninstallTab&>(form().Tab(TabId::Uninstall)); }
  AppState& state() { return form().State(); }
  ListView& list() { return tab().Panel2InfoList(); }

  // The seeded subkey's full path below HKEY_CURRENT_USER (64-bit view).
  static std::wstring UserEntry(const std::wstring& subkey) {
    return test::WideOf(test::UninstallPathOf(UninstallRoot::User)) + subkey;
  }
  void Seed(const std::wstring& subkey) {
    entries_.push_back(std::make_unique<test::ScratchKeyW>(HKEY_CURRENT_USER, UserEntry(subkey)));
  }

  // Rows of seeded entries whose subkey starts with `prefix` and that were not tried yet, with
  // their subkey names.
  std::vector<std::pair<int, std::string>> SeededRows(const std::string& prefix) {
    std::vector<std::pair<int, std::string>> rows;
    const auto& records = tab().ScratchList();
    for (size_t i = 0; i < records.size(); ++i) {
      const std::string& path = records[i].key_path;
      const std::string sub = path.substr(UpToLastBackslash(path).size());
      if (sub.compare(0, prefix.size(), prefix) == 0) rows.emplace_back(static_cast<int>(i), sub);
    }
    return rows;
  }

  // Deletes the record of `row` answering 是, checks that the outcome is one the message states
  // truly, and puts a deleted record back from its undo file. Returns the message.
  std::string DeleteAndCheck(int row, const std::string& subkey) {
    const std::string path = test::UninstallPathOf(UninstallRoot::User) + subkey;
    std::vector<RegTreeKey> before;
    const bool existed =
        SnapshotRegistryTree(RegistryView::Wow64_64, HKEY_CURRENT_USER, "HKEY_CURRENT_USER", path, before);
    const auto files_before = test::FilesIn(state().UndoFolder);
    list().Select(row);
    DialogScript script({{"确认", "是"}, {"信息", "确定"}});
    tab().Panel2Button2Click();
    EXPECT_TRUE(script.Finished());
    EXPECT_TRUE(test::TabIsIdle(form()));
    if (script.Texts().size() < 2) return "";
    const std::string message = script.Texts()[1];
    const std::string named = UndoResultMessage(UndoForm::Named, "", true);
    const bool there = RegKeyExistsIn(RegistryView::Wow64_64, HKEY_CURRENT_USER, path);
    if (message == kUndoNotCreated) {
      EXPECT_EQ(there, existed) << "nothing is deleted without its backup";
      EXPECT_EQ(test::FilesIn(state().UndoFolder), files_before) << "no file is left that is no backup";
      std::vector<RegTreeKey> after;
      if (existed && SnapshotRegistryTree(RegistryView::Wow64_64, HKEY_CURRENT_USER, "HKEY_CURRENT_USER", path, after)) {
        // A meddling editor may have added its own value; everything that was there stays.
        RegFileContent now;
        now.keys = after;
        for (auto& key : now.keys)
          key.values.erase(std::remove_if(key.values.begin(), key.values.end(),
                                          [](const RegTreeValue& v) { return v.name == u"KvMeddled"; }),
                           key.values.end());
        EXPECT_TRUE(RegFileRestores(now, before));
      }
    } else if (message.compare(0, named.size(), named) == 0) {
      const std::string file = message.substr(named.size());
      EXPECT_FALSE(there) << "the message says deleted";
      EXPECT_TRUE(FileExists(state().UndoFolder + file)) << "the message names its file";
      // The named file puts the record back exactly.
      EXPECT_TRUE(test::ImportWithRegedit(state().WindowsFolder, state().UndoFolder + file));
      std::vector<RegTreeKey> after;
      EXPECT_TRUE(SnapshotRegistryTree(RegistryView::Wow64_64, HKEY_CURRENT_USER, "HKEY_CURRENT_USER", path, after));
      EXPECT_TRUE(test::SameRegistryTree(before, after));
      ++round_trips_;
    } else if (message == kKeyNotDeleted) {
      EXPECT_TRUE(there);
    } else {
      ADD_FAILURE() << "a message that is no outcome: " << message;
    }
    return message;
  }

  std::shared_ptr<void> Editor(const char* mode) {
    auto editor = std::make_shared<test::StubEditor>(mode);
    state().WindowsFolder = editor->folder();
    return editor;
  }

  void ReadAllFilters() {
    for (int check : {1, 2, 3}) {
      ::SendMessageA(tab().Panel2Check(check), BM_CLICK, 0, 0);
      EXPECT_TRUE(test::TabIsIdle(form())) << "filter " << check;
    }
    ::SendMessageA(tab().Panel2Check(1), BM_CLICK, 0, 0);
  }

  test::SeededUninstall seed_;  // the Uninstall keys, made when missing
  std::vector<std::unique_ptr<test::ScratchKeyW>> entries_;
  test::MainWindow main_;
  test::StubPrograms stubs_{{"MsiExec.exe", "control.exe"}};
  test::ScratchFolder undo_parent_;
  test::ScopedEnv arglog_{"KORVANE_ARGLOG", stubs_.log().c_str()};
  int round_trips_ = 0;
};

TEST_F(UninstallReliabilityTest, HostileEntriesAreListedAndDeletedOnlyWithAVerifiedBackup) {
  const std::wstring big(1 << 19, L'x');                // 1 MB of UTF-16
  std::wstring dots;                                    // a long command of dots and commas
  for (int i = 0; i < 200000; ++i) dots += L".,";
  const struct {
    const wchar_t* subkey;
    std::function<void(const std::wstring& key)> values;
  } cases[] = {
      {L"KvTest H binary name", [](auto k) { test::SetValueW(HKEY_CURRENT_USER, k, L"DisplayName", REG_BINARY, "\x01\x02"); }},
      {L"KvTest H dword name", [](auto k) { test::SetValueW(HKEY_CURRENT_USER, k, L"DisplayName", REG_DWORD, test::RawBytes<DWORD>(5)); }},
      {L"KvTest H multi name", [](auto k) { test::SetValueW(HKEY_CURRENT_USER, k, L"DisplayName", REG_MULTI_SZ, test::Utf16Data(std::wstring(L"KvTest H multi\0b\0", 17))); }},
      {L"KvTest H empty name", [](auto k) { test::SetValueW(HKEY_CURRENT_USER, k, L"DisplayName", REG_SZ, ""); }},
      {L"KvTest H odd name", [](auto k) { test::SetValueW(HKEY_CURRENT_USER, k, L"DisplayName", REG_SZ, "KvTest H odd!"); }},
      {L"KvTest H unterminated", [](auto k) { test::SetValueW(HKEY_CURRENT_USER, k, L"DisplayName", REG_SZ, test::Utf16Data(L"KvTest H unterminated", false)); }},
      {L"KvTest H nul", [](auto k) { test::SetValueW(HKEY_CURRENT_USER, k, L"DisplayName", REG_SZ, test::Utf16Data(std::wstring(L"KvTest H nul\0hidden", 19))); }},
      {L"KvTest H big", [&](auto k) { test::SetValueW(HKEY_CURRENT_USER, k, L"DisplayName", REG_SZ, test::Utf16Data(L"KvTest H big " + big)); }},
      {L"KvTest H dots", [&](auto k) {
         test::SetValueW(HKEY_CURRENT_USER, k, L"UninstallString", REG_SZ, test::Utf16Data(L"C:\\a" + dots));
         test::SetValueW(HKEY_CURRENT_USER, k, L"DisplayIcon", REG_SZ, test::Utf16Data(dots));
       }},
      {L"KvTest H \"q\" | \r\n \x7668", [](auto k) { test::SetValueW(HKEY_CURRENT_USER, k, L"DisplayName", REG_SZ, test::Utf16Data(L"KvTest H \"q\" \\ | \r\n \x7668\\")); }},
      {L"KvTest H long value name", [](auto k) { test::SetValueW(HKEY_CURRENT_USER, k, std::wstring(16383, L'n'), REG_SZ, test::Utf16Data(L"x")); }},
      {L"KvTest H odd types", [](auto k) {
         test::SetValueW(HKEY_CURRENT_USER, k, L"InstallDate", REG_QWORD, test::RawBytes<unsigned long long>(20140315));
         test::SetValueW(HKEY_CURRENT_USER, k, L"SystemComponent", REG_DWORD, "\x01\x00");
         test::SetValueW(HKEY_CURRENT_USER, k, L"QuietUninstallString", REG_NONE, "");
         test::SetValueW(HKEY_CURRENT_USER, k, L"ReleaseType", REG_BINARY, "abc");
         test::SetValueW(HKEY_CURRENT_USER, k, L"DisplayIcon", REG_SZ, test::Utf16Data(L"\x4E2D,99999"));
       }},
      {L"KvTest H lossy export", [](auto k) { test::SetValueW(HKEY_CURRENT_USER, k + L"\\sub", L"short", REG_DWORD, "\x01\x02"); }},
      {L"KvTest H nameless", [](auto) {}},
  };
  std::wstring long_key = L"KvTest H " + std::wstring(246, L'k');  // 255 characters
  int seeded = 0;
  for (const auto& c : cases) {
    Seed(c.subkey);
    const std::wstring key = UserEntry(c.subkey);
    c.values(key);
    // Most get an ordinary name and command so that they are listed.
    test::SetValueW(HKEY_CURRENT_USER, key, L"UninstallString", REG_SZ, test::Utf16Data(L"C:\\KvTest\\u.exe /x"));
    UniqueKey k;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, k.put()) == ERROR_SUCCESS &&
        ::RegQueryValueExW(k.get(), L"DisplayName", nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      test::SetValueW(HKEY_CURRENT_USER, key, L"DisplayName", REG_SZ, test::Utf16Data(c.subkey));
    ++seeded;
  }
  Seed(long_key);
  test::SetValueW(HKEY_CURRENT_USER, UserEntry(long_key), L"DisplayName", REG_SZ, test::Utf16Data(L"KvTest H long key"));
  test::SetValueW(HKEY_CURRENT_USER, UserEntry(long_key), L"UninstallString", REG_SZ, test::Utf16Data(L"u.exe"));
  Seed(L"KvTest H empty key");
  seeded += 2;

  form().SelectTab(TabId::Uninstall);
  EXPECT_TRUE(test::TabIsIdle(form()));
  ReadAllFilters();
  const size_t listed = SeededRows("KvTest H").size();
  EXPECT_GE(listed, 10u);

  // Each listed hostile record deleted through the real action, then put back from its file.
  int deletions = 0, refused = 0;
  std::set<std::string> tried;
  for (;;) {
    int row = -1;
    std::string subkey;
    for (const auto& [r, sub] : SeededRows("KvTest H")) {
      if (tried.insert(sub).second) {
        row = r;
        subkey = sub;
        break;
      }
    }
    if (row < 0) break;
    const std::string message = DeleteAndCheck(row, subkey);
    ++deletions;
    if (message == kUndoNotCreated) ++refused;
  }
  EXPECT_GE(deletions, 10);
  EXPECT_GE(refused, 1) << "the lossy export is refused";
  test::RecordFigure("hostile cases tried", seeded * 4 + deletions);
  test::RecordFigure("round trips compared", round_trips_);
}

// Every fault must leave the record where it was and say that no undo file was made; where the
// fault may or may not stop the export (Wine lets root write into a read-only folder, a long path
// may still fit), the outcome must at least be one the message tells truly.
TEST_F(UninstallReliabilityTest, InjectedFaultsDeleteNothingWithoutABackupAndSaySo) {
  const std::string windows = state().WindowsFolder;
  const std::string undo = state().UndoFolder;
  struct Fault {
    const char* what;
    bool must_refuse;
    std::function<std::shared_ptr<void>()> inject;  // what it returns lives until the deletion ends
  };
  const Fault faults[] = {
      {"no registry editor", true, [&] {
         auto empty = std::make_shared<test::ScratchFolder>();
         state().WindowsFolder = empty->path();
         return empty;
       }},
      {"an editor that writes nothing", true, [&] { return Editor("nothing"); }},
      {"an editor that writes an empty file", true, [&] { return Editor("empty"); }},
      {"an editor that leaves the values out", true, [&] { return Editor("partial"); }},
      {"a value added between export and deletion", true, [&] { return Editor("meddle"); }},
      {"an export with a key of its own added", true, [&] { return Editor("inject"); }},
      {"an Undo file where the folder should be", true, [&] {
         test::RemoveTree(undo);
         EXPECT_TRUE(test::WriteFile(undo_parent_.path() + "Undo", "not a folder"));
         return std::shared_ptr<void>(nullptr, [this](void*) { ::DeleteFileA((undo_parent_.path() + "Undo").c_str()); });
       }},
      {"a read-only undo folder", false, [&] {
         EnsureUndoFolder(state());
         ::SetFileAttributesA(undo.c_str(), FILE_ATTRIBUTE_READONLY);
         return std::shared_ptr<void>(nullptr, [undo](void*) { ::SetFileAttributesA(undo.c_str(), FILE_ATTRIBUTE_NORMAL); });
       }},
      {"an undo folder too deep for the file name", false, [&] {
         std::string deep = undo_parent_.path();
         while (deep.size() < 240) deep += "deeper\\";
         state().UndoFolder = deep;
         return std::shared_ptr<void>();
       }},
      {"the key removed between listing and action", true, [&] {
         test::DeleteTree(HKEY_CURRENT_USER, test::CodePageOf(UserEntry(L"KvTest F current")));
         return std::shared_ptr<void>();
       }},
  };
  int injected = 0, refused = 0;
  for (const Fault& f : faults) {
    SCOPED_TRACE(f.what);
    Seed(L"KvTest F current");
    const std::wstring key = UserEntry(L"KvTest F current");
    test::SetValueW(HKEY_CURRENT_USER, key, L"DisplayName", REG_SZ, test::Utf16Data(L"KvTest F current"));
    test::SetValueW(HKEY_CURRENT_USER, key, L"UninstallString", REG_SZ, test::Utf16Data(L"C:\\KvTest\\u.exe"));
    test::SetValueW(HKEY_CURRENT_USER, key + L"\\sub", L"n", REG_DWORD, test::RawBytes<DWORD>(7));
    form().SelectTab(TabId::Uninstall);
    tab().Panel2Enter();
    const auto rows = SeededRows("KvTest F current");
    ASSERT_EQ(rows.size(), 1u);
    {
      const std::shared_ptr<void> fault = f.inject();
      const std::string message = DeleteAndCheck(rows[0].first, rows[0].second);
      if (f.must_refuse) {
        EXPECT_EQ(message, kUndoNotCreated);
      }
      if (message == kUndoNotCreated) ++refused;
    }
    state().WindowsFolder = windows;
    state().UndoFolder = undo;
    entries_.pop_back();
    ++injected;
    EXPECT_TRUE(test::TabIsIdle(form()));
  }
  EXPECT_GE(refused, 8);
  test::RecordFigure("faults injected", injected);
  test::RecordFigure("round trips compared", round_trips_);
}

}  // namespace
}  // namespace kv
