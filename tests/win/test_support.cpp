#include "tests/win/test_support.h"

#include <shellapi.h>

#include <cstdio>
#include <map>

namespace kv::test {

std::string BinaryPath(const std::string& relative) {
  std::string unix_path = std::string(KORVANE_BINARY_DIR) + "/" + relative;
  // Wine maps the Unix root to drive Z:.
  std::string p = "Z:" + unix_path;
  for (char& c : p)
    if (c == '/') c = '\\';
  return p;
}

std::string SourcePath(const std::string& relative) {
  std::string p = "Z:" + std::string(KORVANE_SOURCE_DIR) + "/" + relative;
  for (char& c : p)
    if (c == '/') c = '\\';
  return p;
}

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA data;
  UniqueFind find(::FindFirstFileA((folder + "*").c_str(), &data));
  if (!find) return names;
  do {
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(data.cFileName);
  } while (::FindNextFileA(find.get(), &data));
  return names;
}

std::string TempFolder() {
  char base[MAX_PATH] = {};
  ::GetTempPathA(MAX_PATH, base);
  static unsigned counter = 0;
  for (;;) {
    char name[MAX_PATH];
    std::snprintf(name, sizeof name, "%skvtest_%lu_%u\\", base, ::GetCurrentProcessId(), ++counter);
    if (::CreateDirectoryA(name, nullptr)) return name;
    if (::GetLastError() != ERROR_ALREADY_EXISTS) return "";
  }
}

void RemoveTree(const std::string& folder) {
  std::string f = folder;
  if (!f.empty() && f.back() == '\\') f.pop_back();
  WIN32_FIND_DATAA fd;
  HANDLE h = ::FindFirstFileA((f + "\\*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      std::string n = fd.cFileName;
      if (n == "." || n == "..") continue;
      std::string full = f + "\\" + n;
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(full);
      } else {
        ::SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileA(full.c_str());
      }
    } while (::FindNextFileA(h, &fd));
    ::FindClose(h);
  }
  ::SetFileAttributesA(f.c_str(), FILE_ATTRIBUTE_NORMAL);
  ::RemoveDirectoryA(f.c_str());
}

bool WriteFile(const std::string& path, const std::string& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

std::string ReadFile(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return "";
  std::string out;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
  std::fclose(f);
  return out;
}

ScratchKey::ScratchKey(HKEY root, std::string path, REGSAM view) : root_(root), path_(std::move(path)), view_(view) {
  HKEY k;
  if (::RegCreateKeyExA(root_, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view_, nullptr, &k, nullptr) ==
      ERROR_SUCCESS)
    ::RegCloseKey(k);
}

ScratchKey::~ScratchKey() {
  using DeleteTree = LONG(WINAPI*)(HKEY, LPCSTR);
  HKEY k;
  if (::RegOpenKeyExA(root_, path_.c_str(), 0, KEY_ALL_ACCESS | view_, &k) == ERROR_SUCCESS) {
    auto fn = reinterpret_cast<DeleteTree>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("advapi32.dll"), "RegDeleteTreeA")));
    if (fn) fn(k, nullptr);
    ::RegCloseKey(k);
  }
  ::RegDeleteKeyExA(root_, path_.c_str(), view_, 0);
}

ReadOnlyKey::ReadOnlyKey(HKEY root, const std::string& path)
    : root_(root), path_(path.substr(!path.empty() && path[0] == '\\' ? 1 : 0)) {
  HKEY k;
  if (::RegOpenKeyExA(root_, path_.c_str(), 0, READ_CONTROL | WRITE_DAC | KEY_WOW64_64KEY, &k) != ERROR_SUCCESS) {
    ADD_FAILURE() << "cannot open " << path_ << " to change its DACL";
    return;
  }
  DWORD size = 0;
  ::RegGetKeySecurity(k, DACL_SECURITY_INFORMATION, nullptr, &size);
  saved_.assign(size, '\0');
  if (size == 0 || ::RegGetKeySecurity(k, DACL_SECURITY_INFORMATION, &saved_[0], &size) != ERROR_SUCCESS)
    saved_.clear();
  BYTE everyone[SECURITY_MAX_SID_SIZE];
  DWORD sid_size = sizeof everyone;
  alignas(8) BYTE acl_bytes[256];
  auto* acl = reinterpret_cast<ACL*>(acl_bytes);
  SECURITY_DESCRIPTOR sd;
  applied_ = !saved_.empty() && ::CreateWellKnownSid(WinWorldSid, nullptr, everyone, &sid_size) &&
             ::InitializeAcl(acl, sizeof acl_bytes, ACL_REVISION) &&
             ::AddAccessAllowedAce(acl, ACL_REVISION, KEY_READ, everyone) &&
             ::InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION) &&
             ::SetSecurityDescriptorDacl(&sd, TRUE, acl, FALSE) &&
             ::RegSetKeySecurity(k, DACL_SECURITY_INFORMATION, &sd) == ERROR_SUCCESS;
  ::RegCloseKey(k);
  if (!applied_) ADD_FAILURE() << "cannot make " << path_ << " read-only";
}

ReadOnlyKey::~ReadOnlyKey() {
  if (!applied_) return;
  HKEY k;
  if (::RegOpenKeyExA(root_, path_.c_str(), 0, WRITE_DAC | KEY_WOW64_64KEY, &k) != ERROR_SUCCESS) return;
  ::RegSetKeySecurity(k, DACL_SECURITY_INFORMATION, &saved_[0]);
  ::RegCloseKey(k);
}

void ScratchKey::SetRaw(const std::string& sub, const std::string& name, DWORD type, const std::string& bytes) const {
  std::string p = sub.empty() ? path_ : path_ + "\\" + sub;
  HKEY k;
  if (::RegCreateKeyExA(root_, p.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view_, nullptr, &k, nullptr) != ERROR_SUCCESS)
    return;
  ::RegSetValueExA(k, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                   static_cast<DWORD>(bytes.size()));
  ::RegCloseKey(k);
}

void ScratchKey::SetString(const std::string& sub, const std::string& name, const std::string& value, DWORD type) const {
  SetRaw(sub, name, type, value + std::string(1, '\0'));
}

void ScratchKey::SetDword(const std::string& sub, const std::string& name, DWORD value) const {
  SetRaw(sub, name, REG_DWORD, std::string(reinterpret_cast<const char*>(&value), sizeof value));
}

void PumpFor(DWORD ms) {
  const DWORD start = ::GetTickCount();
  do {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageA(&msg);
    }
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  } while (::GetTickCount() - start < ms);
}

namespace {
struct FindCtx {
  std::string title;
  HWND found = nullptr;
};
BOOL CALLBACK FindTop(HWND hwnd, LPARAM lp) {
  auto* ctx = reinterpret_cast<FindCtx*>(lp);
  DWORD pid = 0;
  ::GetWindowThreadProcessId(hwnd, &pid);
  if (pid != ::GetCurrentProcessId() || !::IsWindowVisible(hwnd)) return TRUE;
  char buf[256] = {};
  ::GetWindowTextA(hwnd, buf, sizeof buf);
  if (ctx->title == buf) {
    ctx->found = hwnd;
    return FALSE;
  }
  return TRUE;
}
BOOL CALLBACK FindChild(HWND hwnd, LPARAM lp) {
  auto* ctx = reinterpret_cast<FindCtx*>(lp);
  char buf[256] = {};
  ::GetWindowTextA(hwnd, buf, sizeof buf);
  if (ctx->title == buf) {
    ctx->found = hwnd;
    return FALSE;
  }
  return TRUE;
}
BOOL CALLBACK FirstStatic(HWND hwnd, LPARAM lp) {
  char cls[32] = {};
  ::GetClassNameA(hwnd, cls, sizeof cls);
  if (lstrcmpiA(cls, "Static") == 0) {
    *reinterpret_cast<HWND*>(lp) = hwnd;
    return FALSE;
  }
  return TRUE;
}
std::map<UINT_PTR, DialogScript*>& Scripts() {
  static std::map<UINT_PTR, DialogScript*> m;
  return m;
}
}  // namespace

HWND FindProcessWindow(const std::string& title) {
  FindCtx ctx{title};
  ::EnumWindows(&FindTop, reinterpret_cast<LPARAM>(&ctx));
  return ctx.found;
}

HWND FindChildByText(HWND parent, const std::string& text) {
  FindCtx ctx{text};
  ::EnumChildWindows(parent, &FindChild, reinterpret_cast<LPARAM>(&ctx));
  return ctx.found;
}

DialogScript::DialogScript(std::vector<Step> steps) : steps_(std::move(steps)), actions_(steps_.size()) {
  timer_ = ::SetTimer(nullptr, 0, 20, &DialogScript::Tick);
  Scripts()[timer_] = this;
}

DialogScript::~DialogScript() {
  ::KillTimer(nullptr, timer_);
  Scripts().erase(timer_);
}

void DialogScript::OnDialog(size_t step, void (*fn)(HWND, void*), void* ctx) { actions_[step] = {fn, ctx}; }

void CALLBACK DialogScript::Tick(HWND, UINT, UINT_PTR id, DWORD) {
  auto it = Scripts().find(id);
  if (it != Scripts().end()) it->second->Poll();
}

void DialogScript::Poll() {
  if (Finished()) return;
  const Step& s = steps_[next_];
  HWND dlg = FindProcessWindow(s.title);
  if (!dlg || !::IsWindowEnabled(dlg)) return;
  HWND text = nullptr;
  ::EnumChildWindows(dlg, &FirstStatic, reinterpret_cast<LPARAM>(&text));
  char buf[1024] = {};
  if (text) ::GetWindowTextA(text, buf, sizeof buf);
  texts_.push_back(buf);
  if (actions_[next_].first) actions_[next_].first(dlg, actions_[next_].second);
  const size_t step = next_++;
  if (steps_[step].button.empty()) {
    ::PostMessageA(dlg, WM_CLOSE, 0, 0);
    return;
  }
  HWND button = FindChildByText(dlg, steps_[step].button);
  if (button) ::PostMessageA(button, BM_CLICK, 0, 0);
}

MainWindow::MainWindow() : form_(std::make_unique<TForm1>()) {
  form_->Create();
  // No test writes into the tester's own per-user undo folder; a test that wants one names it.
  form_->State().UserUndoFolder.clear();
  form_->Show();
  PumpFor(100);  // the posted start-up message selects tab 1
}

MainWindow::~MainWindow() {
  form_.reset();
  PumpFor(20);
  // A main window closed by the test posted WM_QUIT for the program's loop; a test has none.
  MSG msg;
  while (::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
}

}  // namespace kv::test
