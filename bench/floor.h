#pragma once
// The floor of each tab's fill: the fewest registry, file and icon calls that yield the same rows
// and icons, with no list view and no message pumping. The rows are counted, not kept.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <unordered_map>

#include "sysaccess/app_state.h"

namespace bench {

struct FloorCounts {
  int rows = 0;
  int icon_files = 0;   // distinct files whose icon was extracted
  int extractions = 0;  // ExtractIcon calls, the generic icon's included
  int disabled = 0;     // rows that Task Manager disabled
};

// Icons of one fill: each distinct file once, the generic icon once, into a private image list.
class FloorIcons {
 public:
  FloorIcons();
  ~FloorIcons();
  FloorIcons(const FloorIcons&) = delete;
  FloorIcons& operator=(const FloorIcons&) = delete;
  void Reset();
  int IndexFor(const std::string& path);
  FloorCounts counts;

 private:
  int Generic();
  HIMAGELIST images_;
  std::string shell32_;
  std::unordered_map<std::string, int> by_path_;
  int generic_ = -1;
};

FloorCounts FloorStartup(const kv::AppState& state, FloorIcons& icons);
FloorCounts FloorUninstall(const kv::AppState& state, FloorIcons& icons);
FloorCounts FloorAssociations(const kv::AppState& state, FloorIcons& icons);
// One pass over the processes: with `new_rows` the icons of every listed name are loaded too
// (the first pass after entering the tab), without it only what a refresh needs.
FloorCounts FloorProcesses(const kv::AppState& state, FloorIcons& icons, bool new_rows);

// A refresh pass as it could be: the whole process list from one system call, and each process's
// path read once while it lives (its image never changes; it is known by id and creation time).
class LeanProcessPass {
 public:
  void Run(const kv::AppState& state);
  int rows = 0;

 private:
  struct Known {
    std::string name;
    long long created = 0;
    bool listed = false;  // passes the filters
  };
  std::unordered_map<DWORD, Known> known_;
  std::string buffer_;
};

}  // namespace bench
