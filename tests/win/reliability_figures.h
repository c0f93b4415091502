#pragma once
// Figures of the reliability tests (hostile cases tried, faults injected, round trips compared,
// soak readings), appended as "name<TAB>number" lines to reliability-figures.txt in the build
// folder; tools/test adds them up into its summary.
#include <windows.h>

#include <cstdio>
#include <string>

#include "tests/win/sysaccess_fixtures.h"

namespace kv::test {

inline void RecordFigure(const std::string& name, long long n) {
  const std::string path = WindowsPath(KORVANE_BINARY_DIR) + "\\reliability-figures.txt";
  if (FILE* f = std::fopen(path.c_str(), "ab")) {
    std::fprintf(f, "%s\t%lld\n", name.c_str(), n);
    std::fclose(f);
  }
}

}  // namespace kv::test
