#include <gtest/gtest.h>

#include <optional>
#include <thread>

#include "sysaccess/registry.h"
#include "tests/win/test_support.h"
#include "tests/win/startup_fixtures.h"
#include "tests/win/uninstall_fixtures.h"

namespace kv {
namespace {

TEST(MainWindowFrame, StartsOnTabOneAndMovesTheMarker) {
  test::MainWindow w;
  TForm1& f = w.form();
  RECT rc;
  ::GetClientRect(f.hwnd(), &rc);
  EXPECT_EQ(rc.right, 720);
  EXPECT_EQ(rc.bottom, 540);
  EXPECT_EQ(f.TabMarkerLeft(), 136);
  EXPECT_EQ(f.TabLabelColor(TabId::Startup), kTabSelected);
  EXPECT_FALSE(f.Panel3TimerEnabled());
  const int markers[] = {136, 280, 424, 568};
  for (TabId tab : {TabId::Uninstall, TabId::Associations, TabId::Processes, TabId::Startup}) {
    f.SelectTab(tab);
    EXPECT_EQ(f.TabMarkerLeft(), markers[TabSlot(tab)]);
    for (TabId other : kAllTabs)
      EXPECT_EQ(f.TabLabelColor(other), other == tab ? kTabSelected : RGB(0, 0, 0))
          << TabSlot(tab) << "/" << TabSlot(other);
    EXPECT_EQ(f.Panel3TimerEnabled(), tab == TabId::Processes);
  }
}

TEST(MainWindowFrame, CloseIsRefusedWhileBusy) {
  test::MainWindow w;
  std::optional<BusyFlag::Hold> hold(w.form().Busy().Take());
  ::SendMessageA(w.form().hwnd(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(::IsWindow(w.form().hwnd()));
  hold.reset();
  ::SendMessageA(w.form().hwnd(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(::IsWindow(w.form().hwnd()));
}

TEST(MainWindowFrame, DragStripAnswersCaptionLeftOfTheTitleLabels) {
  test::MainWindow w;
  HWND h = w.form().hwnd();
  auto hit = [&](int x, int y) {
    POINT pt{x, y};
    ::ClientToScreen(h, &pt);
    return ::SendMessageA(h, WM_NCHITTEST, 0, MAKELPARAM(pt.x, pt.y));
  };
  EXPECT_EQ(hit(634, 59), HTCAPTION);
  EXPECT_NE(hit(635, 59), HTCAPTION);
  EXPECT_NE(hit(634, 60), HTCAPTION);
  EXPECT_EQ(hit(10, 10), HTCAPTION);
}

// A top-level window titled "Korvane" of another class, as Explorer shows a folder of that name,
// on a thread of its own: the frame's message hook sees whatever is posted to its own thread.
class DecoyWindow {
 public:
  DecoyWindow() : ready_(::CreateEventA(nullptr, TRUE, FALSE, nullptr)), thread_([this] { Run(); }) {
    ::WaitForSingleObject(ready_.get(), 10000);
  }
  ~DecoyWindow() {
    ::PostThreadMessageA(thread_id_, WM_QUIT, 0, 0);
    thread_.join();
  }
  HWND hwnd() const { return hwnd_; }

 private:
  void Run() {
    thread_id_ = ::GetCurrentThreadId();
    WNDCLASSA wc{};
    wc.lpfnWndProc = &::DefWindowProcA;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = "KorvaneDecoyFolder";
    ::RegisterClassA(&wc);
    hwnd_ = ::CreateWindowExA(0, wc.lpszClassName, kMainTitle, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 300, 200,
                              nullptr, nullptr, wc.hInstance, nullptr);
    MSG msg;
    ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the queue exists before the test goes on
    ::SetEvent(ready_.get());
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) ::DispatchMessageA(&msg);
    ::DestroyWindow(hwnd_);
  }
  UniqueHandle ready_;
  DWORD thread_id_ = 0;
  HWND hwnd_ = nullptr;
  std::thread thread_;
};

TEST(MainWindowFrame, SecondStartRestoresTheRunningWindowNotAnotherTitledLikeIt) {
  test::MainWindow w;
  HWND main = w.form().hwnd();
  UniqueHandle first(::CreateMutexA(nullptr, FALSE, "Korvane"));  // as the running instance holds it
  ASSERT_TRUE(first);
  ::ShowWindow(main, SW_MINIMIZE);
  ASSERT_TRUE(::IsIconic(main));
  const DecoyWindow decoy;  // made after the main window, so it lies above it
  ASSERT_TRUE(decoy.hwnd());
  ASSERT_EQ(::FindWindowA(nullptr, kMainTitle), decoy.hwnd()) << "the decoy is not the first window of that title";

  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::string line = "\"" + test::BinaryPath("Korvane.exe") + "\"";
  ASSERT_TRUE(::CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
  UniqueHandle second(pi.hProcess), thread(pi.hThread);
  ASSERT_TRUE(test::PumpUntil([&] { return ::WaitForSingleObject(second.get(), 0) == WAIT_OBJECT_0; }, 20000));
  EXPECT_TRUE(test::PumpUntil([&] { return !::IsIconic(main); }, 5000)) << "the running window was not restored";
}

// On every tab's list, F5 reads the tab again and Delete runs the tab's delete action, which asks
// first.
TEST(MainWindowFrame, EveryListTakesF5AndDelete) {
  test::SeededUninstall seeded;
  const std::string id = "KvT" + std::to_string(::GetCurrentProcessId());
  seeded.Entry(test::UninstallRoot::User, id + "按键", id + "按键程序");
  test::SeedValue run(HKEY_CURRENT_USER, test::kRunPath, id + "按键", REG_SZ, test::Sz("C:\\k.exe"));
  test::MainWindow w;
  for (const TabId tab : kAllTabs) {
    SCOPED_TRACE(static_cast<int>(tab));
    w.form().SelectTab(tab);
    HWND list = ::FindWindowExA(w.form().Tab(tab).PanelWindow(), nullptr, WC_LISTVIEWA, nullptr);
    ASSERT_TRUE(list);
    const int rows = ListView_GetItemCount(list);
    ASSERT_GT(rows, 0);
    ListView_DeleteItem(list, 0);
    ::SendMessageA(list, WM_KEYDOWN, VK_F5, 0);
    EXPECT_EQ(ListView_GetItemCount(list), rows);

    // A row that is not this test program's own process.
    int row = 0;
    char caption[MAX_PATH] = {};
    ListView_GetItemText(list, row, 0, caption, sizeof caption);
    if (std::string(caption) == "win_tests.exe") row = 1;
    ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    test::DialogScript no(std::vector<test::DialogScript::Step>{{"确认", "否"}});
    ::SendMessageA(list, WM_KEYDOWN, VK_DELETE, 0);
    EXPECT_TRUE(no.Finished());
    EXPECT_EQ(ListView_GetItemCount(list), rows) << "nothing went";
  }
}

}  // namespace
}  // namespace kv
