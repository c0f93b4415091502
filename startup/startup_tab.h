#pragma once
// Tab 1 of the main window.
#include "ui/panel.h"
#include "ui/tab_host.h"

namespace kv {

class StartupTab : public TabPage {
 public:
  explicit StartupTab(TabHost& host) : host_(host) {}
  void Create() override;
  void Enter() override { Panel1Enter(); }
  HWND PanelWindow() const override { return Panel1_.hwnd(); }

  void Panel1Enter();

 private:
  TabHost& host_;
  Panel Panel1_;
};

}  // namespace kv
