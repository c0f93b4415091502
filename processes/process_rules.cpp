#include "processes/process_rules.h"

#include <utility>

#include "sysaccess/text_rules.h"

namespace kv {

bool SkipProcessName(const std::string& exe_name) { return ContainsText(AsciiUpper(exe_name), "SYSTEM"); }

bool SkipProcess(const std::string& exe_name, const std::string& path) {
  return SkipProcessName(exe_name) || path.empty() || !ContainsText(path, ":\\");
}

std::string NormaliseProcessPath(const std::string& path) {
  std::string out = path;
  if (!out.empty() && out[0] == '?') out[0] = 'C';
  return ReplaceAll(out, "\\??\\", "");
}

std::string ProcessCountText(size_t rows) {
  return ToDecimal(static_cast<long long>(rows)) + "\xB8\xF6\xCF\xEE\xC4\xBF\xB9\xA4\xB3\xCC";  // "个项目工程"
}

void NameSet::Add(const std::string& name) { names_.insert(AsciiUpper(name)); }

bool NameSet::Contains(const std::string& name) const { return names_.count(AsciiUpper(name)) != 0; }

void ProcessRows::Clear() {
  rows_.clear();
  index_.clear();
}

int ProcessRows::Find(const std::string& name) const {
  auto it = index_.find(name);
  return it == index_.end() ? -1 : static_cast<int>(it->second);
}

void ProcessRows::Append(ProcessRow row) {
  index_.emplace(row.name, rows_.size());
  rows_.push_back(std::move(row));
}

std::vector<size_t> ProcessRows::Vanished(const NameSet& seen) const {
  std::vector<size_t> gone;
  for (size_t i = rows_.size(); i-- > 0;)
    if (!seen.Contains(rows_[i].name)) gone.push_back(i);
  return gone;
}

void ProcessRows::Remove(const std::vector<size_t>& descending) {
  if (descending.empty()) return;
  std::vector<bool> drop(rows_.size(), false);
  for (size_t i : descending)
    if (i < drop.size()) drop[i] = true;
  std::vector<ProcessRow> kept;
  kept.reserve(rows_.size());
  for (size_t i = 0; i < rows_.size(); ++i)
    if (!drop[i]) kept.push_back(std::move(rows_[i]));
  rows_ = std::move(kept);
  index_.clear();
  for (size_t i = 0; i < rows_.size(); ++i) index_.emplace(rows_[i].name, i);
}

}  // namespace kv
