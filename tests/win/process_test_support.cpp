#include "tests/win/process_test_support.h"

#include <psapi.h>
#include <tlhelp32.h>

#include <cstdio>
#include <vector>

#include "tests/win/test_support.h"

namespace kv::test {

namespace {

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

}  // namespace

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


HelperProcesses::HelperProcesses() = default;

HelperProcesses::~HelperProcesses() {
  for (auto& p : processes_) {
    ::TerminateProcess(p.second.get(), 1);
    ::WaitForSingleObject(p.second.get(), 5000);
  }
}

DWORD HelperProcesses::Start(const std::string& path, DWORD flags) {
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::string cmd = "\"" + path + "\" 120000";
  if (!::CreateProcessA(path.c_str(), &cmd[0], nullptr, nullptr, FALSE, flags | DETACHED_PROCESS, nullptr,
                        nullptr, &si, &pi))
    return 0;
  ::CloseHandle(pi.hThread);
  processes_[pi.dwProcessId].reset(pi.hProcess);
  // Wine ignores a priority class given at creation; Windows honours both ways.
  const DWORD classes = IDLE_PRIORITY_CLASS | BELOW_NORMAL_PRIORITY_CLASS | NORMAL_PRIORITY_CLASS |
                        ABOVE_NORMAL_PRIORITY_CLASS | HIGH_PRIORITY_CLASS | REALTIME_PRIORITY_CLASS;
  if (const DWORD wanted = flags & classes; wanted && ::GetPriorityClass(pi.hProcess) != wanted)
    ::SetPriorityClass(pi.hProcess, wanted);
  // A process that has just been created may not yet show its loader data to others.
  const DWORD start = ::GetTickCount();
  for (;;) {
    char buf[MAX_PATH] = {};
    if (::GetModuleFileNameExA(pi.hProcess, nullptr, buf, MAX_PATH) != 0) break;
    if (::GetTickCount() - start > 5000) break;
    ::Sleep(10);
  }
  return pi.dwProcessId;
}

void HelperProcesses::Kill(DWORD pid) {
  auto it = processes_.find(pid);
  if (it == processes_.end()) return;
  ::TerminateProcess(it->second.get(), 1);
  ::WaitForSingleObject(it->second.get(), 5000);
  processes_.erase(it);
}

bool HelperProcesses::Running(DWORD pid) const { return WaitExit(pid, 0) == STILL_ACTIVE; }

DWORD HelperProcesses::WaitExit(DWORD pid, DWORD timeout_ms) const {
  auto it = processes_.find(pid);
  if (it == processes_.end()) return 0;
  if (::WaitForSingleObject(it->second.get(), timeout_ms) != WAIT_OBJECT_0) return STILL_ACTIVE;
  DWORD code = 0;
  ::GetExitCodeProcess(it->second.get(), &code);
  return code;
}

std::vector<DWORD> SnapshotOrder() {
  std::vector<DWORD> pids;
  UniqueFile snap(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snap) return pids;
  PROCESSENTRY32 e{};
  e.dwSize = sizeof e;
  for (BOOL more = ::Process32First(snap.get(), &e); more; more = ::Process32Next(snap.get(), &e))
    pids.push_back(e.th32ProcessID);
  return pids;
}

}  // namespace kv::test
