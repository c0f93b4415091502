#pragma once
// Start-up yardsticks: a program notes when it reached its goal (first paint, tab 1 filled) as time
// since its process was created, and as host time so tools/bench can add what came before the
// process existed (the Wine loader). Written to the file named on the command line.
#include <windows.h>
#include <psapi.h>

#include <cstdio>

namespace bench {

inline unsigned long long Ticks(const FILETIME& ft) {
  return (static_cast<unsigned long long>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

inline void WriteStartResult(const char* path) {
  FILETIME now, created, ended, kernel, user;
  ::GetSystemTimeAsFileTime(&now);
  ::GetProcessTimes(::GetCurrentProcess(), &created, &ended, &kernel, &user);
  PROCESS_MEMORY_COUNTERS pmc{};
  pmc.cb = sizeof pmc;
  ::GetProcessMemoryInfo(::GetCurrentProcess(), &pmc, sizeof pmc);
  constexpr unsigned long long kUnixEpoch = 116444736000000000ull;  // 1970 in 100 ns since 1601
  if (!path || !*path) return;
  if (FILE* f = std::fopen(path, "w")) {
    std::fprintf(f, "since_creation_ms=%.2f unix_us=%llu peak_ws_kb=%llu\n",
                 static_cast<double>(Ticks(now) - Ticks(created)) / 1e4, (Ticks(now) - kUnixEpoch) / 10,
                 static_cast<unsigned long long>(pmc.PeakWorkingSetSize / 1024));
    std::fclose(f);
  }
}

}  // namespace bench
