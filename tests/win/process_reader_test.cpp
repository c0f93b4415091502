#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "processes/process_actions.h"
#include "processes/process_reader.h"
#include "tests/win/process_test_support.h"

namespace kv {
namespace {

struct Row : ProcessEntry {
  bool high = false;  // read while the process was open
};

struct Collect {
  std::vector<Row> rows;
  operator RowSink<ProcessEntry>() {
    return [this](const ProcessEntry& e) {
      Row r;
      static_cast<ProcessEntry&>(r) = e;
      r.high = e.HighPriority();
      r.process = nullptr;
      rows.push_back(r);
    };
  }
  const Row* Find(const std::string& name) const {
    for (const auto& r : rows)
      if (r.name == name) return &r;
    return nullptr;
  }
  int CountOf(const std::string& name) const {
    int n = 0;
    for (const auto& r : rows) n += r.name == name;
    return n;
  }
};

TEST(ProcessReader, WalksTheWholeSnapshotAndFindsThisProgram) {
  // What the system reports for every process, for the record: Wine's own services included.
  UniqueFile snap(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  ASSERT_TRUE(snap);
  PROCESSENTRY32 e{};
  e.dwSize = sizeof e;
  size_t entries = 0;
  std::vector<std::pair<DWORD, std::string>> snapshot;
  for (BOOL more = ::Process32First(snap.get(), &e); more; more = ::Process32Next(snap.get(), &e)) {
    ++entries;
    snapshot.emplace_back(e.th32ProcessID, e.szExeFile);
    char path[MAX_PATH + 1] = {};
    DWORD got = 0, error = 0;
    if (HANDLE h = ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, e.th32ProcessID)) {
      got = ::GetModuleFileNameExA(h, nullptr, path, MAX_PATH);
      if (!got) error = ::GetLastError();
      ::CloseHandle(h);
    } else {
      error = ::GetLastError();
    }
    std::printf("  pid %5lu %-24s -> [%s]%s\n", e.th32ProcessID, e.szExeFile, path,
                got ? "" : (" error " + std::to_string(error)).c_str());
  }

  Collect sink;
  size_t pumps = 0;
  const DWORD start = ::GetTickCount();
  EXPECT_TRUE(ReadProcesses(nullptr, sink, [&] { ++pumps; }).complete);
  std::printf("  one walk: %lu ms, %zu listed of %zu\n", ::GetTickCount() - start, sink.rows.size(), entries);
  // The snapshot of the walk is a later one; allow for processes starting or ending meanwhile.
  EXPECT_NEAR(static_cast<double>(pumps), static_cast<double>(entries), 3.0);
  bool found_self = false;
  for (const auto& r : sink.rows) {
    EXPECT_FALSE(r.path.empty());
    EXPECT_NE(r.path.find(":\\"), std::string::npos) << r.path;
    if (r.pid == ::GetCurrentProcessId()) {
      found_self = true;
      EXPECT_EQ(r.path, OwnExePath());
    }
  }
  EXPECT_TRUE(found_self);

  // The rows carry the snapshot's names, in the snapshot's order.
  size_t at = 0;
  for (const auto& r : sink.rows) {
    size_t i = at;
    while (i < snapshot.size() && snapshot[i].first != r.pid) ++i;
    if (i == snapshot.size()) continue;  // started after the snapshot
    EXPECT_EQ(r.name, snapshot[i].second) << "pid " << r.pid;
    at = i + 1;
  }
  EXPECT_GT(at, 0u);
}

TEST(ProcessReader, ProcessesEndingDuringTheWalkDoNotStopIt) {
  test::HelperProcesses helpers;
  std::vector<DWORD> pids;
  for (int i = 0; i < 4; ++i) pids.push_back(helpers.Start(helpers.Copy("kvgone" + std::to_string(i) + ".exe")));
  Collect sink;
  bool ended = false;
  // The first pump ends every helper: their entries are still in the snapshot.
  ASSERT_TRUE(ReadProcesses(nullptr, sink, [&] {
                if (ended) return;
                ended = true;
                for (DWORD pid : pids) helpers.Kill(pid);
              }).complete);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(sink.Find("kvgone" + std::to_string(i) + ".exe"), nullptr);
  bool found_self = false;
  for (const auto& r : sink.rows) found_self |= r.pid == ::GetCurrentProcessId();
  EXPECT_TRUE(found_self);
}

TEST(ProcessReader, RememberedPathsFollowTheRunningProcesses) {
  test::HelperProcesses helpers;
  const std::string path = helpers.Copy("kvknown.exe");
  const DWORD first = helpers.Start(path);
  ASSERT_TRUE(first);
  ProcessCache cache;
  Collect walk1;
  ASSERT_TRUE(ReadProcesses(&cache, walk1, {}).complete);
  ASSERT_NE(walk1.Find("kvknown.exe"), nullptr);
  const size_t known = cache.Size();
  EXPECT_EQ(known, walk1.rows.size());

  // The same walk again from memory: the same rows, priority still readable.
  Collect walk2;
  ASSERT_TRUE(ReadProcesses(&cache, walk2, {}).complete);
  ASSERT_NE(walk2.Find("kvknown.exe"), nullptr);
  EXPECT_EQ(walk2.Find("kvknown.exe")->path, path);
  EXPECT_EQ(walk2.Find("kvknown.exe")->pid, first);

  // Ended and started again: the new process is read afresh, the old one let go.
  helpers.Kill(first);
  const DWORD second = helpers.Start(path);
  Collect walk3;
  ASSERT_TRUE(ReadProcesses(&cache, walk3, {}).complete);
  ASSERT_NE(walk3.Find("kvknown.exe"), nullptr);
  EXPECT_EQ(walk3.Find("kvknown.exe")->pid, second);
  EXPECT_EQ(walk3.CountOf("kvknown.exe"), 1);
  helpers.Kill(second);
  Collect walk4;
  ASSERT_TRUE(ReadProcesses(&cache, walk4, {}).complete);
  EXPECT_EQ(walk4.Find("kvknown.exe"), nullptr);
  EXPECT_EQ(cache.Size(), walk4.rows.size());
}

TEST(ProcessActions, EndingANameEndsEveryInstanceOfExactlyThatNameButNeverThisProgram) {
  test::HelperProcesses helpers;
  const std::string a = helpers.Copy("kvend.exe", "a"), b = helpers.Copy("kvend.exe", "b");
  const std::string other_case = helpers.Copy("KvEnd.exe", "c");
  const DWORD p1 = helpers.Start(a), p2 = helpers.Start(b), p3 = helpers.Start(other_case);
  ASSERT_TRUE(p1 && p2 && p3);
  std::vector<DWORD> ended = EndProcessesNamed("kvend.exe");
  std::sort(ended.begin(), ended.end());
  EXPECT_EQ(ended, (p1 < p2 ? std::vector<DWORD>{p1, p2} : std::vector<DWORD>{p2, p1}));
  EXPECT_EQ(helpers.WaitExit(p1), 259u);
  EXPECT_EQ(helpers.WaitExit(p2), 259u);
  EXPECT_TRUE(helpers.Running(p3));
  EXPECT_TRUE(EndProcessesNamed("no-such-program.exe").empty());

  // This program is found by its name, and left out only by the ending.
  const std::string self = OwnExePath();
  const std::string own_name = self.substr(self.rfind('\\') + 1);
  const std::vector<DWORD> own = ProcessIdsNamed(own_name);
  EXPECT_NE(std::find(own.begin(), own.end(), ::GetCurrentProcessId()), own.end());
  EXPECT_TRUE(EndProcessesNamed(own_name).empty());
}

}  // namespace
}  // namespace kv
