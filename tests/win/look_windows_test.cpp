// The About and promotion windows, the closing sequence with its two settings, and the hover
// rule of the image buttons, driven by real window messages.
#include <gtest/gtest.h>

#include <optional>

#include <functional>
#include <string>
#include <vector>

#include "sysaccess/registry.h"
#include "tests/win/test_support.h"
#include "ui/about.h"
#include "ui/listview.h"
#include "ui/panel.h"
#include "ui/promotion.h"
#include "ui/settings.h"

namespace kv {
namespace {

// ---- what the tests need around the windows ----

std::vector<std::string>& Opened() {
  static std::vector<std::string> opened;
  return opened;
}
void RecordAddress(HWND, const char* address) { Opened().push_back(address); }
// The token's elevation and the desktop shell's answer, played: Wine has neither to offer.
bool g_elevated = false;
bool g_desktop_opens = true;
bool Elevated() { return g_elevated; }
bool RecordDesktopShell(HWND, const char* address) {
  Opened().push_back(std::string("desktop shell: ") + address);
  return g_desktop_opens;
}

// No browser starts during these tests; the addresses are recorded instead.
class LookTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Opened().clear();
    g_elevated = false;
    previous_ = SetAddressOpeners({&Elevated, &RecordDesktopShell, &RecordAddress});
  }
  void TearDown() override { SetAddressOpeners(previous_); }

 private:
  AddressOpeners previous_{};
};

enum class Seed { Absent, False, True, Text };

// The two settings as the test found them, put back afterwards (the key too, if it was absent).
class SettingsGuard {
 public:
  SettingsGuard() {
    key_existed_ = RegKeyExists(HKEY_CURRENT_USER, kSettingsKey);
    for (int i = 0; i < 2; ++i) present_[i] = RegReadValue(RegistryView::Wow64_64, HKEY_CURRENT_USER, kSettingsKey, kNames[i], saved_[i]);
  }
  ~SettingsGuard() {
    for (int i = 0; i < 2; ++i) {
      if (present_[i])
        WriteRaw(kNames[i], saved_[i].type, saved_[i].data);
      else
        DeleteRegValue(HKEY_CURRENT_USER, kSettingsKey, kNames[i]);
    }
    if (!key_existed_) {
      ::RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKey);
      ::RegDeleteKeyA(HKEY_CURRENT_USER, "SOFTWARE\\Velmora");  // only if nothing else lives there
    }
  }
  static void Set(const char* name, Seed seed) {
    switch (seed) {
      case Seed::Absent: DeleteRegValue(HKEY_CURRENT_USER, kSettingsKey, name); break;
      case Seed::False: RegWriteBool(HKEY_CURRENT_USER, kSettingsKey, name, false); break;
      case Seed::True: RegWriteBool(HKEY_CURRENT_USER, kSettingsKey, name, true); break;
      case Seed::Text: WriteRaw(name, REG_SZ, std::string("1\0", 2)); break;
    }
  }

 private:
  static void WriteRaw(const char* name, DWORD type, const std::string& data) {
    HKEY k;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k, nullptr) != ERROR_SUCCESS)
      return;
    ::RegSetValueExA(k, name, 0, type, reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()));
    ::RegCloseKey(k);
  }
  static constexpr const char* kNames[2] = {kSparrowtuneAds, kGlimmerbackAds};
  bool key_existed_ = false;
  bool present_[2] = {};
  RegValue saved_[2];
};

bool Setting(const char* name) { return RegReadBool(HKEY_CURRENT_USER, kSettingsKey, name); }

// Acts on one of our skinned windows from inside its modal loop: whenever a visible window of
// this process with one of `titles` is up, each tick runs the next step on it. A window still
// up long after the last step is closed, and the run counts as timed out.
class WindowDriver {
 public:
  using Step = std::function<void(HWND)>;
  WindowDriver(std::vector<std::string> titles, std::vector<Step> steps)
      : titles_(std::move(titles)), steps_(std::move(steps)) {
    active_ = this;
    timer_ = ::SetTimer(nullptr, 0, 30, &WindowDriver::Tick);
  }
  ~WindowDriver() {
    ::KillTimer(nullptr, timer_);
    active_ = nullptr;
  }
  std::vector<std::string> seen;  // titles of the windows, in the order they showed
  size_t steps_done = 0;
  bool timed_out = false;
  std::function<void(HWND)> on_show;  // runs once for each window as it first shows

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (active_) active_->Poll();
  }
  void Poll() {
    HWND w = nullptr;
    for (const std::string& t : titles_)
      if ((w = test::FindProcessWindow(t)) != nullptr) {
        if (w != last_) {
          last_ = w;
          seen.push_back(t);
          if (on_show) on_show(w);
          idle_ticks_ = 0;
          return;  // let it settle for one tick
        }
        break;
      }
    if (!w) return;
    if (steps_done < steps_.size()) {
      steps_[steps_done++](w);
    } else if (++idle_ticks_ > 100) {
      timed_out = true;
      ::PostMessageA(w, WM_CLOSE, 0, 0);
    }
  }
  static WindowDriver* active_;
  std::vector<std::string> titles_;
  std::vector<Step> steps_;
  HWND last_ = nullptr;
  int idle_ticks_ = 0;
  UINT_PTR timer_ = 0;
};
WindowDriver* WindowDriver::active_ = nullptr;

const std::vector<std::string> kPromotionTitles{kSparrowtuneName, kGlimmerbackName};

void PostClick(HWND w, int x, int y) {
  ::PostMessageA(w, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
  ::PostMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  ::PostMessageA(w, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}
HWND CheckBoxOf(HWND promo) { return test::FindChildByText(promo, kPromoCheckText); }

const WindowDriver::Step PressEscape = [](HWND w) { ::PostMessageA(w, WM_KEYDOWN, VK_ESCAPE, 0x00010001); };
const WindowDriver::Step PressEnter = [](HWND w) { ::PostMessageA(w, WM_KEYDOWN, VK_RETURN, 0x001C0001); };
const WindowDriver::Step PressEscapeInCheckBox = [](HWND w) {
  HWND box = CheckBoxOf(w);
  ::SetFocus(box);
  ::PostMessageA(box, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
};
const WindowDriver::Step PressAltF4 = [](HWND w) { ::PostMessageA(w, WM_SYSKEYDOWN, VK_F4, 0x203E0001); };
const WindowDriver::Step TickCheckBox = [](HWND w) { ::SendMessageA(CheckBoxOf(w), BM_CLICK, 0, 0); };
const WindowDriver::Step ClickOkLabel = [](HWND w) { PostClick(w, 176, 263); };
const WindowDriver::Step ClickOkImageEdge = [](HWND w) { PostClick(w, 128, 262); };
const WindowDriver::Step ClickDownloadLink = [](HWND w) { PostClick(w, 174, 191); };

// ---- promotion windows on their own ----

template <typename Form>
struct PromotionRun {
  std::vector<std::string> seen;
  size_t steps_done = 0;
  bool timed_out = false;
  bool checked_at_show = true;
};

template <typename Form>
PromotionRun<Form> RunPromotion(const std::vector<WindowDriver::Step>& steps) {
  Form form;
  PromotionRun<Form> run;
  if (!form.Create()) return run;
  WindowDriver driver(kPromotionTitles, steps);
  driver.on_show = [&](HWND w) { run.checked_at_show = ::SendMessageA(CheckBoxOf(w), BM_GETCHECK, 0, 0) == BST_CHECKED; };
  form.Run();
  run.seen = driver.seen;
  run.steps_done = driver.steps_done;
  run.timed_out = driver.timed_out;
  return run;
}

struct PromotionCase {
  const char* name;
  std::vector<WindowDriver::Step> steps;
  bool setting_after;
  bool opens_download;
};

const std::vector<PromotionCase>& PromotionCases() {
  static const std::vector<PromotionCase> cases{
      {"Escape", {PressEscape}, true, false},
      {"OK with the box clear", {ClickOkLabel}, true, false},
      {"OK image beside its label, box clear", {ClickOkImageEdge}, true, false},
      {"box ticked, then Escape", {TickCheckBox, PressEscape}, true, false},
      {"box ticked, Escape while the box has the focus", {TickCheckBox, PressEscapeInCheckBox}, true, false},
      {"box ticked, then OK", {TickCheckBox, ClickOkLabel}, false, false},
      {"download link, then Escape", {ClickDownloadLink, PressEscape}, false, true},
      {"Enter does nothing, then Escape", {PressEnter, PressEscape}, true, false},
      {"Alt+F4 closes like Escape", {PressAltF4}, true, false},
  };
  return cases;
}

template <typename Form>
void CheckPromotionCases(const char* own, const char* other, const char* title, const char* download) {
  for (const PromotionCase& c : PromotionCases()) {
    SettingsGuard guard;
    SettingsGuard::Set(own, Seed::True);
    SettingsGuard::Set(other, Seed::True);
    Opened().clear();
    const PromotionRun<Form> run = RunPromotion<Form>(c.steps);
    EXPECT_EQ(run.seen, std::vector<std::string>{title}) << c.name;
    EXPECT_FALSE(run.checked_at_show) << c.name;
    // Every step ran on the open window: the link and Enter left it open.
    EXPECT_EQ(run.steps_done, c.steps.size()) << c.name;
    EXPECT_FALSE(run.timed_out) << c.name;
    EXPECT_EQ(Setting(own), c.setting_after) << c.name;
    EXPECT_TRUE(Setting(other)) << c.name;
    EXPECT_EQ(Opened(), c.opens_download ? std::vector<std::string>{download} : std::vector<std::string>{}) << c.name;
  }
}

TEST_F(LookTest, PromotionSparrowtuneSettingFollowsTheWayItCloses) {
  CheckPromotionCases<TForm5a>(kSparrowtuneAds, kGlimmerbackAds, kSparrowtuneName, kSparrowtuneDownload);
}

TEST_F(LookTest, PromotionGlimmerbackSettingFollowsTheWayItCloses) {
  CheckPromotionCases<TForm5b>(kGlimmerbackAds, kSparrowtuneAds, kGlimmerbackName, kGlimmerbackDownload);
}

TEST_F(LookTest, PromotionLayoutPlacementAndDragStrip) {
  TForm5a a;
  TForm5b b;
  ASSERT_TRUE(a.Create());
  ASSERT_TRUE(b.Create());
  RECT work{};  // the main window is hidden meanwhile: the middle of the desktop's work area
  ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  for (TForm5* f : {static_cast<TForm5*>(&a), static_cast<TForm5*>(&b)}) {
    HWND h = f->hwnd();
    EXPECT_EQ(WindowText(h), f->Content().name);
    RECT wr;
    ::GetWindowRect(h, &wr);
    EXPECT_EQ(wr.left, work.left + (work.right - work.left - 350) / 2);
    EXPECT_EQ(wr.top, work.top + (work.bottom - work.top - 300) / 2);
    EXPECT_EQ(wr.right - wr.left, 350);
    EXPECT_EQ(wr.bottom - wr.top, 300);
    EXPECT_EQ(::GetWindowLongA(h, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME | WS_SYSMENU), 0);
    UniqueRegion rgn(::CreateRectRgn(0, 0, 0, 0));
    ASSERT_NE(::GetWindowRgn(h, rgn.get()), ERROR);
    EXPECT_FALSE(::PtInRegion(rgn.get(), 0, 0));
    EXPECT_FALSE(::PtInRegion(rgn.get(), 349, 299));
    EXPECT_TRUE(::PtInRegion(rgn.get(), 175, 150));

    HWND box = f->CheckBox1();
    ASSERT_TRUE(box);
    char cls[16] = {};
    ::GetClassNameA(box, cls, sizeof cls);
    EXPECT_STRCASEEQ(cls, "Button");
    EXPECT_EQ(::GetWindowLongA(box, GWL_STYLE) & BS_TYPEMASK, BS_AUTOCHECKBOX);
    EXPECT_EQ(WindowText(box), kPromoCheckText);
    RECT br;
    ::GetWindowRect(box, &br);
    EXPECT_EQ(br.left - wr.left, 82);
    EXPECT_EQ(br.top - wr.top, 216);

    auto hit = [&](int x, int y) { return ::SendMessageA(h, WM_NCHITTEST, 0, MAKELPARAM(wr.left + x, wr.top + y)); };
    EXPECT_EQ(hit(349, 59), HTCAPTION);
    EXPECT_EQ(hit(5, 0), HTCAPTION);
    EXPECT_EQ(hit(24, 20), HTCAPTION);  // over the product's name too
    EXPECT_NE(hit(175, 60), HTCAPTION);
    EXPECT_NE(hit(176, 263), HTCAPTION);
  }
}

TEST_F(LookTest, PromotionOkButtonHoverWithItsOwnColours) {
  TForm5b f;
  ASSERT_TRUE(f.Create());
  HWND h = f.hwnd();
  struct Move {
    const char* where;
    int x, y;
    bool hover;
  } const moves[] = {
      {"OK image", 128, 262, true},
      {"advertising text keeps it", 174, 140, true},
      {"skin", 10, 240, false},
      {"OK label", 176, 263, true},
      {"download link keeps it", 174, 192, true},
      {"skin again", 300, 280, false},
  };
  EXPECT_FALSE(f.Button1Hover());
  EXPECT_EQ(f.Button1LabelColor(), kPromoOkColor);
  for (const Move& m : moves) {
    ::SendMessageA(h, WM_MOUSEMOVE, 0, MAKELPARAM(m.x, m.y));
    EXPECT_EQ(f.Button1Hover(), m.hover) << m.where;
    EXPECT_EQ(f.Button1LabelColor(), m.hover ? kPromoOkHoverColor : kPromoOkColor) << m.where;
  }
}

// ---- the closing sequence of the main window ----

// Records whether the main window was visible when its WM_CLOSE arrived.
class CloseWatch {
 public:
  explicit CloseWatch(HWND main) {
    main_ = main;
    visible_at_close_ = -1;
    hook_ = ::SetWindowsHookExA(WH_CALLWNDPROC, &CloseWatch::Proc, nullptr, ::GetCurrentThreadId());
  }
  ~CloseWatch() { ::UnhookWindowsHookEx(hook_); }
  static int VisibleAtClose() { return visible_at_close_; }

 private:
  static LRESULT CALLBACK Proc(int code, WPARAM wp, LPARAM lp) {
    const auto* m = reinterpret_cast<const CWPSTRUCT*>(lp);
    if (code == HC_ACTION && m->hwnd == main_ && m->message == WM_CLOSE && visible_at_close_ < 0)
      visible_at_close_ = ::IsWindowVisible(main_) ? 1 : 0;
    return ::CallNextHookEx(nullptr, code, wp, lp);
  }
  static HWND main_;
  static int visible_at_close_;
  HHOOK hook_ = nullptr;
};
HWND CloseWatch::main_ = nullptr;
int CloseWatch::visible_at_close_ = -1;

struct Closing {
  std::vector<std::string> seen;
  std::vector<bool> main_visible_while_shown;
  int main_visible_at_close = -1;
  bool destroyed = false;
  bool timed_out = false;
};

// Closes a fresh main window with its "x" label, answering the promotion window with `steps`.
Closing CloseWithX(const std::vector<WindowDriver::Step>& steps) {
  Closing out;
  test::MainWindow w;
  HWND main = w.form().hwnd();
  CloseWatch watch(main);
  WindowDriver driver(kPromotionTitles, steps);
  driver.on_show = [&](HWND) { out.main_visible_while_shown.push_back(::IsWindowVisible(main) != FALSE); };
  w.form().TopLabel3Click();
  out.seen = driver.seen;
  out.timed_out = driver.timed_out;
  out.main_visible_at_close = CloseWatch::VisibleAtClose();
  out.destroyed = !::IsWindow(main);
  return out;
}

TEST_F(LookTest, ClosingSequenceShowsWhatTheSettingsAllow) {
  struct Case {
    const char* name;
    Seed sparrowtune, glimmerback;
    const char* shown;  // null: none
  } const cases[] = {
      {"first start: both written as true", Seed::Absent, Seed::Absent, kSparrowtuneName},
      {"both true: the first takes precedence", Seed::True, Seed::True, kSparrowtuneName},
      {"only the first", Seed::True, Seed::False, kSparrowtuneName},
      {"only the second", Seed::False, Seed::True, kGlimmerbackName},
      {"both false: closes at once", Seed::False, Seed::False, nullptr},
      {"a first value that is no integer reads as false", Seed::Text, Seed::True, kGlimmerbackName},
      {"the same, both unusable", Seed::Text, Seed::False, nullptr},
  };
  for (const Case& c : cases) {
    SettingsGuard guard;
    SettingsGuard::Set(kSparrowtuneAds, c.sparrowtune);
    SettingsGuard::Set(kGlimmerbackAds, c.glimmerback);
    const Closing r = CloseWithX({PressEscape});
    EXPECT_TRUE(r.destroyed) << c.name;
    EXPECT_FALSE(r.timed_out) << c.name;
    if (c.shown) {
      EXPECT_EQ(r.seen, std::vector<std::string>{c.shown}) << c.name;
      EXPECT_EQ(r.main_visible_while_shown, std::vector<bool>{false}) << c.name;
      EXPECT_EQ(r.main_visible_at_close, 0) << c.name;
    } else {
      EXPECT_TRUE(r.seen.empty()) << c.name;
      EXPECT_EQ(r.main_visible_at_close, 1) << c.name;  // never hidden first
    }
  }
}

TEST_F(LookTest, ClosingSequenceNextTimeFollowsWhatTheWindowSwitchedOff) {
  struct Case {
    const char* name;
    Seed sparrowtune, glimmerback;
    std::vector<WindowDriver::Step> first;
    const char* next;  // what the following closing shows; null: none
  } const cases[] = {
      {"Escape: the same window again", Seed::True, Seed::True, {PressEscape}, kSparrowtuneName},
      {"OK with the box clear: the same again", Seed::True, Seed::True, {ClickOkLabel}, kSparrowtuneName},
      {"ticked, then Escape: the same again", Seed::True, Seed::True, {TickCheckBox, PressEscape}, kSparrowtuneName},
      {"ticked and OK: the second one next", Seed::True, Seed::True, {TickCheckBox, ClickOkLabel}, kGlimmerbackName},
      {"download link, then Escape: the second one next", Seed::True, Seed::True, {ClickDownloadLink, PressEscape},
       kGlimmerbackName},
      {"second window ticked and OK: none again", Seed::False, Seed::True, {TickCheckBox, ClickOkLabel}, nullptr},
      {"second window's link then Escape: none again", Seed::False, Seed::True, {ClickDownloadLink, PressEscape},
       nullptr},
  };
  for (const Case& c : cases) {
    SettingsGuard guard;
    SettingsGuard::Set(kSparrowtuneAds, c.sparrowtune);
    SettingsGuard::Set(kGlimmerbackAds, c.glimmerback);
    const Closing first = CloseWithX(c.first);
    ASSERT_EQ(first.seen.size(), 1u) << c.name;
    EXPECT_FALSE(first.timed_out) << c.name;
    const Closing next = CloseWithX({PressEscape});
    EXPECT_EQ(next.seen, c.next ? std::vector<std::string>{c.next} : std::vector<std::string>{}) << c.name;
    EXPECT_TRUE(next.destroyed) << c.name;
  }
}

TEST_F(LookTest, OtherClosePathsNeverShowAPromotionWindow) {
  struct Case {
    const char* name;
    UINT msg;
    WPARAM wp;
    LPARAM lp;
  } const cases[] = {
      {"Alt+F4", WM_SYSKEYDOWN, VK_F4, 0x203E0001},
      {"the system's close command", WM_SYSCOMMAND, SC_CLOSE, 0},
      {"WM_CLOSE", WM_CLOSE, 0, 0},
  };
  for (const Case& c : cases) {
    SettingsGuard guard;
    SettingsGuard::Set(kSparrowtuneAds, Seed::True);
    SettingsGuard::Set(kGlimmerbackAds, Seed::True);
    test::MainWindow w;
    HWND main = w.form().hwnd();
    WindowDriver driver(kPromotionTitles, {PressEscape});
    ::PostMessageA(main, c.msg, c.wp, c.lp);
    EXPECT_TRUE(test::PumpUntil([&] { return !::IsWindow(main); }, 3000)) << c.name;
    test::PumpFor(100);
    EXPECT_TRUE(driver.seen.empty()) << c.name;
  }
}

TEST_F(LookTest, XLabelDoesNothingWhileBusy) {
  SettingsGuard guard;
  SettingsGuard::Set(kSparrowtuneAds, Seed::True);
  test::MainWindow w;
  WindowDriver driver(kPromotionTitles, {PressEscape});
  std::optional<BusyFlag::Hold> hold(w.form().Busy().Take());
  w.form().TopLabel3Click();
  test::PumpFor(100);
  EXPECT_TRUE(::IsWindowVisible(w.form().hwnd()));
  EXPECT_TRUE(driver.seen.empty());
  hold.reset();
}

// ---- the About window ----

TEST_F(LookTest, AboutCentredOnTheMainWindowAndDragsOnlyInItsTopStrip) {
  test::MainWindow w;
  HWND main = w.form().hwnd();
  TForm4 about;
  ASSERT_TRUE(about.Create(main));
  HWND h = about.hwnd();
  EXPECT_EQ(::GetWindow(h, GW_OWNER), main);
  RECT mr, ar;
  ::GetWindowRect(main, &mr);
  ::GetWindowRect(h, &ar);
  EXPECT_EQ(ar.right - ar.left, 350);
  EXPECT_EQ(ar.bottom - ar.top, 300);
  EXPECT_EQ(ar.left, mr.left + (720 - 350) / 2);
  EXPECT_EQ(ar.top, mr.top + (540 - 300) / 2);
  UniqueRegion rgn(::CreateRectRgn(0, 0, 0, 0));
  ASSERT_NE(::GetWindowRgn(h, rgn.get()), ERROR);
  EXPECT_FALSE(::PtInRegion(rgn.get(), 349, 0));
  EXPECT_TRUE(::PtInRegion(rgn.get(), 175, 150));

  struct Hit {
    int x, y;
    bool caption;
  } const hits[] = {{315, 47, true}, {316, 47, false}, {315, 48, false}, {10, 10, true},
                    {24, 12, true},  {220, 20, true},  {324, 22, false}, {100, 240, false}};
  for (const Hit& t : hits)
    EXPECT_EQ(::SendMessageA(h, WM_NCHITTEST, 0, MAKELPARAM(ar.left + t.x, ar.top + t.y)) == HTCAPTION, t.caption)
        << t.x << "," << t.y;
}

TEST_F(LookTest, AboutLinksOpenTheMakersPagesAndItsXCloses) {
  test::MainWindow w;
  HWND main = w.form().hwnd();
  std::vector<bool> main_enabled;
  const WindowDriver::Step note_main = [&](HWND) { main_enabled.push_back(::IsWindowEnabled(main) != FALSE); };
  WindowDriver driver({kAboutCaption}, {note_main, [](HWND a) { PostClick(a, 100, 238); },
                                        [](HWND a) { PostClick(a, 100, 258); }, [](HWND a) { PostClick(a, 324, 22); }});
  w.form().TopLabel1Click();
  EXPECT_EQ(driver.seen, std::vector<std::string>{kAboutCaption});
  EXPECT_EQ(driver.steps_done, 4u);  // open until its "x"
  EXPECT_FALSE(driver.timed_out);
  EXPECT_EQ(main_enabled, std::vector<bool>{false});
  EXPECT_EQ(Opened(), (std::vector<std::string>{kHomePage, kSupportPage}));
  EXPECT_TRUE(::IsWindowEnabled(main));
  EXPECT_EQ(test::FindProcessWindow(kAboutCaption), nullptr);
}

// Elevated, the title link opens through the desktop shell's process, so that the browser does not
// inherit the full rights (its children would); this process's own ShellExecute only where that
// fails or when not elevated.
TEST_F(LookTest, TitleLinkOpensThroughTheDesktopShellWhenElevated) {
  test::MainWindow w;
  const std::string through_shell = std::string("desktop shell: ") + kHomePage;
  const struct {
    bool elevated, desktop_opens;
    std::vector<std::string> opened;
  } cases[] = {
      {false, true, {kHomePage}},
      {true, true, {through_shell}},
      {true, false, {through_shell, kHomePage}},
  };
  for (const auto& c : cases) {
    g_elevated = c.elevated;
    g_desktop_opens = c.desktop_opens;
    Opened().clear();
    w.form().CopyrightLabel2Click();
    EXPECT_EQ(Opened(), c.opened) << c.elevated << c.desktop_opens;
  }
}

// ---- the hover rule of a panel's image buttons, with the real pointer ----

class HoverPanel {
 public:
  HoverPanel() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = &::DefWindowProcA;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = "KorvaneLookHost";
    wc.hCursor = ::LoadCursor(nullptr, IDC_ARROW);
    ::RegisterClassA(&wc);
    host_ = ::CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "KorvaneLookHost", "", WS_POPUP | WS_VISIBLE, kLeft,
                              kTop, 720, 540, nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
    panel_.Create(host_);
    b_a_.reset(::CreateBitmap(161, 26, 1, 32, nullptr));
    b_b_.reset(::CreateBitmap(161, 26, 1, 32, nullptr));
    panel_.AddImageButton(350, 394, "按钮一", b_a_.get(), b_b_.get(), [this] { ++clicks_[0]; });
    panel_.AddImageButton(518, 394, "按钮二", b_a_.get(), b_b_.get(), [this] { ++clicks_[1]; });
    list_.Create(panel_.hwnd(), RECT{8, 8, 681, 353}, {{"名称", 200}}, false, nullptr, 1);
    Label& link = panel_.AddUndoLink(8, 400, [] {});
    link.visible = true;
    ::SetForegroundWindow(host_);
    test::PumpFor(50);
  }
  ~HoverPanel() { ::DestroyWindow(host_); }
  // Moves the real pointer to a point of the panel and lets the move arrive.
  void MoveTo(int x, int y) {
    ::SetCursorPos(kLeft + 16 + x, kTop + 100 + y);
    test::PumpFor(60);
  }
  Panel& panel() { return panel_; }
  int clicks_[2] = {0, 0};

  static constexpr int kLeft = 40, kTop = 30;

 private:
  HWND host_ = nullptr;
  Panel panel_;
  ListView list_;
  UniqueBitmap b_a_, b_b_;
};

TEST_F(LookTest, HoverFollowsThePointerAcrossAPanelsButtons) {
  HoverPanel p;
  const ButtonGroup& g = p.panel().Buttons();
  struct Move {
    const char* where;
    int x, y;
    bool first, second;
  } const moves[] = {
      {"panel background", 300, 420, false, false},
      {"first button's image", 355, 400, true, false},
      {"first button's label", 430, 407, true, false},
      {"straight onto the neighbour's image", 520, 415, false, true},
      {"onto the list", 300, 200, false, true},
      {"onto the undo link", 20, 405, false, true},
      {"panel background", 300, 420, false, false},
      {"the neighbour's label highlights it", 600, 407, false, true},
      {"back onto the first button's label", 430, 407, true, false},
      {"outside the panel, on the window", 100, -50, true, false},
  };
  for (const Move& m : moves) {
    p.MoveTo(m.x, m.y);
    // On a loaded machine the move may arrive after the first pump: wait for it, within a bound.
    test::PumpUntil([&] { return g.IsHover(0) == m.first && g.IsHover(1) == m.second; }, 2000);
    EXPECT_EQ(g.IsHover(0), m.first) << m.where;
    EXPECT_EQ(g.IsHover(1), m.second) << m.where;
    EXPECT_EQ(g.At(0).label->color, m.first ? kHoverBlue : RGB(0, 0, 0)) << m.where;
    EXPECT_EQ(g.At(1).label->color, m.second ? kHoverBlue : RGB(0, 0, 0)) << m.where;
    EXPECT_EQ(g.At(0).normal->visible, !m.first) << m.where;
    EXPECT_EQ(g.At(1).normal->visible, !m.second) << m.where;
  }
}

}  // namespace
}  // namespace kv
