#pragma once
// Counts and times the system calls that a fill makes, by redirecting this executable's import
// table (the tabs are linked in statically, so their calls pass through it). Inclusive times: a
// DispatchMessage that paints a list view also holds the list view's own calls.
#include <string>
#include <vector>

namespace bench::probe {

struct Stat {
  std::string name;
  unsigned long long calls = 0;
  double ms = 0;
};

void Install();  // once, before the first measurement
void Enable(bool on);
void Reset();
std::vector<Stat> Collect();  // the calls made since Reset while enabled, busiest first

}  // namespace bench::probe
