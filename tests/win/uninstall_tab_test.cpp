// The uninstall tab on the real main window: filters, the wait protocol, the uninstall rules run
// through stand-in programs, and record deletion with its undo file.
#include <gtest/gtest.h>

#include <optional>

#include <windows.h>
#include <commctrl.h>

#include <tlhelp32.h>

#include <atomic>
#include <map>
#include <thread>

#include "sysaccess/programs.h"
#include "sysaccess/registry.h"
#include "sysaccess/text_rules.h"
#include "sysaccess/undo_name_rules.h"
#include "sysaccess/undo_store.h"
#include "ui/undo_messages.h"
#include "tests/win/sysaccess_fixtures.h"
#include "tests/win/uninstall_fixtures.h"
#include "uninstall/uninstall_tab.h"

namespace kv {
namespace {

using test::DialogScript;
using test::ImageOf;
using test::UninstallRoot;

bool KeyThere(HKEY root, const std::string& path) { return RegKeyExistsIn(RegistryView::Wow64_64, root, path); }

TEST(UninstallTexts, QuestionsAsShown) {
  EXPECT_EQ(UninstallQuestion("Foo 中文"), "Are you sure you want to uninstall\rFoo 中文 ?");
  EXPECT_EQ(DeleteRecordQuestion("Foo 中文"), "您确定要删除卸载记录 \"Foo 中文\" ?");
}

class UninstallTabTest : public ::testing::Test {
 protected:
  TForm1& form() { return main_.form(); }
  UninstallTab& tab() { return static_cast<UninstallTab&>(form().Tab(TabId::Uninstall)); }
  AppState& state() { return form().State(); }
  ListView& list() { return tab().Panel2InfoList(); }

  int RowOf(const std::string& name) { return test::RowOf(list(), name); }
  // Captions of the seeded rows, in list order.
  std::vector<std::string> SeededRows() {
    std::vector<std::string> out;
    for (int i = 0; i < list().Count(); ++i)
      if (list().Cell(i, 0).compare(0, 7, "KvTest ") == 0) out.push_back(list().Cell(i, 0));
    return out;
  }
  bool SelectRow(const std::string& name) {
    const int row = RowOf(name);
    if (row < 0) return false;
    list().Select(row);
    return list().Selected() == row;
  }
  void Click(int check) { ::SendMessageA(tab().Panel2Check(check), BM_CLICK, 0, 0); }

  test::SeededUninstall seed_;
  test::MainWindow main_;
};

// A list view that refuses to insert the row of "KvTest Plain".
LRESULT CALLBACK RefusePlain(HWND w, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
  if (msg == LVM_INSERTITEMA && std::string(reinterpret_cast<LVITEMA*>(lp)->pszText) == "KvTest Plain") return -1;
  return ::DefSubclassProc(w, msg, wp, lp);
}

TEST_F(UninstallTabTest, RadioButtonsChooseTheFilterAndRecordsFollowTheRows) {
  seed_.Entry(UninstallRoot::Machine, "KvTest Plain", "KvTest Plain");
  seed_.Entry(UninstallRoot::User, "KvTest KB", "KvTest Update (KB2347290)");
  seed_.Entry(UninstallRoot::Machine32, "KvTest Toolbar key", "KvTest Helper", "C:\\KvTest\\helper.exe /x");
  form().SelectTab(TabId::Uninstall);
  EXPECT_EQ(::SendMessageA(tab().Panel2Check(2), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SeededRows(), (std::vector<std::string>{"KvTest Helper", "KvTest Plain"}));

  Click(1);
  EXPECT_EQ(::SendMessageA(tab().Panel2Check(2), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(SeededRows(), (std::vector<std::string>{"KvTest Helper", "KvTest Plain", "KvTest Update (KB2347290)"}));
  Click(3);
  EXPECT_EQ(SeededRows(), (std::vector<std::string>{"KvTest Helper"}));
  Click(2);
  EXPECT_EQ(SeededRows(), (std::vector<std::string>{"KvTest Helper", "KvTest Plain"}));

  auto records_follow_rows = [&] {
    EXPECT_EQ(tab().Panel2InfoLabelText(), ToDecimal(list().Count()) + kPanel2CountSuffix);
    ASSERT_EQ(tab().ScratchList().size(), static_cast<size_t>(list().Count()));
    for (int i = 0; i < list().Count(); ++i) {
      const UninstallFields& f = tab().ScratchList()[static_cast<size_t>(i)];
      EXPECT_EQ(f.display_name, list().Cell(i, 0));
      EXPECT_EQ(f.command, list().Cell(i, 1));
    }
  };
  records_follow_rows();
  // A row the list view refuses to insert leaves no record behind, so the records after it still
  // describe their own rows (an action would otherwise act on another program's key).
  const SUBCLASSPROC refuse_plain = &RefusePlain;
  ASSERT_TRUE(::SetWindowSubclass(list().hwnd(), refuse_plain, 1, 0));
  tab().Panel2Enter();
  ::RemoveWindowSubclass(list().hwnd(), refuse_plain, 1);
  EXPECT_EQ(RowOf("KvTest Plain"), -1);
  EXPECT_GE(RowOf("KvTest Helper"), 0);
  records_follow_rows();
  tab().Panel2Enter();
  const UninstallFields& helper = tab().ScratchList()[static_cast<size_t>(RowOf("KvTest Helper"))];
  EXPECT_EQ(helper.root, RegRoot::LocalMachine);
  EXPECT_EQ(helper.key_path, std::string(kUninstallKeyWow64) + "KvTest Toolbar key");
}

// Counts of what ran during a fill while a redirection scope was alive: with redirection off, a
// DLL or delay load fails for good (learn.microsoft.com, "Wow64DisableWow64FsRedirection function"),
// and the list view, the window procedures and the pump may load one at any time.
struct RedirectionLooks {
  int list = 0, pump = 0, list_unredirected = 0, pump_unredirected = 0;
};
RedirectionLooks g_looks;
LRESULT CALLBACK LookAtListMessage(HWND w, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
  ++g_looks.list;
  g_looks.list_unredirected += FsRedirectionOff::Alive() != 0;
  return ::DefSubclassProc(w, msg, wp, lp);
}
void CALLBACK LookAtPump(HWND, UINT, UINT_PTR, DWORD) {
  ++g_looks.pump;
  g_looks.pump_unredirected += FsRedirectionOff::Alive() != 0;
}

TEST_F(UninstallTabTest, ReadingDisablesTheWindowAndShowsTheWaitWindow) {
  for (int i = 0; i < 3; ++i) seed_.Entry(UninstallRoot::User, "KvTest Wait " + std::to_string(i), "KvTest Wait " + std::to_string(i));
  seed_.Entry(UninstallRoot::User, "KvTest Wait icon", "KvTest Wait icon", state().SystemFolder + "notepad.exe");
  int rows = 0, waited = 0, disabled = 0, busy = 0;
  tab().after_row = [&] {
    ++rows;
    waited += test::FindProcessWindow("收集数据") != nullptr;
    disabled += !::IsWindowEnabled(form().hwnd());
    busy += form().Busy().IsSet();
    ::Sleep(11);  // the paced pump then runs before the next row, with the timer due
  };
  g_looks = {};
  const int scopes = FsRedirectionOff::Made();
  const SUBCLASSPROC look = &LookAtListMessage;
  ASSERT_TRUE(::SetWindowSubclass(list().hwnd(), look, 2, 0));
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 1, &LookAtPump);
  form().SelectTab(TabId::Uninstall);
  ::KillTimer(nullptr, timer);
  ::RemoveWindowSubclass(list().hwnd(), look, 2);
  tab().after_row = nullptr;
  EXPECT_GE(rows, 4);
  EXPECT_EQ(waited, rows);
  EXPECT_EQ(disabled, rows);
  EXPECT_EQ(busy, rows);
  EXPECT_EQ(test::FindProcessWindow("收集数据"), nullptr);
  EXPECT_TRUE(::IsWindowEnabled(form().hwnd()));
  EXPECT_FALSE(form().Busy().IsSet());
  // Redirection off for the icon files only, never while the list or the pump runs.
  EXPECT_GT(FsRedirectionOff::Made(), scopes);
  EXPECT_GE(g_looks.list, rows);
  EXPECT_GT(g_looks.pump, 0);
  EXPECT_EQ(g_looks.list_unredirected, 0);
  EXPECT_EQ(g_looks.pump_unredirected, 0);
}

TEST_F(UninstallTabTest, InstallDateColumn) {
  const struct {
    const char* name;
    DWORD type;
    std::string data;
    const char* shown;
  } cases[] = {
      {"KvTest Date 1", REG_SZ, std::string("20140315", 9), "2014/03/15"},
      {"KvTest Date 2", REG_SZ, std::string("2014/3/15", 10), "2014/3/15"},
      {"KvTest Date 3", REG_SZ, std::string("abc", 4), "abc//"},
      {"KvTest Date 4", REG_NONE, "", ""},
      {"KvTest Date 5", REG_DWORD, std::string("\x01\x02\x03\x04", 4), ""},
  };
  for (const auto& c : cases) {
    const auto& k = seed_.Entry(UninstallRoot::Machine, c.name, c.name);
    if (c.type != REG_NONE) k.SetRaw("", "InstallDate", c.type, c.data);
  }
  form().SelectTab(TabId::Uninstall);
  for (const auto& c : cases) {
    const int row = RowOf(c.name);
    ASSERT_GE(row, 0) << c.name;
    EXPECT_EQ(list().Cell(row, 2), c.shown) << c.name;
  }
}

TEST_F(UninstallTabTest, IconComesFromDisplayIconWheneverThatValueExists) {
  const std::string notepad = state().SystemFolder + "notepad.exe";
  ASSERT_TRUE(FileExists(notepad));
  seed_.Entry(UninstallRoot::User, "KvTest Icon cmd", "KvTest Icon cmd", "\"" + notepad + "\" /u");
  seed_.Entry(UninstallRoot::User, "KvTest Icon empty", "KvTest Icon empty", notepad).SetString("", "DisplayIcon", "");
  seed_.Entry(UninstallRoot::User, "KvTest Icon value", "KvTest Icon value", "C:\\KvTest\\gone.exe")
      .SetString("", "DisplayIcon", "%SystemRoot%\\system32\\notepad.exe,0", REG_EXPAND_SZ);
  seed_.Entry(UninstallRoot::User, "KvTest Icon none", "KvTest Icon none", "C:\\KvTest\\gone.exe");
  form().SelectTab(TabId::Uninstall);
  const int generic = ImageOf(list(), RowOf("KvTest Icon none"));
  const int from_file = ImageOf(list(), RowOf("KvTest Icon cmd"));
  EXPECT_NE(from_file, generic);
  EXPECT_NE(ImageOf(list(), RowOf("KvTest Icon value")), generic);
  EXPECT_EQ(ImageOf(list(), RowOf("KvTest Icon empty")), generic);
}

// Ends every process of the image name `exe` still running `ms` after it was set, unless it is
// destroyed first: a deadlock between the tab and a started program then fails the test instead
// of hanging it.
class Deadline {
 public:
  Deadline(std::string exe, DWORD ms)
      : done_(::CreateEventA(nullptr, TRUE, FALSE, nullptr)), thread_([this, exe = std::move(exe), ms] {
          if (::WaitForSingleObject(done_.get(), ms) != WAIT_TIMEOUT) return;
          expired_ = true;
          UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
          PROCESSENTRY32 e{};
          e.dwSize = sizeof e;
          for (BOOL more = ::Process32First(snapshot.get(), &e); more; more = ::Process32Next(snapshot.get(), &e))
            if (::lstrcmpiA(e.szExeFile, exe.c_str()) == 0)
              if (UniqueHandle p{::OpenProcess(PROCESS_TERMINATE, FALSE, e.th32ProcessID)}) ::TerminateProcess(p.get(), 1);
        }) {}
  ~Deadline() {
    ::SetEvent(done_.get());
    thread_.join();
  }
  bool Expired() const { return expired_; }

 private:
  UniqueHandle done_;
  std::atomic<bool> expired_{false};
  std::thread thread_;
};

class UninstallActionsTest : public UninstallTabTest {
 protected:
  void SetUp() override {
    state().SystemFolder = stubs_.folder();
    state().UndoFolder = undo_parent_.path() + "Undo\\";
  }
  std::string Log() const { return test::ReadFile(stubs_.log()); }

  test::StubPrograms stubs_{{"MsiExec.exe", "control.exe", "uninst.exe", "unins000.exe", "setup.exe"}};
  test::ScratchFolder undo_parent_;
  test::ScopedEnv arglog_{"KORVANE_ARGLOG", stubs_.log().c_str()};
};

TEST_F(UninstallActionsTest, EachRuleRunsItsProgramWithItsParameters) {
  const std::string f = stubs_.folder();
  const struct {
    const char* name;
    std::string command;
    std::string program, command_line;  // what the started program saw; "" for the fallback
  } cases[] = {
      {"KvTest Rule a", "\"" + f + "uninst.exe\"", f + "uninst.exe", " "},
      {"KvTest Rule b", "MsiExec.exe /X{1234-ABCD}", f + "MsiExec.exe", " /X{1234-ABCD}"},
      {"KvTest Rule b install", "msiexec.exe /I{1234-ABCD}", f + "MsiExec.exe", " /I{1234-ABCD}"},
      {"KvTest Rule c", f + "unins000.exe /SILENT", f + "unins000.exe", " /SILENT"},
      {"KvTest Rule c blank", f + "setup.exe -remove", f + "setup.exe", "  -remove"},
      {"KvTest Rule d", f + "setup.exe-remove", f + "setup.exe", " -remove"},
      // It broadcasts with plain SendMessage, answered only by a wait that handles sent messages
      // (learn.microsoft.com, "WaitForSingleObject function", Remarks).
      {"KvTest Broadcast", f + "broadcast.exe /S", f + "broadcast.exe", " /S"},
      {"KvTest Rule c missing", f + "gone.exe /S -x", "", ""},
      {"KvTest Rundll", "RunDll32 advpack.dll,LaunchINFSection foo.inf", "", ""},
  };
  for (const auto& c : cases) seed_.Entry(UninstallRoot::User, c.name, c.name, c.command);
  ASSERT_TRUE(::CopyFileA(test::BinaryPath("tests/helpers/broadcaster.exe").c_str(), (f + "broadcast.exe").c_str(), FALSE));
  form().SelectTab(TabId::Uninstall);

  const Deadline deadline("broadcast.exe", 30000);
  for (const auto& c : cases) {
    ::DeleteFileA(stubs_.log().c_str());
    ASSERT_TRUE(SelectRow(c.name)) << c.name;
    const bool fallback = c.program.empty();
    std::vector<DialogScript::Step> steps = {{"确认", "是"}};
    if (fallback) steps.push_back({"信息", "确定"});
    DialogScript script(steps);
    tab().Panel2Button1Click();
    EXPECT_TRUE(script.Finished()) << c.name;
    ASSERT_GE(script.Texts().size(), 1u);
    EXPECT_EQ(script.Texts()[0], UninstallQuestion(c.name));
    if (!fallback) {
      EXPECT_EQ(Log(), c.program + "\n" + c.command_line + "\n") << c.name;
    } else {
      EXPECT_EQ(script.Texts()[1], kUninstallFallbackInfo);
      // The program list is opened through the shell, which does not wait for it.
      EXPECT_TRUE(test::PumpUntil([&] { return Log().find("appwiz.cpl") != std::string::npos; })) << c.name;
      const std::string log = Log();
      EXPECT_EQ(log.substr(0, log.find('\n')), f + "control.exe") << c.name;
    }
    EXPECT_GE(RowOf(c.name), 0) << "re-read after " << c.name;
  }
  EXPECT_FALSE(deadline.Expired()) << "the tab and a broadcasting uninstaller waited for each other";
}

// Stand-ins for RunProgram's two ways of starting: CreateProcess refused with an injected error,
// as Windows refuses a standard user a program that requires elevation (Wine starts it), and the
// shell's start recorded, then done by CreateProcess or refused as a user's "No" to the prompt.
struct StartScript {
  DWORD create_error = 0;
  bool shell_starts = true;
  std::vector<std::string> shell_calls;  // "verb|program|parameters"
};
StartScript g_start_script;

UniqueHandle RefusedCreate(const std::string&, const std::string&) {
  ::SetLastError(g_start_script.create_error);
  return UniqueHandle();
}
bool ScriptedShellStart(const char* verb, const std::string& program, const std::string& parameters,
                        UniqueHandle& process) {
  g_start_script.shell_calls.push_back(std::string(verb) + "|" + program + "|" + parameters);
  if (!g_start_script.shell_starts) {
    ::SetLastError(ERROR_CANCELLED);
    return false;
  }
  process = StartProgram(program, parameters);
  return static_cast<bool>(process);
}

TEST_F(UninstallActionsTest, AnUninstallerThatRequiresElevationIsStartedAgainWithRunas) {
  const std::string f = stubs_.folder();
  seed_.Entry(UninstallRoot::User, "KvTest Elevated", "KvTest Elevated", "MsiExec.exe /X{1234-ABCD}");
  form().SelectTab(TabId::Uninstall);
  const struct {
    DWORD create_error;
    bool shell_starts;
    bool runas;     // the shell was asked with "runas"
    bool fallback;  // the control panel's list opened instead
  } cases[] = {
      {ERROR_ELEVATION_REQUIRED, true, true, false},
      {ERROR_ELEVATION_REQUIRED, false, true, true},
      {ERROR_ACCESS_DENIED, true, false, true},
  };
  const ProgramStarts real = SetProgramStarts({&RefusedCreate, &ScriptedShellStart});
  ScopeExit put_back([&] { SetProgramStarts(real); });
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.create_error << (c.shell_starts ? " shell starts" : " shell refuses"));
    g_start_script = {c.create_error, c.shell_starts, {}};
    ::DeleteFileA(stubs_.log().c_str());
    ASSERT_TRUE(SelectRow("KvTest Elevated"));
    std::vector<DialogScript::Step> steps = {{"确认", "是"}};
    if (c.fallback) steps.push_back({"信息", "确定"});
    DialogScript script(steps);
    tab().Panel2Button1Click();
    EXPECT_TRUE(script.Finished());
    EXPECT_EQ(g_start_script.shell_calls,
              c.runas ? std::vector<std::string>{"runas|" + f + "MsiExec.exe|/X{1234-ABCD}"} : std::vector<std::string>{});
    if (!c.fallback) {
      // Waited for: the uninstaller has written its log by the time the click returns.
      EXPECT_EQ(Log(), f + "MsiExec.exe\n /X{1234-ABCD}\n");
    } else {
      EXPECT_TRUE(test::PumpUntil([&] { return Log().find("appwiz.cpl") != std::string::npos; }));
      EXPECT_EQ(Log().find("MsiExec.exe"), std::string::npos);
    }
  }
}

TEST_F(UninstallActionsTest, NoChangesNothingAndNeitherDoesAClickWithoutSelectionOrWhileBusy) {
  const auto& key = seed_.Entry(UninstallRoot::User, "KvTest Keep", "KvTest Keep", "\"" + stubs_.folder() + "uninst.exe\"");
  form().SelectTab(TabId::Uninstall);
  int rereads = 0;
  tab().after_row = [&] { ++rereads; };
  ASSERT_TRUE(SelectRow("KvTest Keep"));
  for (auto click : {&UninstallTab::Panel2Button1Click, &UninstallTab::Panel2Button2Click}) {
    DialogScript script(std::vector<DialogScript::Step>{{"确认", "否"}});
    (tab().*click)();
    EXPECT_TRUE(script.Finished());
  }
  EXPECT_EQ(rereads, 0);
  EXPECT_EQ(Log(), "");
  EXPECT_TRUE(KeyThere(key.root(), key.path()));
  EXPECT_FALSE(DirectoryExists(state().UndoFolder));
  EXPECT_EQ(list().Selected(), RowOf("KvTest Keep"));

  // Busy, or nothing selected: not even the question comes.
  std::optional<BusyFlag::Hold> held(form().Busy().Take());
  for (auto click : {&UninstallTab::Panel2Button1Click, &UninstallTab::Panel2Button2Click}) {
    DialogScript script(std::vector<DialogScript::Step>{{"确认", "否"}});
    (tab().*click)();
    test::PumpFor(60);
    EXPECT_TRUE(script.Texts().empty());
  }
  held.reset();
  ListView_SetItemState(list().hwnd(), -1, 0, LVIS_SELECTED);
  ASSERT_EQ(list().Selected(), -1);
  for (auto click : {&UninstallTab::Panel2Button1Click, &UninstallTab::Panel2Button2Click}) {
    DialogScript script(std::vector<DialogScript::Step>{{"确认", "否"}});
    (tab().*click)();
    test::PumpFor(60);
    EXPECT_TRUE(script.Texts().empty());
  }
  EXPECT_EQ(rereads, 0);
  tab().after_row = nullptr;
}

class DeleteRecordTest : public UninstallActionsTest {
 protected:
  // Deletes the row's record answering 是 and 确定; returns the result message.
  std::string DeleteRecord(const std::string& name) {
    EXPECT_TRUE(SelectRow(name)) << name;
    DialogScript script({{"确认", "是"}, {"信息", "确定"}});
    tab().Panel2Button2Click();
    EXPECT_TRUE(script.Finished());
    if (script.Texts().size() < 2) return "";
    EXPECT_EQ(script.Texts()[0], DeleteRecordQuestion(name));
    return script.Texts()[1];
  }
  static std::string Named(const std::string& file) { return UndoResultMessage(UndoForm::Named, file, true); }
  ::testing::AssertionResult Import(const std::string& file) {
    return test::ImportWithRegedit(state().WindowsFolder, state().UndoFolder + file);
  }
};

TEST_F(DeleteRecordTest, UndoFileBringsBackTheWholeEntry) {
  const std::string name = "KvTest 删除 Me";
  const auto& key = seed_.Entry(UninstallRoot::User, "KvTest Delete", name, "\"C:\\KvTest\\u.exe\" /x");
  key.SetDword("", "EstimatedSize", 1234);
  key.SetString("", "DisplayIcon", "%SystemRoot%\\x.dll,2", REG_EXPAND_SZ);
  key.SetRaw("", "Blob", REG_BINARY, std::string("\x00\x5C\xFF", 3));
  key.SetString("Sub\\Deeper", "v", "中文\xB1\x5C");
  key.SetString("Empty", "", "");
  const std::string before = test::DumpKeyTree(key.root(), key.path());
  ASSERT_NE(before, "<missing>");
  form().SelectTab(TabId::Uninstall);

  const std::string file = "KvTest 删除 Me_uninstall.reg";
  EXPECT_EQ(DeleteRecord(name), Named(file));
  EXPECT_FALSE(KeyThere(key.root(), key.path()));
  EXPECT_EQ(RowOf(name), -1);
  EXPECT_TRUE(tab().Panel2UndoLabelVisible());

  ASSERT_TRUE(Import(file));
  EXPECT_EQ(test::DumpKeyTree(key.root(), key.path()), before);
}

// The per-user Uninstall keys of three real Windows users: every entry with a name and a command is
// listed; one deleted through the tab comes back exactly from its undo file.
TEST_F(DeleteRecordTest, RealUsersEntriesAreListedAndOneComesBack) {
  auto text_of = [](const RegTreeKey& key, const char16_t* name) {
    for (const auto& v : key.values) {
      if (v.name != name || (v.type != REG_SZ && v.type != REG_EXPAND_SZ)) continue;
      std::wstring w;
      for (char16_t c : Utf16FromBytes(v.data)) w += static_cast<wchar_t>(c);
      std::string out(w.size() * 2 + 1, '\0');
      out.resize(static_cast<size_t>(::WideCharToMultiByte(CP_ACP, 0, w.c_str(), -1, &out[0],
                                                           static_cast<int>(out.size()), nullptr, nullptr)));
      return StringFromRegData(out);
    }
    return std::string();
  };
  for (const char* file : {"win7-user.reg", "win10-user-a.reg", "win10-user-b.reg"}) {
    SCOPED_TRACE(file);
    test::CorpusHive hive(state().WindowsFolder, file);
    ASSERT_TRUE(hive.Imported());
    form().SelectTab(TabId::Startup);
    form().SelectTab(TabId::Uninstall);
    std::vector<std::pair<std::string, std::wstring>> entries;  // display name, key path
    for (const auto& key : hive.Keys()) {
      const std::wstring path = test::CorpusHive::PathBelowRoot(key.path);
      const size_t leaf = path.rfind(L'\\');
      const std::wstring parent = leaf == std::wstring::npos ? L"" : path.substr(0, leaf);
      if (!SameKeyPath(std::u16string(parent.begin(), parent.end()), u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"))
        continue;
      const std::string name = text_of(key, u"DisplayName");
      if (name.empty() || text_of(key, u"UninstallString").empty()) continue;
      EXPECT_GE(RowOf(name), 0) << name;
      entries.emplace_back(name, path);
    }
    if (std::string(file) != "win10-user-a.reg") continue;
    ASSERT_EQ(entries.size(), 1u);
    const auto& [name, wide_path] = entries[0];
    const std::string path(wide_path.begin(), wide_path.end());  // ASCII
    const std::string before = test::DumpKeyTree(HKEY_CURRENT_USER, path);
    ASSERT_NE(before, "<missing>");
    const std::string undo = UninstallUndoName(name);
    EXPECT_EQ(DeleteRecord(name), Named(undo));
    EXPECT_FALSE(KeyThere(HKEY_CURRENT_USER, path));
    ASSERT_TRUE(Import(undo));
    EXPECT_EQ(test::DumpKeyTree(HKEY_CURRENT_USER, path), before);
  }
}

// Both machine views, whichever build deletes: a 32-bit build on 64-bit Windows must still back up
// and delete a 64-bit record, and name a 32-bit one under Wow6432Node.
TEST_F(DeleteRecordTest, ThirtyTwoBitEntryIsExportedAndDeletedUnderOneBackslash) {
  struct Case {
    UninstallRoot root;
    const char* key;
    const char* name;
    const char* section;
  } const cases[] = {
      {UninstallRoot::Machine32, "KvTest Wow", "KvTest Wow Entry",
       "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KvTest Wow]"},
      {UninstallRoot::Machine, "KvTest Native", "KvTest Native Entry",
       "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KvTest Native]"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto& key = seed_.Entry(c.root, c.key, c.name);
    key.SetString("", "Publisher", "Kv");
    form().SelectTab(TabId::Startup);
    form().SelectTab(TabId::Uninstall);
    const std::string file = std::string(c.name) + "_uninstall.reg";
    EXPECT_EQ(DeleteRecord(c.name), Named(file));
    EXPECT_FALSE(KeyThere(HKEY_LOCAL_MACHINE, key.path()));
    const std::string content = test::ReadFile(state().UndoFolder + file);
    EXPECT_NE(content.find(test::Utf16Bytes(c.section)), std::string::npos);
    ASSERT_TRUE(Import(file));
    EXPECT_EQ(RegReadString64(HKEY_LOCAL_MACHINE, key.path(), "Publisher"), "Kv");
  }
}

TEST_F(DeleteRecordTest, QuestionMarkInTheNameStillGivesAUsableFile) {
  const std::string name = "KvTest What? <x64>";
  const auto& key = seed_.Entry(UninstallRoot::Machine, "KvTest Question", name);
  form().SelectTab(TabId::Uninstall);
  const std::string message = DeleteRecord(name);
  const std::string prefix = Named("");
  ASSERT_EQ(message.compare(0, prefix.size(), prefix), 0) << message;
  const std::string file = message.substr(prefix.size());
  EXPECT_EQ(file.find('?'), std::string::npos);
  EXPECT_TRUE(FileExists(state().UndoFolder + file));
  EXPECT_FALSE(KeyThere(key.root(), key.path()));
  ASSERT_TRUE(Import(file));
  EXPECT_EQ(RegReadString64(key.root(), key.path(), "DisplayName"), name);
}

TEST_F(DeleteRecordTest, AnOlderUndoFileIsKeptAndTheNewOneNumbered) {
  const std::string name = "KvTest Twice";
  const auto& key = seed_.Entry(UninstallRoot::User, "KvTest Twice", name);
  EnsureUndoFolder(state());
  ASSERT_TRUE(test::WriteFile(state().UndoFolder + "KvTest Twice_uninstall.reg", "old"));
  form().SelectTab(TabId::Uninstall);
  EXPECT_EQ(DeleteRecord(name), Named(NumberedUndoFileName("KvTest Twice_uninstall.reg", 2)));
  EXPECT_EQ(test::ReadFile(state().UndoFolder + "KvTest Twice_uninstall.reg"), "old");
  EXPECT_FALSE(KeyThere(key.root(), key.path()));
}

}  // namespace
}  // namespace kv
