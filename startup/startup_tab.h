#pragma once
// Tab 1, "自动启动": every program that starts at log-on, with adding to a Run key and deleting
// with an undo file.
#include <memory>
#include <string>
#include <vector>

#include "startup/startup_actions.h"
#include "startup/startup_reader.h"
#include "startup/startup_rules.h"
#include "ui/listview.h"
#include "ui/panel.h"
#include "ui/row_icons.h"
#include "ui/tab_host.h"

namespace kv {

extern const char kStartupColumnProgram[];  // "程序"
extern const char kStartupColumnCommand[];  // "位置/命令"
extern const char kStartupColumnAccess[];   // "访问"
extern const char kStartupInitialCount[];   // "找到0个自动启动项目"
extern const char kStartupAddButton[];      // "添加启动项"
extern const char kStartupDeleteButton[];   // "删除启动项"
extern const char kStartupSelectOne[];      // "请选择一个项目。"
extern const char kStartupConfirmDelete[];  // "你确定你想要从自动启动中删除选中的程序？"
extern const char kStartupDisableButton[];  // "禁用启动项"
extern const char kStartupEnableButton[];   // "启用启动项"
extern const char kStartupMenuDisable[];    // "禁用"
extern const char kStartupMenuEnable[];     // "启用"
extern const char kStartupMenuOpenFolder[]; // "打开文件位置"

// The items of the list's context menu, in menu order; the last runs the delete button's action.
enum StartupMenuId { kMenuDisable = 1, kMenuEnable, kMenuOpenFolder, kMenuDelete };

// Tab 1's view: the panel, its list and buttons, and the rows as read.
class StartupTab : public TabPage {
 public:
  explicit StartupTab(TabHost& host) : host_(host), icons_(host.ImageList1(), host.Icons()) {}
  void Create() override;
  void Enter() override { Panel1Enter(); }
  HWND PanelWindow() const override { return Panel1_.hwnd(); }

  void Panel1Enter();
  void Panel1Button1Click();
  void Panel1Button2Click();
  // "禁用启动项" or "启用启动项", as the first of the rows it acts on (those the delete button takes) is.
  void Panel1Button3Click();
  // The list's context menu at `at` (screen coordinates, or (-1, -1) from the keyboard).
  void Panel1InfoListContextMenu(POINT at);
  void Panel1MenuClick(int id);

  // What a user sees, for tests.
  ListView& Panel1InfoList() { return Panel1InfoList_; }
  const std::string& CountText() const { return Panel1InfoLabel_->text; }
  bool UndoLinkVisible() const { return Panel1UndoLabel_->visible; }
  const std::string& Button3Caption() const;
  // The rows as read, in list order (the names exactly as the system gave them): row i of the
  // list is rows_[i].
  const std::vector<StartupRow>& Rows() const { return rows_; }

 private:
  static constexpr int kCountLabelWidth = 114;
  void AddRow(const StartupRow& row);
  void SetCountText(const std::string& text);
  // The rows an action takes: the ticked ones, or else the selected one.
  std::vector<size_t> ChosenRows() const;
  const StartupRow* SelectedRow() const;
  StartupStateChange Button3Change() const;
  void UpdateButton3();
  void ChangeState(StartupStateChange change, const std::vector<size_t>& chosen);
  // Asks, then deletes `chosen` with their undo file and reads the tab again.
  void DeleteRows(const std::vector<size_t>& chosen);
  void RowTip(NMLVGETINFOTIPA& tip) const;

  TabHost& host_;
  Panel Panel1_;
  ListView Panel1InfoList_;
  Label* Panel1InfoLabel_ = nullptr;
  Label* Panel1UndoLabel_ = nullptr;
  size_t button3_ = 0;
  ShortcutReader links_;
  RowIcons icons_;  // the icons of the rows, in ImageList1
  std::vector<StartupRow> rows_;
};

}  // namespace kv
