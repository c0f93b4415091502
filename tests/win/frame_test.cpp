#include <gtest/gtest.h>

#include <optional>

#include "sysaccess/registry.h"
#include "tests/win/test_support.h"

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
  EXPECT_EQ(f.TabLabelColor(1), kTabSelected);
  EXPECT_FALSE(f.Panel3TimerEnabled());
  const int markers[] = {136, 280, 424, 568};
  for (int tab : {2, 4, 3, 1}) {
    f.SelectTab(tab);
    EXPECT_EQ(f.TabMarkerLeft(), markers[tab - 1]);
    for (int other = 1; other <= 4; ++other)
      EXPECT_EQ(f.TabLabelColor(other), other == tab ? kTabSelected : RGB(0, 0, 0)) << tab << "/" << other;
    EXPECT_EQ(f.Panel3TimerEnabled(), tab == 3);
  }
}

TEST(MainWindowFrame, CloseIsRefusedWhileBusy) {
  test::MainWindow w;
  std::optional<BusyFlag::Hold> busy(w.form().Busy().Take());
  ::SendMessageA(w.form().hwnd(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(::IsWindow(w.form().hwnd()));
  busy.reset();
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

}  // namespace
}  // namespace kv
