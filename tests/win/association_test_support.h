#pragma once
// HKEY_CLASSES_ROOT keys for the association tests: each test seeds uniquely named extension and
// type keys, and every key it seeds or lets the program write goes again with its subtree.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "associations/association_tab.h"
#include "win/handles.h"
#include "tests/win/test_support.h"

namespace kv::test {

// Where class keys are seeded and looked at: HKEY_CLASSES_ROOT (under Wine the machine's tree
// alone), or one real tree's classes.
struct ClassTree {
  HKEY root;
  const char* prefix;
  std::string Path(const std::string& key) const { return prefix + key; }
};
inline const ClassTree kClassesRoot{HKEY_CLASSES_ROOT, ""};
inline const ClassTree kUserClasses{HKEY_CURRENT_USER, "Software\\Classes\\"};
inline const ClassTree kMachineClasses{HKEY_LOCAL_MACHINE, "Software\\Classes\\"};

inline bool ClassKeyExists(const std::string& key, const ClassTree& tree = kClassesRoot) {
  return SeedKeyExists(tree.root, tree.Path(key));
}

// The default value of a key below HKEY_CLASSES_ROOT exactly as stored; `type` is REG_NONE when
// there is none.
inline RawValue ClassDefault(const std::string& key) {
  RawValue v;
  return ReadRaw(HKEY_CLASSES_ROOT, key, KEY_WOW64_64KEY, "", v) ? v : RawValue{};
}
// What RegWriteString leaves: REG_SZ text with its terminating NUL.
inline ::testing::AssertionResult HasDefault(const std::string& key, const std::string& text) {
  const RawValue v = ClassDefault(key);
  if (v.type == REG_SZ && v.data == text + std::string(1, '\0')) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << key << ": type " << v.type << " data [" << v.data << "], wanted ["
                                       << text << "]";
}

// Every value and subkey below a class key, as one comparable text.
inline std::string DumpClassTree(const std::string& key, const ClassTree& tree = kClassesRoot) {
  return DumpKeyTree(tree.root, tree.Path(key), key);
}

// Keys under HKEY_CLASSES_ROOT that this test owns. Each must not exist beforehand; all of them
// are removed with their subtrees at the end, whoever wrote them.
class SeededClasses {
 public:
  explicit SeededClasses(const ClassTree& tree = kClassesRoot) : tree_(tree) {}
  ~SeededClasses() {
    for (const auto& key : owned_) Remove(key, tree_);
  }
  SeededClasses(const SeededClasses&) = delete;
  SeededClasses& operator=(const SeededClasses&) = delete;

  // Claims a top-level key name (for keys the program will write).
  void Own(const std::string& key) {
    EXPECT_FALSE(ClassKeyExists(key, tree_)) << key << " exists before the test";
    owned_.push_back(key);
  }
  // Creates `key` (a path below an owned top-level key, or a new top-level key that becomes owned)
  // and sets its value `name`; no value when `set` is false.
  void Set(const std::string& key, const std::string& name, const std::string& text, bool set = true,
           DWORD type = REG_SZ) {
    const std::string top = key.substr(0, key.find('\\'));
    if (std::find(owned_.begin(), owned_.end(), top) == owned_.end()) Own(top);
    UniqueKey k;
    if (::RegCreateKeyExA(tree_.root, tree_.Path(key).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY,
                          nullptr, k.put(), nullptr) != ERROR_SUCCESS) {
      ADD_FAILURE() << "cannot create " << key;
      return;
    }
    if (set)
      ::RegSetValueExA(k.get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>(text.size() + 1));
  }
  void Key(const std::string& key) { Set(key, "", "", false); }
  static void Remove(const std::string& key, const ClassTree& tree = kClassesRoot) {
    UniqueKey k;
    if (::RegOpenKeyExA(tree.root, tree.Path(key).c_str(), 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, k.put()) ==
        ERROR_SUCCESS)
      ::RegDeleteTreeA(k.get(), nullptr);
    k.reset();
    ::RegDeleteKeyExA(tree.root, tree.Path(key).c_str(), KEY_WOW64_64KEY, 0);
  }

 private:
  ClassTree tree_;
  std::vector<std::string> owned_;
};

inline AssociationTab& Tab4(TForm1& form) { return static_cast<AssociationTab&>(form.Tab(TabId::Associations)); }

// The three edit boxes of an association dialog, in their tab order.
inline BOOL CALLBACK CollectEdit(HWND h, LPARAM lp) {
  char cls[16] = {};
  ::GetClassNameA(h, cls, sizeof cls);
  if (lstrcmpiA(cls, "Edit") == 0) reinterpret_cast<std::vector<HWND>*>(lp)->push_back(h);
  return TRUE;
}
inline std::vector<HWND> DialogEdits(HWND dialog) {
  std::vector<HWND> edits;
  ::EnumChildWindows(dialog, &CollectEdit, reinterpret_cast<LPARAM>(&edits));
  return edits;
}

inline std::string TextOf(HWND h) {
  char buf[4096] = {};
  ::GetWindowTextA(h, buf, sizeof buf);
  return buf;
}

// What a user does in the association dialog before pressing a button: the boxes it fills (the
// focus is put into the description box first, so leaving the extension box has happened), and
// what the dialog showed when it came up.
struct FormFill {
  FormFill() = default;
  FormFill(std::optional<std::string> e, std::optional<std::string> d, std::optional<std::string> p)
      : ext(std::move(e)), desc(std::move(d)), prog(std::move(p)) {}
  std::optional<std::string> ext, desc, prog;
  std::string caption, seen_ext, seen_desc, seen_prog;
  static void Apply(HWND dialog, void* ctx) {
    auto* f = static_cast<FormFill*>(ctx);
    const std::vector<HWND> e = DialogEdits(dialog);
    if (e.size() != 3) {
      ADD_FAILURE() << "association dialog has " << e.size() << " edit boxes";
      return;
    }
    f->caption = TextOf(dialog);
    f->seen_ext = TextOf(e[0]);
    f->seen_desc = TextOf(e[1]);
    f->seen_prog = TextOf(e[2]);
    ::SetFocus(e[1]);
    if (f->ext) ::SetWindowTextA(e[0], f->ext->c_str());
    if (f->desc) ::SetWindowTextA(e[1], f->desc->c_str());
    if (f->prog) ::SetWindowTextA(e[2], f->prog->c_str());
  }
};

}  // namespace kv::test
