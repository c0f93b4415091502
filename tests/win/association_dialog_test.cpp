// Adding and editing associations through TForm2b, answered from inside its modal loop, with
// the values it writes under HKEY_CLASSES_ROOT read back exactly.
#include <gtest/gtest.h>

#include <optional>

#include <string>
#include <vector>

#include "associations/association_actions.h"
#include "associations/form2b.h"
#include "sysaccess/text_rules.h"
#include "tests/win/association_test_support.h"

namespace kv {
namespace {

using test::DialogScript;
using test::FormFill;
using test::HasDefault;
using Steps = std::vector<DialogScript::Step>;

class AssociationDialogTest : public ::testing::Test {
 protected:
  TForm1& form() { return main_.form(); }
  AssociationTab& tab() { return test::Tab4(main_.form()); }

  // A program file that exists, in the scratch folder.
  std::string Program(const std::string& name) {
    const std::string path = folder_.path() + name;
    EXPECT_TRUE(test::WriteFile(path, "MZ"));
    return path;
  }

  // Runs the dialog in `mode` over the main window with the script's answers, saving what it
  // confirms as the tab does; true when it saved.
  bool Run(AssociationMode mode, DialogScript& script, const std::string& ext = "", const std::string& desc = "",
           const std::string& prog = "", const std::string& browse = "") {
    TForm2b dlg(form().Ui());
    EXPECT_TRUE(dlg.Create(form().hwnd()));
    dlg.Mode = mode;
    dlg.Extension = ext;
    dlg.Description = desc;
    dlg.ProgramText = prog;
    dlg.BrowseFolder = browse;
    dlg.Apply = [&]() -> std::string {
      EXPECT_EQ(SaveAssociation(mode, dlg.Extension, dlg.Description, dlg.ProgramText, mode == kModeEdit ? prog : "")
                    .result,
                AssociationSaved::Saved);
      return "";
    };
    const bool saved = dlg.Run(form().hwnd());
    EXPECT_TRUE(script.Finished());
    last_ = {dlg.Extension, dlg.Description, dlg.ProgramText};
    return saved;
  }

  test::SeededClasses seeded_;
  test::ScratchFolder folder_;
  test::MainWindow main_;
  std::vector<std::string> last_;  // Extension, Description, ProgramText after the run
};

TEST_F(AssociationDialogTest, AddWritesTheFourValues) {
  seeded_.Own(".kvtstabc");
  seeded_.Own("kvtstabc.file");
  const std::string exe = Program("abc.exe");
  FormFill fill{".kvtstabc", "KV test file", exe};
  DialogScript script({{kForm2bAddCaption, kForm2bSaveCaption}, {"确认", "是"}});
  script.OnDialog(0, &FormFill::Apply, &fill);
  ASSERT_TRUE(Run(kModeAdd, script));
  EXPECT_EQ(script.Texts()[1], kAddQuestion);
  EXPECT_EQ(fill.seen_ext, "");
  EXPECT_TRUE(HasDefault(".kvtstabc", "kvtstabc.file"));
  EXPECT_TRUE(HasDefault("kvtstabc.file", "KV test file"));
  EXPECT_TRUE(HasDefault("kvtstabc.file\\shell\\open\\command", exe + " \"%1\""));
  EXPECT_TRUE(HasDefault("kvtstabc.file\\DefaultIcon", "\"" + exe + "\", -1"));
}

TEST_F(AssociationDialogTest, CommandAndIconFollowTheProgramText) {
  struct Case {
    AssociationMode mode;
    std::string ext, program, command_tail;  // the command is the program plus this
  } cases[] = {
      {kModeAdd, ".kvtstq1", Program("my tool.exe"), " \"%1\""},  // blanks: unquoted path, suffix
      {kModeAdd, ".kvtstq2", Program("a%b.exe"), ""},
      {kModeAdd, ".kvtstq3", Program("x -y.exe"), ""},
      {kModeEdit, ".kvtstq4", "C:\\Tools\\abc.exe /open", ""},  // "/" cannot be in a file name
  };
  for (const auto& c : cases) {
    const std::string type = c.ext.substr(1) + ".file";
    seeded_.Own(c.ext);
    seeded_.Own(type);
    FormFill fill{c.ext, "d", c.program};
    DialogScript script({{c.mode == kModeAdd ? kForm2bAddCaption : kForm2bEditCaption, kForm2bSaveCaption},
                         {"确认", "是"}});
    script.OnDialog(0, &FormFill::Apply, &fill);
    ASSERT_TRUE(Run(c.mode, script)) << c.program;
    EXPECT_TRUE(HasDefault(c.ext, type));
    EXPECT_TRUE(HasDefault(type + "\\shell\\open\\command", c.program + c.command_tail));
    EXPECT_TRUE(HasDefault(type + "\\DefaultIcon", "\"" + c.program + "\", -1"));
  }
}

TEST_F(AssociationDialogTest, ExistingExtensionIsRepointedAfterTheReplaceQuestion) {
  seeded_.Set(".kvtstrep", "", "kvtstold.type");
  seeded_.Set("kvtstold.type", "", "Old");
  seeded_.Set("kvtstold.type\\shell\\open\\command", "", "C:\\old.exe \"%1\"");
  seeded_.Own("kvtstrep.file");
  const std::string old_type = test::DumpClassTree("kvtstold.type");
  const std::string exe = Program("rep.exe");
  FormFill first{".kvtstrep", "New", exe}, second;
  // No keeps the dialog open with everything typed; Yes writes.
  DialogScript script({{kForm2bAddCaption, kForm2bSaveCaption},
                       {"确认", "否"},
                       {kForm2bAddCaption, kForm2bSaveCaption},
                       {"确认", "是"}});
  script.OnDialog(0, &FormFill::Apply, &first);
  script.OnDialog(2, &FormFill::Apply, &second);
  ASSERT_TRUE(Run(kModeAdd, script));
  EXPECT_EQ(script.Texts()[1], kReplaceQuestion);
  EXPECT_EQ(script.Texts()[3], kReplaceQuestion);
  EXPECT_EQ(second.seen_ext, ".kvtstrep");
  EXPECT_EQ(second.seen_desc, "New");
  EXPECT_EQ(second.seen_prog, exe);
  EXPECT_TRUE(HasDefault(".kvtstrep", "kvtstrep.file"));
  EXPECT_TRUE(HasDefault("kvtstrep.file", "New"));
  EXPECT_EQ(test::DumpClassTree("kvtstold.type"), old_type);
}

TEST_F(AssociationDialogTest, EachCheckShowsItsMessageAndKeepsTheDialogOpen) {
  seeded_.Own(".kvtstv");
  seeded_.Own("kvtstv.file");
  const std::string missing = folder_.path() + "missing.exe";
  FormFill none, desc_empty{std::nullopt, "", std::nullopt}, no_prog{std::nullopt, "d", std::nullopt},
      no_dot{std::nullopt, std::nullopt, missing}, slash{".kv\\tstv", std::nullopt, std::nullopt},
      not_found{".kvtstv", std::nullopt, std::nullopt}, last;
  std::string description_after_leaving, description_after_deactivating;
  struct Leave {
    std::string* out;
    std::string* kept;
    static void Apply(HWND dialog, void* ctx) {
      Leave* self = static_cast<Leave*>(ctx);
      const std::vector<HWND> e = test::DialogEdits(dialog);
      ::SetFocus(e[0]);
      ::SetWindowTextA(e[0], "kvtstv");
      ::SetWindowTextA(e[1], "typed");
      // Another window taking the focus (Alt+Tab, a message) is no leaving of the box.
      HWND other = ::CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 8, 8, nullptr, nullptr,
                                     ::GetModuleHandleA(nullptr), nullptr);
      ::SetActiveWindow(other);
      EXPECT_NE(::GetFocus(), e[0]);
      *self->kept = test::TextOf(e[1]);
      ::DestroyWindow(other);
      // Back in the dialog the focus returns to the box; typing an extension without its dot and
      // leaving the box for the next one fills the description.
      ::SetActiveWindow(dialog);
      ::SetFocus(e[1]);
      *self->out = test::TextOf(e[1]);
      ::SetWindowTextA(e[1], "");
    }
  } leave{&description_after_leaving, &description_after_deactivating};
  std::vector<DialogScript::Step> steps;
  for (int i = 0; i < 6; ++i) {
    steps.push_back({kForm2bAddCaption, kForm2bSaveCaption});
    steps.push_back({"信息", "确定"});
  }
  steps.push_back({kForm2bAddCaption, kForm2bCancelCaption});
  DialogScript script(steps);
  script.OnDialog(0, &FormFill::Apply, &none);
  script.OnDialog(2, &Leave::Apply, &leave);
  script.OnDialog(4, &FormFill::Apply, &no_prog);
  script.OnDialog(6, &FormFill::Apply, &no_dot);
  script.OnDialog(8, &FormFill::Apply, &slash);
  script.OnDialog(10, &FormFill::Apply, &not_found);
  script.OnDialog(12, &FormFill::Apply, &last);
  EXPECT_FALSE(Run(kModeAdd, script));
  const char* expected[] = {kNoExtensionText, kNoDescriptionText, kNoProgramText,
                            kNoDotText,       kBackslashText,     kFileNotFoundText};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(script.Texts()[static_cast<size_t>(2 * i + 1)], expected[i]) << i;
  EXPECT_EQ(std::string(kBackslashText), "在扩展中的无效符号 \"\\\" ！");
  EXPECT_EQ(description_after_deactivating, "typed");
  EXPECT_EQ(description_after_leaving, "kvtstv.file");
  EXPECT_EQ(last.seen_ext, ".kvtstv");
  EXPECT_EQ(last.seen_desc, "d");
  EXPECT_EQ(last.seen_prog, missing);
  // The boxes were taken over by the last save that got past the first three checks.
  EXPECT_EQ(last_, (std::vector<std::string>{".kvtstv", "d", missing}));
  EXPECT_FALSE(test::ClassKeyExists(".kvtstv"));
  EXPECT_FALSE(test::ClassKeyExists("kvtstv.file"));
}

TEST_F(AssociationDialogTest, ShowFormFillsTheBoxesAndTheCaptionByMode) {
  FormFill seen;
  DialogScript script(Steps{{kForm2bEditCaption, kForm2bCancelCaption}});
  script.OnDialog(0, &FormFill::Apply, &seen);
  EXPECT_FALSE(Run(kModeEdit, script, ".kvtstx", "X file", "C:\\x.exe \"%1\""));
  EXPECT_EQ(seen.caption, kForm2bEditCaption);
  EXPECT_EQ(seen.seen_ext, ".kvtstx");
  EXPECT_EQ(seen.seen_desc, "X file");
  EXPECT_EQ(seen.seen_prog, "C:\\x.exe \"%1\"");
  EXPECT_FALSE(test::ClassKeyExists(".kvtstx"));
}

TEST_F(AssociationDialogTest, SelectButtonPutsThePickedFileIntoTheProgramBox) {
  const std::string exe = Program("pick.exe");
  struct Pick {
    static void Apply(HWND dialog, void*) {
      // The file name box of the open dialog; a bare name is taken from the folder it opened in.
      HWND name = ::GetDlgItem(dialog, 0x47c);
      if (!name) name = ::GetDlgItem(dialog, 0x480);
      ASSERT_NE(name, nullptr);
      ::SetWindowTextA(name, "pick.exe");
    }
  };
  FormFill seen;
  DialogScript script({{kForm2bAddCaption, kForm2bSelectCaption}, {"打开", "打开(&O)"},
                       {kForm2bAddCaption, kForm2bCancelCaption}});
  script.OnDialog(1, &Pick::Apply, nullptr);
  script.OnDialog(2, &FormFill::Apply, &seen);
  EXPECT_FALSE(Run(kModeAdd, script, "", "", "", folder_.path()));
  EXPECT_EQ(seen.seen_prog, exe);
  static const char filter[] = "Programs\0*.exe\0All files\0*.*\0";
  EXPECT_EQ(std::string(kProgramFilter, kProgramFilterSize), std::string(filter, sizeof filter));
}

// ---- Through the tab ----

class AssociationEditTest : public AssociationDialogTest {
 protected:
  ListView& list() { return tab().Panel4InfoList(); }
  int Select(const std::string& ext) {
    const int row = test::RowOf(list(), ext);
    EXPECT_GE(row, 0) << ext;
    if (row >= 0) {
      list().Select(row);
      ::SendMessageA(list().hwnd(), LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
    }
    return row;
  }
};

TEST_F(AssociationEditTest, CancelWritesNothingAndKeepsTheList) {
  seeded_.Own(".kvtstcan");
  form().SelectTab(TabId::Associations);
  const int count = list().Count();
  const std::string label = tab().Panel4InfoLabel().text;
  seeded_.Key(".kvtstlate");  // would show up if the list were read again
  FormFill fill{".kvtstcan", "d", Program("can.exe")};
  DialogScript script(Steps{{kForm2bAddCaption, kForm2bCancelCaption}});
  script.OnDialog(0, &FormFill::Apply, &fill);
  tab().Panel4Button1Click();
  EXPECT_TRUE(script.Finished());
  EXPECT_FALSE(test::ClassKeyExists(".kvtstcan"));
  EXPECT_FALSE(test::ClassKeyExists("kvtstcan.file"));
  EXPECT_EQ(list().Count(), count);
  EXPECT_EQ(test::RowOf(list(), ".kvtstlate"), -1);
  EXPECT_EQ(tab().Panel4InfoLabel().text, label);
}

TEST_F(AssociationEditTest, AddThroughTheButtonShowsTheNewRow) {
  seeded_.Own(".kvtstnew");
  seeded_.Own("kvtstnew.file");
  form().SelectTab(TabId::Associations);
  const int count = list().Count();
  const std::string exe = Program("new.exe");
  FormFill fill{".kvtstnew", "New file", exe};
  DialogScript script({{kForm2bAddCaption, kForm2bSaveCaption}, {"确认", "是"}});
  script.OnDialog(0, &FormFill::Apply, &fill);
  // A real click on the "添加" image of the panel.
  const HWND panel = tab().PanelWindow();
  ::PostMessageA(panel, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(200, 405));
  ::PostMessageA(panel, WM_LBUTTONUP, 0, MAKELPARAM(200, 405));
  ASSERT_TRUE(test::PumpUntil([&] { return script.Finished() && list().Count() == count + 1; }, 20000));
  const int row = test::RowOf(list(), ".kvtstnew");
  ASSERT_GE(row, 0);
  EXPECT_EQ(list().Cell(row, 1), "New file");
  EXPECT_EQ(list().Cell(row, 2), exe + " \"%1\"");
  EXPECT_EQ(tab().Panel4InfoLabel().text, ToDecimal(count + 1) + kAssociationCountSuffix);
}

TEST_F(AssociationEditTest, DoubleClickEditsTheRowUnderItsCurrentType) {
  const std::string command = "\"C:\\Old Dir\\Old.exe\" \"%1\"";
  seeded_.Set(".kvtsted", "", "kvtsted.type");
  seeded_.Set("kvtsted.type", "", "Old desc");
  seeded_.Set("kvtsted.type\\shell\\open\\command", "", command);
  form().SelectTab(TabId::Associations);
  const int row = Select(".kvtsted");
  ASSERT_GE(row, 0);
  RECT rc{};
  rc.left = LVIR_LABEL;
  ::SendMessageA(list().hwnd(), LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&rc));

  FormFill fill{std::nullopt, "New desc", std::nullopt};
  std::string after_leaving;
  struct Leave {
    FormFill* fill;
    std::string* out;
    static void Apply(HWND dialog, void* ctx) {
      auto* self = static_cast<Leave*>(ctx);
      const std::vector<HWND> e = test::DialogEdits(dialog);
      ::SetFocus(e[0]);
      ::SetFocus(e[1]);  // leaving the extension box while editing leaves the description alone
      *self->out = test::TextOf(e[1]);
      FormFill::Apply(dialog, self->fill);
    }
  } leave{&fill, &after_leaving};
  DialogScript script({{kForm2bEditCaption, kForm2bSaveCaption}, {"确认", "是"}});
  script.OnDialog(0, &Leave::Apply, &leave);
  ::PostMessageA(list().hwnd(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(rc.left + 4, (rc.top + rc.bottom) / 2));
  ASSERT_TRUE(test::PumpUntil([&] { return script.Finished() && test::RowOf(list(), ".kvtsted") >= 0 &&
                                           list().Cell(test::RowOf(list(), ".kvtsted"), 1) == "New desc"; },
                              20000));
  EXPECT_EQ(script.Texts()[1], kSaveQuestion);
  EXPECT_EQ(fill.seen_ext, ".kvtsted");
  EXPECT_EQ(fill.seen_desc, "Old desc");
  EXPECT_EQ(fill.seen_prog, command);
  EXPECT_EQ(after_leaving, "Old desc");
  EXPECT_TRUE(HasDefault(".kvtsted", "kvtsted.type"));
  EXPECT_TRUE(HasDefault("kvtsted.type", "New desc"));
  EXPECT_TRUE(HasDefault("kvtsted.type\\shell\\open\\command", command));  // it takes its argument already
  EXPECT_TRUE(HasDefault("kvtsted.type\\DefaultIcon", "\"C:\\Old Dir\\Old.exe\", -1"));
}

// Where the user chose a program in Windows' settings, that choice opens the files: the row shows
// it, and the edit (of the extension's own type) is preceded by saying so. The edit writes where a
// write through HKEY_CLASSES_ROOT goes on Windows: values into the user's key where one exists,
// the rest into the machine's classes ("Merged View of HKEY_CLASSES_ROOT").
TEST_F(AssociationEditTest, TheUsersChoiceIsShownAndSaidAndTheEditWritesWhereWindowsWould) {
  test::SeededClasses user(test::kUserClasses), machine(test::kMachineClasses);
  const std::string own = "\"C:\\Own\\own.exe\" \"%1\"";
  machine.Set(".kvtsuc", "", "kvtsuc.type");
  machine.Set("kvtsuc.type", "", "machine desc");
  machine.Set("kvtsuc.type\\shell\\open\\command", "", own);
  user.Set("kvtsuc.type", "", "user desc");
  machine.Set("kvtsuc.chosen", "", "Chosen");
  machine.Set("kvtsuc.chosen\\shell\\open\\command", "", "C:\\chosen.exe \"%1\"");
  test::ScratchKey choice(HKEY_CURRENT_USER,
                          "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.kvtsuc");
  choice.SetString("UserChoice", "ProgId", "kvtsuc.chosen");
  const std::string choice_before = test::DumpClassTree("kvtsuc.chosen", test::kMachineClasses);
  form().SelectTab(TabId::Associations);
  const int row = Select(".kvtsuc");
  ASSERT_GE(row, 0);
  EXPECT_EQ(list().Cell(row, 1), std::string("Chosen") + kUserChoiceMark);
  EXPECT_EQ(list().Cell(row, 2), "C:\\chosen.exe \"%1\"");

  FormFill fill{std::nullopt, "New desc", std::nullopt};
  DialogScript script({{"确认", "否"}, {kForm2bEditCaption, kForm2bSaveCaption}, {"确认", "是"}});
  script.OnDialog(1, &FormFill::Apply, &fill);
  tab().Panel4Button2Click();
  ASSERT_TRUE(script.Finished());
  EXPECT_EQ(script.Texts()[0], UserChoiceEditQuestion(".kvtsuc", "kvtsuc.chosen"));
  EXPECT_EQ(fill.seen_desc, "user desc");
  EXPECT_EQ(fill.seen_prog, own);
  const test::ClassTree& u = test::kUserClasses;
  const test::ClassTree& m = test::kMachineClasses;
  EXPECT_TRUE(test::ClassKeyExists("kvtsuc.type", u) && !test::ClassKeyExists(".kvtsuc", u));
  EXPECT_EQ(test::DumpClassTree("kvtsuc.type", u), "[kvtsuc.type]  1 New desc" + std::string(1, '\0') + "\n");
  EXPECT_NE(test::DumpClassTree("kvtsuc.type", m).find("machine desc"), std::string::npos);
  EXPECT_NE(test::DumpClassTree("kvtsuc.type\\DefaultIcon", m), "<missing>");
  EXPECT_EQ(test::DumpClassTree("kvtsuc.chosen", m), choice_before);  // the choice is never changed
}

// A save the user lacks the rights for changes nothing and says so; the dialog stays open.
TEST_F(AssociationEditTest, ASaveTheUserMayNotMakeChangesNothing) {
  seeded_.Set(".kvtsro", "", "kvtsro.type");
  seeded_.Set("kvtsro.type", "", "ro desc");
  const std::string before = test::DumpClassTree(".kvtsro") + test::DumpClassTree("kvtsro.type");
  test::ReadOnlyKey read_only(HKEY_LOCAL_MACHINE, "Software\\Classes\\kvtsro.type");
  form().SelectTab(TabId::Associations);
  ASSERT_GE(Select(".kvtsro"), 0);
  FormFill fill{std::nullopt, "New desc", "C:\\x.exe"};
  DialogScript script({{kForm2bEditCaption, kForm2bSaveCaption}, {"确认", "是"}, {"信息", "确定"},
                       {kForm2bEditCaption, kForm2bCancelCaption}});
  script.OnDialog(0, &FormFill::Apply, &fill);
  tab().Panel4Button2Click();
  ASSERT_TRUE(script.Finished());
  EXPECT_EQ(script.Texts()[2], kSaveNeedsAdminRights);
  EXPECT_EQ(test::DumpClassTree(".kvtsro") + test::DumpClassTree("kvtsro.type"), before);
}

TEST_F(AssociationEditTest, EditUsesTheExtensionAsTypedAndNeedsNoFile) {
  seeded_.Set(".kvtsted", "", "kvtsted.type");
  seeded_.Set("kvtsted.type", "", "Old desc");
  seeded_.Key(".kvtstnd");  // no type named
  seeded_.Own(".kvtsted2");
  seeded_.Own("kvtsted2.file");
  seeded_.Own("kvtstnd.file");
  const std::string before = test::DumpClassTree(".kvtsted") + test::DumpClassTree("kvtsted.type");
  form().SelectTab(TabId::Associations);
  struct Case {
    std::string row;
    FormFill fill;
    std::string ext, type;
  } cases[] = {
      {".kvtsted", {".kvtsted2", std::nullopt, "C:\\kvtst\\none.exe"}, ".kvtsted2", "kvtsted2.file"},
      {".kvtstnd", {std::nullopt, "ND", "C:\\kvtst\\nd.exe"}, ".kvtstnd", "kvtstnd.file"},
  };
  for (auto& c : cases) {
    ASSERT_GE(Select(c.row), 0);
    DialogScript script({{kForm2bEditCaption, kForm2bSaveCaption}, {"确认", "是"}});
    script.OnDialog(0, &FormFill::Apply, &c.fill);
    tab().Panel4Button2Click();
    ASSERT_TRUE(script.Finished()) << c.row;
    EXPECT_TRUE(HasDefault(c.ext, c.type));
    EXPECT_TRUE(HasDefault(c.type + "\\shell\\open\\command", *c.fill.prog + " \"%1\""));
    EXPECT_TRUE(HasDefault(c.type + "\\DefaultIcon", "\"" + *c.fill.prog + "\", -1"));
  }
  EXPECT_TRUE(HasDefault("kvtsted2.file", "Old desc"));
  EXPECT_TRUE(HasDefault("kvtstnd.file", "ND"));
  EXPECT_EQ(test::DumpClassTree(".kvtsted") + test::DumpClassTree("kvtsted.type"), before);
}

TEST_F(AssociationEditTest, EditAndDeleteNeedASelectionAndAnIdleTab) {
  seeded_.Key(".kvtstb");
  form().SelectTab(TabId::Associations);
  ASSERT_EQ(list().Selected(), -1);
  for (auto click : {&AssociationTab::Panel4Button2Click, &AssociationTab::Panel4Button3Click}) {
    DialogScript script(Steps{{"信息", "确定"}});
    (tab().*click)();
    EXPECT_TRUE(script.Finished());
    ASSERT_EQ(script.Texts().size(), 1u);
    EXPECT_EQ(script.Texts()[0], kSelectAssociationText);
  }
  // While BusyFlag is set neither says anything nor opens anything.
  list().Select(0);
  std::optional<BusyFlag::Hold> busy(form().Busy().Take());
  for (auto click : {&AssociationTab::Panel4Button2Click, &AssociationTab::Panel4Button3Click}) {
    DialogScript script({{kForm2bEditCaption, kForm2bCancelCaption}, {"确认", "否"}});
    (tab().*click)();
    test::PumpFor(100);
    EXPECT_TRUE(script.Texts().empty());
  }
  busy.reset();
}

}  // namespace
}  // namespace kv
