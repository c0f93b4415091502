// The message, confirmation and wait windows driven by real window messages from inside their
// modal loops.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "tests/win/test_support.h"
#include "ui/about.h"
#include "ui/promotion.h"
#include "ui/dialogs.h"
#include "ui/undo_messages.h"

namespace kv {
namespace {

// Runs `act` once, from a timer, as soon as a visible, enabled window titled `title` exists.
class WhenShown {
 public:
  WhenShown(std::string title, std::function<void(HWND)> act) : title_(std::move(title)), act_(std::move(act)) {
    self() = this;
    timer_ = ::SetTimer(nullptr, 0, 20, &WhenShown::Tick);
  }
  ~WhenShown() {
    ::KillTimer(nullptr, timer_);
    self() = nullptr;
  }
  bool fired() const { return fired_; }

 private:
  static WhenShown*& self() {
    static WhenShown* s = nullptr;
    return s;
  }
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    WhenShown* s = self();
    if (!s || s->fired_) return;
    HWND w = test::FindProcessWindow(s->title_);
    if (!w || !::IsWindowEnabled(w)) return;
    s->fired_ = true;
    s->act_(w);
  }
  std::string title_;
  std::function<void(HWND)> act_;
  UINT_PTR timer_ = 0;
  bool fired_ = false;
};

// Clicks `button` of the window titled `title`, once, from a one-shot timer.
template <const char* Title, const char* Button>
void CALLBACK ClickLater(HWND, UINT, UINT_PTR id, DWORD) {
  ::KillTimer(nullptr, id);
  HWND w = test::FindProcessWindow(Title);
  if (w) ::PostMessageA(test::FindChildByText(w, Button), BM_CLICK, 0, 0);
}
constexpr char kConfirm[] = "确认";
constexpr char kInfo[] = "信息";
constexpr char kYes[] = "是";
constexpr char kOk[] = "确定";

void PostKey(HWND dialog, WPARAM key) {
  HWND focus = ::GetFocus();
  HWND target = focus && ::IsChild(dialog, focus) ? focus : dialog;
  ::PostMessageA(target, WM_KEYDOWN, key, 1);
  ::PostMessageA(target, WM_KEYUP, key, 0xC0000001);
}

class DialogWindows : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dialogs_.Create(main_.form().hwnd())); }
  test::MainWindow main_;
  Dialogs dialogs_;
};

TEST_F(DialogWindows, AskYesNoAnswersByButtonAndTreatsOtherClosesAsNo) {
  struct Case {
    const char* what;
    std::function<void(HWND)> act;
    Answer answer;
  } cases[] = {
      {"是", [](HWND d) { ::PostMessageA(test::FindChildByText(d, "是"), BM_CLICK, 0, 0); }, Answer::Yes},
      {"否", [](HWND d) { ::PostMessageA(test::FindChildByText(d, "否"), BM_CLICK, 0, 0); }, Answer::No},
      {"Alt+F4", [](HWND d) { ::PostMessageA(d, WM_SYSCOMMAND, SC_CLOSE, 0); }, Answer::No},
      {"WM_CLOSE", [](HWND d) { ::PostMessageA(d, WM_CLOSE, 0, 0); }, Answer::No},
  };
  for (auto& c : cases) {
    WhenShown script("确认", c.act);
    EXPECT_EQ(dialogs_.AskYesNo("你确定？"), c.answer) << c.what;
    EXPECT_TRUE(script.fired()) << c.what;
    EXPECT_FALSE(::IsWindowVisible(dialogs_.ConfirmWindow().hwnd()));
    EXPECT_TRUE(::IsWindowEnabled(main_.form().hwnd()));
  }
}

TEST_F(DialogWindows, EnterFollowsTheButtonUsedLast) {
  {
    WhenShown enter("确认", [](HWND d) { PostKey(d, VK_RETURN); });
    EXPECT_EQ(dialogs_.AskYesNo("第一个问题"), Answer::Yes);  // opens on "是"
  }
  {
    WhenShown no("确认", [](HWND d) { ::PostMessageA(test::FindChildByText(d, "否"), BM_CLICK, 0, 0); });
    EXPECT_EQ(dialogs_.AskYesNo("第二个问题"), Answer::No);
  }
  {
    WhenShown enter("确认", [](HWND d) { PostKey(d, VK_RETURN); });
    EXPECT_EQ(dialogs_.AskYesNo("第三个问题"), Answer::No);  // now opens on "否"
  }
}

TEST_F(DialogWindows, EscapeClosesNeitherWindow) {
  int escapes = 0;
  WhenShown script("确认", [&](HWND d) {
    PostKey(d, VK_ESCAPE);
    ++escapes;
    // Still open after the key was handled: answer properly.
    ::SetTimer(nullptr, 0, 200, &ClickLater<kConfirm, kYes>);
  });
  EXPECT_EQ(dialogs_.AskYesNo("Escape?"), Answer::Yes);
  EXPECT_EQ(escapes, 1);

  DWORD shown_for = 0;
  WhenShown info("信息", [&](HWND d) {
    PostKey(d, VK_ESCAPE);
    const DWORD start = ::GetTickCount();
    ::SetTimer(nullptr, 0, 200, &ClickLater<kInfo, kOk>);
    shown_for = start;
  });
  const DWORD before = ::GetTickCount();
  dialogs_.ShowInfo("消息");
  EXPECT_GE(::GetTickCount() - before, 150u) << "Escape closed the message window";
  EXPECT_NE(shown_for, 0u);
}

TEST_F(DialogWindows, ShowInfoReturnsAfterOkOrEnterAndShowsTheText) {
  std::string seen;
  WhenShown ok("信息", [&](HWND d) {
    seen = WindowText(dialogs_.MessageWindow().InfoLabel());
    ::PostMessageA(test::FindChildByText(d, "确定"), BM_CLICK, 0, 0);
  });
  dialogs_.ShowInfo("成功删除记录！");
  EXPECT_EQ(seen, "成功删除记录！");
  WhenShown enter("信息", [](HWND d) { PostKey(d, VK_RETURN); });
  dialogs_.ShowInfo("请选择一个项目。");
  EXPECT_TRUE(enter.fired());
}

TEST_F(DialogWindows, WaitWindowIsCentredOverTheDisabledMainWindowDuringAReading) {
  HWND main = main_.form().hwnd();
  {
    ReadingGuard reading(dialogs_);
    EXPECT_FALSE(::IsWindowEnabled(main));
    HWND wait = test::FindProcessWindow("收集数据");
    ASSERT_NE(wait, nullptr);
    EXPECT_NE(test::FindChildByText(wait, "请稍候...."), nullptr);
    RECT w, m, c;
    ::GetWindowRect(wait, &w);
    ::GetWindowRect(main, &m);
    ::GetClientRect(wait, &c);
    EXPECT_EQ(c.right, 300);
    EXPECT_EQ(c.bottom, 70);
    EXPECT_LE(std::abs((w.left + w.right) - (m.left + m.right)), 2);
    EXPECT_LE(std::abs((w.top + w.bottom) - (m.top + m.bottom)), 2);
  }
  EXPECT_TRUE(::IsWindowEnabled(main));
  EXPECT_EQ(test::FindProcessWindow("收集数据"), nullptr);
}

// Owned by the main window, each comes to the front with it: "Window Features" on
// learn.microsoft.com (an owned window is always above its owner in the z-order).
TEST_F(DialogWindows, EachWindowCentresOnTheMainWindowOrOnTheWorkAreaWhileThatIsMinimised) {
  HWND main = main_.form().hwnd();
  // Each case opens its window over the main window and returns where it was shown.
  const auto answered = [&](const char* title, const char* button, const std::function<void()>& open) {
    RECT at{};
    WhenShown script(title, [&](HWND d) {
      EXPECT_EQ(::GetWindow(d, GW_OWNER), main) << title;
      ::GetWindowRect(d, &at);
      ::PostMessageA(test::FindChildByText(d, button), BM_CLICK, 0, 0);
    });
    open();
    EXPECT_TRUE(script.fired()) << title;
    return at;
  };
  struct Case {
    const char* what;
    std::function<RECT()> open;
  } const cases[] = {
      {"confirmation", [&] { return answered("确认", "是", [&] { dialogs_.AskYesNo("?"); }); }},
      {"message", [&] { return answered("信息", "确定", [&] { dialogs_.ShowInfo("!"); }); }},
      {"wait",
       [&] {
         ReadingGuard reading(dialogs_);
         RECT at{};
         HWND wait = test::FindProcessWindow("收集数据");
         EXPECT_EQ(::GetWindow(wait, GW_OWNER), main) << "wait";
         ::GetWindowRect(wait, &at);
         return at;
       }},
      {"About",
       [&] {
         TForm4 about;
         RECT at{};
         if (about.Create(main)) ::GetWindowRect(about.hwnd(), &at);
         return at;
       }},
  };
  for (const bool minimised : {false, true}) {
    ::ShowWindow(main, minimised ? SW_MINIMIZE : SW_RESTORE);
    ASSERT_EQ(::IsIconic(main) != FALSE, minimised);
    // A minimised window lies far off-screen: then the middle of the work area (one monitor here).
    RECT around{};
    if (minimised) {
      ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &around, 0);
    } else {
      ::GetWindowRect(main, &around);
    }
    for (const Case& c : cases) {
      const RECT at = c.open();
      EXPECT_LE(std::abs((at.left + at.right) - (around.left + around.right)), 2) << c.what << " " << minimised;
      EXPECT_LE(std::abs((at.top + at.bottom) - (around.top + around.bottom)), 2) << c.what << " " << minimised;
      EXPECT_GT(at.right, at.left) << c.what;
    }
  }
  ::ShowWindow(main, SW_RESTORE);
}

// Each window object owns its window: the window goes with the object, and an owner destroyed
// first takes its owned windows along ("DestroyWindow function", Remarks, on learn.microsoft.com),
// which ends a modal run as a close and leaves the objects without a handle.
TEST_F(DialogWindows, WindowsGoWithTheirObjectsOrFirstWithTheirOwner) {
  HWND owner = ::CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 60, 60, nullptr, nullptr,
                                 ::GetModuleHandleA(nullptr), nullptr);
  ASSERT_TRUE(owner);
  Dialogs owned;
  ASSERT_TRUE(owned.Create(owner));
  const HWND confirm = owned.ConfirmWindow().hwnd();
  WhenShown destroy_owner("确认", [&](HWND) { ::DestroyWindow(owner); });
  EXPECT_EQ(owned.AskYesNo("?"), Answer::No);
  EXPECT_TRUE(destroy_owner.fired());
  EXPECT_FALSE(::IsWindow(confirm));
  EXPECT_EQ(owned.ConfirmWindow().hwnd(), nullptr);
  EXPECT_EQ(owned.MessageWindow().hwnd(), nullptr);
  EXPECT_TRUE(::IsWindowEnabled(main_.form().hwnd()));

  std::vector<HWND> windows;
  {
    TForm4 about;
    TForm5b promotion;
    TForm3a message;
    ASSERT_TRUE(about.Create(main_.form().hwnd()) && promotion.Create() && message.Create(main_.form().hwnd()));
    ::ShowWindow(message.hwnd(), SW_SHOWNOACTIVATE);
    windows = {about.hwnd(), promotion.hwnd(), message.hwnd()};
  }
  for (HWND w : windows) EXPECT_FALSE(::IsWindow(w));
}

TEST_F(DialogWindows, MessageAndConfirmationWindowsHaveTheirFixedSizes) {
  RECT rc;
  ::GetClientRect(dialogs_.MessageWindow().hwnd(), &rc);
  EXPECT_EQ(rc.right, 300);
  EXPECT_EQ(rc.bottom, 102);
  WhenShown measure("确认", [&](HWND d) {
    ::GetClientRect(d, &rc);
    ::PostMessageA(test::FindChildByText(d, "是"), BM_CLICK, 0, 0);
  });
  dialogs_.AskYesNo("?");
  EXPECT_EQ(rc.right, 300);
  EXPECT_EQ(rc.bottom, 116);
  const LONG style = ::GetWindowLongA(dialogs_.ConfirmWindow().hwnd(), GWL_STYLE);
  EXPECT_TRUE(style & WS_CAPTION);
  EXPECT_FALSE(style & WS_SYSMENU);

  // A message that names a per-user undo folder needs more than two lines: the window grows so
  // that the whole text stays above the button, and the next message has the fixed size again.
  const std::string long_message =
      WithUndoFolder(UndoResultMessage(UndoForm::Named, "某个程序_uninstall.reg", true),
                     "C:\\Documents and Settings\\Administrator\\Local Settings\\Application Data\\Korvane\\Undo\\");
  for (const std::string& text : {long_message, std::string("成功删除记录！")}) {
    RECT client{}, label{}, button{};
    WhenShown shown("信息", [&](HWND d) {
      ::GetClientRect(d, &client);
      ::GetWindowRect(dialogs_.MessageWindow().InfoLabel(), &label);
      ::GetWindowRect(dialogs_.MessageWindow().Button1(), &button);
      ::PostMessageA(test::FindChildByText(d, "确定"), BM_CLICK, 0, 0);
    });
    dialogs_.ShowInfo(text);
    ASSERT_TRUE(shown.fired());
    EXPECT_EQ(client.right, 300);
    EXPECT_EQ(client.bottom > 102, text == long_message) << client.bottom;
    EXPECT_EQ(label.bottom - label.top > 32, text == long_message) << label.bottom - label.top;
    EXPECT_LE(label.bottom, button.top);
  }
}

}  // namespace
}  // namespace kv
