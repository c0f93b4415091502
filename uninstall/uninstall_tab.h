#pragma once
// Tab 2 of the main window: the installed programs, their uninstallers and their records.
#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ui/controls.h"
#include "ui/listview.h"
#include "ui/panel.h"
#include "ui/row_icons.h"
#include "ui/tab_host.h"
#include "uninstall/uninstall_filter_rules.h"
#include "uninstall/uninstall_reader.h"

namespace kv {

extern const char kPanel2ColumnProgram[];   // "程序"
extern const char kPanel2ColumnCommand[];   // "位置/命令"
extern const char kPanel2ColumnInstalled[]; // "安装"
extern const char kPanel2Check1Text[];      // "所有程序"
extern const char kPanel2Check2Text[];      // "隐藏Windows更新"
extern const char kPanel2Check3Text[];      // "只有工具栏"
extern const char kPanel2InfoStart[];       // "找到0个已安装程序"
extern const char kPanel2CountSuffix[];     // "个安装程序"
extern const char kPanel2Button1Text[];     // "软件卸载"
extern const char kPanel2Button2Text[];     // "删除记录"
extern const char kUninstallQuestion[];     // "Are you sure you want to uninstall"
extern const char kUninstallFallbackInfo[]; // "按确定时，该程序将被卸载。"
extern const char kDeleteRecordQuestion[];  // "您确定要删除卸载记录 "

// The confirmation texts of the two actions for a row's caption.
std::string UninstallQuestion(const std::string& caption);
std::string DeleteRecordQuestion(const std::string& caption);

// The tab's view: the list of installed programs, the filters and the two action buttons.
class UninstallTab : public TabPage {
 public:
  explicit UninstallTab(TabHost& host) : host_(host), row_icons_(host.ImageList1(), host.Icons()) {}
  void Create() override;
  void Enter() override { Panel2Enter(); }
  HWND PanelWindow() const override { return Panel2_.hwnd(); }

  // Reads the whole tab; also the click routine of the three filter buttons.
  void Panel2Enter();
  void Panel2Button1Click();  // "软件卸载"
  void Panel2Button2Click();  // "删除记录"

  // What a user sees, for tests.
  ListView& Panel2InfoList() { return Panel2InfoList_; }
  HWND Panel2Check(int n) const { return checks_[static_cast<size_t>(n - 1)].hwnd(); }
  const std::string& Panel2InfoLabelText() const { return Panel2InfoLabel_->text; }
  bool Panel2UndoLabelVisible() const { return Panel2UndoLabel_->visible; }
  // The row model, for tests.
  const std::vector<UninstallFields>& ScratchList() const { return ScratchList_; }
  // Runs after each row is added while a reading is in progress.
  std::function<void()> after_row;

 private:
  UninstallFilter SelectedFilter() const;
  // The common start of both actions: a copy of the selected row's record (the question's modal
  // loop runs before the action), or nothing to do nothing.
  std::optional<UninstallFields> SelectedRecord() const;

  TabHost& host_;
  Panel Panel2_;
  ListView Panel2InfoList_;
  CheckButton checks_[3];
  Label* Panel2InfoLabel_ = nullptr;
  Label* Panel2UndoLabel_ = nullptr;
  std::vector<UninstallFields> ScratchList_;  // the row model: record i describes row i
  RowIcons row_icons_;  // the icons of the rows, in ImageList1
};

}  // namespace kv
