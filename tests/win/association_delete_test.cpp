// Deleting an association: the extension key is exported to its undo file first, deleted only
// when that file was written, and comes back exactly when the file is imported.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sysaccess/programs.h"
#include "tests/win/association_test_support.h"
#include "ui/undo_messages.h"
#include "tests/win/sysaccess_fixtures.h"

namespace kv {
namespace {

using Steps = std::vector<test::DialogScript::Step>;

class AssociationDeleteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    seeded_.Set(".kvtstdel", "", "kvtstdel.type");
    seeded_.Set(".kvtstdel", "Content Type", "text/x-kvtst");
    seeded_.Set(".kvtstdel\\ShellNew", "NullFile", "");
    seeded_.Set(".kvtstdel\\OpenWithProgids", "kvtstdel.type", "");
    seeded_.Set("kvtstdel.type", "", "\xB2\xE2\xCA\xD4");  // 测试
    seeded_.Set("kvtstdel.type\\shell\\open\\command", "", "C:\\kvtst\\del.exe \"%1\"");
    seeded_.Set(".kvtstdel2", "", "kvtstdel.type");  // another extension of the same type
    form().State().UndoFolder = folder_.path() + "Undo\\";
    form().SelectTab(TabId::Associations);
  }
  TForm1& form() { return main_.form(); }
  AssociationTab& tab() { return test::Tab4(main_.form()); }
  ListView& list() { return tab().Panel4InfoList(); }
  void SelectRow(const std::string& ext) {
    const int row = test::RowOf(list(), ext);
    ASSERT_GE(row, 0) << ext;
    list().Select(row);
  }
  std::string UndoFile() { return main_.form().State().UndoFolder + "kvtstdel_association.reg"; }

  test::SeededClasses seeded_;
  test::ScratchFolder folder_;
  test::MainWindow main_;
};

TEST_F(AssociationDeleteTest, ExportsThenRemovesTheExtensionKeyOnly) {
  const std::string before = test::DumpClassTree(".kvtstdel");
  const std::string type_before = test::DumpClassTree("kvtstdel.type");
  const std::string other_before = test::DumpClassTree(".kvtstdel2");
  ASSERT_NE(before.find("ShellNew"), std::string::npos);
  SelectRow(".kvtstdel");
  test::DialogScript script({{"确认", "是"}, {"信息", "确定"}});
  tab().Panel4Button3Click();
  ASSERT_TRUE(script.Finished());
  EXPECT_EQ(script.Texts()[0], DeleteAssociationQuestion(".kvtstdel"));
  EXPECT_EQ(script.Texts()[0], "您确定要删除关联 \".kvtstdel\" ?");
  EXPECT_EQ(script.Texts()[1], "成功删除记录，\r创建撤消文件kvtstdel_association.reg");

  EXPECT_TRUE(FileExists(UndoFile()));
  EXPECT_FALSE(test::ClassKeyExists(".kvtstdel"));
  EXPECT_EQ(test::DumpClassTree("kvtstdel.type"), type_before);
  EXPECT_EQ(test::DumpClassTree(".kvtstdel2"), other_before);
  // The tab was entered again: the row is gone and the undo folder's link shows.
  EXPECT_EQ(test::RowOf(list(), ".kvtstdel"), -1);
  EXPECT_GE(test::RowOf(list(), ".kvtstdel2"), 0);
  EXPECT_TRUE(tab().Panel4UndoLabel().visible);

  ASSERT_TRUE(test::ImportWithRegedit(form().State().WindowsFolder, UndoFile()));
  EXPECT_EQ(test::DumpClassTree(".kvtstdel"), before);
}

TEST_F(AssociationDeleteTest, NoDeletesNothing) {
  const std::string before = test::DumpClassTree(".kvtstdel");
  SelectRow(".kvtstdel");
  test::DialogScript script(Steps{{"确认", "否"}});
  tab().Panel4Button3Click();
  ASSERT_TRUE(script.Finished());
  EXPECT_EQ(test::DumpClassTree(".kvtstdel"), before);
  EXPECT_FALSE(FileExists(UndoFile()));
}

TEST_F(AssociationDeleteTest, AnOlderUndoFileGetsANumberedSibling) {
  ::CreateDirectoryA(form().State().UndoFolder.c_str(), nullptr);
  ASSERT_TRUE(test::WriteFile(UndoFile(), "older"));
  SelectRow(".kvtstdel");
  test::DialogScript script({{"确认", "是"}, {"信息", "确定"}});
  tab().Panel4Button3Click();
  ASSERT_TRUE(script.Finished());
  EXPECT_EQ(script.Texts()[1], "成功删除记录，\r创建撤消文件kvtstdel_association (2).reg");
  EXPECT_EQ(test::ReadFile(UndoFile()), "older");
  EXPECT_FALSE(test::ClassKeyExists(".kvtstdel"));
}

// Each copy of an extension, the user's and the machine's, goes into one undo file under its own
// tree's name: imported, a file naming HKEY_CLASSES_ROOT would put everything into the machine's
// tree on Windows ("Merged View of HKEY_CLASSES_ROOT").
TEST_F(AssociationDeleteTest, EveryCopyGoesAndComesBackIntoItsOwnTree) {
  test::SeededClasses user(test::kUserClasses), machine(test::kMachineClasses);
  user.Set(".kvtsu", "", "kvtsu.type");
  user.Set(".kvtsu\\OpenWithProgids", "kvtsu.type", "");
  machine.Set(".kvtsm", "", "kvtsm.type");
  user.Set(".kvtsb", "", "kvtsb.user");
  user.Set(".kvtsb\\ShellNew", "NullFile", "");
  machine.Set(".kvtsb", "", "kvtsb.mach");
  machine.Set(".kvtsb", "Content Type", "text/x-kvtst");
  tab().Panel4Enter();
  for (const char* ext : {".kvtsu", ".kvtsm", ".kvtsb"}) {
    SCOPED_TRACE(ext);
    const std::string user_before = test::DumpClassTree(ext, test::kUserClasses);
    const std::string machine_before = test::DumpClassTree(ext, test::kMachineClasses);
    SelectRow(ext);
    test::DialogScript script({{"确认", "是"}, {"信息", "确定"}});
    tab().Panel4Button3Click();
    ASSERT_TRUE(script.Finished());
    const std::string file = std::string(ext + 1) + "_association.reg";
    EXPECT_EQ(script.Texts()[1], "成功删除记录，\r创建撤消文件" + file);
    EXPECT_FALSE(test::ClassKeyExists(ext, test::kUserClasses));
    EXPECT_FALSE(test::ClassKeyExists(ext, test::kMachineClasses));
    EXPECT_EQ(test::RowOf(list(), ext), -1);

    const std::string path = form().State().UndoFolder + file;
    EXPECT_EQ(test::ReadFile(path).find(test::Utf16Bytes("HKEY_CLASSES_ROOT")), std::string::npos);
    ASSERT_TRUE(test::ImportWithRegedit(form().State().WindowsFolder, path));
    EXPECT_EQ(test::DumpClassTree(ext, test::kUserClasses), user_before);
    EXPECT_EQ(test::DumpClassTree(ext, test::kMachineClasses), machine_before);
  }
}

}  // namespace
}  // namespace kv
