#include "tests/win/process_test_support.h"

#include <psapi.h>
#include <tlhelp32.h>

#include <vector>

#include "tests/win/test_support.h"

namespace kv::test {

HelperProcesses::HelperProcesses() : folder_(TempFolder()) {}

HelperProcesses::~HelperProcesses() {
  for (auto& p : processes_) {
    ::TerminateProcess(p.second.get(), 1);
    ::WaitForSingleObject(p.second.get(), 5000);
  }
  processes_.clear();
  if (!folder_.empty()) RemoveTree(folder_);
}

std::string HelperProcesses::Copy(const std::string& name, const std::string& sub) {
  std::string dir = folder_;
  if (!sub.empty()) {
    dir += sub + "\\";
    ::CreateDirectoryA(dir.c_str(), nullptr);
  }
  const std::string target = dir + name;
  if (!::CopyFileA(BinaryPath("tests/helpers/sleeper.exe").c_str(), target.c_str(), FALSE)) return "";
  return target;
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
