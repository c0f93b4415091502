#pragma once
// Tab 4 of the main window: the file associations of HKEY_CLASSES_ROOT, the search box, and
// adding, editing and deleting associations.
#include <windows.h>

#include <string>
#include <vector>

#include "associations/association_reader.h"
#include "associations/association_rules.h"
#include "ui/controls.h"
#include "ui/listview.h"
#include "ui/panel.h"
#include "ui/row_icons.h"
#include "ui/tab_fill.h"
#include "ui/tab_host.h"

namespace kv {

extern const char kExtensionColumn[];    // "扩展"
extern const char kDescriptionColumn[];  // "说明"
extern const char kProgramColumn[];      // "程序"
extern const char kFindLabelText[];      // "查找"
extern const char kAssociationCountInitial[];  // "找到0个文件关联"
extern const char kAssociationCountSuffix[];   // "个关联"
extern const char kAddButtonCaption[];     // "添加"
extern const char kEditButtonCaption[];    // "编辑"
extern const char kDeleteButtonCaption[];  // "删除"
extern const char kSelectAssociationText[];  // "请选择一个关联！"
extern const char kUserChoiceMark[];  // " [用户选择]", after the description of a user's choice
extern const char kSaveNeedsAdminRights[];  // "需要管理员权限才能保存此关联，未更改任何内容。"
extern const char kSavedPartly[];           // "无法完整保存此关联：四项中只写入了" + N + "项。"

// "您确定要删除关联 \"<ext>\" ?"
std::string DeleteAssociationQuestion(const std::string& extension);
// Before editing an extension whose files open with the user's choice: the edit changes the
// extension's own type, which Windows uses only once that choice is changed in its settings.
std::string UserChoiceEditQuestion(const std::string& extension, const std::string& prog_id);

class AssociationTab : public TabPage {
 public:
  explicit AssociationTab(TabHost& host) : host_(host), icons_(host.ImageList1(), host.Icons()) {}
  void Create() override;
  void Enter() override { Panel4Enter(); }
  HWND PanelWindow() const override { return Panel4_.hwnd(); }

  void Panel4Enter();
  void ReadAssociations(TabFill& fill);
  void Panel4FindEditChange();
  void Panel4Button1Click();  // add
  void Panel4Button2Click();  // edit, also the list's double click
  void Panel4Button3Click();  // delete

  // What a user sees of the tab, for tests.
  ListView& Panel4InfoList() { return Panel4InfoList_; }
  HWND Panel4FindEdit() const { return Panel4FindEdit_.hwnd(); }
  const Label& Panel4FindLabel() const { return *Panel4FindLabel_; }
  const Label& Panel4InfoLabel() const { return *Panel4InfoLabel_; }
  const Label& Panel4UndoLabel() const { return *Panel4UndoLabel_; }
  Panel& Panel4() { return Panel4_; }

 private:
  // Runs the association dialog and saves what it confirms; true when anything was written. A
  // save the user lacks the rights for is said, and the dialog stays open.
  bool RunForm2b(AssociationMode mode, const std::string& extension, const std::string& description,
                 const std::string& program);
  // The row that edit and delete act on; -1 when there is none (said to the user when the list
  // has rows).
  int SelectedRowOrSay();

  TabHost& host_;
  Panel Panel4_;
  ListView Panel4InfoList_;
  EditBox Panel4FindEdit_;  // a child of the panel, destroyed with it
  Label* Panel4FindLabel_ = nullptr;
  Label* Panel4UndoLabel_ = nullptr;
  Label* Panel4InfoLabel_ = nullptr;
  RowIcons icons_;                     // the icons of the rows, in ImageList1
  std::vector<AssociationRow> rows_;   // the list's rows, in row order; the search reads them too
};

}  // namespace kv
