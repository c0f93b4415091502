#pragma once
// Reading the process list for the process tab, apart from any window: the tab's sink keeps one
// row per name, a test's sink collects every process.
#include <windows.h>

#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "sysaccess/row_sink.h"
#include "win/handles.h"

namespace kv {

// One listed process as a walk hands it to the sink.
struct ProcessEntry {
  std::string name;  // the snapshot's executable file name, e.g. "explorer.exe"
  std::string path;  // full executable path, normalised; never empty
  DWORD pid = 0;
  HANDLE process = nullptr;  // open while the sink looks at the entry
  // Read when asked: only a new row needs it.
  bool HighPriority() const { return ::GetPriorityClass(process) == HIGH_PRIORITY_CLASS; }
};

// The paths that earlier walks read, for the processes still running. A process's executable
// path never changes, and each known process is held open so that its id cannot pass to another
// process while it is known; so a refresh opens and reads only the processes that are new.
class ProcessCache {
 public:
  void Clear() { known_.clear(); }
  size_t Size() const { return known_.size(); }
  // Lets go of these processes: the next walk opens and reads them afresh, if they are still listed.
  void Forget(const std::vector<DWORD>& pids);

 private:
  friend ReadResult ReadProcesses(ProcessCache*, const RowSink<ProcessEntry>&, const Pump&);
  struct Known {
    UniqueHandle process;
    std::string name;
    std::string path;  // as read, before normalising
    unsigned walk = 0;
  };
  std::unordered_map<DWORD, Known> known_;
  unsigned walk_ = 0;
  std::vector<char> buffer_;  // the system's process list, kept for the next walk
};

// Walks the process list once, in the process snapshot's order, calling `pump` before each
// process, and hands each listed process (the skip rules passed) to `sink`. A process of a name
// the sink does not want is not looked at; one that cannot be opened or whose path cannot be read
// is not listed. `cache` (may be null) keeps what this walk read for the next. The result is not
// complete when the list could not be read: the walk then sees no process at all.
ReadResult ReadProcesses(ProcessCache* cache, const RowSink<ProcessEntry>& sink, const Pump& pump);

// The ids of the processes whose executable name equals `name` exactly, in the list's order.
std::vector<DWORD> ProcessIdsNamed(const std::string& name);

// The full path of this program's executable.
std::string OwnExePath();

}  // namespace kv
