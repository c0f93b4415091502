#pragma once
// Tab 3 of the main window: the running programs, one row per executable name, refreshed in place
// every three seconds while the tab is shown; ending every process of a name.
#include <string>

#include "processes/process_reader.h"
#include "processes/process_rules.h"
#include "ui/listview.h"
#include "ui/panel.h"
#include "ui/row_icons.h"
#include "ui/tab_host.h"

namespace kv {

inline constexpr char kProcessColumnProgram[] = "程序";
inline constexpr char kProcessColumnLocation[] = "位置/命令";
inline constexpr char kProcessColumnPriority[] = "优先";
inline constexpr char kProcessHigh[] = "高";
inline constexpr char kProcessNormal[] = "正常";
inline constexpr char kProcessCountDesign[] = "0个项目工程";
inline constexpr char kProcessKillCaption[] = "杀死进程";
inline constexpr char kProcessContinueCaption[] = "继续";
inline constexpr char kProcessSelectFirst[] = "请选择要从内存中卸载的程序 ！";
inline constexpr char kProcessOwnRow[] = "如果你想关闭Korvane，点击“关闭”按钮！";
inline constexpr char kProcessAskBefore[] = "你确定你想卸载 \"";
inline constexpr char kProcessAskAfter[] = "\" 从内存？";

// The tab's view: the process list refreshed in place, and its two buttons.
class ProcessTab : public TabPage {
 public:
  explicit ProcessTab(TabHost& host);
  void Create() override;
  void Enter() override { Panel3Enter(); }
  void Leave() override;
  void TimerTick() override { Panel3TimerEvent(); }
  HWND PanelWindow() const override { return Panel3_.hwnd(); }

  void Panel3Enter();
  void Panel3TimerEvent();
  void Panel3Button1Click();
  void Panel3Button2Click();

  // What a user sees of the tab, for tests.
  ListView& Panel3InfoList() { return Panel3InfoList_; }
  const std::string& Panel3InfoLabelText() const { return Panel3InfoLabel_->text; }
  int PassCount() const { return passes_; }
  size_t OpenProcessCount() const { return known_.Size(); }

 private:
  void RunPass();  // under the caller's BusyFlag hold

  TabHost& host_;
  Panel Panel3_;
  ListView Panel3InfoList_;
  Label* Panel3InfoLabel_ = nullptr;
  RowIcons icons_;
  ProcessRows rows_;    // the row model: row i of the list is rows_.Row(i)
  ProcessCache known_;  // the listed processes, open, between passes
  int passes_ = 0;
};

}  // namespace kv
