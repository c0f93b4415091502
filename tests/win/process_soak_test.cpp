#include <windows.h>
#include <psapi.h>

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

struct Usage {
  DWORD handles = 0, gdi = 0, user = 0;
  SIZE_T private_bytes = 0;
  SIZE_T heap_bytes = 0;  // allocated blocks of every heap: finer than the commit charge
};

SIZE_T HeapBytesInUse() {
  std::vector<HANDLE> heaps(64);
  DWORD n = ::GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data());
  if (n > heaps.size()) {
    heaps.resize(n);
    n = ::GetProcessHeaps(n, heaps.data());
  }
  SIZE_T total = 0;
  for (DWORD i = 0; i < n && i < heaps.size(); ++i) {
    if (!::HeapLock(heaps[i])) continue;
    PROCESS_HEAP_ENTRY e{};
    while (::HeapWalk(heaps[i], &e))
      if (e.wFlags & PROCESS_HEAP_ENTRY_BUSY) total += e.cbData;
    ::HeapUnlock(heaps[i]);
  }
  return total;
}

// Wine answers GetProcessHandleCount, GetGuiResources and PrivateUsage with 0, so each figure
// falls back to a count that works there: the system handle table, the GDI handle table (Wine
// takes a handle without its generation word), this process's windows plus the icons among the
// low user handles, and the commit charge.
DWORD HandlesFromSystemTable() {
  struct Entry {
    USHORT pid, creator;
    UCHAR type, flags;
    USHORT value;
    PVOID object;
    ACCESS_MASK access;
  };
  using Query = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
  auto query = reinterpret_cast<Query>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
  if (!query) return 0;
  std::vector<char> buf(1 << 20);
  ULONG len = 0;
  LONG status;
  while ((status = query(16, buf.data(), static_cast<ULONG>(buf.size()), &len)) == static_cast<LONG>(0xC0000004))
    buf.resize(buf.size() * 2);
  if (status != 0) return 0;
  const ULONG count = *reinterpret_cast<ULONG*>(buf.data());
  const auto* entries = reinterpret_cast<const Entry*>(buf.data() + sizeof(ULONG_PTR));
  DWORD mine = 0;
  for (ULONG i = 0; i < count; ++i) mine += entries[i].pid == static_cast<USHORT>(::GetCurrentProcessId());
  return mine;
}

DWORD GdiFromHandleTable() {
  DWORD n = 0;
  for (UINT_PTR i = 1; i < 0x10000; ++i) n += ::GetObjectType(reinterpret_cast<HGDIOBJ>(i)) != 0;
  return n;
}

BOOL CALLBACK CountChild(HWND, LPARAM lp) {
  ++*reinterpret_cast<DWORD*>(lp);
  return TRUE;
}

BOOL CALLBACK CountWindow(HWND hwnd, LPARAM lp) {
  DWORD pid = 0;
  ::GetWindowThreadProcessId(hwnd, &pid);
  if (pid != ::GetCurrentProcessId()) return TRUE;
  ++*reinterpret_cast<DWORD*>(lp);
  ::EnumChildWindows(hwnd, &CountChild, lp);
  return TRUE;
}

DWORD UserFromWindowsAndIcons() {
  DWORD n = 0;
  ::EnumWindows(&CountWindow, reinterpret_cast<LPARAM>(&n));
  for (UINT_PTR i = 0; i < 0x1000; ++i) {
    ICONINFO info;
    if (!::GetIconInfo(reinterpret_cast<HICON>(0x20 + 2 * i), &info)) continue;
    ++n;
    if (info.hbmMask) ::DeleteObject(info.hbmMask);
    if (info.hbmColor) ::DeleteObject(info.hbmColor);
  }
  return n;
}

Usage Measure() {
  Usage u;
  HANDLE self = ::GetCurrentProcess();
  ::GetProcessHandleCount(self, &u.handles);
  if (u.handles == 0) u.handles = HandlesFromSystemTable();
  u.gdi = ::GetGuiResources(self, GR_GDIOBJECTS);
  if (u.gdi == 0) u.gdi = GdiFromHandleTable();
  u.user = ::GetGuiResources(self, GR_USEROBJECTS);
  if (u.user == 0) u.user = UserFromWindowsAndIcons();
  PROCESS_MEMORY_COUNTERS_EX pm{};
  pm.cb = sizeof pm;
  if (::GetProcessMemoryInfo(self, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pm), sizeof pm))
    u.private_bytes = pm.PrivateUsage ? pm.PrivateUsage : pm.PagefileUsage;
  u.heap_bytes = HeapBytesInUse();
  return u;
}

void Print(const char* when, const Usage& u) {
  std::printf("  %-8s handles %5lu  GDI %4lu  USER %4lu  private %8.1f KB  heap in use %8.1f KB\n", when,
              u.handles, u.gdi, u.user, static_cast<double>(u.private_bytes) / 1024.0,
              static_cast<double>(u.heap_bytes) / 1024.0);
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
  auto& tab = static_cast<ProcessTab&>(w.form().Tab(3));
  w.form().SelectTab(3);
  // Warm-up: the first rows, icons and allocations of every kind.
  for (int i = 0; i < 60; ++i) {
    if (i % 10 == 0) churn();
    tab.Panel3TimerEvent();
    PumpMessages();
  }
  const Usage before = Measure();
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
  const Usage after = Measure();

  std::printf("  %d passes (with %zu process starts) in %lu ms, %zu rows at the end\n", tab.PassCount() - passes_before,
              next, elapsed, static_cast<size_t>(tab.Panel3InfoList().Count()));
  Print("before", before);
  Print("after", after);
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
