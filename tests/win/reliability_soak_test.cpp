// Long runs through the real main window that must leak nothing: two hundred tab switches with a
// few hundred entries in the autostart, uninstall and association sources (every fill clears and
// rebuilds its list and the shared image list), and a thousand passes of the process tab with
// processes coming and going. Handles, GDI and USER objects and memory must come back to where
// they were.
#include <gtest/gtest.h>

#include <cstdio>
#include <deque>

#include "associations/association_tab.h"
#include "processes/process_tab.h"
#include "tests/win/process_test_support.h"
#include "tests/win/reliability_support.h"
#include "tests/win/startup_fixtures.h"
#include "tests/win/uninstall_fixtures.h"
#include "ui/pump.h"

namespace kv {
namespace {

// The most each figure may grow over a soak; the growths are recorded as "<soak> ... growth".
struct GrowthLimits {
  long long handles, gdi, user, private_bytes, heap_bytes;
};

void ExpectNoLeak(const std::string& soak, const test::Usage& before, const test::Usage& after,
                  const GrowthLimits& limit) {
  test::Print("before", before);
  test::Print("after", after);
  const auto growth = [](auto a, auto b) { return static_cast<long long>(a) - static_cast<long long>(b); };
  EXPECT_LT(growth(after.handles, before.handles), limit.handles);
  EXPECT_LT(growth(after.gdi, before.gdi), limit.gdi);
  EXPECT_LT(growth(after.user, before.user), limit.user);
  EXPECT_LT(growth(after.private_bytes, before.private_bytes), limit.private_bytes);
  EXPECT_LT(growth(after.heap_bytes, before.heap_bytes), limit.heap_bytes);
  test::RecordFigure(soak + " handle growth", growth(after.handles, before.handles));
  test::RecordFigure(soak + " GDI growth", growth(after.gdi, before.gdi));
  test::RecordFigure(soak + " USER growth", growth(after.user, before.user));
  test::RecordFigure(soak + " private KB growth", growth(after.private_bytes, before.private_bytes) / 1024);
}

TEST(ReliabilitySoak, TwoHundredSwitchesWithHundredsOfEntriesLeakNothing) {
  constexpr int kEntries = 120;  // per source
  test::SeedKey run(HKEY_CURRENT_USER, test::kRunPath);
  test::SeededValuesW values;
  test::SeededUninstall uninstall;
  std::vector<std::unique_ptr<test::ScratchKeyW>> classes;
  const std::wstring windows = test::WideOf(ComputeAppState().WindowsFolder);
  for (int i = 0; i < kEntries; ++i) {
    const std::wstring n = std::to_wstring(i);
    values.Set(HKEY_CURRENT_USER, test::WideOf(test::kRunPath), L"KvSoak \x4E2D" + n, REG_SZ,
               test::Utf16Data(L"\"" + windows + L"notepad.exe\" /" + n));
    uninstall.Entry(test::UninstallRoot::User, "KvSoak " + std::to_string(i), "KvSoak 程序 " + std::to_string(i),
                    "C:\\KvSoak\\u" + std::to_string(i) + ".exe /x");
    classes.push_back(std::make_unique<test::ScratchKeyW>(HKEY_CLASSES_ROOT, L".kvsoak" + n));
    test::SetValueW(HKEY_CLASSES_ROOT, L".kvsoak" + n, L"", REG_SZ, test::Utf16Data(L"kvsoak.type" + n));
    classes.push_back(std::make_unique<test::ScratchKeyW>(HKEY_CLASSES_ROOT, L"kvsoak.type" + n));
    test::SetValueW(HKEY_CLASSES_ROOT, L"kvsoak.type" + n + L"\\shell\\open\\command", L"", REG_SZ,
                    test::Utf16Data(windows + L"notepad.exe \"%1\""));
  }

  test::MainWindow w;
  TForm1& form = w.form();
  auto switch_to = [&](int i) {
    const TabId tab = kAllTabs[i % 4];
    form.SelectTab(tab);
    PumpMessages();
    EXPECT_TRUE(test::TabIsIdle(form)) << "tab slot " << TabSlot(tab);
  };
  for (int i = 0; i < 8; ++i) switch_to(i);  // every kind of row, icon and allocation once
  const test::Usage before = test::Measure();
  constexpr int kSwitches = 200;
  for (int i = 0; i < kSwitches; ++i) switch_to(i);  // ends on tab 4
  switch_to(3);
  EXPECT_GE(static_cast<AssociationTab&>(form.Tab(TabId::Associations)).Panel4InfoList().Count(), kEntries);
  const test::Usage after = test::Measure();

  test::RecordFigure("soak tab switches", kSwitches);
  ExpectNoLeak("soak", before, after, {50, 20, 20, 8ll << 20, 1ll << 20});
}

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
  test::RecordFigure("process soak passes", tab.PassCount() - passes_before);
  EXPECT_GE(tab.PassCount() - passes_before, 1000);
  ExpectNoLeak("process soak", before, after, {50, 20, 20, 4ll << 20, 256ll << 10});
}

}  // namespace
}  // namespace kv
