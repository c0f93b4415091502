#pragma once
// The system side of the process tab: walking a process snapshot and ending processes by name.
#include <windows.h>

#include <functional>
#include <string>

namespace kv {

struct ProcessEntry {
  std::string name;  // the snapshot's executable file name, e.g. "explorer.exe"
  std::string path;  // full executable path, normalised; never empty
  bool high_priority = false;
  DWORD pid = 0;
};

class ProcessSink {
 public:
  virtual ~ProcessSink() = default;
  // False when the pass already knows all it would learn from a listed process of this name:
  // the process is then not opened at all.
  virtual bool Wants(const std::string& name) = 0;
  // A listed process (the skip rules passed), in snapshot order.
  virtual void Take(const ProcessEntry& entry) = 0;
};

// Walks one process snapshot in its order, calling `pump` before each process. A process that
// cannot be opened or whose path cannot be read is not listed. Returns false when no snapshot
// could be taken: the pass then sees no process at all.
bool ReadProcesses(ProcessSink& sink, const std::function<void()>& pump);

// Ends every process whose executable name equals `name` exactly, with exit code 259. This
// process is never among them. Returns how many were told to end.
int EndProcessesNamed(const std::string& name);

// The full path of this program's executable.
std::string OwnExePath();

}  // namespace kv
