#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "startup/form2a.h"
#include "startup/startup_actions.h"
#include "startup/startup_tab.h"
#include "sysaccess/programs.h"
#include "sysaccess/text_rules.h"
#include "sysaccess/undo_store.h"
#include "ui/undo_messages.h"
#include "sysaccess/undo_verify.h"
#include "tests/win/startup_fixtures.h"
#include "tests/win/sysaccess_fixtures.h"

namespace kv {
namespace {

using test::SeedValue;
using test::Sz;
using test::ValueExists;
using Steps = std::vector<test::DialogScript::Step>;

// The real main window with tab 1 pointed at scratch Startup and undo folders.
class StartupTabTest : public ::testing::Test {
 protected:
  StartupTabTest() {
    AppState& st = w_.form().State();
    st.StartupFolder = s_.state.StartupFolder;
    st.CommonStartupFolder = s_.state.CommonStartupFolder;
    st.UndoFolder = s_.state.UndoFolder;
    st.UserName = "tester";
  }
  StartupTab& tab() { return static_cast<StartupTab&>(w_.form().Tab(TabId::Startup)); }
  AppState& state() { return w_.form().State(); }
  int RowOf(const std::string& caption) {
    const auto& rows = tab().Rows();
    for (size_t i = 0; i < rows.size(); ++i)
      if (rows[i].caption == caption) return static_cast<int>(i);
    return -1;
  }
  int ImageOf(int row) { return test::ImageOf(tab().Panel1InfoList(), row); }
  // A click where a user clicks, as the panel receives it.
  void ClickPanel(int x, int y) {
    HWND panel = tab().PanelWindow();
    ::PostMessageA(panel, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    ::PostMessageA(panel, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
  }

  test::StartupScratch s_;
  test::MainWindow w_;
};

TEST_F(StartupTabTest, FillShowsRowsIconsAndTheCount) {
  const std::string nocmd = test::Unique("nocommand");
  auto disabled = std::make_unique<test::SeedKey>(HKEY_LOCAL_MACHINE, test::kStartupRegPath + std::string("\\") + nocmd);
  SeedValue user(HKEY_CURRENT_USER, test::kRunPath, test::Unique("应用"), REG_SZ, Sz("C:\\missing\\应用.exe /q"));
  SeedValue notepad(HKEY_CURRENT_USER, test::kRunPath, test::Unique("notepad"), REG_SZ,
                    Sz(state().WindowsFolder + "notepad.exe"));
  SeedValue notepad2(HKEY_LOCAL_MACHINE, test::kRunPath, test::Unique("notepad"), REG_SZ,
                     Sz(state().WindowsFolder + "notepad.exe"));
  ASSERT_TRUE(test::WriteFile(state().StartupFolder + "broken.lnk", "x"));
  ASSERT_TRUE(test::WriteFile(state().CommonStartupFolder + "env.lnk", test::ShortcutBytes("%SystemRoot%\\notepad.exe")));
  // Disabled by Task Manager: a Run entry of the user and the common shortcut; a state that says
  // enabled changes nothing.
  const auto& sources = test::ApprovedSources();
  auto off = std::make_unique<SeedValue>(sources[0].root, sources[0].key(), user.name(), REG_BINARY,
                                         test::ApprovedBytes(0x03));
  auto off_link =
      std::make_unique<SeedValue>(sources[5].root, sources[5].key(), "env.lnk", REG_BINARY, test::ApprovedBytes(0x03));
  SeedValue on(sources[0].root, sources[0].key(), notepad.name(), REG_BINARY, test::ApprovedBytes(0x02));
  tab().Panel1Enter();

  ListView& list = tab().Panel1InfoList();
  const auto& rows = tab().Rows();
  ASSERT_EQ(list.Count(), static_cast<int>(rows.size()));
  size_t disabled_rows = 0;
  for (size_t i = 0; i < rows.size(); ++i) {
    const int r = static_cast<int>(i);
    EXPECT_EQ(list.Cell(r, 0), rows[i].caption);
    EXPECT_EQ(list.Cell(r, 1), rows[i].command);
    EXPECT_EQ(list.Cell(r, 2), rows[i].access);
    EXPECT_FALSE(list.IsChecked(r));
    if (rows[i].source == StartupSource::MsconfigDisabled) {
      EXPECT_EQ(rows[i].access, kStartupDisabled);
    }
    if (rows[i].access == kStartupDisabled) ++disabled_rows;
  }
  EXPECT_EQ(tab().CountText(), StartupCountText(rows.size(), disabled_rows));
  EXPECT_NE(tab().CountText().find("禁用"), std::string::npos);
  EXPECT_EQ(list.Cell(RowOf(user.name()), 2), kStartupDisabled);
  EXPECT_EQ(list.Cell(RowOf("env.lnk"), 2), kStartupDisabled);
  EXPECT_EQ(list.Cell(RowOf(notepad.name()), 2), "tester");

  // Rows without an icon of their own share the generic one; one program shows one icon.
  const int generic = ImageOf(RowOf(nocmd));
  EXPECT_EQ(ImageOf(RowOf("broken.lnk")), generic);
  EXPECT_EQ(ImageOf(RowOf("env.lnk")), generic);
  EXPECT_EQ(ImageOf(RowOf(user.name())), generic);
  const int first = RowOf(notepad.name());
  int second = -1;
  for (size_t i = static_cast<size_t>(first) + 1; i < rows.size(); ++i)
    if (rows[i].caption == notepad.name()) second = static_cast<int>(i);
  ASSERT_GT(second, first);
  EXPECT_EQ(tab().Rows()[static_cast<size_t>(second)].access, kStartupAllUsers);
  EXPECT_EQ(ImageOf(first), ImageOf(second));
  EXPECT_GE(ImageOf(first), 0);

  // Without the disabled entries the label ends after its first part.
  disabled.reset();
  off.reset();
  off_link.reset();
  tab().Panel1Enter();
  size_t still_disabled = 0;
  for (const auto& r : tab().Rows()) still_disabled += r.access == kStartupDisabled;
  EXPECT_EQ(tab().CountText(), StartupCountText(tab().Rows().size(), still_disabled));
  if (still_disabled == 0) {
    EXPECT_EQ(tab().CountText().find("禁用"), std::string::npos);
  }
}

TEST_F(StartupTabTest, UndoLinkShowsExactlyWhenTheFolderExists) {
  tab().Panel1Enter();
  EXPECT_FALSE(tab().UndoLinkVisible());
  EnsureUndoFolder(state());
  tab().Panel1Enter();
  EXPECT_TRUE(tab().UndoLinkVisible());
}

// What a click that arrives in the middle of a fill finds and leaves.
struct MidFill {
  StartupTab* tab = nullptr;
  TForm1* form = nullptr;
  int calls = 0;
  bool was_filling = false;
  size_t rows_before = 0, rows_after = 0;
};
MidFill g_mid_fill;

void CALLBACK ClickDuringFill(HWND, UINT, UINT_PTR, DWORD) {
  MidFill& m = g_mid_fill;
  if (m.calls++ > 0) return;
  m.was_filling = m.form->Busy().IsSet();
  m.rows_before = m.tab->Rows().size();
  m.tab->Panel1Enter();
  m.tab->Panel1Button1Click();
  m.tab->Panel1Button2Click();
  m.form->SelectTab(TabId::Uninstall);
  ::SendMessageA(m.form->hwnd(), WM_CLOSE, 0, 0);
  m.rows_after = m.tab->Rows().size();
}

// Messages run while the list fills; a second fill, a button click, another tab's selection or a
// close arriving then waits for nothing and changes nothing.
TEST_F(StartupTabTest, ClicksAndASecondFillDuringAFillAreIgnored) {
  std::vector<std::unique_ptr<SeedValue>> many;
  for (int i = 0; i < 200; ++i)
    many.push_back(std::make_unique<SeedValue>(HKEY_CURRENT_USER, test::kRunPath, test::Unique("many" + std::to_string(i)),
                                               REG_SZ, Sz("C:\\many.exe")));
  g_mid_fill = MidFill{&tab(), &w_.form()};
  test::DialogScript no_dialog({{"信息", "确定"}, {"添加自动启动项", "取消"}});
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 1, &ClickDuringFill);
  ::Sleep(30);  // due before the fill starts: its first look into the queue runs the timer
  tab().Panel1Enter();
  ::KillTimer(nullptr, timer);
  ASSERT_GT(g_mid_fill.calls, 0);
  EXPECT_TRUE(g_mid_fill.was_filling);
  EXPECT_EQ(g_mid_fill.rows_before, g_mid_fill.rows_after);
  EXPECT_EQ(no_dialog.Texts().size(), 0u);
  EXPECT_EQ(tab().Panel1InfoList().Count(), static_cast<int>(tab().Rows().size()));
  for (const auto& v : many) EXPECT_GE(RowOf(v->name()), 0);
  EXPECT_TRUE(::IsWindow(w_.form().hwnd())) << "closed in the middle of a fill";
  EXPECT_TRUE(::IsWindowVisible(tab().PanelWindow())) << "another tab was entered inside the fill";
  EXPECT_FALSE(w_.form().Busy().IsSet());
}

void SetEdit1(HWND dialog, void* path) {
  HWND edit = ::FindWindowExA(dialog, nullptr, "Edit", nullptr);
  ::SetWindowTextA(edit, static_cast<const char*>(path));
}

void SetEdit1AllUsers(HWND dialog, void* path) {
  SetEdit1(dialog, path);
  ::SendMessageA(test::FindChildByText(dialog, kForm2aAllUsers), BM_CLICK, 0, 0);
}

TEST_F(StartupTabTest, AddsAProgramThroughTheDialog) {
  const std::string program_name = test::Unique("带 空格.exe");
  const std::string program = s_.base.path() + program_name;
  ASSERT_TRUE(test::WriteFile(program, "MZ"));
  const std::string missing = s_.base.path() + "missing.exe";
  test::ValueCleanup user_value(HKEY_CURRENT_USER, test::kRunPath, program_name);
  test::ValueCleanup machine_value(HKEY_LOCAL_MACHINE, test::kRunPath, program_name);

  test::DialogScript script({
      {kForm2aCaption, kForm2aButton1},  // nothing chosen yet
      {"信息", "确定"},
      {kForm2aCaption, kForm2aButton1},  // a file that is not there
      {"信息", "确定"},
      {kForm2aCaption, kForm2aButton1},
  });
  script.OnDialog(2, &SetEdit1, const_cast<char*>(missing.c_str()));
  script.OnDialog(4, &SetEdit1, const_cast<char*>(program.c_str()));
  ClickPanel(350 + 40, 394 + 10);
  ASSERT_TRUE(test::PumpUntil([&] { return script.Finished() && RowOf(program_name) >= 0; }));
  EXPECT_EQ(script.Texts()[1], kForm2aNoProgram);
  EXPECT_EQ(script.Texts()[3], kForm2aFileNotFound);

  test::RawValue v;
  ASSERT_TRUE(test::ReadRaw(HKEY_CURRENT_USER, test::kRunPath, KEY_WOW64_64KEY, program_name, v));
  EXPECT_EQ(v, (test::RawValue{REG_SZ, Sz(program)}));
  const int row = RowOf(program_name);
  EXPECT_EQ(tab().Rows()[static_cast<size_t>(row)].command, program);
  EXPECT_EQ(tab().Rows()[static_cast<size_t>(row)].source, StartupSource::UserRun);

  // A machine Run key the user may only read: he is told so, nothing is written, and the same
  // dialog stays open for another choice.
  {
    test::ReadOnlyKey read_only(HKEY_LOCAL_MACHINE, test::kRunPath);
    test::DialogScript refused(
        Steps{{kForm2aCaption, kForm2aButton1}, {"信息", "确定"}, {kForm2aCaption, kForm2aButton2}});
    refused.OnDialog(0, &SetEdit1AllUsers, const_cast<char*>(program.c_str()));
    tab().Panel1Button1Click();
    ASSERT_TRUE(refused.Finished());
    EXPECT_EQ(refused.Texts()[1], kStartupAddNeedsAdmin);
  }
  EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, test::kRunPath, program_name));

  // For all users, twice: one value in the machine's key.
  for (int round = 0; round < 2; ++round) {
    test::DialogScript again(Steps{{kForm2aCaption, kForm2aButton1}});
    again.OnDialog(0, &SetEdit1AllUsers, const_cast<char*>(program.c_str()));
    tab().Panel1Button1Click();
    EXPECT_TRUE(again.Finished());
  }
  ASSERT_TRUE(test::ReadRaw(HKEY_LOCAL_MACHINE, test::kRunPath, KEY_WOW64_64KEY, program_name, v));
  EXPECT_EQ(v, (test::RawValue{REG_SZ, Sz(program)}));
  int machine_rows = 0;
  for (const auto& r : tab().Rows()) machine_rows += r.caption == program_name && r.source == StartupSource::MachineRun;
  EXPECT_EQ(machine_rows, 1);

  // Cancel adds nothing and does not re-read.
  test::DialogScript cancel(Steps{{kForm2aCaption, kForm2aButton2}});
  cancel.OnDialog(0, &SetEdit1, const_cast<char*>(missing.c_str()));
  tab().Panel1Button1Click();
  EXPECT_TRUE(cancel.Finished());
  EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, test::kRunPath, "missing.exe"));
}

struct BrowseCheck {
  std::string pick;        // typed into the open-file dialog
  std::string look_in;     // what its folder box showed
  std::string filter;      // what its type box showed
  std::string edit1;       // TForm2a's Edit1 afterwards
};

void PickInOpenDialog(HWND dialog, void* ctx) {
  auto* c = static_cast<BrowseCheck*>(ctx);
  c->look_in = WindowText(::GetDlgItem(dialog, 0x471));
  c->filter = WindowText(::GetDlgItem(dialog, 0x470));
  HWND edit = ::FindWindowExA(::FindWindowExA(::GetDlgItem(dialog, 0x47C), nullptr, "ComboBox", nullptr), nullptr,
                              "Edit", nullptr);
  ::SetWindowTextA(edit ? edit : ::GetDlgItem(dialog, 0x47C), c->pick.c_str());
}

void ReadEdit1(HWND dialog, void* ctx) {
  static_cast<BrowseCheck*>(ctx)->edit1 = WindowText(::FindWindowExA(dialog, nullptr, "Edit", nullptr));
}

// "..." opens the open-file dialog in Program Files with the programs filter; the chosen file's
// full path lands in Edit1.
TEST_F(StartupTabTest, TheSelectButtonPutsTheChosenPathIntoEdit1) {
  const std::string program = s_.base.path() + "选择.exe";
  ASSERT_TRUE(test::WriteFile(program, "MZ"));
  BrowseCheck check;
  check.pick = program;
  test::DialogScript script(Steps{{kForm2aCaption, "..."}, {"打开", "打开(&O)"}, {kForm2aCaption, kForm2aButton2}});
  script.OnDialog(1, &PickInOpenDialog, &check);
  script.OnDialog(2, &ReadEdit1, &check);
  tab().Panel1Button1Click();
  ASSERT_TRUE(script.Finished());
  std::string folder = state().ProgramFilesFolder;
  folder.pop_back();
  EXPECT_EQ(check.look_in, folder.substr(folder.rfind('\\') + 1));
  EXPECT_EQ(check.filter, "Programs");
  EXPECT_EQ(check.edit1, program);
}

TEST_F(StartupTabTest, TickTwoRowsDeleteAnswerYesAndImportTheFileBack) {
  SeedValue foo(HKEY_CURRENT_USER, test::kRunPath, "Foo.exe", REG_SZ, Sz("\"C:\\Program Files\\Foo\\Foo.exe\" /min \"a\\\\b\""));
  SeedValue chinese(HKEY_CURRENT_USER, test::kRunPath, "中文\"x\"", REG_SZ, Sz("C:\\程序\\应用.exe"));
  SeedValue expand(HKEY_CURRENT_USER, test::kRunPath, test::Unique("expand"), REG_EXPAND_SZ,
                   Sz("%SystemRoot%\\system32\\中文.exe"));
  SeedValue machine(HKEY_LOCAL_MACHINE, test::kRunPath, test::Unique("machine"), REG_SZ, Sz("  C:\\spaced.exe  "));
  SeedValue untouched(HKEY_CURRENT_USER, test::kRunPath, test::Unique("untouched"), REG_SZ, Sz("C:\\u.exe"));
  // Task Manager disabled one, the machine's entry has an enabled state: both go and come back.
  const auto& sources = test::ApprovedSources();
  SeedValue chinese_off(sources[0].root, sources[0].key(), chinese.name(), REG_BINARY, test::ApprovedBytes(0x03));
  SeedValue machine_on(sources[1].root, sources[1].key(), machine.name(), REG_BINARY, test::ApprovedBytes(0x06));
  const auto user_before = test::KeyValues(HKEY_CURRENT_USER, test::kRunPath);
  const auto machine_before = test::KeyValues(HKEY_LOCAL_MACHINE, test::kRunPath);
  const auto user_states = test::KeyValues(sources[0].root, sources[0].key());
  const auto machine_states = test::KeyValues(sources[1].root, sources[1].key());
  tab().Panel1Enter();
  ASSERT_GE(RowOf(chinese.name()), 0);
  EXPECT_EQ(tab().Panel1InfoList().Cell(RowOf(chinese.name()), 2), kStartupDisabled);
  for (const auto* name : {&foo.name(), &chinese.name(), &expand.name(), &machine.name()}) {
    const int row = RowOf(*name);
    ASSERT_GE(row, 0) << *name;
    tab().Panel1InfoList().SetChecked(row, true);
  }

  test::DialogScript script({{"确认", "是"}, {"信息", "确定"}});
  tab().Panel1Button2Click();
  ASSERT_TRUE(script.Finished());
  EXPECT_EQ(script.Texts()[0], kStartupConfirmDelete);
  EXPECT_EQ(script.Texts()[1], "成功删除记录，创建撤消文件。");
  for (const auto* name : {&foo.name(), &chinese.name(), &expand.name(), &machine.name()})
    EXPECT_LT(RowOf(*name), 0) << "the list was read again";
  EXPECT_GE(RowOf(untouched.name()), 0);
  EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, test::kRunPath, "Foo.exe"));
  EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, test::kRunPath, machine.name()));
  EXPECT_FALSE(ValueExists(sources[0].root, sources[0].key(), chinese.name()));
  EXPECT_FALSE(ValueExists(sources[1].root, sources[1].key(), machine.name()));
  EXPECT_TRUE(tab().UndoLinkVisible());

  // The one file of this deletion restores both keys exactly.
  WIN32_FIND_DATAA fd;
  UniqueFind find(::FindFirstFileA((state().UndoFolder + "*_startup.reg").c_str(), &fd));
  ASSERT_TRUE(find);
  EXPECT_FALSE(::FindNextFileA(find.get(), &fd));
  ASSERT_TRUE(test::ImportWithRegedit(state().WindowsFolder, state().UndoFolder + fd.cFileName));
  EXPECT_EQ(test::KeyValues(HKEY_CURRENT_USER, test::kRunPath), user_before);
  EXPECT_EQ(test::KeyValues(HKEY_LOCAL_MACHINE, test::kRunPath), machine_before);
  EXPECT_EQ(test::KeyValues(sources[0].root, sources[0].key()), user_states);
  EXPECT_EQ(test::KeyValues(sources[1].root, sources[1].key()), machine_states);
}

// The Run keys of three real Windows users: every entry is listed under its source with its Task
// Manager state (these users' files hold none: all enabled); those of two of them deleted through
// the tab come back exactly from the undo file, which holds, read by the Windows editor's rules,
// the very names, types and data the user had, states included.
TEST_F(StartupTabTest, RealUsersRunEntriesAreListedAndTheirUndoFileRestoresThem) {
  const struct {
    const char* file;
    bool deleted;
  } users[] = {{"win7-user.reg", true}, {"win10-user-a.reg", true}, {"win10-user-b.reg", false}};
  auto narrow = [](const std::u16string& s) {
    const std::wstring w(s.begin(), s.end());
    std::string out(w.size() * 2, '\0');
    out.resize(static_cast<size_t>(::WideCharToMultiByte(CP_ACP, 0, w.data(), static_cast<int>(w.size()), &out[0],
                                                         static_cast<int>(out.size()), nullptr, nullptr)));
    return out;
  };
  for (const auto& user : users) {
    SCOPED_TRACE(user.file);
    test::CorpusHive hive(state().WindowsFolder, user.file);
    ASSERT_TRUE(hive.Imported());
    const auto run = hive.KeysEndingWith(u"\\CurrentVersion\\Run");
    ASSERT_EQ(run.size(), 1u);
    ASSERT_FALSE(run[0].values.empty());
    for (const auto& once : hive.KeysEndingWith(u"\\RunOnce")) EXPECT_TRUE(once.values.empty());
    // What the undo file must put back: the Run values and the states of those that have one.
    std::vector<RegTreeKey> expected = run;
    for (const auto& states : hive.KeysEndingWith(u"\\Explorer\\StartupApproved\\Run")) {
      RegTreeKey key{states.path, {}};
      for (const auto& sv : states.values)
        for (const auto& v : run[0].values)
          if (sv.name == v.name) key.values.push_back(sv);
      if (!key.values.empty()) expected.push_back(key);
    }
    auto state_of = [&](const std::u16string& name) -> const RegTreeValue* {
      for (size_t k = 1; k < expected.size(); ++k)
        for (const auto& sv : expected[k].values)
          if (sv.name == name) return &sv;
      return nullptr;
    };
    tab().Panel1Enter();
    std::vector<std::string> names;
    for (const auto& v : run[0].values) {
      names.push_back(narrow(v.name));
      const int row = RowOf(names.back());
      ASSERT_GE(row, 0) << names.back();
      EXPECT_EQ(tab().Rows()[static_cast<size_t>(row)].source, StartupSource::UserRun);
      const RegTreeValue* state = state_of(v.name);
      EXPECT_EQ(tab().Rows()[static_cast<size_t>(row)].access,
                state && StartupApprovedDisables(state->type, state->data) ? kStartupDisabled : "tester");
    }
    if (!user.deleted) continue;

    const auto before = test::KeyValues(HKEY_CURRENT_USER, test::kRunPath);
    for (const auto& name : names) tab().Panel1InfoList().SetChecked(RowOf(name), true);
    test::DialogScript script({{"确认", "是"}, {"信息", "确定"}});
    tab().Panel1Button2Click();
    ASSERT_TRUE(script.Finished());
    EXPECT_EQ(script.Texts()[1], "成功删除记录，创建撤消文件。");
    for (const auto& name : names) EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, test::kRunPath, name)) << name;

    WIN32_FIND_DATAA fd;
    UniqueFind find(::FindFirstFileA((state().UndoFolder + "*_startup.reg").c_str(), &fd));
    ASSERT_TRUE(find);
    const std::string file = state().UndoFolder + fd.cFileName;
    RegFileContent content;
    std::string why;
    ASSERT_TRUE(ReadRegFile(test::ReadFile(file), DecodeCodePage, content, &why)) << why;
    EXPECT_TRUE(content.unicode);
    EXPECT_TRUE(RegFileRestores(content, expected, &why)) << why;
    ASSERT_TRUE(test::ImportWithRegedit(state().WindowsFolder, file));
    EXPECT_EQ(test::KeyValues(HKEY_CURRENT_USER, test::kRunPath), before);
    find.reset();
    ::DeleteFileA(file.c_str());
  }
}

TEST_F(StartupTabTest, NothingCheckedTheSelectedRowIsTickedAndNoKeepsIt) {
  SeedValue v(HKEY_CURRENT_USER, test::kRunPath, test::Unique("keep"), REG_SZ, Sz("C:\\keep.exe"));
  tab().Panel1Enter();
  const int row = RowOf(v.name());
  ASSERT_GE(row, 0);
  tab().Panel1InfoList().Select(row);
  test::DialogScript script(Steps{{"确认", "否"}});
  tab().Panel1Button2Click();
  ASSERT_TRUE(script.Finished());
  EXPECT_TRUE(tab().Panel1InfoList().IsChecked(row));
  EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, test::kRunPath, v.name()));
  EXPECT_FALSE(DirectoryExists(state().UndoFolder));
}

TEST_F(StartupTabTest, NothingSelectedAsksForASelection) {
  ASSERT_TRUE(test::WriteFile(state().StartupFolder + "one.lnk", "x"));  // the list has at least one row
  tab().Panel1Enter();
  ListView_SetItemState(tab().Panel1InfoList().hwnd(), -1, 0, LVIS_SELECTED);
  test::DialogScript script(Steps{{"信息", "确定"}});
  ClickPanel(518 + 80, 394 + 13);
  ASSERT_TRUE(test::PumpUntil([&] { return script.Finished(); }));
  EXPECT_EQ(script.Texts()[0], kStartupSelectOne);
  EXPECT_TRUE(FileExists(state().StartupFolder + "one.lnk"));
}

// A file named Undo beside the program stands in for a Program Files folder a standard user cannot
// write: the per-user folder takes the file, the message names it and the undo link opens it.
// With that one blocked too, nothing is deleted and the ticks stay for another try.
TEST_F(StartupTabTest, AFolderBesideTheProgramThatCannotBeMadeFallsBackOrKeepsTheTicks) {
  test::ScratchFolder local;
  const std::string user_folder = local.path() + "Korvane\\Undo\\";
  for (const bool per_user_blocked : {false, true}) {
    SCOPED_TRACE(per_user_blocked ? "both blocked" : "beside the program blocked");
    state().ExeFolder = s_.base.path();
    state().UndoFolder = s_.state.UndoFolder;
    state().UserUndoFolder = user_folder;
    SeedValue v(HKEY_CURRENT_USER, test::kRunPath, test::Unique("kept"), REG_SZ, Sz("C:\\kept.exe"));
    ASSERT_TRUE(test::WriteFile(s_.base.path() + "Undo", "a file where the folder should be"));
    if (per_user_blocked) {
      ASSERT_TRUE(test::WriteFile(local.path() + "Korvane", "a file where the folder should be"));
    }
    tab().Panel1Enter();
    EXPECT_FALSE(tab().UndoLinkVisible());
    const int row = RowOf(v.name());
    ASSERT_GE(row, 0);
    tab().Panel1InfoList().SetChecked(row, true);
    test::DialogScript script({{"确认", "是"}, {"信息", "确定"}});
    tab().Panel1Button2Click();
    ASSERT_TRUE(script.Finished());
    if (per_user_blocked) {
      EXPECT_EQ(script.Texts()[1], kUndoNotCreated);
      EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, test::kRunPath, v.name()));
      EXPECT_TRUE(tab().Panel1InfoList().IsChecked(row));
      EXPECT_EQ(state().UndoFolder, s_.state.UndoFolder);
      continue;
    }
    EXPECT_EQ(script.Texts()[1], std::string("成功删除记录，创建撤消文件。\r") + kUndoFolderCaption + user_folder);
    EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, test::kRunPath, v.name()));
    WIN32_FIND_DATAA fd;
    EXPECT_TRUE(UniqueFind(::FindFirstFileA((user_folder + "*_startup.reg").c_str(), &fd)));
    // The link opens UndoFolder: now the per-user one.
    EXPECT_EQ(state().UndoFolder, user_folder);
    EXPECT_TRUE(tab().UndoLinkVisible());
    test::RemoveTree(local.path() + "Korvane");
  }
}

// What the list's context menu showed: each item's text and whether it could be chosen.
std::vector<std::pair<std::string, bool>> g_menu_items;

// Runs inside the menu's own loop: reads the open menu and closes it unchosen.
void CALLBACK ReadOpenMenu(HWND, UINT, UINT_PTR, DWORD) {
  HWND popup = nullptr;
  while ((popup = ::FindWindowExA(nullptr, popup, "#32768", nullptr)) != nullptr)
    if (::IsWindowVisible(popup)) break;
  HMENU menu = popup ? reinterpret_cast<HMENU>(::SendMessageA(popup, MN_GETHMENU, 0, 0)) : nullptr;
  if (!menu || !g_menu_items.empty()) return;
  for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
    char text[64] = {};
    ::GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
    g_menu_items.emplace_back(text, !(::GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_GRAYED));
  }
  ::EndMenu();
}

struct Started {
  std::string program, parameters;
};
Started g_started;
UniqueHandle RecordStart(const std::string& program, const std::string& parameters) {
  g_started = {program, parameters};
  return UniqueHandle();
}

// The third button, the context menu and the list's keys act on the row as the user sees it: the
// caption and the menu follow it, a disable is written at once and shown in place.
TEST_F(StartupTabTest, TheStateButtonTheMenuAndTheKeysFollowTheRow) {
  state().WindowsMajor = 10;
  SeedValue on(HKEY_CURRENT_USER, test::kRunPath, test::Unique("开关"), REG_SZ, Sz(state().WindowsFolder + "notepad.exe"));
  SeedValue once(HKEY_CURRENT_USER, test::kRunOncePath, test::Unique("once"), REG_SZ, Sz("C:\\missing\\once.exe"));
  test::ValueCleanup state_value(HKEY_CURRENT_USER, test::ApprovedSources()[0].key(), on.name());
  tab().Panel1Enter();
  ListView& list = tab().Panel1InfoList();
  const size_t disabled_before = std::count_if(tab().Rows().begin(), tab().Rows().end(),
                                               [](const StartupRow& r) { return r.disabled; });
  list.Select(RowOf(on.name()));
  EXPECT_EQ(tab().Button3Caption(), kStartupDisableButton);

  // The menu by the right mouse button over the row, and by the keyboard: for the context-menu key
  // and Shift+F10 Windows' DefWindowProc sends the list WM_CONTEXTMENU at (-1, -1) ("WM_CONTEXTMENU
  // message", learn.microsoft.com), which Wine's does not, so the test sends it as Windows would.
  const struct {
    const char* row;
    bool keyboard;
    std::vector<std::pair<std::string, bool>> items;
  } menus[] = {
      {"enabled, its program there", false,
       {{kStartupMenuDisable, true}, {kStartupMenuEnable, false}, {kStartupMenuOpenFolder, true},
        {kStartupDeleteButton, true}}},
      {"run once, its program missing", true,
       {{kStartupMenuDisable, false}, {kStartupMenuEnable, false}, {kStartupMenuOpenFolder, false},
        {kStartupDeleteButton, true}}},
  };
  for (const auto& m : menus) {
    SCOPED_TRACE(m.row);
    const int row = RowOf(m.keyboard ? once.name() : on.name());
    g_menu_items.clear();
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, &ReadOpenMenu);
    if (m.keyboard) {
      list.Select(row);
      ::PostMessageA(list.hwnd(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list.hwnd()), MAKELPARAM(-1, -1));
    } else {
      ListView_SetItemState(list.hwnd(), -1, 0, LVIS_SELECTED);
      RECT rc{LVIR_LABEL, 0, 0, 0};
      ::SendMessageA(list.hwnd(), LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&rc));
      const LPARAM at = MAKELPARAM(rc.left + 5, (rc.top + rc.bottom) / 2);
      ::PostMessageA(list.hwnd(), WM_RBUTTONDOWN, MK_RBUTTON, at);
      ::PostMessageA(list.hwnd(), WM_RBUTTONUP, 0, at);
    }
    EXPECT_TRUE(test::PumpUntil([] { return !g_menu_items.empty(); }));
    ::KillTimer(nullptr, timer);
    EXPECT_EQ(g_menu_items, m.items);
    EXPECT_EQ(list.Selected(), row) << "the menu is the row's under the pointer";
  }

  // Open file location: Explorer with the program selected.
  list.Select(RowOf(on.name()));
  const ProgramStarts real = SetProgramStarts({&RecordStart, nullptr});
  ::SendMessageA(tab().PanelWindow(), WM_COMMAND, kMenuOpenFolder, 0);
  SetProgramStarts(real);
  EXPECT_EQ(AsciiUpper(g_started.program), AsciiUpper(state().WindowsFolder + "explorer.exe"));
  EXPECT_EQ(AsciiUpper(g_started.parameters), AsciiUpper("/select,\"" + state().WindowsFolder + "notepad.exe\""));

  // The button disables the row at once: Task Manager's bytes, the access cell, the count.
  FILETIME ft{};
  ::GetSystemTimeAsFileTime(&ft);
  const uint64_t now = (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
  ClickPanel(182 + 40, 394 + 10);
  ASSERT_TRUE(test::PumpUntil([&] { return tab().Rows()[static_cast<size_t>(RowOf(on.name()))].disabled; }));
  test::RawValue v;
  ASSERT_TRUE(test::ReadRaw(HKEY_CURRENT_USER, test::ApprovedSources()[0].key(), KEY_WOW64_64KEY, on.name(), v));
  ASSERT_EQ(v.data.size(), 12u);
  const uint64_t since = StartupDisabledSince(v.type, v.data);
  EXPECT_LT(since - now, 60ull * 10000000) << "a FILETIME within a minute of now";
  EXPECT_EQ(list.Cell(RowOf(on.name()), 2), kStartupDisabled);
  EXPECT_EQ(tab().CountText(), StartupCountText(tab().Rows().size(), disabled_before + 1));
  EXPECT_EQ(tab().Button3Caption(), kStartupEnableButton);
  // Its tip says when, in local time.
  NMLVGETINFOTIPA tip{};
  char text[80] = {};
  tip.hdr = {list.hwnd(), 1101, static_cast<UINT>(LVN_GETINFOTIPA)};
  tip.pszText = text;
  tip.cchTextMax = sizeof text;
  tip.iItem = RowOf(on.name());
  ::SendMessageA(tab().PanelWindow(), WM_NOTIFY, 1101, reinterpret_cast<LPARAM>(&tip));
  SYSTEMTIME local{};
  ::GetLocalTime(&local);
  EXPECT_EQ(std::string(text).substr(0, 20), StartupDisabledTip(local.wYear, local.wMonth, local.wDay, 0, 0).substr(0, 20));
  // Through the menu's item, back to enabled: the menu's row alone, whatever else is ticked.
  list.SetChecked(RowOf(once.name()), true);
  EXPECT_EQ(tab().Button3Caption(), kStartupDisableButton) << "the button takes the ticked row";
  ::SendMessageA(tab().PanelWindow(), WM_COMMAND, kMenuEnable, 0);
  EXPECT_EQ(list.Cell(RowOf(on.name()), 2), "tester");
  list.SetChecked(RowOf(once.name()), false);

  // Delete asks first, as the button does; F5 reads the tab again.
  test::DialogScript no(Steps{{"确认", "否"}});
  ::SendMessageA(list.hwnd(), WM_KEYDOWN, VK_DELETE, 0);
  EXPECT_TRUE(no.Finished());
  EXPECT_EQ(no.Texts()[0], kStartupConfirmDelete);
  EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, test::kRunPath, on.name()));
  SeedValue later(HKEY_CURRENT_USER, test::kRunPath, test::Unique("later"), REG_SZ, Sz("C:\\later.exe"));
  ::SendMessageA(list.hwnd(), WM_KEYDOWN, VK_F5, 0);
  EXPECT_GE(RowOf(later.name()), 0);
}

}  // namespace
}  // namespace kv
