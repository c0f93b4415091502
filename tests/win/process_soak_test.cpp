#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <deque>
#include <string>
#include <vector>

#include "processes/process_tab.h"
#include "tests/win/process_test_support.h"
#include "tests/win/reliability_figures.h"
#include "tests/win/test_support.h"
#include "ui/pump.h"

namespace kv {
namespace {

TEST(ProcessTabSoak, AThousandPassesWithProcessesComingAndGoingLeakNothing) {
  test::HelperProcesses helpers;
  std::vector<std::string> copies;
  for (int i = 0; i < 6; ++i) copies.push_back(helpers.Copy("kvsoak" + std::to_string(i) + ".exe"));
  std::deque<DWORD> alive;
  size_t next = 0;
  auto churn = [&] {
    if (DWORD pid = helpers.Start(copies[next++ % copies.size()])) alive.push_back(pid);
    if (alive.size() > 3) {
      helpers.Kill(alive.front());
      alive.pop_front();
    }
  };

  test::MainWindow w;
  auto& tab = static_cast<ProcessTab&>(w.form().Tab(TabId::Processes));
  w.form().SelectTab(TabId::Processes);
  // Warm-up: the first rows, icons and allocations of every kind.
  for (int i = 0; i < 60; ++i) {
    if (i % 10 == 0) churn();
    tab.Panel3TimerEvent();
    PumpMessages();
  }
  const test::Usage before = test::Measure();
  const int passes_before = tab.PassCount();
  const DWORD start = ::GetTickCount();
  for (int i = 0; i < 1000; ++i) {
    if (i % 20 == 0) churn();
    tab.Panel3TimerEvent();
    PumpMessages();
  }
  const DWORD elapsed = ::GetTickCount() - start;
  // Back to the starting set of processes before the last figures.
  while (!alive.empty()) {
    helpers.Kill(alive.front());
    alive.pop_front();
  }
  tab.Panel3TimerEvent();
  const test::Usage after = test::Measure();

  std::printf("  %d passes (with %zu process starts) in %lu ms, %zu rows at the end\n", tab.PassCount() - passes_before,
              next, elapsed, static_cast<size_t>(tab.Panel3InfoList().Count()));
  test::Print("before", before);
  test::Print("after", after);
  test::RecordFigure("process soak passes", tab.PassCount() - passes_before);
  test::RecordFigure("process soak handle growth", static_cast<long>(after.handles) - static_cast<long>(before.handles));
  test::RecordFigure("process soak GDI growth", static_cast<long>(after.gdi) - static_cast<long>(before.gdi));
  test::RecordFigure("process soak USER growth", static_cast<long>(after.user) - static_cast<long>(before.user));
  test::RecordFigure("process soak private KB growth",
                     (static_cast<long long>(after.private_bytes) - static_cast<long long>(before.private_bytes)) / 1024);
  EXPECT_GE(tab.PassCount() - passes_before, 1000);
  EXPECT_LT(static_cast<long>(after.handles) - static_cast<long>(before.handles), 50);
  EXPECT_LT(static_cast<long>(after.gdi) - static_cast<long>(before.gdi), 20);
  EXPECT_LT(static_cast<long>(after.user) - static_cast<long>(before.user), 20);
  EXPECT_LT(static_cast<double>(after.private_bytes) - static_cast<double>(before.private_bytes), 4.0 * 1024 * 1024);
  EXPECT_LT(static_cast<double>(after.heap_bytes) - static_cast<double>(before.heap_bytes), 256.0 * 1024);
}

}  // namespace
}  // namespace kv
