#pragma once
// What a tab sees of the main window: the shared state and objects, the dialogs, and the few
// frame routines a tab calls. The frame sees a tab only through TabPage.
#include <windows.h>
#include <commctrl.h>

#include "sysaccess/app_state.h"
#include "sysaccess/programs.h"
#include "ui/busy_flag.h"
#include "ui/dialogs.h"

namespace kv {

// The four tabs by role, in the order of their labels; the value is the tab's slot in the frame.
enum class TabId { Startup, Uninstall, Processes, Associations };
inline constexpr TabId kAllTabs[] = {TabId::Startup, TabId::Uninstall, TabId::Processes, TabId::Associations};
constexpr size_t TabSlot(TabId tab) { return static_cast<size_t>(tab); }

class TabHost {
 public:
  virtual ~TabHost() = default;
  virtual AppState& State() = 0;
  virtual HWND MainWindow() const = 0;
  virtual HIMAGELIST ImageList1() const = 0;  // shared by the four lists; each fill clears it
  virtual Dialogs& Ui() = 0;
  virtual BusyFlag& Busy() = 0;
  virtual FileIcons& Icons() = 0;
  virtual HBITMAP ButtonImage(bool hover) const = 0;  // "ButtonA" / "ButtonB"
  virtual void SelectTab(TabId tab) = 0;               // TabLabel1Click .. TabLabel4Click
  virtual bool Panel3TimerEnabled() const = 0;
  virtual void SetPanel3Timer(bool enabled) = 0;
  // Opens the undo folder in the shell (the three "打开撤消文件夹" links).
  virtual void UndoLabelClick() = 0;
};

class TabPage {
 public:
  virtual ~TabPage() = default;
  virtual void Create() = 0;  // builds the panel and its controls (hidden behind the others)
  virtual void Enter() = 0;   // the tab's enter routine
  virtual void Leave() {}     // another tab was selected
  virtual void TimerTick() {}
  virtual HWND PanelWindow() const = 0;
};

}  // namespace kv
