// A long fill keeps the list's rows in view painted and its scroll bar current at every tick,
// though rows past the view are no longer painted again.
#include <gtest/gtest.h>

#include <string>

#include "ui/listview.h"

namespace kv {
namespace {

class ListFillTest : public ::testing::Test {
 protected:
  void SetUp() override {
    frame_ = ::CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 420, 200, nullptr, nullptr,
                               ::GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(frame_);
    list_.Create(frame_, RECT{0, 0, 400, 160}, {{"a", 200}, {"b", 150}}, false, nullptr, 1);
    ::UpdateWindow(frame_);
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&msg);
  }
  void TearDown() override { ::DestroyWindow(frame_); }

  void Add(int rows) {
    for (int i = 0; i < rows; ++i) {
      const int row = list_.AddRow("WWWWWWWW " + std::to_string(list_.Count()), -1);
      list_.SetCell(row, 1, "MMMMMMMM");
    }
  }
  void Tick() {
    // A tick repaints at most every 100 ms by GetTickCount, which Wine moves on only now and then.
    ::Sleep(250);
    list_.FillTick();
  }
  // The rows the vertical scroll bar stands for.
  int ScrollRows() const {
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE;
    if (!::GetScrollInfo(list_.hwnd(), SB_VERT, &si)) return 0;
    return si.nMax + 1;
  }
  // Dark pixels of the caption in `row`, as the screen shows it.
  int InkIn(int row) const {
    RECT r{};
    r.left = LVIR_LABEL;
    if (!::SendMessageA(list_.hwnd(), LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&r))) return 0;
    HDC dc = ::GetDC(list_.hwnd());
    int ink = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) {
        const COLORREF c = ::GetPixel(dc, x, y);
        if (c != CLR_INVALID && GetRValue(c) + GetGValue(c) + GetBValue(c) < 200) ++ink;
      }
    ::ReleaseDC(list_.hwnd(), dc);
    return ink;
  }

  HWND frame_ = nullptr;
  ListView list_;
};

TEST_F(ListFillTest, TicksPaintTheRowsInViewAndKeepTheScrollBarCurrent) {
  list_.BeginFill();
  Add(3);
  EXPECT_EQ(InkIn(2), 0) << "nothing is painted between ticks";
  Tick();
  EXPECT_GT(InkIn(2), 0) << "a short list is painted at the tick";

  for (int total : {200, 1000}) {
    SCOPED_TRACE(total);
    Add(total - list_.Count());
    Tick();
    EXPECT_EQ(ScrollRows(), total);
    EXPECT_GT(InkIn(0), 0);
    EXPECT_GT(InkIn(5), 0) << "the rows in view stay painted";
  }
  list_.EndFill();
  EXPECT_EQ(ScrollRows(), 1000);
}

// The search of tab 4 scrolls in one step, from wherever the view stands.
TEST_F(ListFillTest, ScrollRowToTopBringsTheRowUpOrStopsAtTheLastPage) {
  Add(1000);
  const int page = static_cast<int>(::SendMessageA(list_.hwnd(), LVM_GETCOUNTPERPAGE, 0, 0));
  ASSERT_GT(page, 1);
  const struct {
    int row, top;
  } cases[] = {{500, 500}, {1, 1}, {0, 0}, {999, 1000 - page}, {300, 300}};
  for (const auto& c : cases) {
    list_.ScrollRowToTop(c.row);
    EXPECT_EQ(list_.TopIndex(), c.top) << c.row;
  }
}

}  // namespace
}  // namespace kv
