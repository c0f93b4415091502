// The two tabs that delete a whole registry key (an Uninstall record, an extension key) against
// hostile keys, injected faults and random round trips: the tab always fills and comes back idle, a
// key goes only after its export was read back, the message tells what happened, and the file puts
// the key back exactly.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <set>

#include "sysaccess/registry.h"
#include "sysaccess/text_rules.h"
#include "sysaccess/undo_name_rules.h"
#include "sysaccess/undo_store.h"
#include "ui/undo_messages.h"
#include "tests/win/association_test_support.h"
#include "tests/win/reliability_support.h"
#include "tests/win/uninstall_fixtures.h"
#include "uninstall/uninstall_tab.h"

namespace kv {
namespace {

using test::SetValueW;
using test::UninstallRoot;
using test::Utf16Data;

const char kInjected[] = "Software\\KorvaneTest\\Injected";

// Where a key of one of the two tabs lives, and the tab that deletes it.
struct KeyPlace {
  HKEY root;
  const char* root_name;
  std::string prefix;  // the path of the key's parent, with its backslash
  TabId tab;
};
const KeyPlace kUserUninstall{HKEY_CURRENT_USER, "HKEY_CURRENT_USER", test::UninstallPathOf(UninstallRoot::User),
                              TabId::Uninstall};
const KeyPlace kMachineUninstall{HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE",
                                 test::UninstallPathOf(UninstallRoot::Machine), TabId::Uninstall};
const KeyPlace kClasses{HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT", "", TabId::Associations};

class KeyDeleteReliabilityTest : public ::testing::Test {
 protected:
  void SetUp() override {
    real_windows_ = state().WindowsFolder;
    state().SystemFolder = stubs_.folder();
    state().UndoFolder = undo_parent_.path() + "Undo\\";
  }
  void TearDown() override { test::DeleteTree(HKEY_CURRENT_USER, kInjected); }

  TForm1& form() { return main_.form(); }
  AppState& state() { return form().State(); }
  UninstallTab& tab2() { return static_cast<UninstallTab&>(form().Tab(TabId::Uninstall)); }
  AssociationTab& tab4() { return test::Tab4(form()); }

  // A key (64-bit view) that goes with its subtree at the end.
  std::wstring Seed(const KeyPlace& place, const std::wstring& name) {
    const std::wstring key = test::WideOf(place.prefix) + name;
    keys_.push_back(std::make_unique<test::ScratchKeyW>(place.root, key));
    return key;
  }

  // Rows of tab 2 whose subkey starts with `prefix`, with their subkey names.
  std::vector<std::pair<int, std::string>> UninstallRows(const std::string& prefix) {
    std::vector<std::pair<int, std::string>> rows;
    const auto& records = tab2().ScratchList();
    for (size_t i = 0; i < records.size(); ++i) {
      const std::string& path = records[i].key_path;
      const std::string sub = path.substr(UpToLastBackslash(path).size());
      if (sub.compare(0, prefix.size(), prefix) == 0) rows.emplace_back(static_cast<int>(i), sub);
    }
    return rows;
  }
  int ExtensionRow(const std::string& ext) { return test::RowOf(tab4().Panel4InfoList(), ext); }

  // The row of the key `name` in its tab's list, or -1.
  int RowOfKey(const KeyPlace& place, const std::string& name) {
    if (place.tab == TabId::Associations) return ExtensionRow(name);
    for (const auto& [row, sub] : UninstallRows(name))
      if (sub == name) return row;
    return -1;
  }

  // Runs the injected fault, selects the row of the key `name`, deletes it answering 是 and
  // checks that the outcome is the one the message states: refused with the key as it was, still
  // listed, and no file left; deleted with the named file putting the key back exactly (imported
  // with the real registry editor); or not deleted. Returns the message.
  std::string DeleteAndCheck(const KeyPlace& place, const std::string& name) {
    if (inject_) inject_();
    const bool uninstall = place.tab == TabId::Uninstall;
    const int row = RowOfKey(place, name);
    EXPECT_GE(row, 0) << name.substr(0, 60);
    if (row < 0) return "";
    (uninstall ? tab2().Panel2InfoList() : tab4().Panel4InfoList()).Select(row);
    const std::string path = place.prefix + name;
    std::vector<RegTreeKey> before;
    const bool existed = SnapshotRegistryTree(RegistryView::Wow64_64, place.root, place.root_name, path, before);
    const auto files_before = test::FilesIn(state().UndoFolder);
    test::DialogScript script({{"确认", "是"}, {"信息", "确定"}});
    if (uninstall)
      tab2().Panel2Button2Click();
    else
      tab4().Panel4Button3Click();
    EXPECT_TRUE(script.Finished());
    EXPECT_TRUE(test::TabIsIdle(form()));
    if (script.Texts().size() < 2) return "";
    const std::string message = script.Texts()[1];
    const std::string named = UndoResultMessage(UndoForm::Named, "", true);
    const bool there = RegKeyExistsIn(RegistryView::Wow64_64, place.root, path);
    std::vector<RegTreeKey> after;
    if (message == kUndoNotCreated || message == kNeedsAdminRights) {
      EXPECT_EQ(there, existed) << "nothing is deleted without its backup";
      EXPECT_EQ(test::FilesIn(state().UndoFolder), files_before) << "no file is left that is no backup";
      if (existed) {
        EXPECT_GE(RowOfKey(place, name), 0) << "the list stays as it is";
        EXPECT_TRUE(SnapshotRegistryTree(RegistryView::Wow64_64, place.root, place.root_name, path, after));
        // A meddling editor may have added its own value; everything that was there stays.
        for (auto& key : after)
          key.values.erase(std::remove_if(key.values.begin(), key.values.end(),
                                          [](const RegTreeValue& v) { return v.name == u"KvMeddled"; }),
                           key.values.end());
        EXPECT_TRUE(test::SameRegistryTree(before, after));
      }
    } else if (message.compare(0, named.size(), named) == 0) {
      const std::string file = message.substr(named.size());
      EXPECT_FALSE(there) << "the message says deleted";
      EXPECT_TRUE(FileExists(state().UndoFolder + file)) << "the message names its file";
      EXPECT_TRUE(test::ImportWithRegedit(real_windows_, state().UndoFolder + file));
      EXPECT_TRUE(SnapshotRegistryTree(RegistryView::Wow64_64, place.root, place.root_name, path, after));
      EXPECT_TRUE(test::SameRegistryTree(before, after));
      EXPECT_FALSE(test::SeedKeyExists(HKEY_CURRENT_USER, kInjected));
      ++round_trips_;
    } else if (message == kKeyNotDeleted) {
      EXPECT_TRUE(there);
    } else {
      ADD_FAILURE() << "a message that is no outcome: " << message;
    }
    return message;
  }

  test::SeededUninstall uninstall_keys_;  // the Uninstall keys, made when missing
  std::vector<std::unique_ptr<test::ScratchKeyW>> keys_;
  test::ScratchFolder undo_parent_;
  test::MainWindow main_;
  test::StubPrograms stubs_{{"MsiExec.exe", "control.exe"}};
  test::ScopedEnv arglog_{"KORVANE_ARGLOG", stubs_.log().c_str()};
  std::string real_windows_;
  std::function<void()> inject_;  // runs between listing and deletion
  int round_trips_ = 0;
};

TEST_F(KeyDeleteReliabilityTest, HostileUninstallEntriesAreListedAndDeletedOnlyWithAVerifiedBackup) {
  const std::wstring big(1 << 19, L'x');  // 1 MB of UTF-16
  std::wstring dots;                      // a long command of dots and commas
  for (int i = 0; i < 200000; ++i) dots += L".,";
  auto name = [](DWORD type, std::string data) {
    return [type, data](const std::wstring& k) { SetValueW(HKEY_CURRENT_USER, k, L"DisplayName", type, data); };
  };
  const struct {
    std::wstring subkey;
    std::function<void(const std::wstring& key)> values;
  } cases[] = {
      {L"KvTest H binary name", name(REG_BINARY, "\x01\x02")},
      {L"KvTest H dword name", name(REG_DWORD, test::RawBytes<DWORD>(5))},
      {L"KvTest H multi name", name(REG_MULTI_SZ, Utf16Data(std::wstring(L"KvTest H multi\0b\0", 17)))},
      {L"KvTest H empty name", name(REG_SZ, "")},
      {L"KvTest H odd name", name(REG_SZ, "KvTest H odd!")},
      {L"KvTest H unterminated", name(REG_SZ, Utf16Data(L"KvTest H unterminated", false))},
      {L"KvTest H nul", name(REG_SZ, Utf16Data(std::wstring(L"KvTest H nul\0hidden", 19)))},
      {L"KvTest H big", name(REG_SZ, Utf16Data(L"KvTest H big " + big))},
      {L"KvTest H dots", [&](auto k) {
         SetValueW(HKEY_CURRENT_USER, k, L"UninstallString", REG_SZ, Utf16Data(L"C:\\a" + dots));
         SetValueW(HKEY_CURRENT_USER, k, L"DisplayIcon", REG_SZ, Utf16Data(dots));
       }},
      {L"KvTest H \"q\" | \r\n \x7668", name(REG_SZ, Utf16Data(L"KvTest H \"q\" \\ | \r\n \x7668\\"))},
      {L"KvTest H long value name", [](auto k) {
         SetValueW(HKEY_CURRENT_USER, k, std::wstring(16383, L'n'), REG_SZ, Utf16Data(L"x"));
       }},
      {L"KvTest H odd types", [](auto k) {
         SetValueW(HKEY_CURRENT_USER, k, L"InstallDate", REG_QWORD, test::RawBytes<unsigned long long>(20140315));
         SetValueW(HKEY_CURRENT_USER, k, L"SystemComponent", REG_DWORD, "\x01\x00");
         SetValueW(HKEY_CURRENT_USER, k, L"QuietUninstallString", REG_NONE, "");
         SetValueW(HKEY_CURRENT_USER, k, L"ReleaseType", REG_BINARY, "abc");
         SetValueW(HKEY_CURRENT_USER, k, L"DisplayIcon", REG_SZ, Utf16Data(L"\x4E2D,99999"));
       }},
      {L"KvTest H lossy export", [](auto k) { SetValueW(HKEY_CURRENT_USER, k + L"\\sub", L"short", REG_DWORD, "\x01\x02"); }},
      {L"KvTest H nameless", [](auto) {}},
      {L"KvTest H " + std::wstring(246, L'k'), name(REG_SZ, Utf16Data(L"KvTest H long key"))},  // 255 characters
  };
  int seeded = 0;
  for (const auto& c : cases) {
    const std::wstring key = Seed(kUserUninstall, c.subkey);
    c.values(key);
    // Most get an ordinary name and command so that they are listed.
    SetValueW(HKEY_CURRENT_USER, key, L"UninstallString", REG_SZ, Utf16Data(L"C:\\KvTest\\u.exe /x"));
    UniqueKey k;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, k.put()) == ERROR_SUCCESS &&
        ::RegQueryValueExW(k.get(), L"DisplayName", nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      SetValueW(HKEY_CURRENT_USER, key, L"DisplayName", REG_SZ, Utf16Data(c.subkey));
    ++seeded;
  }
  Seed(kUserUninstall, L"KvTest H empty key");
  ++seeded;

  form().SelectTab(TabId::Uninstall);
  EXPECT_TRUE(test::TabIsIdle(form()));
  for (int check : {1, 2, 3, 1}) {
    ::SendMessageA(tab2().Panel2Check(check), BM_CLICK, 0, 0);
    EXPECT_TRUE(test::TabIsIdle(form())) << "filter " << check;
  }
  EXPECT_GE(UninstallRows("KvTest H").size(), 10u);

  // Each listed hostile record deleted through the real action, then put back from its file.
  int deletions = 0, refused = 0;
  std::set<std::string> tried;
  for (bool more = true; more;) {
    more = false;
    for (const auto& row_sub : UninstallRows("KvTest H")) {
      const std::string& sub = row_sub.second;
      if (!tried.insert(sub).second) continue;
      refused += DeleteAndCheck(kUserUninstall, sub) == kUndoNotCreated;
      ++deletions;
      more = true;
      break;
    }
  }
  EXPECT_GE(deletions, 10);
  EXPECT_GE(refused, 1) << "the lossy export is refused";
  test::RecordFigure("hostile cases tried", seeded * 4 + deletions);
  test::RecordFigure("round trips compared", round_trips_);
}

TEST_F(KeyDeleteReliabilityTest, HostileExtensionKeysAreListedAndDeletedOnlyWithAVerifiedBackup) {
  const std::wstring big(1 << 19, L'x');  // 1 MB of UTF-16
  const std::wstring evil = L"\r\n[HKEY_CURRENT_USER\\Software\\KorvaneTest\\Injected]\r\n\"pwn\"=\"1\"\n";
  auto set = [](const std::wstring& key, const std::wstring& name, DWORD type, const std::string& data) {
    SetValueW(HKEY_CLASSES_ROOT, key, name, type, data);
  };
  auto named_type = [&](auto e, auto t) { set(e, L"", REG_SZ, Utf16Data(t)); };
  // Each case: an extension key and what it and its type key hold.
  const struct {
    std::wstring ext;
    std::function<void(const std::wstring& ext, const std::wstring& type)> fill;
  } cases[] = {
      {L".kvrel-none", [&](auto e, auto) { set(e, L"", REG_NONE, ""); }},
      {L".kvrel-binary", [&](auto e, auto) { set(e, L"", REG_BINARY, std::string("\x01\x5C\x00", 3)); }},
      {L".kvrel-dword", [&](auto e, auto) { set(e, L"", REG_DWORD, test::RawBytes<DWORD>(7)); }},
      {L".kvrel-qword", [&](auto e, auto) { set(e, L"", REG_QWORD, test::RawBytes<unsigned long long>(7)); }},
      {L".kvrel-multi", [&](auto e, auto t) { set(e, L"", REG_MULTI_SZ, Utf16Data(t + std::wstring(L"\0b\0", 3))); }},
      {L".kvrel-empty", [&](auto e, auto) { set(e, L"", REG_SZ, ""); }},
      {L".kvrel-odd", [&](auto e, auto) { set(e, L"", REG_SZ, "odd"); }},
      {L".kvrel-unterminated", [&](auto e, auto t) { set(e, L"", REG_SZ, Utf16Data(t, false)); }},
      {L".kvrel-nul", [&](auto e, auto t) { set(e, L"", REG_SZ, Utf16Data(t + std::wstring(L"\0hidden", 7))); }},
      {L".kvrel-big", [&](auto e, auto) { set(e, L"", REG_SZ, Utf16Data(big)); }},
      {L".kvrel-names", [&](auto e, auto t) {
         set(e, L"", REG_SZ, Utf16Data(t));
         set(e, L"\"q\" \\ | \x4E57\x7C60\\", REG_SZ, Utf16Data(L"\"C:\\\x4E57\\a.exe\" |"));
         set(e, L"crlf" + evil, REG_SZ, Utf16Data(evil));
         set(e, std::wstring(16383, L'n'), REG_DWORD, test::RawBytes<DWORD>(1));
         set(e + L"\\ShellNew", L"NullFile", REG_SZ, Utf16Data(L""));
         set(e + L"\\" + std::wstring(255, L'k'), L"", REG_SZ, Utf16Data(L"deep"));
       }},
      {L".kvrel-type", [&](auto e, auto t) {
         set(e, L"", REG_SZ, Utf16Data(t));
         set(t, L"", REG_BINARY, "\xFF\xFE");
         set(t + L"\\shell\\open\\command", L"", REG_SZ, Utf16Data(L"C:\\" + big));
         set(t + L"\\DefaultIcon", L"", REG_MULTI_SZ, Utf16Data(std::wstring(L"a\0b\0", 4)));
       }},
      {L".kvrel-\x4E57\x7C60", named_type},
      {L".kvrel-\"quoted\"", named_type},
      {L".kvrel-|crlf\r\n[HKEY_CURRENT_USER\\Software\\KorvaneTest\\Injected]", named_type},
      {L".kvrel-" + std::wstring(248, L'l'), named_type},  // 255 characters
      {L".kvrel-empty-key", [](auto, auto) {}},
      {L".kvrel-\x0E01-outside", named_type},
  };
  int seeded = 0;
  for (const auto& c : cases) {
    const std::wstring type = L"kvrel.type" + std::to_wstring(seeded);
    Seed(kClasses, c.ext);
    Seed(kClasses, type);
    c.fill(c.ext, type);
    ++seeded;
  }
  form().SelectTab(TabId::Associations);
  EXPECT_TRUE(test::TabIsIdle(form()));
  int listed = 0, refused = 0;
  for (const auto& c : cases) {
    const std::string ext = test::CodePageOf(c.ext);
    SCOPED_TRACE(ext.substr(0, 60));
    if (ExtensionRow(ext) < 0) continue;
    ++listed;
    refused += DeleteAndCheck(kClasses, ext) == kUndoNotCreated;
  }
  EXPECT_GE(listed, seeded - 2);
  EXPECT_GE(refused, 1) << "the quoted name cannot be exported";
  EXPECT_GE(round_trips_, 10);
  test::RecordFigure("hostile cases tried", seeded + 2 * listed);
  test::RecordFigure("round trips compared", round_trips_);
}

// Every fault, in both tabs, must leave the key as it was and say that it was refused or that no
// undo file was made; where the fault may or may not stop the export (Wine lets root write into a
// read-only folder, a long path may still fit), the outcome must at least be one the message tells
// truly.
TEST_F(KeyDeleteReliabilityTest, InjectedFaultsDeleteNothingWithoutABackupAndSaySo) {
  const std::string undo = state().UndoFolder;
  std::shared_ptr<void> held;  // what a fault needs until the deletion ends
  const KeyPlace* place = nullptr;
  std::string key;  // the key the fault is injected against, below place
  std::vector<test::UndoFault> faults = test::UndoFaults(state(), undo_parent_.path(), held);
  faults.push_back({"the key removed between listing and action", [&] { test::DeleteTree(place->root, place->prefix + key); }});
  // As a standard user finds the machine's keys (Wine enforces key DACLs; there the classes root
  // is the machine's classes): listed, and refused before anything is written.
  faults.push_back({"a key the user may only read", [&] {
                      held = place->root == HKEY_CLASSES_ROOT
                                 ? std::make_shared<test::ReadOnlyKey>(HKEY_LOCAL_MACHINE, "Software\\Classes\\" + key)
                                 : std::make_shared<test::ReadOnlyKey>(place->root, place->prefix + key);
                      form().SelectTab(place->tab);
                    }});
  // Where the fault may leave room for the export, the message need only be true.
  const std::set<std::string> may_export = {"a read-only undo folder", "an undo folder too deep for the file name"};
  int injected = 0, refused = 0;
  for (const KeyPlace* p : {&kMachineUninstall, &kClasses}) {
    place = p;
    const bool uninstall = p->tab == TabId::Uninstall;
    key = uninstall ? "KvTest F current" : ".kvrel-fault";
    for (const auto& f : faults) {
      SCOPED_TRACE(std::string(p->root_name) + ": " + f.what);
      const std::wstring k = Seed(*p, test::WideOf(key));
      if (uninstall) {
        SetValueW(p->root, k, L"DisplayName", REG_SZ, Utf16Data(L"KvTest F current"));
        SetValueW(p->root, k, L"UninstallString", REG_SZ, Utf16Data(L"C:\\KvTest\\u.exe"));
        SetValueW(p->root, k + L"\\sub", L"n", REG_DWORD, test::RawBytes<DWORD>(7));
      } else {
        SetValueW(p->root, k, L"", REG_SZ, Utf16Data(L"kvrel.faulttype"));
        SetValueW(p->root, k + L"\\OpenWithProgids", L"kvrel.faulttype", REG_SZ, Utf16Data(L""));
      }
      form().SelectTab(p->tab);
      inject_ = f.inject;
      const std::string message = DeleteAndCheck(*p, key);
      if (!may_export.count(f.what)) {
        EXPECT_EQ(message, f.what == std::string("a key the user may only read") ? kNeedsAdminRights : kUndoNotCreated);
      }
      refused += message == kUndoNotCreated || message == kNeedsAdminRights;
      inject_ = nullptr;
      held.reset();
      state().WindowsFolder = real_windows_;
      state().UndoFolder = undo;
      keys_.clear();
      ++injected;
      EXPECT_TRUE(test::TabIsIdle(form()));
    }
  }
  EXPECT_GE(refused, 18);
  test::RecordFigure("faults injected", injected);
  test::RecordFigure("round trips compared", round_trips_);
}

// Random extension keys (fixed seed): values of every type with names and data of ASCII, quotes,
// backslashes and GBK, and subkeys; each deleted through the tab and put back from its export
// exactly.
TEST_F(KeyDeleteReliabilityTest, RandomExtensionKeysComeBackExactlyFromTheirUndoFile) {
  std::mt19937 rng(20240612);
  // Wine's registry editor writes line breaks as escapes that the Windows editor does not read, so
  // a key holding one is refused (the hostile test shows it): names and data go without them here.
  const std::wstring alphabet = L"abcXYZ019 _-.,;'\"\\|/:*?<>%[]=@\t\x4E57\x7C60\x4E2D\x6587\x8868\xFF01";
  auto pick = [&](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng); };
  auto text = [&](size_t max) {
    std::wstring t;
    for (size_t n = 1 + pick(max); n > 0; --n) t += alphabet[pick(alphabet.size())];
    return t;
  };
  auto data_of = [&](DWORD type) -> std::string {
    switch (type) {
      case REG_SZ:
      case REG_EXPAND_SZ: return Utf16Data(text(30));
      case REG_MULTI_SZ: return Utf16Data(text(8) + L'\0' + text(8) + L'\0');
      case REG_DWORD: return test::RawBytes<DWORD>(static_cast<DWORD>(rng()));
      case REG_QWORD: return test::RawBytes<unsigned long long>(rng() * 31ull);
      default: {
        std::string b(pick(200), '\0');
        for (auto& c : b) c = static_cast<char>(rng());
        return b;
      }
    }
  };
  const DWORD types[] = {REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ, REG_BINARY, REG_DWORD, REG_QWORD, REG_NONE};
  std::vector<std::wstring> exts;
  for (int i = 0; i < 12; ++i) {
    const std::wstring ext = L".kvrnd" + std::to_wstring(i) + (i % 3 ? L"\x4E57" : L"");
    Seed(kClasses, ext);
    SetValueW(HKEY_CLASSES_ROOT, ext, L"", REG_SZ, Utf16Data(L"kvrnd.type"));
    for (int k = 0; k < 3; ++k) {
      std::wstring key = ext;
      for (size_t depth = pick(3); depth > 0; --depth) {
        std::wstring sub = text(10);
        sub.erase(std::remove(sub.begin(), sub.end(), L'\\'), sub.end());
        key += L"\\" + (sub.empty() ? L"s" : sub);
      }
      for (int v = 0; v < 4; ++v) {
        const DWORD type = types[pick(7)];
        SetValueW(HKEY_CLASSES_ROOT, key, text(12), type, data_of(type));
      }
    }
    exts.push_back(ext);
  }
  tab4().Panel4Enter();
  for (const auto& ext_w : exts) {
    const std::string ext = test::CodePageOf(ext_w);
    SCOPED_TRACE(ext);
    EXPECT_NE(DeleteAndCheck(kClasses, ext), kUndoNotCreated);
  }
  EXPECT_EQ(round_trips_, static_cast<int>(exts.size()));
  test::RecordFigure("round trips compared", round_trips_);
}

}  // namespace
}  // namespace kv
