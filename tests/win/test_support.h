#pragma once
// Shared helpers for the Windows tests: scratch registry keys and folders, a running main window,
// and a script that answers the program's own dialogs from inside their modal loops.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/form1.h"

namespace kv::test {

// Path of a file built next to the tests (helpers live in tests/helpers/).
std::string BinaryPath(const std::string& relative);
std::string TempFolder();  // a new empty folder under the Wine temp folder, ending with "\"
void RemoveTree(const std::string& folder);
bool WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);

// A new empty folder (ending with "\") removed with everything in it at the end.
class ScratchFolder {
 public:
  ScratchFolder() : path_(TempFolder()) {}
  ~ScratchFolder() { RemoveTree(path_); }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// A registry key that exists for the test's lifetime and is deleted with its subtree afterwards.
class ScratchKey {
 public:
  ScratchKey(HKEY root, std::string path, REGSAM view = KEY_WOW64_64KEY);
  ~ScratchKey();
  const std::string& path() const { return path_; }
  HKEY root() const { return root_; }
  void SetString(const std::string& sub, const std::string& name, const std::string& value, DWORD type = REG_SZ) const;
  void SetRaw(const std::string& sub, const std::string& name, DWORD type, const std::string& bytes) const;
  void SetDword(const std::string& sub, const std::string& name, DWORD value) const;

 private:
  HKEY root_;
  std::string path_;
  REGSAM view_;
};

// Gives a key a DACL that lets everyone read it and nothing more, as the machine's keys are for
// a standard user (Wine enforces key DACLs); its own DACL comes back at the end, which the owner
// may always do.
class ReadOnlyKey {
 public:
  ReadOnlyKey(HKEY root, const std::string& path);
  ~ReadOnlyKey();
  ReadOnlyKey(const ReadOnlyKey&) = delete;
  ReadOnlyKey& operator=(const ReadOnlyKey&) = delete;
  bool applied() const { return applied_; }

 private:
  HKEY root_;
  std::string path_;
  std::string saved_;  // the key's own security descriptor (self-relative)
  bool applied_ = false;
};

// Processes messages for `ms` milliseconds (timers and posted messages run).
void PumpFor(DWORD ms);
// Pumps until `done()` is true or `timeout_ms` passes; returns done().
template <typename F>
bool PumpUntil(F done, DWORD timeout_ms = 5000) {
  const DWORD start = ::GetTickCount();
  while (!done()) {
    if (::GetTickCount() - start > timeout_ms) return done();
    PumpFor(10);
  }
  return true;
}

// Answers the program's dialogs in order. Each step waits for a visible window of this process
// with `title` and clicks its button captioned `button`; the text the dialog showed is recorded.
class DialogScript {
 public:
  struct Step {
    std::string title;   // "确认", "信息", "添加自动启动项", ...
    std::string button;  // "是", "否", "确定", ...; "" closes the window with WM_CLOSE
  };
  explicit DialogScript(std::vector<Step> steps);
  ~DialogScript();
  bool Finished() const { return next_ >= steps_.size(); }
  // The texts of the answered windows' first static control (the message), in order.
  const std::vector<std::string>& Texts() const { return texts_; }
  // Optional action run on a dialog just before its button is clicked (fill edits etc.).
  void OnDialog(size_t step, void (*fn)(HWND dialog, void* ctx), void* ctx);

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
  void Poll();
  std::vector<Step> steps_;
  std::vector<std::pair<void (*)(HWND, void*), void*>> actions_;
  std::vector<std::string> texts_;
  size_t next_ = 0;
  UINT_PTR timer_ = 0;
};

HWND FindProcessWindow(const std::string& title);  // visible top-level window of this process
HWND FindChildByText(HWND parent, const std::string& text);

// The real main window, created and shown in this process; its start-up selection has run.
class MainWindow {
 public:
  MainWindow();
  ~MainWindow();
  TForm1& form() { return *form_; }

 private:
  std::unique_ptr<TForm1> form_;
};

}  // namespace kv::test
