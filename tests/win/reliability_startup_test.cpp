// The autostart tab against hostile entries in every source, injected faults and random round
// trips: it always fills and comes back idle, an entry goes only with an undo file that was read
// back, the message tells what happened, and the file puts back exactly what went.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <iterator>
#include <map>
#include <random>
#include <set>

#include "startup/startup_reader.h"
#include "startup/startup_rules.h"
#include "startup/startup_tab.h"
#include "sysaccess/undo_name_rules.h"
#include "sysaccess/undo_store.h"
#include "ui/undo_messages.h"
#include "tests/win/reliability_support.h"
#include "tests/win/startup_fixtures.h"

namespace kv {
namespace {

using test::Utf16Data;
using test::WideOf;

const char kUndoWritten[] = "成功删除记录，创建撤消文件。";
const char kDeletedOnly[] = "成功删除记录！";
const std::wstring kInjected = L"Software\\KorvaneTest\\Injected";

using S = StartupSource;

const char* RootName(HKEY root) { return root == HKEY_CURRENT_USER ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE"; }
std::wstring KeyW(StartupSource source) {
  std::wstring k = WideOf(StartupSourceOf(source).key_path);
  k.pop_back();
  return k;
}

struct Pick {
  std::string caption;  // as listed
  StartupSource source;
};

class StartupReliabilityTest : public ::testing::Test {
 protected:
  StartupReliabilityTest() {
    state().StartupFolder = s_.state.StartupFolder;
    state().CommonStartupFolder = s_.state.CommonStartupFolder;
    state().UndoFolder = s_.state.UndoFolder;
    real_windows_ = state().WindowsFolder;
    // The user's Wow6432Node Run key only when a test seeds it: few real machines have that key.
    for (const S source : {S::UserRun, S::UserRunOnce, S::MachineRun, S::MachineRunOnce, S::MsconfigDisabled,
                           S::MachineRun32})
      MakeSource(source);
    for (const auto& src : test::ApprovedSources()) keys_.push_back(std::make_unique<test::SeedKey>(src.root, src.key()));
  }
  void MakeSource(StartupSource source) {
    const StartupSourceInfo& s = StartupSourceOf(source);
    keys_.push_back(std::make_unique<test::SeedKey>(s.root, s.key_path));
  }

  TForm1& form() { return w_.form(); }
  AppState& state() { return form().State(); }
  StartupTab& tab() { return static_cast<StartupTab&>(form().Tab(TabId::Startup)); }

  void SeedValue(StartupSource source, const std::wstring& name, DWORD type, const std::string& data) {
    EXPECT_TRUE(values_.Set(StartupSourceOf(source).root, KeyW(source), name, type, data))
        << test::CodePageOf(name).substr(0, 60);
    // A disabled entry may come back as a Run value of the current user.
    values_.Own(HKEY_CURRENT_USER, KeyW(S::UserRun), name);
  }
  // Task Manager's state of the entry `name` of `source` (one with a StartupApproved key).
  void SeedState(StartupSource source, const std::wstring& name, DWORD type, const std::string& data) {
    for (const auto& src : test::ApprovedSources()) {
      if (src.source == source) {
        EXPECT_TRUE(values_.Set(src.root, WideOf(src.key()), name, type, data));
      }
    }
  }
  // A disabled entry: its key and, unless `command` is null, its "command" value.
  void SeedDisabled(const std::wstring& name, const std::string* command, DWORD type = REG_SZ) {
    disabled_.push_back(
        std::make_unique<test::ScratchKeyW>(HKEY_LOCAL_MACHINE, KeyW(S::MsconfigDisabled) + L"\\" + name));
    if (command) test::SetValueW(HKEY_LOCAL_MACHINE, disabled_.back()->path(), L"command", type, *command);
    values_.Own(HKEY_CURRENT_USER, KeyW(S::UserRun), name);
  }

  // The seven registry sources and the six keys of Task Manager's states as they are now (64-bit
  // view, as the tab deletes).
  std::vector<RegTreeKey> Sources() {
    std::vector<std::pair<HKEY, std::string>> keys;
    for (const S source : kStartupSources) {
      const StartupSourceInfo& s = StartupSourceOf(source);
      if (!s.IsFolder()) keys.emplace_back(s.root, s.key_path);
    }
    for (const auto& src : test::ApprovedSources()) keys.emplace_back(src.root, src.key());
    std::vector<RegTreeKey> all;
    for (const auto& [root, path] : keys) {
      if (!RegKeyExistsIn(RegistryView::Wow64_64, root, path)) continue;
      std::vector<RegTreeKey> tree;
      EXPECT_TRUE(SnapshotRegistryTree(RegistryView::Wow64_64, root, RootName(root), path, tree));
      all.insert(all.end(), tree.begin(), tree.end());
    }
    return all;
  }

  int RowOf(const Pick& p) {
    const auto& rows = tab().Rows();
    for (size_t i = 0; i < rows.size(); ++i)
      if (rows[i].caption == p.caption && rows[i].source == p.source) return static_cast<int>(i);
    return -1;
  }
  bool Listed(const Pick& p) { return RowOf(p) >= 0; }

  // Whether the entry of a row is still in its source.
  bool Exists(const Pick& p) {
    const StartupSourceInfo& s = StartupSourceOf(p.source);
    if (s.IsFolder())
      return FileExists((p.source == S::UserStartupShortcut ? state().StartupFolder : state().CommonStartupFolder) +
                        p.caption);
    if (p.source == S::MsconfigDisabled) return RegKeyExistsIn(RegistryView::Wow64_64, s.root, s.key_path + p.caption);
    RegTreeValue v;
    return SnapshotRegistryValue(RegistryView::Wow64_64, s.root, s.key_path, p.caption, v);
  }

  static bool SameValueName(const std::u16string& a, const std::u16string& b) {
    return ::CompareStringOrdinal(reinterpret_cast<const wchar_t*>(a.data()), static_cast<int>(a.size()),
                                  reinterpret_cast<const wchar_t*>(b.data()), static_cast<int>(b.size()),
                                  TRUE) == CSTR_EQUAL;
  }

  // What importing the undo file of deleting `gone` must leave: everything as before, except that
  // a disabled entry is back as a Run value of the current user and its key stays gone.
  std::vector<RegTreeKey> AfterRestore(std::vector<RegTreeKey> before, const std::vector<Pick>& gone) {
    const std::u16string run =
        WideFromCodePage(std::string("HKEY_CURRENT_USER\\") + StartupSourceOf(S::UserRun).key_path);
    for (const auto& p : gone) {
      if (p.source != S::MsconfigDisabled) continue;
      const std::u16string key = WideFromCodePage(std::string("HKEY_LOCAL_MACHINE\\") +
                                                  StartupSourceOf(S::MsconfigDisabled).key_path + p.caption);
      RegTreeValue command = StringValue(p.caption, "");
      for (const auto& k : before)
        if (SameKeyPath(k.path, key))
          for (const auto& v : k.values)
            if (v.name == u"command") command = RegTreeValue{WideFromCodePage(p.caption), v.type, v.data};
      for (const auto& q : gone)
        if (q.source == S::UserRun && SameValueName(WideFromCodePage(q.caption), command.name))
          ADD_FAILURE() << "two deleted entries come back as one value: " << p.caption;
      before.erase(std::remove_if(before.begin(), before.end(),
                                  [&](const RegTreeKey& k) {
                                    return SameKeyPath(k.path, key) ||
                                           SameKeyPath(k.path.substr(0, key.size() + 1), key + u"\\");
                                  }),
                   before.end());
      for (auto& k : before) {
        if (!SameKeyPath(k.path, run)) continue;
        k.values.erase(std::remove_if(k.values.begin(), k.values.end(),
                                      [&](const RegTreeValue& v) { return v.name == command.name; }),
                       k.values.end());
        k.values.push_back(command);
      }
    }
    return before;
  }

  // Ticks `picks`, deletes through the button answering 是 and checks that the message is one of
  // the true outcomes: refused with everything in place and no file left; or deleted as the
  // message counts, registry entries only with one new file that, imported with the real registry
  // editor, puts back exactly what went (shortcuts go without a file). Returns the message.
  std::string DeleteAndCheck(const std::vector<Pick>& picks) {
    ListView& list = tab().Panel1InfoList();
    for (int i = 0; i < list.Count(); ++i) list.SetChecked(i, false);
    for (const auto& p : picks) {
      const int row = RowOf(p);
      EXPECT_GE(row, 0) << p.caption.substr(0, 80);
      if (row >= 0) list.SetChecked(row, true);
    }
    if (inject_) inject_();
    const auto before = Sources();
    const auto files_before = test::FilesIn(state().UndoFolder);
    std::vector<bool> existed;
    for (const auto& p : picks) existed.push_back(Exists(p));
    test::DialogScript script({{"确认", "是"}, {"信息", "确定"}});
    tab().Panel1Button2Click();
    EXPECT_TRUE(script.Finished());
    EXPECT_TRUE(test::TabIsIdle(form()));
    if (script.Texts().size() < 2) return "";
    const std::string message = script.Texts()[1];
    std::vector<std::string> new_files;
    for (const auto& f : test::FilesIn(state().UndoFolder))
      if (std::find(files_before.begin(), files_before.end(), f) == files_before.end()) new_files.push_back(f);
    // What this deletion removed: entries that were there at the click and are not now. One that
    // was gone already may be counted either way.
    std::vector<Pick> gone;
    size_t kept = 0, vanished = 0;
    for (size_t i = 0; i < picks.size(); ++i) {
      const bool now = Exists(picks[i]);
      if (existed[i] && !now) gone.push_back(picks[i]);
      kept += now;
      vanished += !existed[i];
    }
    const bool registry_gone =
        std::any_of(gone.begin(), gone.end(), [](const Pick& p) { return !StartupSourceOf(p.source).IsFolder(); });

    if (message == kUndoNotCreated || message == kStartupNoneDeleted) {
      if (message == kUndoNotCreated) {
        EXPECT_TRUE(new_files.empty()) << "no file is left that is no backup";
      }
      EXPECT_TRUE(gone.empty()) << "the message says nothing went";
      EXPECT_TRUE(test::SameRegistryTree(before, Sources()));
    } else if (message.compare(0, std::strlen(kDeletedOnly), kDeletedOnly) == 0 ||
               message.compare(0, std::strlen(kUndoWritten), kUndoWritten) == 0) {
      const bool some_kept = message.find(kStartupSomeNotDeleted) != std::string::npos;
      if (some_kept) {
        EXPECT_GT(kept + vanished, 0u);
      } else {
        EXPECT_EQ(kept, 0u) << "the message says all went";
      }
      EXPECT_FALSE(gone.empty() && vanished == 0);
      const bool file = message.compare(0, std::strlen(kUndoWritten), kUndoWritten) == 0;
      EXPECT_EQ(new_files.size(), file ? 1u : 0u);
      EXPECT_TRUE(file || !registry_gone) << "registry entries went without a file";
      if (!file) {
        EXPECT_TRUE(test::SameRegistryTree(before, Sources())) << "a state went without a file";
      }
      if (file && new_files.size() == 1) {
        EXPECT_TRUE(test::ImportWithRegedit(real_windows_, state().UndoFolder + new_files[0]));
        EXPECT_TRUE(test::SameRegistryTree(AfterRestore(before, gone), Sources())) << new_files[0];
        EXPECT_FALSE(test::SeedKeyExists(HKEY_CURRENT_USER, test::CodePageOf(kInjected)));
        ++round_trips_;
      }
    } else {
      ADD_FAILURE() << "a message that is no outcome: " << message;
    }
    return message;
  }

  // Every listed pick on its own; returns how many were refused.
  int DeleteEachAlone(const std::vector<Pick>& picks) {
    int refused = 0;
    for (const auto& p : picks) {
      SCOPED_TRACE(p.caption.substr(0, 60));
      if (!Listed(p)) continue;
      const std::string message = DeleteAndCheck({p});
      refused += message == kUndoNotCreated || message == kStartupNoneDeleted;
      ++deletions_;
    }
    return refused;
  }

  test::StartupScratch s_;
  test::MainWindow w_;
  std::vector<std::unique_ptr<test::SeedKey>> keys_;
  test::SeededValuesW values_;
  std::vector<std::unique_ptr<test::ScratchKeyW>> disabled_;
  std::string real_windows_;
  std::function<void()> inject_;  // runs between listing and deletion
  int round_trips_ = 0, deletions_ = 0;
};

// Values of every kind, named so that each names its case.
struct HostileValue {
  std::wstring name;
  DWORD type;
  std::string data;
};
std::vector<HostileValue> HostileValues() {
  const std::wstring big(1 << 19, L'x');  // 1 MB of UTF-16
  const std::wstring evil = L"\r\n[HKEY_CURRENT_USER\\" + kInjected + L"]\r\n\"pwn\"=\"1\"\n";
  return {
      {L"KvRel none", REG_NONE, ""},
      {L"KvRel binary", REG_BINARY, std::string("\x01\x02\x5C\x00\xFF", 5)},
      {L"KvRel dword", REG_DWORD, test::RawBytes<DWORD>(0x5C5C)},
      {L"KvRel short dword", REG_DWORD, "\x01\x02"},
      {L"KvRel qword", REG_QWORD, test::RawBytes<unsigned long long>(20140315)},
      {L"KvRel multi", REG_MULTI_SZ, Utf16Data(std::wstring(L"a\0\x4E57\\b\0", 7))},
      {L"KvRel empty", REG_SZ, ""},
      {L"KvRel odd", REG_SZ, "abc"},
      {L"KvRel unterminated", REG_SZ, Utf16Data(L"C:\\x.exe", false)},
      {L"KvRel nul", REG_SZ, Utf16Data(std::wstring(L"C:\\a.exe\0hidden", 15))},
      {L"KvRel big", REG_SZ, Utf16Data(L"C:\\" + big)},
      {L"KvRel expand", REG_EXPAND_SZ, Utf16Data(L"%SystemRoot%\\\x4E57\x7C60\\a.exe")},
      {L"KvRel \"q\" \\ | \x4E57\x7C60\\", REG_SZ, Utf16Data(L"\"C:\\\x4E57\\a.exe\" \"%1\" |")},
      {L"KvRel crlf", REG_SZ, Utf16Data(L"C:\\x.exe" + evil + L"\\")},
      {L"KvRel name" + evil, REG_SZ, Utf16Data(L"C:\\ok.exe")},
      {L"KvRel \x0E01 outside the code page", REG_SZ, Utf16Data(L"C:\\thai.exe")},
      {std::wstring(16383, L'n'), REG_SZ, Utf16Data(L"C:\\long.exe")},
      {L"", REG_SZ, Utf16Data(L"C:\\default.exe")},  // the default value is no entry
  };
}

// Task Manager states of every kind, a huge one, and one that no file restores alike (its entry
// then stays with it).
std::vector<HostileValue> HostileStates() {
  return {
      {L"", REG_BINARY, test::ApprovedBytes(0x03)},
      {L"", REG_BINARY, test::ApprovedBytes(0x02)},
      {L"", REG_BINARY, ""},
      {L"", REG_BINARY, "\x01"},
      {L"", REG_BINARY, std::string(1 << 16, '\x07')},  // beyond the buffer of a one-pass read
      {L"", REG_DWORD, test::RawBytes<DWORD>(3)},
      {L"", REG_SZ, Utf16Data(L"\x03")},
      {L"", REG_SZ, "odd"},
      {L"", REG_NONE, ""},
  };
}

// A value's name in one source: its case and the source's place, within the longest name there can be.
std::wstring Named(const std::wstring& base, StartupSource source) {
  if (base.empty()) return base;
  return base.substr(0, 16381) + L" " + std::to_wstring(static_cast<int>(source));
}

TEST_F(StartupReliabilityTest, HostileEntriesInEverySourceAreListedAndDeletedOnlyWithAVerifiedBackup) {
  const auto values = HostileValues();
  const auto states = HostileStates();
  std::vector<Pick> picks;
  int seeded = 0;
  // The user's Wow6432Node Run key comes second, on its own (see the fixture).
  const S kFirst[] = {S::UserRun, S::UserRunOnce, S::MachineRun, S::MachineRunOnce, S::MachineRun32};
  for (size_t i = 0; i < values.size(); ++i) {
    // Every value in two sources, so each source gets its share of every kind.
    for (const S source : {kFirst[i % 5], kFirst[(i + 2) % 5]}) {
      const std::wstring name = Named(values[i].name, source);
      SeedValue(source, name, values[i].type, values[i].data);
      if (!name.empty()) picks.push_back({test::CodePageOf(name), source});
      const HostileValue& state = states[(i + static_cast<size_t>(source)) % states.size()];
      SeedState(source, name, state.type, state.data);
      ++seeded;
    }
  }
  const std::string command = Utf16Data(L"\"C:\\\x4E57\\d.exe\" /x");
  const std::string odd = "odd";
  const std::string multi = Utf16Data(std::wstring(L"a\0b\0", 4));
  const struct {
    std::wstring name;
    const std::string* command;
    DWORD type;
  } disabled[] = {
      {L"KvRel D " + std::wstring(247, L'k'), &command, REG_SZ},  // 255 characters
      {L"KvRel D no command", nullptr, REG_SZ},
      {L"KvRel D \x4E57\x7C60 \"q\" |", &command, REG_EXPAND_SZ},
      {L"KvRel D odd", &odd, REG_SZ},
      {L"KvRel D multi", &multi, REG_MULTI_SZ},
  };
  for (const auto& d : disabled) {
    SeedDisabled(d.name, d.command, d.type);
    picks.push_back({test::CodePageOf(d.name), S::MsconfigDisabled});
    ++seeded;
  }
  test::SetValueW(HKEY_LOCAL_MACHINE, disabled_[1]->path() + L"\\sub", L"x", REG_DWORD, test::RawBytes<DWORD>(1));

  // The Startup folders: broken, empty, huge, read-only and hidden shortcuts, a folder named like
  // one, a real shortcut from the corpus, a name with 0x5C second bytes.
  const struct {
    std::string name;
    std::string bytes;
    DWORD attributes;
  } files[] = {
      {"KvRel broken.lnk", "not a shortcut", FILE_ATTRIBUTE_NORMAL},
      {"KvRel empty.lnk", "", FILE_ATTRIBUTE_NORMAL},
      {"KvRel big.lnk", std::string(1 << 20, 'L'), FILE_ATTRIBUTE_NORMAL},
      {"KvRel hidden.lnk", test::ShortcutBytes("%SystemRoot%\\notepad.exe"), FILE_ATTRIBUTE_HIDDEN},
      {"KvRel readonly.lnk", test::ShortcutBytes("C:\\ro.exe"), FILE_ATTRIBUTE_READONLY},
      {test::CodePageOf(L"KvRel \x4E57\x7C60.lnk"), test::ShortcutBytes(test::CodePageOf(L"C:\\\x4E57\\a.exe")),
       FILE_ATTRIBUTE_NORMAL},
  };
  for (const S source : {S::UserStartupShortcut, S::CommonStartupShortcut}) {
    const std::string& folder = source == S::UserStartupShortcut ? state().StartupFolder : state().CommonStartupFolder;
    for (const auto& f : files) {
      ASSERT_TRUE(test::WriteFile(folder + f.name, f.bytes));
      ::SetFileAttributesA((folder + f.name).c_str(), f.attributes);
      picks.push_back({f.name, source});
      const HostileValue& state = states[(picks.size() + static_cast<size_t>(source)) % states.size()];
      SeedState(source, test::WideOf(f.name), state.type, state.data);
      ++seeded;
    }
    ::CreateDirectoryA((folder + "KvRel folder.lnk").c_str(), nullptr);
    if (test::CopyCorpus("darwin_block.lnk", folder + "KvRel corpus.lnk")) picks.push_back({"KvRel corpus.lnk", source});
  }

  int listed = 0;
  auto list_all = [&](const std::vector<Pick>& wanted) {
    form().SelectTab(TabId::Uninstall);
    form().SelectTab(TabId::Startup);
    EXPECT_TRUE(test::TabIsIdle(form()));
    for (const auto& p : wanted) {
      EXPECT_TRUE(Listed(p)) << static_cast<int>(p.source) << " " << p.caption.substr(0, 60);
      listed += Listed(p);
    }
  };
  list_all(picks);
  EXPECT_FALSE(Listed({"KvRel folder.lnk", S::UserStartupShortcut}));
  // Together once: what no file restores alike (a name with a line break, text of odd length, a
  // name outside the code page) stays; the rest goes with one verified file.
  EXPECT_EQ(DeleteAndCheck(picks), std::string(kUndoWritten) + "\r" + kStartupSomeNotDeleted);
  int refused = DeleteEachAlone(picks);

  // The user's Wow6432Node Run key, beside the Run and RunOnce keys that Wine would redirect into it.
  picks.clear();
  MakeSource(S::UserRun32);
  for (const auto& v : values) {
    const std::wstring name = Named(v.name, S::UserRun32);
    SeedValue(S::UserRun32, name, v.type, v.data);
    const HostileValue& state = states[picks.size() % states.size()];
    SeedState(S::UserRun32, name, state.type, state.data);
    if (!name.empty()) picks.push_back({test::CodePageOf(name), S::UserRun32});
    ++seeded;
  }
  list_all(picks);
  for (const auto& p : picks)
    EXPECT_FALSE(Listed({p.caption, S::UserRun})) << "listed twice: " << p.caption.substr(0, 60);
  refused += DeleteEachAlone(picks);

  EXPECT_GE(refused, 3);
  EXPECT_GE(round_trips_, 10);
  test::RecordFigure("hostile cases tried", seeded + listed + deletions_ + 1);
  test::RecordFigure("round trips compared", round_trips_);
}

// Each fault strikes between the listing and the deletion of a Run value, a disabled entry and a
// shortcut. Whatever the outcome, DeleteAndCheck holds the message to it; `outcomes` are the ones
// this fault may truly have.
TEST_F(StartupReliabilityTest, InjectedFaultsDeleteNothingWithoutABackupAndSaySo) {
  const std::string some = std::string(kUndoWritten) + "\r" + kStartupSomeNotDeleted;
  const std::string undo = state().UndoFolder;
  const std::wstring run = KeyW(S::UserRun);
  const std::wstring approved_run = WideOf(test::ApprovedSources()[0].key());
  std::shared_ptr<void> held;  // what a fault needs until the deletion ends
  struct Fault {
    const char* what;
    std::vector<std::string> outcomes;
    std::function<void()> inject;
    bool same_name = false;  // the disabled entry is named like the Run value
  };
  // Tab 1 writes its own file: the registry editor's faults do not touch it.
  const std::map<std::string, std::vector<std::string>> undo_outcomes = {
      {"an Undo file where the folder should be", {kUndoNotCreated}},
      {"a read-only undo folder", {kUndoNotCreated, kUndoWritten}},
      {"an undo folder too deep for the file name", {kUndoNotCreated, kUndoWritten}},
  };
  std::vector<Fault> faults;
  for (auto& f : test::UndoFaults(state(), s_.base.path(), held)) {
    const auto it = undo_outcomes.find(f.what);
    faults.push_back({f.what, it == undo_outcomes.end() ? std::vector<std::string>{kUndoWritten} : it->second,
                      std::move(f.inject)});
  }
  const Fault more[] = {
      {"the value vanishes", {some}, [&] { ::RegDeleteKeyValueW(HKEY_CURRENT_USER, run.c_str(), L"KvRel F"); }},
      {"the disabled entry vanishes", {some}, [&] { disabled_.clear(); }},
      {"the shortcut vanishes", {kUndoWritten}, [&] { ::DeleteFileA((state().StartupFolder + "KvRel F.lnk").c_str()); }},
      {"everything vanishes", {kStartupNoneDeleted, std::string(kDeletedOnly) + "\r" + kStartupSomeNotDeleted}, [&] {
         ::RegDeleteKeyValueW(HKEY_CURRENT_USER, run.c_str(), L"KvRel F");
         disabled_.clear();
         ::DeleteFileA((state().StartupFolder + "KvRel F.lnk").c_str());
       }},
      {"the value changes type and data", {kUndoWritten}, [&] {
         test::SetValueW(HKEY_CURRENT_USER, run, L"KvRel F", REG_BINARY, "\x5C\x22\x0D\x0A");
       }},
      {"a disabled entry named like the Run value", {some}, [] {}, true},
      {"Task Manager disables the entry meanwhile", {kUndoWritten}, [&] {
         test::SetValueW(HKEY_CURRENT_USER, approved_run, L"KvRel F", REG_BINARY, test::ApprovedBytes(0x03));
       }},
      {"a state that no file restores alike appears", {some}, [&] {
         test::SetValueW(HKEY_CURRENT_USER, approved_run, L"KvRel F", REG_SZ, "odd");
       }},
  };
  faults.insert(faults.end(), std::begin(more), std::end(more));
  int injected = 0;
  for (const Fault& f : faults) {
    SCOPED_TRACE(f.what);
    SeedValue(S::UserRun, L"KvRel F", REG_SZ, Utf16Data(L"\"C:\\\x4E57\\f.exe\" /run"));
    const std::wstring disabled_name = f.same_name ? L"kvrel f" : L"KvRel F D";
    const std::string command = Utf16Data(L"C:\\disabled.exe");
    SeedDisabled(disabled_name, &command);
    ASSERT_TRUE(test::WriteFile(state().StartupFolder + "KvRel F.lnk", test::ShortcutBytes("C:\\f.exe")));
    tab().Panel1Enter();
    inject_ = f.inject;
    const std::string message =
        DeleteAndCheck({{"KvRel F", S::UserRun},
                        {test::CodePageOf(disabled_name), S::MsconfigDisabled},
                        {"KvRel F.lnk", S::UserStartupShortcut}});
    EXPECT_NE(std::find(f.outcomes.begin(), f.outcomes.end(), message), f.outcomes.end()) << message;
    inject_ = nullptr;
    held.reset();
    state().WindowsFolder = real_windows_;
    state().UndoFolder = undo;
    disabled_.clear();
    ::DeleteFileA((state().StartupFolder + "KvRel F.lnk").c_str());
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, run.c_str(), L"KvRel F");
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, run.c_str(), disabled_name.c_str());
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, approved_run.c_str(), L"KvRel F");
    ++injected;
  }
  test::RecordFigure("faults injected", injected);
  test::RecordFigure("round trips compared", round_trips_);
}

// Random entries of every type in the value sources (a third with a Task Manager state) and as
// disabled entries, with names and data from a mix of ASCII, quotes, backslashes, line breaks and
// GBK (fixed seed), deleted in one go and in small groups through the tab; each undo file
// imported with the real registry editor
// must give back the registry exactly. Crafted names and data may not add a key; a name with a
// line break has no form that both editors read back, so its entry stays.
TEST_F(StartupReliabilityTest, RandomEntriesComeBackExactlyFromTheirUndoFile) {
  std::mt19937 rng(20240611);
  const std::wstring alphabet =
      L"abcXYZ019 _-.,;'\"\\|/:*?<>%[]=@\r\n\t\x4E57\x7C60\x4E2D\x6587\x7A0B\x5E8F\x8868\x8F6F\xFF01\x3002";
  auto text = [&](size_t max) {
    std::wstring t;
    for (size_t n = std::uniform_int_distribution<size_t>(1, max)(rng); n > 0; --n)
      t += alphabet[std::uniform_int_distribution<size_t>(0, alphabet.size() - 1)(rng)];
    return t;
  };
  auto bytes = [&](size_t max) {
    std::string b(std::uniform_int_distribution<size_t>(0, max)(rng), '\0');
    for (auto& c : b) c = static_cast<char>(rng());
    return b;
  };
  const DWORD types[] = {REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ, REG_BINARY, REG_DWORD, REG_QWORD, REG_NONE, 0x100};
  const std::wstring evil = L"\r\n[HKEY_CURRENT_USER\\" + kInjected + L"]\r\n@=\"x\"\r\n";
  const S kValueSources[] = {S::UserRun,        S::UserRunOnce,      S::MachineRun,
                             S::MachineRunOnce, S::MsconfigDisabled, S::MachineRun32};
  std::vector<Pick> picks;
  for (int i = 0; i < 60; ++i) {
    const S source = kValueSources[i % 6];
    std::wstring name = L"KvRnd" + std::to_wstring(i) + L" " + text(12);
    name.erase(std::remove_if(name.begin(), name.end(), [](wchar_t c) { return c < 0x20; }), name.end());
    if (i % 13 == 0) name += evil;
    const DWORD type = types[std::uniform_int_distribution<size_t>(0, 7)(rng)];
    std::string data;
    if (type == REG_SZ || type == REG_EXPAND_SZ) data = Utf16Data(text(40) + (i % 11 == 0 ? evil : L""));
    else if (type == REG_MULTI_SZ) data = Utf16Data(text(10) + L'\0' + text(10) + L'\0');
    else if (type == REG_DWORD) data = test::RawBytes<DWORD>(static_cast<DWORD>(rng()));
    else if (type == REG_QWORD) data = test::RawBytes<unsigned long long>(rng() * 977ull);
    else data = bytes(300);
    if (source == S::MsconfigDisabled) {
      if (type != REG_SZ && type != REG_EXPAND_SZ) continue;  // a disabled command is text
      name.erase(std::remove_if(name.begin(), name.end(), [](wchar_t c) { return c == L'\\'; }), name.end());
      SeedDisabled(name, &data, type);
    } else {
      SeedValue(source, name, type, data);
      // Every third one with a Task Manager state of random bytes.
      if (i % 3 == 0) SeedState(source, name, REG_BINARY, bytes(12));
    }
    picks.push_back({test::CodePageOf(name), source});
  }
  tab().Panel1Enter();
  std::vector<Pick> listed;
  for (const auto& p : picks)
    if (Listed(p)) listed.push_back(p);
  EXPECT_GE(listed.size(), 30u);
  // Groups of one, three and the rest.
  int files = 0;
  for (size_t at = 0, size = 1; at < listed.size(); at += size, size = size == 1 ? 3 : listed.size()) {
    const std::vector<Pick> group(listed.begin() + static_cast<std::ptrdiff_t>(at),
                                  listed.begin() + static_cast<std::ptrdiff_t>(std::min(listed.size(), at + size)));
    const size_t stays = static_cast<size_t>(std::count_if(group.begin(), group.end(), [](const Pick& p) {
      return p.caption.find_first_of("\r\n") != std::string::npos;
    }));
    EXPECT_EQ(DeleteAndCheck(group), stays == 0              ? std::string(kUndoWritten)
                                     : stays == group.size() ? std::string(kStartupNoneDeleted)
                                                             : std::string(kUndoWritten) + "\r" + kStartupSomeNotDeleted);
    ++files;
  }
  EXPECT_FALSE(test::SeedKeyExists(HKEY_CURRENT_USER, test::CodePageOf(kInjected)));
  test::DeleteTree(HKEY_CURRENT_USER, test::CodePageOf(kInjected));
  test::RecordFigure("round trips compared", static_cast<long long>(listed.size()));
  test::RecordFigure("hostile cases tried", static_cast<long long>(picks.size()));
}

}  // namespace
}  // namespace kv
