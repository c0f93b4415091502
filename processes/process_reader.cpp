#include "processes/process_reader.h"

#include <winternl.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <vector>

#include "processes/process_rules.h"
#include "win/handles.h"
#include "sysaccess/programs.h"

namespace kv {

namespace {

using QuerySystemInformationFn = NTSTATUS(NTAPI*)(SYSTEM_INFORMATION_CLASS, PVOID, ULONG, PULONG);
constexpr NTSTATUS kInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004L);
constexpr size_t kExeNameBytes = MAX_PATH;  // the process snapshot's name field

// The processes in the order the process snapshot walks them, with the snapshot's executable
// names, from one query of the system's process list. Walking a toolhelp snapshot costs a
// mapping of the whole snapshot per entry under Wine (a round trip to its server each), which
// made an idle process tab the program's largest CPU consumer. False when the list cannot be read.
template <typename F>
bool ForEachProcess(std::vector<char>& buffer, F&& f) {
  static const auto query = reinterpret_cast<QuerySystemInformationFn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
  if (!query) return false;
  if (buffer.size() < 64 * 1024) buffer.resize(64 * 1024);
  for (;;) {
    ULONG needed = 0;
    const NTSTATUS status =
        query(SystemProcessInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
    if (status == kInfoLengthMismatch && buffer.size() < (256u << 20)) {
      // Processes may start between the two calls: some room to spare.
      buffer.resize(std::max<size_t>(buffer.size() * 2, needed + needed / 4));
      continue;
    }
    if (status < 0) return false;
    break;
  }
  for (size_t offset = 0;;) {
    const auto* info = reinterpret_cast<const SYSTEM_PROCESS_INFORMATION*>(buffer.data() + offset);
    // As the snapshot has it: at most MAX_PATH - 1 characters, in the code page.
    const int chars = std::min<int>(info->ImageName.Length / sizeof(WCHAR), kExeNameBytes - 1);
    char name[kExeNameBytes] = {};
    if (chars > 0)
      ::WideCharToMultiByte(CP_ACP, 0, info->ImageName.Buffer, chars, name, kExeNameBytes - 1, nullptr, nullptr);
    const auto pid = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(info->UniqueProcessId));
    f(pid, std::string(name, strnlen(name, kExeNameBytes)));
    if (info->NextEntryOffset == 0 || offset + info->NextEntryOffset >= buffer.size()) return true;
    offset += info->NextEntryOffset;
  }
}

using QueryImageNameFn = BOOL(WINAPI*)(HANDLE, DWORD, LPSTR, PDWORD);
using GetModuleFileNameExFn = DWORD(WINAPI*)(HANDLE, HMODULE, LPSTR, DWORD);

// QueryFullProcessImageNameA (Vista and later) needs only PROCESS_QUERY_LIMITED_INFORMATION, which
// protected processes grant, and answers a 32-bit caller under WOW64 for 64-bit processes too;
// GetModuleFileNameExA reads the target's memory and fails there with ERROR_PARTIAL_COPY (both
// documented on their MSDN pages). Looked up by name: kernel32 of XP has no such function.
QueryImageNameFn ImageNameQuery() {
  static const QueryImageNameFn query = [] {
    HMODULE kernel32 = ::GetModuleHandleA("kernel32.dll");
    return kernel32 ? reinterpret_cast<QueryImageNameFn>(
                          reinterpret_cast<void*>(::GetProcAddress(kernel32, "QueryFullProcessImageNameA")))
                    : QueryImageNameFn{};
  }();
  return query;
}

// Where that is missing: PSAPI from the system folder only, loaded once on the first path query;
// when it cannot be loaded no path can be read and nothing is listed.
GetModuleFileNameExFn ModulePathQuery() {
  static const GetModuleFileNameExFn query = [] {
    HMODULE psapi = LoadSystemLibrary("psapi.dll");  // kept until the process ends
    if (!psapi) return GetModuleFileNameExFn{};
    return reinterpret_cast<GetModuleFileNameExFn>(
        reinterpret_cast<void*>(::GetProcAddress(psapi, "GetModuleFileNameExA")));
  }();
  return query;
}

// The process opened with the least rights that the path and the priority class need, with its
// executable path (Win32 form); the path is empty when it cannot be read.
UniqueHandle OpenForReading(DWORD pid, std::string& path) {
  path.clear();
  // One byte more than the calls may fill: older systems leave a truncated path unterminated.
  char buf[MAX_PATH + 1] = {};
  if (QueryImageNameFn query = ImageNameQuery()) {
    // The priority class needs no more than this right either.
    UniqueHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    if (!process) return process;
    DWORD size = MAX_PATH;
    if (query(process.get(), 0, buf, &size)) {
      path.assign(buf, size);
    } else if (::GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
      // A path longer than MAX_PATH is read whole rather than cut.
      std::vector<char> long_buf(32768);
      size = static_cast<DWORD>(long_buf.size());
      if (query(process.get(), 0, long_buf.data(), &size)) path.assign(long_buf.data(), size);
    }
    // An ended process still has its image name while a handle keeps it; its memory is gone,
    // which is what made the module path fail for it. Not listed either way. (An exit code of
    // STILL_ACTIVE, 259, as ended processes here have, cannot be told from running.)
    DWORD code = 0;
    if (::GetExitCodeProcess(process.get(), &code) && code != STILL_ACTIVE) path.clear();
    return process;
  }
  UniqueHandle process(::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
  if (!process) return process;
  if (GetModuleFileNameExFn query = ModulePathQuery()) {
    if (query(process.get(), nullptr, buf, MAX_PATH) != 0) path.assign(buf, strnlen(buf, MAX_PATH));
  }
  return process;
}

}  // namespace

ReadResult ReadProcesses(ProcessCache* cache, const RowSink<ProcessEntry>& sink, const Pump& pump) {
  ReadResult result;
  std::vector<char> local;
  std::vector<char>& buffer = cache ? cache->buffer_ : local;
  std::vector<std::pair<DWORD, std::string>> listed;
  if (!ForEachProcess(buffer, [&](DWORD pid, std::string name) { listed.emplace_back(pid, std::move(name)); })) {
    if (cache) cache->Clear();
    result.complete = false;
    return result;
  }
  const unsigned walk = cache ? ++cache->walk_ : 0;
  std::string path;
  for (auto& [pid, name] : listed) {
    if (pump) pump();
    ProcessCache::Known* known = nullptr;
    if (cache) {
      auto it = cache->known_.find(pid);
      if (it != cache->known_.end() && it->second.name == name) {
        known = &it->second;
        known->walk = walk;
      }
    }
    // The name rule comes first and needs no look inside the process.
    if (SkipProcessName(name) || !sink.Wanted(name)) continue;
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
    ProcessEntry entry{std::move(name), NormaliseProcessPath(path), pid, process};
    sink(entry);
    ++result.rows;
  }
  if (cache) {
    // Processes no longer running are let go.
    for (auto it = cache->known_.begin(); it != cache->known_.end();)
      it = it->second.walk == walk ? std::next(it) : cache->known_.erase(it);
  }
  return result;
}

void ProcessCache::Forget(const std::vector<DWORD>& pids) {
  for (DWORD pid : pids) known_.erase(pid);
}

std::vector<DWORD> ProcessIdsNamed(const std::string& name) {
  std::vector<DWORD> named;
  std::vector<char> buffer;
  ForEachProcess(buffer, [&](DWORD pid, const std::string& exe) {
    if (exe == name) named.push_back(pid);
  });
  return named;
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
