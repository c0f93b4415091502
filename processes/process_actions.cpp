#include "processes/process_actions.h"

#include "processes/process_reader.h"
#include "win/handles.h"

namespace kv {

std::vector<DWORD> EndProcessesNamed(const std::string& name) {
  const DWORD self = ::GetCurrentProcessId();
  std::vector<DWORD> ended;
  for (DWORD pid : ProcessIdsNamed(name)) {
    // Another program may share this one's file name; ending ourselves here would look like a crash.
    if (pid == self) continue;
    // TerminateProcess returns once the ending has started (learn.microsoft.com, "TerminateProcess
    // function", Remarks): the process may still be listed for a moment.
    UniqueHandle process(::OpenProcess(PROCESS_TERMINATE, FALSE, pid));
    if (process && ::TerminateProcess(process.get(), 259)) ended.push_back(pid);
  }
  return ended;
}

}  // namespace kv
