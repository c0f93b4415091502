#pragma once
// Tab 2 of the main window.
#include "ui/panel.h"
#include "ui/tab_host.h"

namespace kv {

class UninstallTab : public TabPage {
 public:
  explicit UninstallTab(TabHost& host) : host_(host) {}
  void Create() override;
  void Enter() override { Panel2Enter(); }
  HWND PanelWindow() const override { return Panel2_.hwnd(); }

  void Panel2Enter();

 private:
  TabHost& host_;
  Panel Panel2_;
};

}  // namespace kv
