#include "processes/process_reader.h"

#include <tlhelp32.h>

#include <cstring>
#include <iterator>

#include "processes/process_rules.h"
#include "sysaccess/handles.h"
#include "sysaccess/programs.h"

namespace kv {

#ifndef _WIN64
static_assert(sizeof(PROCESSENTRY32) == 296, "the snapshot entry as the system documents it");
#endif

namespace {

using GetModuleFileNameExFn = DWORD(WINAPI*)(HANDLE, HMODULE, LPSTR, DWORD);

// PSAPI comes from the system folder only and is loaded once, on the first path query; when it
// cannot be loaded no path can be read and nothing is listed.
GetModuleFileNameExFn PathQuery() {
  static const GetModuleFileNameExFn query = [] {
    HMODULE psapi = LoadSystemLibrary("psapi.dll");  // kept until the process ends
    if (!psapi) return GetModuleFileNameExFn{};
    return reinterpret_cast<GetModuleFileNameExFn>(
        reinterpret_cast<void*>(::GetProcAddress(psapi, "GetModuleFileNameExA")));
  }();
  return query;
}

std::string ExeName(const PROCESSENTRY32& e) {
  return std::string(e.szExeFile, strnlen(e.szExeFile, sizeof e.szExeFile));
}

// The process opened for reading, with its executable path; the path is empty when it cannot be
// read.
UniqueHandle OpenForReading(DWORD pid, std::string& path) {
  path.clear();
  UniqueHandle process(::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
  if (!process) return process;
  if (GetModuleFileNameExFn query = PathQuery()) {
    // One byte more than the call may fill: older systems leave a truncated path unterminated.
    char buf[MAX_PATH + 1] = {};
    if (query(process.get(), nullptr, buf, MAX_PATH) != 0) path.assign(buf, strnlen(buf, MAX_PATH));
  }
  return process;
}

}  // namespace

bool ReadProcesses(ProcessSink& sink, const std::function<void()>& pump, ProcessCache* cache) {
  UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) {
    if (cache) cache->Clear();
    return false;
  }
  const unsigned walk = cache ? ++cache->walk_ : 0;
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  std::string path;
  for (BOOL more = ::Process32First(snapshot.get(), &entry); more; more = ::Process32Next(snapshot.get(), &entry)) {
    if (pump) pump();
    std::string name = ExeName(entry);
    const DWORD pid = entry.th32ProcessID;
    ProcessCache::Known* known = nullptr;
    if (cache) {
      auto it = cache->known_.find(pid);
      if (it != cache->known_.end() && it->second.name == name) {
        known = &it->second;
        known->walk = walk;
      }
    }
    // The name rule comes first and needs no look inside the process.
    if (SkipProcessName(name) || !sink.Wants(name)) continue;
    UniqueHandle opened;
    HANDLE process = nullptr;
    if (known) {
      process = known->process.get();
      path = known->path;
    } else {
      opened = OpenForReading(pid, path);
      process = opened.get();
      // Only a path that was read is kept; a failed read is tried again next time.
      if (cache && opened && !path.empty()) {
        ProcessCache::Known& k = cache->known_[pid];
        k.process = std::move(opened);
        k.name = name;
        k.path = path;
        k.walk = walk;
      }
    }
    if (SkipProcess(name, path)) continue;
    sink.Take(ProcessEntry{std::move(name), NormaliseProcessPath(path), pid, process});
  }
  if (cache) {
    // Processes no longer running are let go.
    for (auto it = cache->known_.begin(); it != cache->known_.end();)
      it = it->second.walk == walk ? std::next(it) : cache->known_.erase(it);
  }
  return true;
}

int EndProcessesNamed(const std::string& name) {
  UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return 0;
  const DWORD self = ::GetCurrentProcessId();
  int ended = 0;
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = ::Process32First(snapshot.get(), &entry); more; more = ::Process32Next(snapshot.get(), &entry)) {
    // Another program may share this one's file name; ending ourselves here would look like a crash.
    if (entry.th32ProcessID == self || ExeName(entry) != name) continue;
    UniqueHandle process(::OpenProcess(PROCESS_TERMINATE, FALSE, entry.th32ProcessID));
    if (process && ::TerminateProcess(process.get(), 259)) ++ended;
  }
  return ended;
}

std::string OwnExePath() {
  std::string buf(MAX_PATH, '\0');
  for (;;) {
    DWORD n = ::GetModuleFileNameA(nullptr, &buf[0], static_cast<DWORD>(buf.size()));
    if (n < buf.size() || buf.size() >= 32768) return buf.substr(0, n);
    buf.assign(buf.size() * 2, '\0');
  }
}

}  // namespace kv
