#pragma once
// Helper processes for the process tab's tests: copies of the sleeper under chosen names, started
// and ended by handle, and what this process uses of the system. Everything started is ended on
// destruction.
#include <windows.h>

#include <map>
#include <vector>
#include <string>

#include "tests/win/test_support.h"
#include "win/handles.h"

namespace kv::test {

class HelperProcesses {
 public:
  HelperProcesses();
  ~HelperProcesses();
  HelperProcesses(const HelperProcesses&) = delete;
  HelperProcesses& operator=(const HelperProcesses&) = delete;

  // Copies the sleeper to <folder>\<sub>\<name>; returns the full path ("" on failure).
  std::string Copy(const std::string& name, const std::string& sub = "") { return sleepers_.Copy(name, sub); }
  // Starts `path` with `flags` (e.g. HIGH_PRIORITY_CLASS) and waits until its executable path
  // can be read from outside; returns its process id, 0 on failure.
  DWORD Start(const std::string& path, DWORD flags = 0);
  // Ends the process by its handle and waits for it.
  void Kill(DWORD pid);
  bool Running(DWORD pid) const;
  // Waits for the process to end; its exit code, or STILL_ACTIVE after the time-out.
  DWORD WaitExit(DWORD pid, DWORD timeout_ms = 5000) const;
  const std::string& Folder() const { return sleepers_.folder(); }

 private:
  HelperCopies sleepers_{"sleeper.exe"};  // goes after the processes, which the destructor ends
  std::map<DWORD, UniqueHandle> processes_;
};

// This process's use of handles, GDI and USER objects and memory. Wine answers
// GetProcessHandleCount, GetGuiResources and PrivateUsage with 0, so each figure falls back to a
// count that works there.
struct Usage {
  DWORD handles = 0, gdi = 0, user = 0;
  SIZE_T private_bytes = 0;
  SIZE_T heap_bytes = 0;  // allocated blocks of every heap: finer than the commit charge
};
Usage Measure();
void Print(const char* when, const Usage& u);

// Pids in snapshot order.
std::vector<DWORD> SnapshotOrder();

}  // namespace kv::test
