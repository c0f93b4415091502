#pragma once
// TForm1: the borderless, skinned main window with its title strip, four tabs and their panels.
#include <windows.h>

#include <array>
#include <memory>
#include <optional>
#include <string>

#include "sysaccess/app_state.h"
#include "win/handles.h"
#include "sysaccess/programs.h"
#include "ui/dialogs.h"
#include "ui/element_window.h"
#include "ui/elements.h"
#include "ui/settings.h"
#include "ui/tab_host.h"
#include "ui/window.h"

namespace kv {

extern const char kMainTitle[];      // "Korvane"
extern const char kMainClass[];      // "KorvaneMain"
inline constexpr char kRestoreMessageName[] = "KorvaneRestore";
constexpr UINT kStartUpMessage = WM_USER + 2;  // 1026
constexpr WPARAM kRestoreWParam = WM_USER + 1;  // 1025
constexpr COLORREF kTabSelected = RGB(18, 107, 255);

class TForm1 : public ElementWindow, public TabHost {
 public:
  TForm1();
  ~TForm1() override;

  // CreateForm: AppState, bitmaps, region, shared windows, settings defaults. The window stays
  // hidden; Show() puts it on the screen, which posts the start-up message.
  bool Create();
  void Show();

  // TabHost
  AppState& State() override { return state_; }
  HWND MainWindow() const override { return hwnd(); }
  HIMAGELIST ImageList1() const override { return image_list1_.get(); }
  Dialogs& Ui() override { return dialogs_; }
  BusyFlag& Busy() override { return busy_; }
  FileIcons& Icons() override { return *icons_; }
  HBITMAP ButtonImage(bool hover) const override { return hover ? button_b_.get() : button_a_.get(); }
  void SelectTab(TabId tab) override;
  bool Panel3TimerEnabled() const override { return panel3_timer_.Running(); }
  void SetPanel3Timer(bool enabled) override;
  void UndoLabelClick() override;

  // Event methods of the frame.
  void OnStartUp();
  void TabLabel1Click() { SelectTab(TabId::Startup); }
  void TabLabel2Click() { SelectTab(TabId::Uninstall); }
  void TabLabel3Click() { SelectTab(TabId::Processes); }
  void TabLabel4Click() { SelectTab(TabId::Associations); }
  void TopLabel1Click();
  void TopLabel2Click();
  void TopLabel3Click();
  void CopyrightLabel2Click();
  bool CloseForm() const;  // false: the close is refused (a reading or an action is running)

  // For tests: what a user sees of the frame.
  TabPage& Tab(TabId tab) { return *tabs_[TabSlot(tab)]; }
  int TabMarkerLeft() const { return tab_image_->rect.left; }
  COLORREF TabLabelColor(TabId tab) const { return tab_labels_[TabSlot(tab)]->color; }
  static TForm1* Instance() { return instance_; }

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  void CreateForm();
  void ShowForm();
  void DestroyForm();
  void BuildTitleStrip();
  void Paint(HDC dc) override;
  LRESULT WMNCHitTest(WPARAM wp, LPARAM lp);
  static LRESULT CALLBACK EventsMessage(int code, WPARAM wp, LPARAM lp);
  void Restore();

  static TForm1* instance_;
  AppState state_;
  UniqueBitmap skin_, tab_marker_, button_a_, button_b_;
  UniqueImageList image_list1_;
  std::unique_ptr<FileIcons> icons_;
  Dialogs dialogs_;
  std::array<std::unique_ptr<TabPage>, 4> tabs_;
  std::array<Label*, 4> tab_labels_{};
  Picture* tab_image_ = nullptr;
  UniqueHook hook_;
  WindowTimer panel3_timer_;
  BusyFlag busy_;
  UINT restore_message_ = 0;  // "KorvaneRestore"
  std::optional<TabId> current_tab_;  // none before the first selection
  bool shown_once_ = false;
};

}  // namespace kv
