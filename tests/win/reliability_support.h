#pragma once
// Shared by the reliability tests of the tabs: values seeded through the W functions (any bytes,
// any type), the state a tab must be left in after anything, a misbehaving registry editor, and
// the figures the tests record.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/form1.h"
#include "win/handles.h"
#include "sysaccess/programs.h"
#include "sysaccess/undo_store.h"
#include "sysaccess/undo_verify.h"
#include "tests/win/sysaccess_fixtures.h"
#include "tests/win/test_support.h"

namespace kv::test {

// Figures of the reliability tests (hostile cases tried, faults injected, round trips compared,
// soak readings), appended as "name<TAB>number" lines to reliability-figures.txt in the build
// folder; tools/test adds them up into its summary.
inline void RecordFigure(const std::string& name, long long n) {
  if (FILE* f = std::fopen(BinaryPath("reliability-figures.txt").c_str(), "ab")) {
    std::fprintf(f, "%s\t%lld\n", name.c_str(), n);
    std::fclose(f);
  }
}

inline std::wstring WideOf(const std::string& s) {
  const std::u16string w = WideFromCodePage(s);
  return std::wstring(w.begin(), w.end());
}

inline std::string CodePageOf(const std::wstring& s) {
  const int n = ::WideCharToMultiByte(CP_ACP, 0, s.data(), static_cast<int>(s.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) ::WideCharToMultiByte(CP_ACP, 0, s.data(), static_cast<int>(s.size()), &out[0], n, nullptr, nullptr);
  return out;
}

// UTF-16LE bytes of a text, with or without its terminating NUL.
inline std::string Utf16Data(const std::wstring& s, bool terminated = true) {
  std::string out(reinterpret_cast<const char*>(s.data()), s.size() * 2);
  if (terminated) out.append(2, '\0');
  return out;
}

template <typename T>
std::string RawBytes(T n) {
  return std::string(reinterpret_cast<const char*>(&n), sizeof n);
}

// Sets a value of any type and bytes (64-bit view), creating the key.
inline bool SetValueW(HKEY root, const std::wstring& key, const std::wstring& name, DWORD type,
                      const std::string& data) {
  UniqueKey k;
  if (::RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, k.put(),
                        nullptr) != ERROR_SUCCESS)
    return false;
  return ::RegSetValueExW(k.get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                          static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
}

inline bool MakeKeyW(HKEY root, const std::wstring& key) {
  UniqueKey k;
  return ::RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, k.put(),
                           nullptr) == ERROR_SUCCESS;
}

// Values set through the W functions (64-bit view) in keys that outlive the test (Run keys and
// the like); each one named here is removed at the end, whoever wrote it last.
class SeededValuesW {
 public:
  SeededValuesW() = default;
  ~SeededValuesW() {
    for (const auto& v : values_) {
      UniqueKey k;
      if (::RegOpenKeyExW(v.root, v.key.c_str(), 0, KEY_SET_VALUE | KEY_WOW64_64KEY, k.put()) == ERROR_SUCCESS)
        ::RegDeleteValueW(k.get(), v.name.c_str());
      else
        k.release();
    }
  }
  SeededValuesW(const SeededValuesW&) = delete;
  SeededValuesW& operator=(const SeededValuesW&) = delete;
  bool Set(HKEY root, const std::wstring& key, const std::wstring& name, DWORD type, const std::string& data) {
    Own(root, key, name);
    return SetValueW(root, key, name, type, data);
  }
  // For a value the program may write (a restored entry).
  void Own(HKEY root, const std::wstring& key, const std::wstring& name) { values_.push_back({root, key, name}); }

 private:
  struct Value {
    HKEY root;
    std::wstring key, name;
  };
  std::vector<Value> values_;
};

// A key (64-bit view) that is deleted with its subtree afterwards, by the W functions, so names
// that the A functions cannot reach (long paths, characters outside the code page) go too.
class ScratchKeyW {
 public:
  // A hostile name with a backslash makes several keys: the shallowest one made here goes.
  ScratchKeyW(HKEY root, std::wstring path) : root_(root), path_(std::move(path)), made_(path_) {
    for (size_t at = path_.find(L'\\'); at != std::wstring::npos; at = path_.find(L'\\', at + 1)) {
      UniqueKey k;
      if (::RegOpenKeyExW(root_, path_.substr(0, at).c_str(), 0, KEY_READ | KEY_WOW64_64KEY, k.put()) != ERROR_SUCCESS) {
        made_ = path_.substr(0, at);
        break;
      }
    }
    MakeKeyW(root_, path_);
  }
  ~ScratchKeyW() {
    UniqueKey k;
    if (::RegOpenKeyExW(root_, made_.c_str(), 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, k.put()) == ERROR_SUCCESS)
      ::RegDeleteTreeW(k.get(), nullptr);
    else
      k.release();
    ::RegDeleteKeyExW(root_, made_.c_str(), KEY_WOW64_64KEY, 0);
  }
  ScratchKeyW(const ScratchKeyW&) = delete;
  ScratchKeyW& operator=(const ScratchKeyW&) = delete;
  const std::wstring& path() const { return path_; }

 private:
  HKEY root_;
  std::wstring path_;
  std::wstring made_;
};

// After any reading or action: not busy, the main window enabled, no wait window.
inline ::testing::AssertionResult TabIsIdle(TForm1& form) {
  if (form.Busy().IsSet()) return ::testing::AssertionFailure() << "BusyFlag still set";
  if (!::IsWindowEnabled(form.MainWindow())) return ::testing::AssertionFailure() << "main window disabled";
  if (form.Ui().WaitWindow() != nullptr) return ::testing::AssertionFailure() << "wait window still there";
  return ::testing::AssertionSuccess();
}

// Both trees alike as an import would leave them.
inline ::testing::AssertionResult SameRegistryTree(const std::vector<RegTreeKey>& before,
                                                   const std::vector<RegTreeKey>& after) {
  RegFileContent as_file;
  as_file.keys = after;
  std::string why;
  if (RegFileRestores(as_file, before, &why)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << why;
}

// A stand-in Windows folder whose regedit.exe misbehaves as `mode` says (tests/helpers/stubregedit).
class StubEditor {
 public:
  explicit StubEditor(const char* mode) : mode_("KORVANE_REGEDIT_MODE", mode) {}
  const std::string& folder() const { return copies_.folder(); }

 private:
  HelperCopies copies_{"stubregedit.exe", {"regedit.exe"}};
  ScopedEnv mode_;
};

// Faults of the registry editor and the undo folder, which every tab that deletes with a backup
// meets alike. Each injects its fault into `state`, whose undo folder is `undo_parent` + "Undo\\",
// and puts into `held` what must live until the deletion ends; the caller puts the folders back.
struct UndoFault {
  const char* what;
  std::function<void()> inject;
};
inline std::vector<UndoFault> UndoFaults(AppState& state, const std::string& undo_parent,
                                         std::shared_ptr<void>& held) {
  // The faults run after this returns: they reach the caller's objects through pointers.
  AppState* st = &state;
  std::shared_ptr<void>* keep = &held;
  const std::string undo = undo_parent + "Undo\\";
  auto editor = [st, keep](const char* mode) {
    return [st, keep, mode] {
      auto e = std::make_shared<StubEditor>(mode);
      st->WindowsFolder = e->folder();
      *keep = e;
    };
  };
  return {
      {"no registry editor", [st, keep] {
         auto empty = std::make_shared<ScratchFolder>();
         st->WindowsFolder = empty->path();
         *keep = empty;
       }},
      {"an editor that writes nothing", editor("nothing")},
      {"an editor that writes an empty file", editor("empty")},
      {"an editor that leaves the values out", editor("partial")},
      {"a value added between export and deletion", editor("meddle")},
      {"an export with a key of its own added", editor("inject")},
      {"an Undo file where the folder should be", [undo, undo_parent, keep] {
         RemoveTree(undo);
         EXPECT_TRUE(WriteFile(undo_parent + "Undo", "not a folder"));
         *keep = std::shared_ptr<void>(nullptr, [undo_parent](void*) { ::DeleteFileA((undo_parent + "Undo").c_str()); });
       }},
      {"a read-only undo folder", [undo, st, keep] {
         EnsureUndoFolder(*st);
         ::SetFileAttributesA(undo.c_str(), FILE_ATTRIBUTE_READONLY);
         *keep = std::shared_ptr<void>(nullptr, [undo](void*) { ::SetFileAttributesA(undo.c_str(), FILE_ATTRIBUTE_NORMAL); });
       }},
      {"an undo folder too deep for the file name", [undo_parent, st] {
         std::string deep = undo_parent;
         while (deep.size() < 240) deep += "deeper\\";
         st->UndoFolder = deep;
       }},
  };
}

}  // namespace kv::test
