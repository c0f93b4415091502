#pragma once
// The text rules of the process list: which processes are listed, how their paths are shown, and
// the bookkeeping that keeps one row per executable name across refresh passes. No windows.h.
#include <cstddef>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace kv {

// True for a process the list never shows, tested in this order: its executable name contains
// "SYSTEM" (ASCII letters without regard to case), its path is empty, its path has no ":\".
bool SkipProcess(const std::string& exe_name, const std::string& path);
// Only the name test, which needs no look at the process itself.
bool SkipProcessName(const std::string& exe_name);

// A "?" as first character becomes "C"; then every "\??\" is removed (\??\C:\x -> C:\x).
std::string NormaliseProcessPath(const std::string& path);

// "N个项目工程"
std::string ProcessCountText(size_t rows);

// The executable names met in one pass; look-ups ignore ASCII letter case.
class NameSet {
 public:
  void Add(const std::string& name);
  bool Contains(const std::string& name) const;
  size_t Size() const { return names_.size(); }

 private:
  std::unordered_set<std::string> names_;  // ASCII upper-cased
};

// What one row of the list shows and the tab acts on.
struct ProcessRow {
  std::string name;  // the caption: the executable name, the row's key
  std::string path;  // the executable path shown beside it
};

// The list's rows in list order, kept in step with the list view so that neither a pass nor an
// action reads row texts back from the control. At most one row per caption.
class ProcessRows {
 public:
  void Clear();
  size_t Size() const { return rows_.size(); }
  const ProcessRow& Row(size_t row) const { return rows_[row]; }
  // Exact look-up of a caption (letter case matters): the row index, or -1.
  int Find(const std::string& name) const;
  void Append(ProcessRow row);
  // The rows whose caption is not among `seen`, in descending order, so that deleting them from
  // the list one by one keeps the indices still to come valid.
  std::vector<size_t> Vanished(const NameSet& seen) const;
  // Drops the rows `Vanished` returned, in one sweep.
  void Remove(const std::vector<size_t>& descending);

 private:
  std::vector<ProcessRow> rows_;
  std::unordered_map<std::string, size_t> index_;
};

}  // namespace kv
