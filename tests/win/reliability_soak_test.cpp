// Two hundred tab switches through the real main window, with a few hundred entries in the
// autostart, uninstall and association sources: every fill clears and rebuilds its list and the
// shared image list, so handles, GDI and USER objects and memory must come back to where they were.
#include <gtest/gtest.h>

#include <cstdio>

#include "associations/association_tab.h"
#include "tests/win/process_test_support.h"
#include "tests/win/reliability_support.h"
#include "tests/win/startup_fixtures.h"
#include "tests/win/uninstall_fixtures.h"
#include "ui/pump.h"

namespace kv {
namespace {

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

  test::Print("before", before);
  test::Print("after", after);
  const auto growth = [](auto a, auto b) { return static_cast<long long>(a) - static_cast<long long>(b); };
  EXPECT_LT(growth(after.handles, before.handles), 50);
  EXPECT_LT(growth(after.gdi, before.gdi), 20);
  EXPECT_LT(growth(after.user, before.user), 20);
  EXPECT_LT(growth(after.private_bytes, before.private_bytes), 8ll << 20);
  EXPECT_LT(growth(after.heap_bytes, before.heap_bytes), 1ll << 20);
  test::RecordFigure("soak tab switches", kSwitches);
  test::RecordFigure("soak handle growth", growth(after.handles, before.handles));
  test::RecordFigure("soak GDI growth", growth(after.gdi, before.gdi));
  test::RecordFigure("soak USER growth", growth(after.user, before.user));
  test::RecordFigure("soak private KB growth", growth(after.private_bytes, before.private_bytes) / 1024);
}

}  // namespace
}  // namespace kv
