// The uninstall record line: read character by character, as CompareString reads it, the line
// has exactly three separators before the command, the second field is the root's letter, and the
// command follows the third one unchanged.
#include "uninstall/uninstall_record_rules.h"

#include "sysaccess/text_rules.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto f = fuzz::Fields(fuzz::Text(data, size), 4);
  const char mark = !f[1].empty() && f[1][0] == 'U' ? 'U' : 'M';
  const std::string line = kv::UninstallRecordLine(f[0], mark, f[2], f[3]);
  std::vector<size_t> bars;
  kv::ForEachChar(line, [&](size_t i, size_t n) {
    if (n == 1 && line[i] == '|' && bars.size() < 3) bars.push_back(i);
  });
  FUZZ_CHECK(bars.size() == 3);
  FUZZ_CHECK(bars[1] == bars[0] + 2 && line[bars[0] + 1] == mark);
  FUZZ_CHECK(line.compare(bars[2] + 1, std::string::npos, f[3]) == 0);
  return 0;
}
