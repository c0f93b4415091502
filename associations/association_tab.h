#pragma once
// Tab 4 of the main window.
#include "ui/panel.h"
#include "ui/tab_host.h"

namespace kv {

class AssociationTab : public TabPage {
 public:
  explicit AssociationTab(TabHost& host) : host_(host) {}
  void Create() override;
  void Enter() override { Panel4Enter(); }
  HWND PanelWindow() const override { return Panel4_.hwnd(); }

  void Panel4Enter();

 private:
  TabHost& host_;
  Panel Panel4_;
};

}  // namespace kv
