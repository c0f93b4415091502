#pragma once
// Tab 3 of the main window.
#include "ui/panel.h"
#include "ui/tab_host.h"

namespace kv {

class ProcessTab : public TabPage {
 public:
  explicit ProcessTab(TabHost& host) : host_(host) {}
  void Create() override;
  void Enter() override { Panel3Enter(); }
  HWND PanelWindow() const override { return Panel3_.hwnd(); }

  void Panel3Enter();

 private:
  TabHost& host_;
  Panel Panel3_;
};

}  // namespace kv
