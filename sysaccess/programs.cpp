#include "sysaccess/programs.h"

#include <exdisp.h>
#include <oleauto.h>
#include <servprov.h>
#include <shellapi.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shobjidl.h>

#include <atomic>
#include <memory>
#include <optional>
#include <vector>

#include "sysaccess/text_rules.h"

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

namespace kv {

#if !defined(_WIN64)
static_assert(sizeof(STARTUPINFOA) == 68, "the start-up record the program hands to CreateProcess");
#endif

namespace {

// Looked up by name: the functions may be missing from the kernel32 the program runs on.
template <typename Fn>
Fn Kernel32Function(const char* name) {
  HMODULE kernel32 = ::GetModuleHandleA("kernel32.dll");
  if (!kernel32) return nullptr;
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(kernel32, name)));
}

std::string SystemFolder() {
  char buf[MAX_PATH] = {};
  UINT n = ::GetSystemDirectoryA(buf, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return "";
  return WithTrailingBackslash(std::string(buf, n));
}

// ExtractIcon answers 1 for a file that is not a program, DLL or icon file: that is no icon.
HICON RealIcon(HICON icon) { return reinterpret_cast<UINT_PTR>(icon) > 1 ? icon : nullptr; }

int g_scopes_alive = 0;
int g_scopes_made = 0;

ProgramStarts g_starts = {&StartProgram, &ShellExecuteProgram};

std::wstring Wide(const std::string& text) {
  const int n = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  if (n > 0) ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &w[0], n);
  return w;
}

// A BSTR owned for one call.
class Bstr {
 public:
  explicit Bstr(const std::string& text) : s_(::SysAllocString(Wide(text).c_str())) {}
  ~Bstr() { ::SysFreeString(s_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  BSTR get() const { return s_; }

 private:
  BSTR s_;
};

}  // namespace

FsRedirectionOff::FsRedirectionOff(const AppState& state) {
  ++g_scopes_alive;
  ++g_scopes_made;
  if (!state.ProgramFilesIsX86 || !state.RunsUnderWow64) return;
  using DisableFn = BOOL(WINAPI*)(PVOID*);
  auto disable = Kernel32Function<DisableFn>("Wow64DisableWow64FsRedirection");
  switched_ = disable && disable(&old_value_);
}

FsRedirectionOff::~FsRedirectionOff() {
  --g_scopes_alive;
  if (!switched_) return;
  using RevertFn = BOOL(WINAPI*)(PVOID);
  if (auto revert = Kernel32Function<RevertFn>("Wow64RevertWow64FsRedirection")) revert(old_value_);
}

int FsRedirectionOff::Alive() { return g_scopes_alive; }
int FsRedirectionOff::Made() { return g_scopes_made; }

bool FileExists(const std::string& path) {
  DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& path) {
  DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

FileIcons::FileIcons() : instance_(::GetModuleHandleA(nullptr)) {}

HICON FileIcons::LoadFileIcon(const std::string& path) {
  HICON icon = FileIcon(path);
  return icon ? icon : GenericIcon();
}

HICON FileIcons::FileIcon(const std::string& path, const AppState* unredirected) {
  row_icon_.reset();
  std::optional<FsRedirectionOff> off;
  if (unredirected) off.emplace(*unredirected);
  if (FileExists(path)) row_icon_.reset(RealIcon(::ExtractIconA(instance_, path.c_str(), 0)));
  return row_icon_.get();
}

HICON FileIcons::GenericIcon() {
  // The full path: a bare "shell32.dll" would be looked for beside the program first.
  row_icon_.reset(RealIcon(::ExtractIconA(instance_, (SystemFolder() + "shell32.dll").c_str(), 2)));
  if (!row_icon_) row_icon_.reset(::CopyIcon(::LoadIconA(nullptr, IDI_APPLICATION)));
  return row_icon_.get();
}

UniqueHandle StartProgram(const std::string& program, const std::string& parameters) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOW;
  // CreateProcessA may write into the command line, so it gets a buffer of its own.
  const std::string text = " " + parameters;
  std::vector<char> command_line(text.begin(), text.end());
  command_line.push_back('\0');
  PROCESS_INFORMATION info = {};
  if (!::CreateProcessA(program.c_str(), command_line.data(), nullptr, nullptr, FALSE,
                        DETACHED_PROCESS | HIGH_PRIORITY_CLASS, nullptr, nullptr, &startup, &info))
    return UniqueHandle();
  UniqueHandle thread(info.hThread);
  return UniqueHandle(info.hProcess);
}

bool ShellExecuteProgram(const char* verb, const std::string& program, const std::string& parameters,
                         UniqueHandle& process) {
  SHELLEXECUTEINFOA info = {};
  info.cbSize = sizeof info;
  // No error boxes: the caller tells the user what failed. hProcess stays null where the shell
  // hands the file to a running program (learn.microsoft.com, "SHELLEXECUTEINFOA structure").
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  info.lpVerb = verb;
  info.lpFile = program.c_str();
  info.lpParameters = parameters.c_str();
  info.nShow = SW_SHOW;
  if (!::ShellExecuteExA(&info)) return false;
  process.reset(info.hProcess);
  return true;
}

ProgramStarts SetProgramStarts(const ProgramStarts& starts) {
  const ProgramStarts old = g_starts;
  g_starts = starts;
  return old;
}

bool WaitHandlingSentMessages(HANDLE object, DWORD timeout_ms) {
  // A wait that handles no sent messages deadlocks with a program that sends to this thread's
  // windows, as a broadcast of WM_SETTINGCHANGE does (learn.microsoft.com, "WaitForSingleObject
  // function", Remarks, and "MsgWaitForMultipleObjects function"). PeekMessage restricted to sent
  // messages runs those and takes nothing from the queue: input waits as before.
  const DWORD start = ::GetTickCount();
  MSG msg;
  for (;;) {
    ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    DWORD left = INFINITE;
    if (timeout_ms != INFINITE) {
      const DWORD spent = ::GetTickCount() - start;
      left = spent >= timeout_ms ? 0 : timeout_ms - spent;
    }
    const DWORD rc = ::MsgWaitForMultipleObjects(1, &object, FALSE, left, QS_SENDMESSAGE);
    if (rc == WAIT_OBJECT_0) return true;
    if (rc != WAIT_OBJECT_0 + 1) return false;  // timed out, or the handle is no use
  }
}

void WaitForProgram(HANDLE process) { WaitHandlingSentMessages(process, INFINITE); }

bool RunProgram(const std::string& program, const std::string& parameters) {
  UniqueHandle process = g_starts.create(program, parameters);
  if (!process) {
    // For a standard user, CreateProcess refuses a program manifested "requireAdministrator" with
    // ERROR_ELEVATION_REQUIRED (740); the shell's "runas" verb asks for the rights instead
    // (learn.microsoft.com, "Elevation and process creation APIs"). Wine starts such programs.
    if (::GetLastError() != ERROR_ELEVATION_REQUIRED) return false;
    if (!g_starts.shell_execute("runas", program, parameters, process)) return false;
  }
  if (process) WaitForProgram(process.get());
  return true;
}

bool ShowInExplorer(const AppState& state, const std::string& path) {
  // Not waited for: Explorer hands the window to the running shell and ends, or stays as the window.
  return static_cast<bool>(g_starts.create(state.WindowsFolder + "explorer.exe", "/select,\"" + path + "\""));
}

bool ProcessIsElevated() {
  UniqueHandle token;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put())) return false;
  TOKEN_ELEVATION elevation = {};
  DWORD size = 0;
  return ::GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size) &&
         elevation.TokenIsElevated != 0;
}

namespace {
bool ShellExecuteInDesktop(const std::string& target) {
  // The desktop's folder view belongs to the shell's process, which runs with the user's
  // unelevated token; its IShellDispatch2::ShellExecute starts the target there
  // (learn.microsoft.com, "IShellWindows::FindWindowSW method" and "IShellDispatch2::ShellExecute
  // method").
  ComPtr<IShellWindows> windows;
  if (FAILED(::CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows,
                                windows.put_void())))
    return false;
  VARIANT none = {};
  none.vt = VT_EMPTY;
  VARIANT root = none;
  long desktop_window = 0;
  ComPtr<IDispatch> desktop;
  if (windows->FindWindowSW(&none, &root, SWC_DESKTOP, &desktop_window, SWFO_NEEDDISPATCH,
                            reinterpret_cast<IDispatch**>(desktop.put_void())) != S_OK ||
      !desktop)
    return false;
  ComPtr<IServiceProvider> services;
  ComPtr<IShellBrowser> browser;
  ComPtr<IShellView> view;
  ComPtr<IDispatch> background;
  ComPtr<IShellFolderViewDual> folder_view;
  ComPtr<IDispatch> application;
  ComPtr<IShellDispatch2> shell;
  if (FAILED(desktop->QueryInterface(IID_IServiceProvider, services.put_void())) ||
      FAILED(services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, browser.put_void())) ||
      FAILED(browser->QueryActiveShellView(reinterpret_cast<IShellView**>(view.put_void()))) || !view ||
      FAILED(view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, background.put_void())) ||
      FAILED(background->QueryInterface(IID_IShellFolderViewDual, folder_view.put_void())) ||
      FAILED(folder_view->get_Application(reinterpret_cast<IDispatch**>(application.put_void()))) || !application ||
      FAILED(application->QueryInterface(IID_IShellDispatch2, shell.put_void())))
    return false;
  const Bstr file(target), verb("open");
  if (!file.get() || !verb.get()) return false;
  VARIANT operation = none;
  operation.vt = VT_BSTR;
  operation.bstrVal = verb.get();
  VARIANT show = none;
  show.vt = VT_I4;
  show.lVal = SW_SHOWNORMAL;
  return SUCCEEDED(shell->ShellExecute(file.get(), none, none, operation, show));
}

// What the worker thread needs; shared, so that a worker still waiting on the shell after its
// caller gave up finds its job alive.
struct ShellJob {
  std::string target;
  std::atomic<bool> ok{false};
  UniqueHandle done;
};

DWORD WINAPI RunShellJob(void* param) {
  std::unique_ptr<std::shared_ptr<ShellJob>> holder(static_cast<std::shared_ptr<ShellJob>*>(param));
  const std::shared_ptr<ShellJob> job = *holder;
  if (SUCCEEDED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED))) {
    job->ok = ShellExecuteInDesktop(job->target);
    ::CoUninitialize();
  }
  ::SetEvent(job->done.get());
  return 0;
}

// Long enough for a busy shell, short enough that a click on a link never seems to hang.
constexpr DWORD kShellAnswerMs = 5000;
}  // namespace

bool OpenThroughDesktopShell(const std::string& target) {
  // The calls go to the shell's process, which need not answer (Wine's stopped answering in a
  // full test run): they run on a thread of their own, and the window keeps handling sent
  // messages while it waits a few seconds for them.
  auto job = std::make_shared<ShellJob>();
  job->target = target;
  job->done.reset(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
  if (!job->done) return false;
  auto holder = std::make_unique<std::shared_ptr<ShellJob>>(job);
  UniqueHandle thread(::CreateThread(nullptr, 0, &RunShellJob, holder.get(), 0, nullptr));
  if (!thread) return false;
  holder.release();  // the thread's now
  return WaitHandlingSentMessages(job->done.get(), kShellAnswerMs) && job->ok;
}

HMODULE LoadSystemLibrary(const char* name) {
  // The search flags exist where AddDllDirectory does (Windows 8, or 7 with its update).
  if (Kernel32Function<FARPROC>("AddDllDirectory")) {
    HMODULE module = ::LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module || ::GetLastError() != ERROR_INVALID_PARAMETER) return module;
  }
  const std::string folder = SystemFolder();
  if (folder.empty()) return nullptr;
  // Its own dependencies are then looked for in the system folder too, not beside the program.
  return ::LoadLibraryExA((folder + name).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

void HardenDllSearch() {
  using SetDefaultFn = BOOL(WINAPI*)(DWORD);
  if (auto set_default = Kernel32Function<SetDefaultFn>("SetDefaultDllDirectories"))
    set_default(LOAD_LIBRARY_SEARCH_SYSTEM32);
  // Also takes the current folder out of the search where the call above is missing.
  ::SetDllDirectoryA("");
}

}  // namespace kv
