#include "app/form1.h"

#include <windowsx.h>
#include <shellapi.h>

#include "associations/association_tab.h"
#include "processes/process_tab.h"
#include "resources/resource_ids.h"
#include "startup/startup_tab.h"
#include "sysaccess/registry.h"
#include "ui/about.h"
#include "ui/bitmaps.h"
#include "ui/fonts.h"
#include "ui/pump.h"
#include "ui/skin_region.h"
#include "uninstall/uninstall_tab.h"

namespace kv {

const char kMainTitle[] = "Korvane";
const char kMainClass[] = "KorvaneMain";

namespace {
constexpr UINT_PTR kPanel3TimerId = 3;
constexpr UINT kPanel3Interval = 3000;
constexpr COLORREF kNoticeColor = RGB(216, 233, 31);
const int kTabLabelLeft[4] = {146, 290, 434, 578};
const char* const kTabCaptions[4] = {"自动启动", "软件卸载", "进程管理", "文件关联"};
}  // namespace

TForm1* TForm1::instance_ = nullptr;

TForm1::TForm1() : panel3_timer_(kPanel3TimerId, kPanel3Interval) { instance_ = this; }

TForm1::~TForm1() {
  if (instance_ == this) instance_ = nullptr;
}

bool TForm1::Create() {
  HICON icon = ::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_KORVANE));
  RegisterClassOnce(kMainClass, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)), 0, icon);
  const int x = (::GetSystemMetrics(SM_CXSCREEN) - 720) / 2;
  const int y = (::GetSystemMetrics(SM_CYSCREEN) - 540) / 2;
  if (!CreateWin(WS_EX_APPWINDOW, kMainClass, kMainTitle, WS_POPUP | WS_MINIMIZEBOX | WS_CLIPCHILDREN, x, y, 720,
                 540, nullptr))
    return false;
  CreateForm();
  return true;
}

void TForm1::Show() {
  ::ShowWindow(hwnd(), SW_SHOW);
  ::UpdateWindow(hwnd());
}

void TForm1::CreateForm() {
  skin_.reset(LoadSkinBitmap(IDB_SKIN_MAIN));
  tab_marker_.reset(LoadSkinBitmap(IDB_TAB_MARKER));
  ::SetWindowRgn(hwnd(), SkinRegion(skin_.get()), TRUE);
  button_a_.reset(LoadRcDataBitmap("ButtonA"));
  button_b_.reset(LoadRcDataBitmap("ButtonB"));

  state_ = ComputeAppState();
  restore_message_ = ::RegisterWindowMessageA(kRestoreMessageName);
  icons_ = std::make_unique<FileIcons>();
  image_list1_.reset(::ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 32, 256));

  BuildTitleStrip();
  tabs_[TabSlot(TabId::Startup)] = std::make_unique<StartupTab>(*this);
  tabs_[TabSlot(TabId::Uninstall)] = std::make_unique<UninstallTab>(*this);
  tabs_[TabSlot(TabId::Processes)] = std::make_unique<ProcessTab>(*this);
  tabs_[TabSlot(TabId::Associations)] = std::make_unique<AssociationTab>(*this);
  for (auto& tab : tabs_) tab->Create();

  dialogs_.Create(hwnd());

  if (!RegValueExists(HKEY_CURRENT_USER, kSettingsKey, kSparrowtuneAds))
    RegWriteBool(HKEY_CURRENT_USER, kSettingsKey, kSparrowtuneAds, true);
  if (!RegValueExists(HKEY_CURRENT_USER, kSettingsKey, kGlimmerbackAds))
    RegWriteBool(HKEY_CURRENT_USER, kSettingsKey, kGlimmerbackAds, true);

  // The refresh timer exists from the start; the start-up selection of tab 1 stops it before
  // its first tick.
  SetPanel3Timer(true);
  hook_.reset(::SetWindowsHookExA(WH_GETMESSAGE, &TForm1::EventsMessage, nullptr, ::GetCurrentThreadId()));
}

void TForm1::BuildTitleStrip() {
  tab_image_ = &Elements().AddPicture(136, 65, 141, 26, tab_marker_.get());
  struct TitleLabel {
    int x, y, w, h;
    const char* text;
    bool bold;
    void (TForm1::*click)();
  } const title[] = {
      {635, 8, 16, 16, "i", false, &TForm1::TopLabel1Click},
      {664, 6, 16, 16, "_", true, &TForm1::TopLabel2Click},
      {691, 8, 17, 17, "x", false, &TForm1::TopLabel3Click},
  };
  for (const auto& t : title) {
    Label& l = Elements().AddLabel(t.x, t.y, t.w, t.h, t.text, GetFont("Arial", 13, t.bold),
                                  DT_CENTER | DT_SINGLELINE | DT_VCENTER);
    l.hand_cursor = true;
    auto click = t.click;
    l.on_click = [this, click] { (this->*click)(); };
  }
  for (TabId tab : kAllTabs) {
    const size_t i = TabSlot(tab);
    Label& l = Elements().AddLabel(kTabLabelLeft[i], 70, 120, 16, kTabCaptions[i], GetFont("Arial", 13, true),
                                  DT_CENTER | DT_SINGLELINE | DT_VCENTER);
    l.hand_cursor = true;
    l.color = tab == TabId::Startup ? kTabSelected : RGB(0, 0, 0);
    l.on_click = [this, tab] { SelectTab(tab); };
    tab_labels_[i] = &l;
  }
  Label& notice = Elements().AddLabel(488, 44, 114, 14, "版权所有 2009-2014", GetFont("Arial", 11), DT_RIGHT | DT_SINGLELINE);
  notice.color = kNoticeColor;
  Label& company = Elements().AddLabel(612, 44, 95, 14, "Velmora公司", GetFont("Arial", 11, false, true),
                                      DT_LEFT | DT_SINGLELINE);
  company.color = kNoticeColor;
  company.hand_cursor = true;
  company.on_click = [this] { CopyrightLabel2Click(); };
}

void TForm1::ShowForm() { ::PostMessageA(hwnd(), kStartUpMessage, 0, 0); }

void TForm1::OnStartUp() { TabLabel1Click(); }

void TForm1::SelectTab(TabId tab) {
  if (busy_.IsSet()) return;
  if (current_tab_ && *current_tab_ != tab) Tab(*current_tab_).Leave();
  current_tab_ = tab;
  Elements().MoveTo(*tab_image_, kTabLabelLeft[TabSlot(tab)] - 10, 65);
  for (TabId other : kAllTabs)
    Elements().SetColor(*tab_labels_[TabSlot(other)], other == tab ? kTabSelected : RGB(0, 0, 0));
  ::UpdateWindow(hwnd());
  if (tab != TabId::Processes) SetPanel3Timer(false);
  Tab(tab).Enter();
  if (tab == TabId::Associations) {
    ::SetWindowPos(Tab(tab).PanelWindow(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
  }
}

void TForm1::SetPanel3Timer(bool enabled) {
  if (enabled)
    panel3_timer_.Start(hwnd());
  else
    panel3_timer_.Stop();
}

void TForm1::UndoLabelClick() {
  ::ShellExecuteA(hwnd(), "open", state_.UndoFolder.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void TForm1::TopLabel1Click() { ShowAboutWindow(hwnd()); }

void TForm1::TopLabel2Click() { ::ShowWindow(hwnd(), SW_MINIMIZE); }

void TForm1::TopLabel3Click() {
  if (busy_.IsSet()) return;
  const bool first = RegReadBool(HKEY_CURRENT_USER, kSettingsKey, kSparrowtuneAds);
  const bool second = RegReadBool(HKEY_CURRENT_USER, kSettingsKey, kGlimmerbackAds);
  if (first || second) ::ShowWindow(hwnd(), SW_HIDE);
  if (first)
    ShowPromotionWindow(Promotion::Sparrowtune);
  else if (second)
    ShowPromotionWindow(Promotion::Glimmerback);
  ::SendMessageA(hwnd(), WM_CLOSE, 0, 0);
}

void TForm1::CopyrightLabel2Click() {
  OpenAddress(hwnd(), kHomePage);
}

bool TForm1::CloseForm() const { return !busy_.IsSet(); }

void TForm1::DestroyForm() {
  panel3_timer_.Stop();
  ::PostQuitMessage(0);
}

LRESULT TForm1::WMNCHitTest(WPARAM wp, LPARAM lp) {
  LRESULT hit = ::DefWindowProcA(hwnd(), WM_NCHITTEST, wp, lp);
  RECT wr;
  ::GetWindowRect(hwnd(), &wr);
  const int x = GET_X_LPARAM(lp), y = GET_Y_LPARAM(lp);
  if (y < wr.top + 60 && x < wr.left + 635) return HTCAPTION;
  return hit;
}

void TForm1::Restore() {
  if (::IsIconic(hwnd())) ::ShowWindow(hwnd(), SW_RESTORE);
  HWND front = TopModalWindow();
  if (!front) front = hwnd();
  if (::IsWindowVisible(front) && ::IsWindowEnabled(front)) {
    ::SetForegroundWindow(front);
    ::BringWindowToTop(front);
  }
}

// Runs for every message the thread takes from its queue, in every loop (modal ones too),
// before it is dispatched.
LRESULT CALLBACK TForm1::EventsMessage(int code, WPARAM wp, LPARAM lp) {
  if (code == HC_ACTION && wp == PM_REMOVE && instance_) {
    const MSG* m = reinterpret_cast<const MSG*>(lp);
    if (m->message == instance_->restore_message_ && m->message != 0 && m->wParam == kRestoreWParam)
      instance_->Restore();
  }
  return ::CallNextHookEx(nullptr, code, wp, lp);
}

void TForm1::Paint(HDC dc) { Elements().PaintWindow(dc, 720, 540, RGB(255, 255, 255), skin_.get()); }

LRESULT TForm1::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_SHOWWINDOW:
      if (wp && !shown_once_) {
        shown_once_ = true;
        ShowForm();
      }
      break;
    case kStartUpMessage:
      OnStartUp();
      return 0;
    case WM_TIMER:
      if (wp == kPanel3TimerId) Tab(TabId::Processes).TimerTick();
      return 0;
    case WM_NCHITTEST:
      return WMNCHitTest(wp, lp);
    case WM_CLOSE:
      if (CloseForm()) ::DestroyWindow(hwnd());
      return 0;
    case WM_DESTROY:
      DestroyForm();
      return 0;
    default:
      break;
  }
  return ElementWindow::HandleMessage(msg, wp, lp);
}

}  // namespace kv
