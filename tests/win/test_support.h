#pragma once
// Shared helpers for the Windows tests: paths, scratch folders and copies of the helper programs,
// registry keys and values seeded for one test and put back afterwards, a running main window,
// and a script that answers the program's own dialogs from inside their modal loops.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/form1.h"
#include "ui/listview.h"
#include "win/handles.h"

namespace kv::test {

// Path of a file built next to the tests, and of one beside the sources, as Windows sees them.
std::string BinaryPath(const std::string& relative);
std::string SourcePath(const std::string& relative);
inline std::string HelperPath(const std::string& name) { return BinaryPath("tests/helpers/" + name); }
std::string TempFolder();  // a new empty folder under the Wine temp folder, ending with "\"
void RemoveTree(const std::string& folder);
bool WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);
std::vector<std::string> FilesIn(const std::string& folder);  // names only, no folders

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

// Copies of a helper program (tests/helpers/) under the names a test needs, in a folder of their own
// that goes at the end.
class HelperCopies {
 public:
  explicit HelperCopies(std::string helper, const std::vector<std::string>& names = {}) : helper_(std::move(helper)) {
    for (const auto& n : names) Copy(n);
  }
  // Copies the helper to <folder>\<sub>\<name>; returns the full path ("" on failure).
  std::string Copy(const std::string& name, const std::string& sub = "") const {
    const std::string dir = sub.empty() ? folder_.path() : folder_.path() + sub + "\\";
    if (!sub.empty()) ::CreateDirectoryA(dir.c_str(), nullptr);
    const std::string target = dir + name;
    return ::CopyFileA(HelperPath(helper_).c_str(), target.c_str(), FALSE) ? target : "";
  }
  const std::string& folder() const { return folder_.path(); }

 private:
  std::string helper_;
  ScratchFolder folder_;
};

// Sets an environment variable for the programs this test starts; the old value comes back.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    char old[32768];
    DWORD n = ::GetEnvironmentVariableA(name, old, sizeof old);
    had_ = n > 0 && n < sizeof old;
    if (had_) old_.assign(old, n);
    ::SetEnvironmentVariableA(name, value);
  }
  ~ScopedEnv() { ::SetEnvironmentVariableA(name_.c_str(), had_ ? old_.c_str() : nullptr); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_, old_;
  bool had_ = false;
};

// ---- Registry ----

// Removes a scratch key with everything below it.
inline void DeleteTree(HKEY root, const std::string& path) {
  ::RegDeleteTreeA(root, path.c_str());
  ::RegDeleteKeyA(root, path.c_str());
}

inline bool OpenSeedKey(HKEY root, const std::string& path, REGSAM view, UniqueKey& key) {
  return ::RegOpenKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS | view, key.put()) == ERROR_SUCCESS;
}

// Whether a key exists (it may be one the test cannot write).
inline bool SeedKeyExists(HKEY root, const std::string& path, REGSAM view = KEY_WOW64_64KEY) {
  UniqueKey key;
  return ::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, key.put()) == ERROR_SUCCESS;
}

// Every value (type and bytes) and subkey below a key (64-bit view), as one comparable text whose
// lines name the key by `label`; "<missing>" for no key.
inline std::string DumpKeyTree(HKEY root, const std::string& path, const std::string& label) {
  UniqueKey k;
  if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, k.put()) != ERROR_SUCCESS) return "<missing>";
  std::vector<std::string> lines, subs;
  std::string name(16384, '\0'), data(65536, '\0');
  for (DWORD i = 0;; ++i) {
    DWORD n = static_cast<DWORD>(name.size()), size = static_cast<DWORD>(data.size()), type = 0;
    if (::RegEnumValueA(k.get(), i, &name[0], &n, nullptr, &type, reinterpret_cast<BYTE*>(&data[0]), &size) !=
        ERROR_SUCCESS)
      break;
    lines.push_back("[" + label + "] " + name.substr(0, n) + " " + std::to_string(type) + " " + data.substr(0, size));
  }
  for (DWORD i = 0;; ++i) {
    DWORD n = static_cast<DWORD>(name.size());
    if (::RegEnumKeyExA(k.get(), i, &name[0], &n, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    subs.push_back(name.substr(0, n));
  }
  std::sort(lines.begin(), lines.end());
  std::sort(subs.begin(), subs.end());
  std::string out;
  for (const auto& l : lines) out += l + "\n";
  for (const auto& s : subs) out += DumpKeyTree(root, path + "\\" + s, label + "\\" + s);
  return out;
}
inline std::string DumpKeyTree(HKEY root, const std::string& path) { return DumpKeyTree(root, path, path); }

// A key that exists while the guard lives; what it had to create is deleted afterwards.
class SeedKey {
 public:
  SeedKey(HKEY root, std::string path, REGSAM view = KEY_WOW64_64KEY) : root_(root), path_(std::move(path)), view_(view) {
    for (size_t at = 0; at != std::string::npos;) {
      at = path_.find('\\', at + 1);
      const std::string prefix = path_.substr(0, at);
      if (!SeedKeyExists(root_, prefix, view_)) {
        created_ = prefix;
        break;
      }
    }
    UniqueKey key;
    ::RegCreateKeyExA(root_, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view_, nullptr, key.put(), nullptr);
  }
  ~SeedKey() {
    if (created_.empty()) return;
    UniqueKey key;
    if (OpenSeedKey(root_, created_, view_, key)) ::RegDeleteTreeA(key.get(), nullptr);
    key.reset();
    ::RegDeleteKeyExA(root_, created_.c_str(), view_, 0);
  }
  SeedKey(const SeedKey&) = delete;
  SeedKey& operator=(const SeedKey&) = delete;
  HKEY root() const { return root_; }
  const std::string& path() const { return path_; }
  REGSAM view() const { return view_; }

 private:
  HKEY root_;
  std::string path_;
  REGSAM view_;
  std::string created_;
};

struct RawValue {
  DWORD type = REG_NONE;
  std::string data;
  bool operator==(const RawValue& o) const { return type == o.type && data == o.data; }
};

inline bool ReadRaw(HKEY root, const std::string& path, REGSAM view, const std::string& name, RawValue& out) {
  UniqueKey key;
  if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, key.put()) != ERROR_SUCCESS) return false;
  DWORD size = 0;
  if (::RegQueryValueExA(key.get(), name.c_str(), nullptr, &out.type, nullptr, &size) != ERROR_SUCCESS) return false;
  out.data.assign(size + 2, '\0');
  DWORD got = size + 2;
  if (::RegQueryValueExA(key.get(), name.c_str(), nullptr, &out.type, reinterpret_cast<BYTE*>(&out.data[0]), &got) !=
      ERROR_SUCCESS)
    return false;
  out.data.resize(got);
  return true;
}

inline void WriteRaw(HKEY root, const std::string& path, REGSAM view, const std::string& name, const RawValue& v) {
  UniqueKey key;
  if (::RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, key.put(), nullptr) !=
      ERROR_SUCCESS)
    return;
  ::RegSetValueExA(key.get(), name.c_str(), 0, v.type, reinterpret_cast<const BYTE*>(v.data.data()),
                   static_cast<DWORD>(v.data.size()));
}

inline bool ValueExists(HKEY root, const std::string& path, const std::string& name, REGSAM view = KEY_WOW64_64KEY) {
  RawValue v;
  return ReadRaw(root, path, view, name, v);
}

// Every value of a key, by name.
inline std::map<std::string, RawValue> KeyValues(HKEY root, const std::string& path, REGSAM view = KEY_WOW64_64KEY) {
  std::map<std::string, RawValue> out;
  UniqueKey key;
  if (!OpenSeedKey(root, path, view, key)) return out;
  for (DWORD i = 0;; ++i) {
    char name[16384];
    DWORD len = sizeof name;
    if (::RegEnumValueA(key.get(), i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    RawValue v;
    if (ReadRaw(root, path, view, std::string(name, len), v)) out[std::string(name, len)] = v;
  }
  return out;
}

// A value set for the test's lifetime; a value of that name that was there before comes back.
class SeedValue {
 public:
  SeedValue(HKEY root, const std::string& path, std::string name, DWORD type, std::string data,
            REGSAM view = KEY_WOW64_64KEY)
      : key_(root, path, view), name_(std::move(name)) {
    had_ = ReadRaw(root, path, view, name_, old_);
    WriteRaw(root, path, view, name_, RawValue{type, std::move(data)});
  }
  ~SeedValue() {
    if (had_) {
      WriteRaw(key_.root(), key_.path(), key_.view(), name_, old_);
      return;
    }
    UniqueKey key;
    if (OpenSeedKey(key_.root(), key_.path(), key_.view(), key)) ::RegDeleteValueA(key.get(), name_.c_str());
  }
  SeedValue(const SeedValue&) = delete;
  SeedValue& operator=(const SeedValue&) = delete;
  const std::string& name() const { return name_; }

 private:
  SeedKey key_;
  std::string name_;
  bool had_ = false;
  RawValue old_;
};

inline std::string Sz(const std::string& text) { return text + std::string(1, '\0'); }

// Values that a test expects to appear (a restore, an add): removed at the end if they do, the
// old value put back if there was one.
class ValueCleanup {
 public:
  ValueCleanup(HKEY root, std::string path, std::string name, REGSAM view = KEY_WOW64_64KEY)
      : root_(root), path_(std::move(path)), name_(std::move(name)), view_(view) {
    had_ = ReadRaw(root_, path_, view_, name_, old_);
  }
  ~ValueCleanup() {
    if (had_) {
      WriteRaw(root_, path_, view_, name_, old_);
      return;
    }
    UniqueKey key;
    if (OpenSeedKey(root_, path_, view_, key)) ::RegDeleteValueA(key.get(), name_.c_str());
  }
  ValueCleanup(const ValueCleanup&) = delete;
  ValueCleanup& operator=(const ValueCleanup&) = delete;

 private:
  HKEY root_;
  std::string path_, name_;
  REGSAM view_;
  bool had_ = false;
  RawValue old_;
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

// The image list index a row of a tab's list shows.
inline int ImageOf(const ListView& list, int row) {
  LVITEMA it{};
  it.mask = LVIF_IMAGE;
  it.iItem = row;
  ::SendMessageA(list.hwnd(), LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&it));
  return it.iImage;
}

// UTF-16LE bytes of a code page 936 text (no terminator), as the registry editor writes its files.
inline std::string Utf16Bytes(const std::string& text) {
  std::wstring w(text.size() + 1, L'\0');
  const int n = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &w[0],
                                      static_cast<int>(w.size()));
  return std::string(reinterpret_cast<const char*>(w.data()), static_cast<size_t>(n > 0 ? n : 0) * 2);
}

// The first row of a tab's list whose first cell is `caption`, or -1.
inline int RowOf(ListView& list, const std::string& caption) {
  for (int i = 0; i < list.Count(); ++i)
    if (list.Cell(i, 0) == caption) return i;
  return -1;
}

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
