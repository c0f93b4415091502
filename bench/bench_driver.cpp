// Times one tab's fill through the real main window against its floor, on whatever the prefix
// holds (tools/bench seeds it first). Prints one line per figure, "@,metric,tab,n,value,unit,detail",
// which tools/bench gathers into its table and CSV.
//
//   bench_driver.exe --tab T --n N [--runs R] [--idle SECONDS] [--server-pid PID] [--probe]
//
// Tab 3: N helper processes are started here (copies of the sleeper helper under distinct names)
// and ended again; --idle measures the CPU share of the shown tab over that many seconds.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <psapi.h>
#include <winternl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/form1.h"
#include "bench/api_probe.h"
#include "bench/floor.h"
#include "win/handles.h"
#include "sysaccess/programs.h"
#include "ui/pump.h"

namespace {

struct Options {
  int tab = 0;
  int n = 0;
  int runs = 5;
  int idle = 0;
  DWORD server_pid = 0;
  bool probe = false;
};

double Now() {
  static LARGE_INTEGER freq = [] {
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER t;
  ::QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) * 1000.0 / static_cast<double>(freq.QuadPart);
}

double FileTimeMs(const FILETIME& ft) {
  return static_cast<double>((static_cast<unsigned long long>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime) / 1e4;
}

// CPU of this thread (user + kernel), in ms. Under Wine it advances in 10 ms steps, so short
// passes are measured in batches.
double ThreadCpu() {
  FILETIME created, ended, kernel, user;
  ::GetThreadTimes(::GetCurrentThread(), &created, &ended, &kernel, &user);
  return FileTimeMs(kernel) + FileTimeMs(user);
}

double ProcessCpu() {
  FILETIME created, ended, kernel, user;
  ::GetProcessTimes(::GetCurrentProcess(), &created, &ended, &kernel, &user);
  return FileTimeMs(kernel) + FileTimeMs(user);
}

// Every registry call is a round trip to wineserver: its CPU is part of what a fill costs.
// Read from the host's /proc (drive Z: is the host's root), in clock ticks of 10 ms.
double ServerCpu(DWORD pid) {
  if (!pid) return 0;
  const std::string path = "Z:\\proc\\" + std::to_string(pid) + "\\stat";
  kv::UniqueFile file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
  if (!file) return 0;
  char buf[1024] = {};
  DWORD got = 0;
  ::ReadFile(file.get(), buf, sizeof buf - 1, &got, nullptr);
  const char* p = std::strrchr(buf, ')');
  if (!p) return 0;
  // After the command name: state is field 3; utime and stime are fields 14 and 15.
  unsigned long long utime = 0, stime = 0;
  int field = 2;
  for (const char* c = p + 1; *c && field < 15; ++c) {
    if (*c != ' ') continue;
    ++field;
    if (field == 14) utime = std::strtoull(c + 1, nullptr, 10);
    if (field == 15) stime = std::strtoull(c + 1, nullptr, 10);
  }
  return static_cast<double>(utime + stime) * 10.0;
}

// GDI objects of this process. GetGuiResources is a stub under Wine (it answers 0), so where it
// does, the objects are counted in the process's GDI handle table (the PEB's GdiSharedHandleTable:
// 64K entries of 24 bytes, a type byte at offset 14, stock objects flagged in the byte at 12).
// Windows keeps a kernel-side table there instead; the count is checked against 100 new brushes.
DWORD GdiTableCount() {
#ifdef _WIN64
  using QueryFn = NTSTATUS(NTAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
  static const QueryFn query = reinterpret_cast<QueryFn>(reinterpret_cast<void (*)()>(
      ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
  PROCESS_BASIC_INFORMATION info{};
  if (!query || query(::GetCurrentProcess(), ProcessBasicInformation, &info, sizeof info, nullptr) < 0) return 0;
  const BYTE* table = *reinterpret_cast<const BYTE* const*>(reinterpret_cast<const BYTE*>(info.PebBaseAddress) + 0xF8);
  if (!table) return 0;
  DWORD n = 0;
  for (size_t i = 0; i < 0x10000; ++i) {
    const BYTE* e = table + i * 24;
    if (e[14] != 0 && !(e[12] & 0x80)) ++n;
  }
  return n;
#else
  return 0;
#endif
}

bool g_gdi_from_table = false;

void ChooseGdiCounter() {
  if (::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS) != 0) return;
  const DWORD before = GdiTableCount();
  std::vector<HBRUSH> brushes;
  for (int i = 0; i < 100; ++i) brushes.push_back(::CreateSolidBrush(RGB(i, 0, 0)));
  const DWORD during = GdiTableCount();
  for (HBRUSH b : brushes) ::DeleteObject(b);
  g_gdi_from_table = during - before == 100 && GdiTableCount() == before;
}

DWORD GdiObjects() {
  return g_gdi_from_table ? GdiTableCount() : ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
}

// USER objects: GetGuiResources, or where it answers 0 (Wine) the windows of this process.
BOOL CALLBACK CountWindow(HWND hwnd, LPARAM lp) {
  DWORD pid = 0;
  ::GetWindowThreadProcessId(hwnd, &pid);
  if (pid != ::GetCurrentProcessId()) return TRUE;
  ++*reinterpret_cast<DWORD*>(lp);
  ::EnumChildWindows(hwnd, CountWindow, lp);
  return TRUE;
}

DWORD UserObjects() {
  if (DWORD n = ::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS)) return n;
  DWORD windows = 0;
  ::EnumWindows(CountWindow, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const size_t m = v.size() / 2;
  return v.size() % 2 ? v[m] : (v[m - 1] + v[m]) / 2;
}

std::string Join(const std::vector<double>& v) {
  std::string out;
  char buf[32];
  for (double x : v) {
    std::snprintf(buf, sizeof buf, "%s%.1f", out.empty() ? "" : " ", x);
    out += buf;
  }
  return out;
}

const Options* g_options = nullptr;

void Emit(const char* metric, double value, const char* unit, const std::string& detail = "") {
  std::printf("@,%s,%d,%d,%.2f,%s,%s\n", metric, g_options->tab, g_options->n, value, unit, detail.c_str());
  std::fflush(stdout);
}

void PumpFor(DWORD ms) {
  const DWORD start = ::GetTickCount();
  while (::GetTickCount() - start < ms) {
    kv::PumpMessages();
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

// Waits in GetMessage as the program's own loop does, so the measurement adds no wake-ups.
void IdleFor(DWORD ms) {
  const UINT_PTR timer = ::SetTimer(nullptr, 0, ms, nullptr);
  MSG msg;
  while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (!msg.hwnd && msg.message == WM_TIMER && msg.wParam == timer) break;
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
  ::KillTimer(nullptr, timer);
}

void EmitProbe(const char* metric) {
  for (const auto& s : bench::probe::Collect()) {
    if (s.ms < 0.05 && s.calls < 10) continue;
    Emit(metric, s.ms, "ms", s.name + ";calls=" + std::to_string(s.calls));
  }
}

std::string Folder(const std::string& path) { return path.substr(0, path.rfind('\\') + 1); }

std::string OwnFolder() {
  char self[MAX_PATH];
  ::GetModuleFileNameA(nullptr, self, MAX_PATH);
  return Folder(self);
}

// Tab 3's load: copies of the sleeper helper under distinct names, running until ended here.
class Helpers {
 public:
  bool Start(int n) {
    const std::string sleeper = OwnFolder() + "..\\tests\\helpers\\sleeper.exe";
    const std::string folder = "C:\\KvBench\\";
    ::CreateDirectoryA(folder.c_str(), nullptr);
    ::CreateDirectoryA((folder + "procs").c_str(), nullptr);
    for (int i = 0; i < n; ++i) {
      char name[64];
      std::snprintf(name, sizeof name, "procs\\kvsleep_%03d.exe", i);
      const std::string path = folder + name;
      if (::GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES &&
          !::CopyFileA(sleeper.c_str(), path.c_str(), FALSE)) {
        std::fprintf(stderr, "cannot copy %s\n", sleeper.c_str());
        return false;
      }
      std::string command = "kvsleep 3600000";
      STARTUPINFOA si{};
      si.cb = sizeof si;
      PROCESS_INFORMATION pi{};
      if (!::CreateProcessA(path.c_str(), &command[0], nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr, nullptr,
                            &si, &pi)) {
        std::fprintf(stderr, "cannot start %s\n", path.c_str());
        return false;
      }
      ::CloseHandle(pi.hThread);
      processes_.emplace_back(pi.hProcess);
    }
    // A process shows its path only once its modules are loaded.
    const DWORD start = ::GetTickCount();
    for (auto& p : processes_) {
      char path[MAX_PATH];
      while (!::K32GetModuleFileNameExA(p.get(), nullptr, path, MAX_PATH) && ::GetTickCount() - start < 60000)
        ::Sleep(20);
    }
    ::Sleep(300);
    return true;
  }
  ~Helpers() {
    for (auto& p : processes_) ::TerminateProcess(p.get(), 0);
    for (auto& p : processes_) ::WaitForSingleObject(p.get(), 5000);
  }

 private:
  std::vector<kv::UniqueHandle> processes_;
};

// --tab counts from 1, as the labels do.
kv::TabId TabOf(int tab) { return kv::kAllTabs[tab - 1]; }

int ListRows(kv::TForm1& form, int tab) {
  HWND list = ::FindWindowExA(form.Tab(TabOf(tab)).PanelWindow(), nullptr, WC_LISTVIEWA, nullptr);
  return list ? static_cast<int>(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)) : 0;
}

bench::FloorCounts RunFloor(int tab, const kv::AppState& state, bench::FloorIcons& icons) {
  switch (tab) {
    case 1: return bench::FloorStartup(state, icons);
    case 2: return bench::FloorUninstall(state, icons);
    case 3: return bench::FloorProcesses(state, icons, true);
    default: return bench::FloorAssociations(state, icons);
  }
}

double WorkingSetMb(bool peak) {
  PROCESS_MEMORY_COUNTERS pmc{};
  pmc.cb = sizeof pmc;
  ::GetProcessMemoryInfo(::GetCurrentProcess(), &pmc, sizeof pmc);
  return static_cast<double>(peak ? pmc.PeakWorkingSetSize : pmc.WorkingSetSize) / (1024.0 * 1024.0);
}

void MeasureFills(kv::TForm1& form, const Options& o) {
  std::vector<double> wall, cpu, server, working_set;
  const double window_ws = WorkingSetMb(false), window_peak = WorkingSetMb(true);
  DWORD gdi = 0, user = 0;
  std::vector<double> gdi_runs;
  // The selection once, as a user makes it (marker, label colours, the frame's repaint, the
  // timer); then the fills are the enter routine alone, as the tab's buttons call it.
  double t0 = Now();
  form.SelectTab(TabOf(o.tab));
  const double select = Now() - t0;
  PumpFor(150);
  for (int r = 0; r < o.runs; ++r) {
    const double s0 = ServerCpu(o.server_pid), c0 = ThreadCpu();
    t0 = Now();
    form.Tab(TabOf(o.tab)).Enter();
    const double t1 = Now(), c1 = ThreadCpu(), s1 = ServerCpu(o.server_pid);
    wall.push_back(t1 - t0);
    cpu.push_back(c1 - c0);
    server.push_back(s1 - s0);
    gdi = std::max(gdi, GdiObjects());
    user = std::max(user, UserObjects());
    gdi_runs.push_back(GdiObjects());
    working_set.push_back(WorkingSetMb(false));
    PumpFor(150);  // the list paints and the wait window goes, outside the measurement
  }
  Emit("fill_ms", Median(wall), "ms", "runs=" + Join(wall));
  Emit("select_ms", select, "ms", "the first selection, frame included");
  Emit("fill_cpu_ms", Median(cpu), "ms", "runs=" + Join(cpu));
  if (o.server_pid) Emit("fill_server_cpu_ms", Median(server), "ms", "runs=" + Join(server));
  Emit("rows", ListRows(form, o.tab), "rows");
  Emit("gdi_objects", gdi, "objects",
       std::string(g_gdi_from_table ? "handle table" : "GetGuiResources") + ";after each fill=" + Join(gdi_runs));
  Emit("user_objects", user, "objects",
       ::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS) ? "GetGuiResources" : "windows of the process");
  Emit("peak_ws_mb", WorkingSetMb(true), "MB",
       "before the fills=" + Join({window_ws}) + ";peak before=" + Join({window_peak}) +
           ";after each fill=" + Join(working_set));
  if (o.probe) {
    bench::probe::Reset();
    bench::probe::Enable(true);
    form.Tab(TabOf(o.tab)).Enter();
    bench::probe::Enable(false);
    EmitProbe("probe_fill");
    PumpFor(150);
  }
}

void MeasureFloor(const kv::AppState& state, const Options& o) {
  bench::FloorIcons icons;
  std::vector<double> wall;
  bench::FloorCounts counts;
  for (int r = 0; r < o.runs; ++r) {
    const double t0 = Now();
    counts = RunFloor(o.tab, state, icons);
    wall.push_back(Now() - t0);
  }
  Emit("floor_ms", Median(wall), "ms", "runs=" + Join(wall));
  Emit("floor_rows", counts.rows, "rows");
  Emit("floor_icon_files", counts.icon_files, "files", "extractions=" + std::to_string(counts.extractions));
  if (o.probe) {
    bench::probe::Reset();
    bench::probe::Enable(true);
    RunFloor(o.tab, state, icons);
    bench::probe::Enable(false);
    EmitProbe("probe_floor");
  }
}

// Tab 3 after its enter pass: refresh passes (rows exist, nothing new) and the idle share.
void MeasureProcessPasses(kv::TForm1& form, const kv::AppState& state, const Options& o) {
  const int batch = std::max(10, o.runs * 2);
  std::vector<double> wall;
  // The frame's own timer is restarted before each pass, so it never fires inside the batch.
  const double s0 = ServerCpu(o.server_pid), c0 = ThreadCpu();
  for (int r = 0; r < batch; ++r) {
    form.SetPanel3Timer(false);
    form.SetPanel3Timer(true);
    const double t0 = Now();
    form.Tab(kv::TabId::Processes).TimerTick();
    wall.push_back(Now() - t0);
  }
  const double c1 = ThreadCpu(), s1 = ServerCpu(o.server_pid);
  if (o.probe) {
    form.SetPanel3Timer(false);
    form.SetPanel3Timer(true);
    bench::probe::Reset();
    bench::probe::Enable(true);
    form.Tab(kv::TabId::Processes).TimerTick();
    bench::probe::Enable(false);
    EmitProbe("probe_pass");
  }
  Emit("pass_ms", Median(wall), "ms", "runs=" + Join(wall));
  Emit("pass_cpu_ms", (c1 - c0) / batch, "ms", "mean of " + std::to_string(batch) + " passes");
  if (o.server_pid) Emit("pass_server_cpu_ms", (s1 - s0) / batch, "ms", "mean of " + std::to_string(batch));

  bench::FloorIcons icons;
  std::vector<double> floor;
  const double f0 = ThreadCpu(), fs0 = ServerCpu(o.server_pid);
  for (int r = 0; r < batch; ++r) {
    const double t0 = Now();
    bench::FloorProcesses(state, icons, false);
    floor.push_back(Now() - t0);
  }
  const double f1 = ThreadCpu(), fs1 = ServerCpu(o.server_pid);
  Emit("floor_pass_ms", Median(floor), "ms", "runs=" + Join(floor));
  Emit("floor_pass_cpu_ms", (f1 - f0) / batch, "ms", "mean of " + std::to_string(batch) + " passes");
  if (o.server_pid) Emit("floor_pass_server_cpu_ms", (fs1 - fs0) / batch, "ms", "mean of " + std::to_string(batch));

  // What a refresh could cost: one system call for the whole list, paths kept per process.
  bench::LeanProcessPass lean;
  lean.Run(state);
  std::vector<double> lean_wall;
  const double l0 = ThreadCpu(), ls0 = ServerCpu(o.server_pid);
  for (int r = 0; r < batch; ++r) {
    const double t0 = Now();
    lean.Run(state);
    lean_wall.push_back(Now() - t0);
  }
  const double l1 = ThreadCpu(), ls1 = ServerCpu(o.server_pid);
  Emit("lean_pass_ms", Median(lean_wall), "ms", "runs=" + Join(lean_wall) + ";rows=" + std::to_string(lean.rows));
  Emit("lean_pass_cpu_ms", (l1 - l0) / batch, "ms", "mean of " + std::to_string(batch) + " passes");
  if (o.server_pid) Emit("lean_pass_server_cpu_ms", (ls1 - ls0) / batch, "ms", "mean of " + std::to_string(batch));

  if (o.idle > 0) {
    form.SelectTab(kv::TabId::Processes);
    PumpFor(200);
    const double p0 = ProcessCpu(), sv0 = ServerCpu(o.server_pid), t0 = Now();
    IdleFor(static_cast<DWORD>(o.idle) * 1000);
    const double seconds = (Now() - t0) / 1000.0;
    Emit("idle_cpu_pct", (ProcessCpu() - p0) / (seconds * 10.0), "%", "over " + std::to_string(o.idle) + " s");
    if (o.server_pid)
      Emit("idle_server_cpu_pct", (ServerCpu(o.server_pid) - sv0) / (seconds * 10.0), "%",
           "over " + std::to_string(o.idle) + " s");
  }
}

bool Parse(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const char* v = i + 1 < argc ? argv[i + 1] : nullptr;
    if (a == "--probe") {
      o.probe = true;
      continue;
    }
    if (!v) return false;
    if (a == "--tab") o.tab = std::atoi(v);
    else if (a == "--n") o.n = std::atoi(v);
    else if (a == "--runs") o.runs = std::max(1, std::atoi(v));
    else if (a == "--idle") o.idle = std::atoi(v);
    else if (a == "--server-pid") o.server_pid = static_cast<DWORD>(std::strtoul(v, nullptr, 10));
    else return false;
    ++i;
  }
  return o.tab >= 1 && o.tab <= 4;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!Parse(argc, argv, options)) {
    std::fprintf(stderr, "usage: bench_driver --tab 1..4 --n N [--runs R] [--idle S] [--server-pid P] [--probe]\n");
    return 2;
  }
  g_options = &options;
  kv::HardenDllSearch();
  ::CoInitialize(nullptr);
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&icc);
  if (options.probe) bench::probe::Install();
  ChooseGdiCounter();

  Helpers helpers;
  if (options.tab == 3 && !helpers.Start(options.n)) return 1;
  {
    kv::TForm1 form;
    if (!form.Create()) {
      std::fprintf(stderr, "the main window could not be created\n");
      return 1;
    }
    form.Show();
    PumpFor(300);  // the start-up selection of tab 1
    MeasureFills(form, options);
    const kv::AppState state = form.State();
    if (options.tab == 3) MeasureProcessPasses(form, state, options);
    MeasureFloor(state, options);
    ::DestroyWindow(form.hwnd());
    PumpFor(50);
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
  }
  ::CoUninitialize();
  return 0;
}
