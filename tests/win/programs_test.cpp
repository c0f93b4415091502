#include "sysaccess/programs.h"

#include <commctrl.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include "app/form1.h"

#include "tests/win/sysaccess_fixtures.h"
#include "ui/row_icons.h"

namespace kv {
namespace {

using test::HelperPath;
using TempFolder = test::ScratchFolder;

::testing::AssertionResult IsIcon(HICON icon) {
  if (!icon) return ::testing::AssertionFailure() << "no icon";
  ICONINFO info = {};
  if (!::GetIconInfo(icon, &info)) return ::testing::AssertionFailure() << "not a valid icon handle";
  if (info.hbmMask) ::DeleteObject(info.hbmMask);
  if (info.hbmColor) ::DeleteObject(info.hbmColor);
  return ::testing::AssertionSuccess();
}

TEST(FsRedirectionOff, OnlyA32BitProcessUnderWow64SwitchesAndTheScopeSwitchesBack) {
  AppState state;
  const int made = FsRedirectionOff::Made();
  {
    const FsRedirectionOff off(state);
    EXPECT_FALSE(off.Switched());
    EXPECT_EQ(FsRedirectionOff::Alive(), 1);
    state.ProgramFilesIsX86 = true;  // x86 Program Files alone is not WOW64
    const FsRedirectionOff inner(state);
    EXPECT_FALSE(inner.Switched());
    EXPECT_EQ(FsRedirectionOff::Alive(), 2);
  }
  EXPECT_EQ(FsRedirectionOff::Alive(), 0);
  EXPECT_EQ(FsRedirectionOff::Made(), made + 2);

  AppState real = ComputeAppState();
  if (!real.RunsUnderWow64) {
    EXPECT_FALSE(FsRedirectionOff(real).Switched());
    return;
  }
  // Under WOW64 the system folder that a 32-bit program names is SysWOW64 until redirection is
  // off ("File System Redirector" on MSDN). A file put into SysWOW64 alone tells which is seen.
  char wow[MAX_PATH] = {};
  ASSERT_GT(::GetSystemWow64DirectoryA(wow, MAX_PATH), 0u);
  const std::string name = "korvane-redirect-" + std::to_string(::GetCurrentProcessId()) + ".txt";
  const std::string only_wow = std::string(wow) + "\\" + name;
  ASSERT_TRUE(test::WriteFile(only_wow, "x"));
  ScopeExit remove([&] { ::DeleteFileA(only_wow.c_str()); });
  const std::string as_named = real.SystemFolder + name;
  EXPECT_TRUE(FileExists(as_named)) << as_named;
  {
    const FsRedirectionOff off(real);
    ASSERT_TRUE(off.Switched());
    EXPECT_FALSE(FileExists(as_named)) << "redirection still on for " << as_named;
    {
      const FsRedirectionOff nested(real);  // Revert puts back what each scope found
      EXPECT_FALSE(FileExists(as_named));
    }
    EXPECT_FALSE(FileExists(as_named)) << "an inner scope switched redirection back on";
  }
  EXPECT_TRUE(FileExists(as_named)) << "redirection not back on for " << as_named;
}

TEST(FileChecks, FilesAndFoldersAreTold) {
  TempFolder dir;
  ASSERT_TRUE(test::WriteFile(dir.path() + "f.txt", "x"));
  EXPECT_TRUE(FileExists(dir.path() + "f.txt"));
  EXPECT_FALSE(DirectoryExists(dir.path() + "f.txt"));
  EXPECT_TRUE(DirectoryExists(dir.path()));
  EXPECT_FALSE(FileExists(dir.path()));
  EXPECT_FALSE(FileExists(dir.path() + "missing"));
  EXPECT_FALSE(DirectoryExists(dir.path() + "missing"));
  EXPECT_FALSE(FileExists(""));
}

TEST(FileIcons, EveryPathGivesARealIcon) {
  TempFolder dir;
  ASSERT_TRUE(test::WriteFile(dir.path() + "notes.txt", "not a program"));
  char system[MAX_PATH] = {};
  ::GetSystemDirectoryA(system, MAX_PATH);
  FileIcons icons;
  // Missing, a folder, a file that is no program (ExtractIcon answers 1), a program without icons
  // and one with icons: never an empty icon.
  for (const std::string& path : {dir.path() + "missing.exe", dir.path(), dir.path() + "notes.txt",
                                 HelperPath("sleeper.exe"), std::string(system) + "\\shell32.dll",
                                 std::string()}) {
    EXPECT_TRUE(IsIcon(icons.LoadFileIcon(path))) << path;
  }
  EXPECT_TRUE(IsIcon(icons.GenericIcon()));
}

// One image per distinct icon file, however its path is written, and one generic image shared by
// every row whose file is missing or has no icon of its own.
TEST(RowIcons, EachIconFileAndTheGenericIconAreAddedOnce) {
  TempFolder dir;
  ASSERT_TRUE(test::WriteFile(dir.path() + "notes.txt", "not a program"));
  char system[MAX_PATH] = {};
  ::GetSystemDirectoryA(system, MAX_PATH);
  const std::string shell32 = std::string(system) + "\\shell32.dll";
  HIMAGELIST images = ::ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 8, 8);
  FileIcons icons;
  RowIcons rows(images, icons);
  for (int fill = 0; fill < 2; ++fill) {
    rows.Reset();
    const int own = rows.IndexFor(shell32);
    std::string lower = shell32;
    for (char& c : lower) c = static_cast<char>(::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(rows.IndexFor(lower), own);
    const int generic = rows.IndexFor(dir.path() + "missing.exe");
    EXPECT_NE(generic, own);
    EXPECT_EQ(rows.IndexFor(HelperPath("sleeper.exe")), generic);  // a program without icons
    EXPECT_EQ(rows.IndexFor(dir.path() + "notes.txt"), generic);
    EXPECT_EQ(rows.IndexFor(""), generic);
    EXPECT_EQ(rows.GenericIndex(), generic);
    EXPECT_EQ(::ImageList_GetImageCount(images), 2);
  }
  ::ImageList_Destroy(images);
}

int g_runas_asked = 0;
bool CountRunas(const char*, const std::string&, const std::string&, UniqueHandle&) {
  ++g_runas_asked;
  return false;
}

// Only a program that requires elevation is started again with "runas": a missing one must not
// put a rights prompt before the user.
TEST(RunProgram, MissingProgramFailsWithoutAskingForRights) {
  TempFolder dir;
  const ProgramStarts real = SetProgramStarts({&StartProgram, &CountRunas});
  ScopeExit put_back([&] { SetProgramStarts(real); });
  EXPECT_FALSE(RunProgram(dir.path() + "missing.exe", "1000"));
  EXPECT_FALSE(RunProgram("", ""));
  EXPECT_EQ(g_runas_asked, 0);
}

TEST(RunProgram, WaitsUntilTheProgramHasEnded) {
  const ULONGLONG start = ::GetTickCount64();
  ASSERT_TRUE(RunProgram(HelperPath("sleeper.exe"), "700"));
  const ULONGLONG elapsed = ::GetTickCount64() - start;
  EXPECT_GE(elapsed, 650u);
  EXPECT_LT(elapsed, 30000u) << "the argument did not reach the program";
}

TEST(RunProgram, CommandLineIsABlankAndTheParameters) {
  TempFolder dir;
  const std::string log = dir.path() + "args.txt";
  test::ScopedEnv env("KORVANE_ARGLOG", log.c_str());
  const std::string parameters =
      "/s /e \"" + dir.path() + "\xD6\xD0\xCE\xC4_uninstall.reg\" \"HKEY_CURRENT_USER\\Software\\a b\"";
  ASSERT_TRUE(RunProgram(HelperPath("argrecorder.exe"), parameters));
  // The recorder has written its log by the time the call returns.
  const std::string text = test::ReadFile(log);
  const size_t first = text.find('\n');
  ASSERT_NE(first, std::string::npos) << text;
  EXPECT_EQ(text.substr(first + 1), " " + parameters + "\n");
}

// The desktop shell starts the target itself: its parent is the shell's process, whose token is the
// user's unelevated one on Windows, never this process.
TEST(OpenThroughDesktopShell, TheShellsProcessStartsTheTarget) {
  TempFolder dir;
  const std::string exe = "korvane-shellstart-" + std::to_string(::GetCurrentProcessId()) + ".exe";
  ASSERT_TRUE(::CopyFileA(HelperPath("sleeper.exe").c_str(), (dir.path() + exe).c_str(), FALSE));
  // Wine's shell stops answering after some earlier tests of a full run (never alone or after its
  // neighbours); the call then gives up within its bound, which is what the window relies on.
  if (!OpenThroughDesktopShell(dir.path() + exe)) GTEST_SKIP() << "the desktop shell did not answer in time";
  DWORD parent = 0, pid = 0;
  EXPECT_TRUE(test::PumpUntil([&] {
    UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32 e{};
    e.dwSize = sizeof e;
    for (BOOL more = ::Process32First(snapshot.get(), &e); more; more = ::Process32Next(snapshot.get(), &e))
      if (::lstrcmpiA(e.szExeFile, exe.c_str()) == 0) {
        pid = e.th32ProcessID;
        parent = e.th32ParentProcessID;
      }
    return pid != 0;
  }, 20000)) << exe << " was not started";
  if (UniqueHandle p{::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid)}) {
    ::TerminateProcess(p.get(), 0);
    ::WaitForSingleObject(p.get(), 5000);
  }
  EXPECT_NE(parent, ::GetCurrentProcessId());
}

TEST(LoadSystemLibrary, LoadsFromTheSystemFolder) {
  UniqueModule psapi(LoadSystemLibrary("psapi.dll"));
  EXPECT_TRUE(psapi);
  EXPECT_FALSE(UniqueModule(LoadSystemLibrary("korvane-no-such.dll")));
}

bool UnderWine() {
  HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
  return ntdll && ::GetProcAddress(ntdll, "wine_get_version");
}

// A DLL named like a system one beside the program must not be loaded once the search is hardened.
TEST(HardenDllSearch, ADllBesideTheProgramIsNotLoaded) {
  // Wine's own psapi would win anyway; a per-program override lets a native one be chosen. The
  // environment variable for that is not passed on to programs started from here.
  if (!UnderWine()) GTEST_SKIP() << "relies on Wine's per-program DLL overrides";
  const std::string probe = "korvane-dllprobe-" + std::to_string(::GetCurrentProcessId()) + ".exe";
  test::SeedKey app_defaults(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults");
  const std::string probe_key = "Software\\Wine\\AppDefaults\\" + probe;
  ScopeExit restore([&] { test::DeleteTree(HKEY_CURRENT_USER, probe_key); });
  {
    UniqueKey key;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, (probe_key + "\\DllOverrides").c_str(), 0, nullptr, 0,
                                KEY_ALL_ACCESS, nullptr, key.put(), nullptr),
              ERROR_SUCCESS);
    static const char kNativeFirst[] = "native,builtin";
    ASSERT_EQ(::RegSetValueExA(key.get(), "psapi", 0, REG_SZ, reinterpret_cast<const BYTE*>(kNativeFirst),
                               sizeof kNativeFirst),
              ERROR_SUCCESS);
  }

  TempFolder dir;
  ASSERT_TRUE(::CopyFileA(HelperPath("dllprobe.exe").c_str(), (dir.path() + probe).c_str(), FALSE));
  ASSERT_TRUE(::CopyFileA(HelperPath("dll\\psapi.dll").c_str(), (dir.path() + "psapi.dll").c_str(), FALSE));
  const std::string marker = dir.path() + "loaded.marker";
  const std::string loaded = dir.path() + "probe-ok.marker";

  // First the plain search order, to show that the planted DLL is within reach at all.
  ASSERT_TRUE(RunProgram(dir.path() + probe, "plain"));
  ASSERT_TRUE(FileExists(marker)) << "the planted DLL was not picked up even without hardening";
  ::DeleteFileA(marker.c_str());
  ::DeleteFileA(loaded.c_str());

  ASSERT_TRUE(RunProgram(dir.path() + probe, "hardened"));
  EXPECT_TRUE(FileExists(loaded)) << "the system psapi.dll did not load";
  EXPECT_FALSE(FileExists(marker)) << "the DLL beside the program was loaded";
}


struct ChildWindow {
  DWORD pid;
  HWND found;
};
BOOL CALLBACK FindMainWindowOf(HWND hwnd, LPARAM lp) {
  auto* w = reinterpret_cast<ChildWindow*>(lp);
  DWORD pid = 0;
  ::GetWindowThreadProcessId(hwnd, &pid);
  char title[64] = {};
  ::GetWindowTextA(hwnd, title, sizeof title);
  if (pid != w->pid || !::IsWindowVisible(hwnd) || std::string(title) != kMainTitle) return TRUE;
  w->found = hwnd;
  return FALSE;
}

// The full path of a module loaded in another process, "" while it is not loaded.
std::string ModuleIn(HANDLE process, const std::string& name) {
  HMODULE modules[512];
  DWORD bytes = 0;
  if (!::EnumProcessModules(process, modules, sizeof modules, &bytes)) return "";
  for (DWORD i = 0; i < bytes / sizeof(HMODULE) && i < 512; ++i) {
    char path[MAX_PATH] = {};
    const DWORD n = ::GetModuleFileNameExA(process, modules[i], path, MAX_PATH);
    const std::string p(path, n);
    if (n > name.size() && lstrcmpiA(p.substr(n - name.size() - 1).c_str(), ("\\" + name).c_str()) == 0) return p;
  }
  return "";
}

// The list view on top of the shown tab: the panels overlap, the selected one lies on top.
HWND TopListOf(HWND main) {
  POINT at{16 + 8 + 20, 100 + 8 + 20};  // inside every panel's list
  HWND panel = ::ChildWindowFromPointEx(main, at, CWP_SKIPINVISIBLE);
  if (!panel || panel == main) return nullptr;
  ::MapWindowPoints(main, panel, &at, 1);
  HWND list = ::ChildWindowFromPointEx(panel, at, CWP_SKIPINVISIBLE);
  char cls[32] = {};
  return list && ::GetClassNameA(list, cls, sizeof cls) && std::string(cls) == WC_LISTVIEWA ? list : nullptr;
}

// The real program, copied into a folder where a DLL of each name it loads at run time waits (its
// static imports the loader resolves before any of its code runs): with Wine told to prefer a
// native DLL of those names, it starts, shows the process tab (which loads PSAPI) and closes
// without loading any of them.
TEST(HardenDllSearch, TheRealProgramLoadsNoPlantedDll) {
  if (!UnderWine()) GTEST_SKIP() << "relies on Wine's per-program DLL overrides";
  const char* const kRunTimeDlls[] = {"psapi"};  // LoadSystemLibrary's callers
  const std::string exe = "korvane-planted-" + std::to_string(::GetCurrentProcessId()) + ".exe";
  test::SeedKey app_defaults(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults");
  const std::string exe_key = "Software\\Wine\\AppDefaults\\" + exe;
  ScopeExit restore([&] { test::DeleteTree(HKEY_CURRENT_USER, exe_key); });
  std::string overrides;
  for (const char* dll : kRunTimeDlls) {
    UniqueKey key;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, (exe_key + "\\DllOverrides").c_str(), 0, nullptr, 0,
                                KEY_ALL_ACCESS, nullptr, key.put(), nullptr),
              ERROR_SUCCESS);
    static const char kNativeFirst[] = "native,builtin";
    ASSERT_EQ(::RegSetValueExA(key.get(), dll, 0, REG_SZ, reinterpret_cast<const BYTE*>(kNativeFirst),
                               sizeof kNativeFirst),
              ERROR_SUCCESS);
    overrides += std::string(overrides.empty() ? "" : ";") + dll + "=n,b";
  }
  test::ScopedEnv env("WINEDLLOVERRIDES", overrides.c_str());
  auto plant = [&](const TempFolder& dir) {
    for (const char* dll : kRunTimeDlls)
      ASSERT_TRUE(::CopyFileA(HelperPath(std::string("dll\\") + dll + ".dll").c_str(),
                              (dir.path() + dll + ".dll").c_str(), FALSE));
  };

  // The probe under the same name shows that the planted DLLs are within reach at all.
  TempFolder control;
  plant(control);
  ASSERT_TRUE(::CopyFileA(HelperPath("dllprobe.exe").c_str(), (control.path() + exe).c_str(), FALSE));
  ASSERT_TRUE(RunProgram(control.path() + exe, "plain"));
  ASSERT_TRUE(FileExists(control.path() + "loaded.marker")) << "the planted DLL was not picked up by the probe";

  TempFolder dir;
  plant(dir);
  ASSERT_TRUE(::CopyFileA(test::BinaryPath("Korvane.exe").c_str(), (dir.path() + exe).c_str(), FALSE));
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::string line = "\"" + dir.path() + exe + "\"";
  ASSERT_TRUE(::CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, dir.path().c_str(), &si, &pi));
  UniqueHandle process(pi.hProcess), thread(pi.hThread);
  ScopeExit end([&] {
    if (::WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT) ::TerminateProcess(process.get(), 1);
    ::WaitForSingleObject(process.get(), 5000);
  });
  ChildWindow w{pi.dwProcessId, nullptr};
  ASSERT_TRUE(test::PumpUntil([&] { return !::EnumWindows(&FindMainWindowOf, reinterpret_cast<LPARAM>(&w)) || w.found; }, 20000));
  ASSERT_TRUE(w.found);
  HWND first_list = nullptr;  // tab 1's, shown first
  ASSERT_TRUE(test::PumpUntil([&] { return (first_list = TopListOf(w.found)) != nullptr; }, 20000));
  // Clicks on the process tab's label (one during the first fill is ignored) until its list has
  // rows: every path has then been read. PSAPI is loaded only where kernel32 cannot read paths.
  EXPECT_TRUE(test::PumpUntil([&] {
    ::PostMessageA(w.found, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(490, 78));
    ::PostMessageA(w.found, WM_LBUTTONUP, 0, MAKELPARAM(490, 78));
    test::PumpFor(300);
    HWND list = TopListOf(w.found);
    return list && list != first_list && ::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) > 0;
  }, 20000)) << "the process tab shows no rows";
  const std::string psapi = ModuleIn(process.get(), "psapi.dll");
  EXPECT_EQ(psapi.find(dir.path()), std::string::npos) << psapi;
  ASSERT_TRUE(test::PumpUntil([&] {
    ::PostMessageA(w.found, WM_CLOSE, 0, 0);
    return ::WaitForSingleObject(process.get(), 200) == WAIT_OBJECT_0;
  }, 20000));
  EXPECT_FALSE(FileExists(dir.path() + "loaded.marker")) << "a DLL beside the program was loaded";
}
}  // namespace
}  // namespace kv
