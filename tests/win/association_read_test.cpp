// Tab 4's reading and search against extension and type keys seeded in the user's and the
// machine's classes.
#include <gtest/gtest.h>

#include <map>
#include <optional>

#include <string>
#include <vector>

#include "associations/association_reader.h"
#include "sysaccess/registry.h"
#include "sysaccess/text_rules.h"
#include "tests/win/association_test_support.h"

namespace kv {
namespace {

using test::SeededClasses;

// Extensions of every kind a real machine has: full, no default value, a type key without
// description, a type key that is missing, a default value that is no text.
void SeedKinds(SeededClasses& s) {
  s.Set(".kvtsta", "", "kvtsta.type");
  s.Set("kvtsta.type", "", "\xB2\xE2\xCA\xD4\xCE\xC4\xBC\xFE");  // 测试文件 in GBK
  s.Set("kvtsta.type\\shell\\open\\command", "", "  \"C:\\Tools\\kvt a.exe\" \"%1\"  ");
  s.Set("kvtsta.type\\DefaultIcon", "", "%SystemRoot%\\system32\\shell32.dll,3");
  s.Key(".kvtstb");
  s.Set(".kvtstc", "", "kvtstc.type");
  s.Set("kvtstc.type\\shell\\open\\command", "", "notepad.exe %1");
  s.Set(".kvtstd", "", "kvtstmissing.type");
  s.Set(".kvtste", "", "kvtsta.type", true, REG_BINARY);
  // Keys that are not extensions, even though they look like associations.
  s.Set("kvtstnodot", "", "kvtsta.type");
  s.Set("kvtstnodot\\shell\\open\\command", "", "C:\\x.exe");
}

TEST(AssociationReader, OneRowPerExtensionKeyInRegistryOrder) {
  SeededClasses s;
  SeedKinds(s);
  std::vector<AssociationRow> rows;
  int pumps = 0;
  const size_t n = ReadAssociationRows(PathFolders{"C:\\windows\\", "C:\\users\\u\\"},
                                    [&](const AssociationRow& r) { rows.push_back(r); }, [&] { ++pumps; })
                       .rows;
  EXPECT_EQ(n, rows.size());

  // Every top-level key of both trees, once, in the registry's alphabetical order.
  NameList machine, user;
  RegGetKeyNames64(HKEY_LOCAL_MACHINE, "Software\\Classes", machine);
  RegGetKeyNames64(HKEY_CURRENT_USER, "Software\\Classes", user);
  std::map<std::string, std::string> names;
  for (const auto* list : {&machine, &user})
    for (const auto& name : *list) names[AsciiUpper(name)] = name;
  std::vector<std::string> dotted;
  for (const auto& [upper, name] : names)
    if (!name.empty() && name[0] == '.') dotted.push_back(upper);
  std::vector<std::string> got;
  for (const auto& r : rows) got.push_back(AsciiUpper(r.extension));
  EXPECT_EQ(got, dotted);
  EXPECT_EQ(pumps, static_cast<int>(names.size()));  // once per key, extension or not

  auto find = [&](const std::string& ext) -> const AssociationRow* {
    for (const auto& r : rows)
      if (r.extension == ext) return &r;
    return nullptr;
  };
  for (const char* absent : {"kvtstnodot", "kvtsta.type", "kvtstc.type"}) EXPECT_EQ(find(absent), nullptr) << absent;

  struct Expect {
    const char* ext;
    std::string type, description, command, icon_text, icon_path;
  } expects[] = {
      {".kvtsta", "kvtsta.type", "\xB2\xE2\xCA\xD4\xCE\xC4\xBC\xFE", "\"C:\\Tools\\kvt a.exe\" \"%1\"",
       "%SystemRoot%\\system32\\shell32.dll,3", "C:\\windows\\SYSTEM32\\SHELL32.DLL"},
      {".kvtstb", "", "", "", "", ""},
      {".kvtstc", "kvtstc.type", "kvtstc.type", "notepad.exe %1", "", ""},
      {".kvtstd", "kvtstmissing.type", "kvtstmissing.type", "", "", ""},
      {".kvtste", "", "", "", "", ""},
  };
  for (const auto& e : expects) {
    const AssociationRow* r = find(e.ext);
    ASSERT_NE(r, nullptr) << e.ext;
    EXPECT_EQ(r->type_name, e.type) << e.ext;
    EXPECT_EQ(r->description, e.description) << e.ext;
    EXPECT_EQ(r->command, e.command) << e.ext;
    EXPECT_EQ(r->icon_text, e.icon_text) << e.ext;
    EXPECT_EQ(r->icon_path, e.icon_path) << e.ext;
  }
}

// Windows' merge of the user's classes over the machine's ("Merged View of HKEY_CLASSES_ROOT"),
// which Wine's HKEY_CLASSES_ROOT does not do, and the user's own choice of program
// (...\Explorer\FileExts\<ext>\UserChoice), which decides what opens a file on Windows 8 and later.
TEST(AssociationReader, TheUsersClassesHideTheMachinesAndTheUsersChoiceDecides) {
  SeededClasses user(test::kUserClasses), machine(test::kMachineClasses);
  user.Set(".kvtsu", "", "kvtsu.type");  // the user's alone
  user.Set("kvtsu.type\\shell\\open\\command", "", "C:\\u.exe \"%1\"");
  machine.Set(".kvtsm", "", "kvtsm.type");  // the machine's alone
  machine.Set("kvtsm.type\\shell\\open\\command", "", "C:\\m.exe \"%1\"");
  user.Set(".kvtsb", "", "kvtsb.user");  // both, each with its own type
  user.Set("kvtsb.user\\shell\\open\\command", "", "C:\\bu.exe");
  machine.Set(".kvtsb", "", "kvtsb.mach");
  machine.Set("kvtsb.mach\\shell\\open\\command", "", "C:\\bm.exe");
  machine.Set(".kvtst", "", "kvtst.type");  // the machine's extension, its type shadowed by the user
  machine.Set("kvtst.type", "", "machine's");
  machine.Set("kvtst.type\\shell\\open\\command", "", "C:\\tm.exe");
  machine.Set("kvtst.type\\DefaultIcon", "", "C:\\tm.exe,1");
  user.Set("kvtst.type", "", "user's");
  user.Set("kvtst.type\\DefaultIcon", "", "C:\\tu.exe,2");  // no command of its own: the machine's shows
  machine.Set(".kvtsc", "", "kvtsc.type");  // the user chose another type in Windows' settings
  machine.Set("kvtsc.type", "", "own");
  machine.Set("kvtsc.type\\shell\\open\\command", "", "C:\\own.exe");
  machine.Set("kvtsc.chosen", "", "chosen");
  machine.Set("kvtsc.chosen\\shell\\open\\command", "", "C:\\chosen.exe \"%1\"");
  test::ScratchKey choice(HKEY_CURRENT_USER,
                          "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.kvtsc");
  choice.SetString("UserChoice", "ProgId", "kvtsc.chosen");

  std::map<std::string, AssociationRow> rows;
  ReadAssociationRows(PathFolders{}, [&](const AssociationRow& r) { rows[r.extension] = r; }, nullptr);
  struct Expect {
    const char* ext;
    std::string type, choice, description, command, own_command;
  } expects[] = {
      {".kvtsu", "kvtsu.type", "", "kvtsu.type", "C:\\u.exe \"%1\"", "C:\\u.exe \"%1\""},
      {".kvtsm", "kvtsm.type", "", "kvtsm.type", "C:\\m.exe \"%1\"", "C:\\m.exe \"%1\""},
      {".kvtsb", "kvtsb.user", "", "kvtsb.user", "C:\\bu.exe", "C:\\bu.exe"},
      {".kvtst", "kvtst.type", "", "user's", "C:\\tm.exe", "C:\\tm.exe"},
      {".kvtsc", "kvtsc.type", "kvtsc.chosen", "chosen", "C:\\chosen.exe \"%1\"", "C:\\own.exe"},
  };
  for (const auto& e : expects) {
    ASSERT_EQ(rows.count(e.ext), 1u) << e.ext;
    const AssociationRow& r = rows[e.ext];
    EXPECT_EQ(r.type_name, e.type) << e.ext;
    EXPECT_EQ(r.user_choice, e.choice) << e.ext;
    EXPECT_EQ(r.description, e.description) << e.ext;
    EXPECT_EQ(r.command, e.command) << e.ext;
    EXPECT_EQ(r.own_command, e.own_command) << e.ext;
  }
  EXPECT_EQ(rows[".kvtst"].icon_text, "C:\\tu.exe,2");
  EXPECT_EQ(rows[".kvtsc"].own_description, "own");
}

TEST(AssociationReader, WorksWithoutSinkOrPump) {
  SeededClasses s;
  s.Key(".kvtstb");
  EXPECT_GE(ReadAssociationRows(PathFolders{}, nullptr, nullptr).rows, 1u);
}

// A window whose posted message runs inside the tab's reading, as a click would.
class DuringRead {
 public:
  explicit DuringRead(std::function<void()> act) : act_(std::move(act)) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = &DuringRead::Proc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = "KvTestDuringRead";
    ::RegisterClassA(&wc);
    hwnd_ = ::CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    ::SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  ~DuringRead() { ::DestroyWindow(hwnd_); }
  void Arm() { ::PostMessageA(hwnd_, WM_APP, 0, 0); }
  bool ran() const { return ran_; }

 private:
  static LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_APP) {
      auto* self = reinterpret_cast<DuringRead*>(::GetWindowLongPtrA(h, GWLP_USERDATA));
      self->ran_ = true;
      self->act_();
      return 0;
    }
    return ::DefWindowProcA(h, m, w, l);
  }
  HWND hwnd_ = nullptr;
  std::function<void()> act_;
  bool ran_ = false;
};

class AssociationTabTest : public ::testing::Test {
 protected:
  TForm1& form() { return main_.form(); }
  AssociationTab& tab() { return test::Tab4(main_.form()); }
  ListView& list() { return tab().Panel4InfoList(); }
  void Search(const std::string& text) { ::SetWindowTextA(tab().Panel4FindEdit(), text.c_str()); }

  SeededClasses seeded_;
  test::MainWindow main_;
  test::ScratchFolder folder_;
};

TEST_F(AssociationTabTest, ListShowsEachExtensionWithItsCellsAndIcon) {
  SeedKinds(seeded_);
  EXPECT_EQ(tab().Panel4InfoLabel().text, kAssociationCountInitial);  // not read before the first entry
  form().SelectTab(TabId::Associations);
  ListView& l = list();
  ASSERT_GT(l.Count(), 0);
  EXPECT_EQ(tab().Panel4InfoLabel().text, ToDecimal(l.Count()) + kAssociationCountSuffix);
  for (int i = 0; i < l.Count(); ++i) EXPECT_EQ(l.Cell(i, 0).substr(0, 1), ".") << l.Cell(i, 0);
  EXPECT_EQ(test::RowOf(l, "kvtstnodot"), -1);
  EXPECT_EQ(test::RowOf(l, "kvtsta.type"), -1);

  const int a = test::RowOf(l, ".kvtsta"), b = test::RowOf(l, ".kvtstb"), c = test::RowOf(l, ".kvtstc"),
            d = test::RowOf(l, ".kvtstd");
  ASSERT_GE(a, 0);
  ASSERT_GE(b, 0);
  ASSERT_GE(c, 0);
  ASSERT_GE(d, 0);
  EXPECT_EQ(l.Cell(a, 1), "\xB2\xE2\xCA\xD4\xCE\xC4\xBC\xFE");
  EXPECT_EQ(l.Cell(a, 2), "\"C:\\Tools\\kvt a.exe\" \"%1\"");
  EXPECT_EQ(l.Cell(b, 1), "");
  EXPECT_EQ(l.Cell(b, 2), "");
  EXPECT_EQ(l.Cell(c, 1), "kvtstc.type");
  EXPECT_EQ(l.Cell(d, 1), "kvtstmissing.type");
  // Rows without an icon share the generic one; shell32's own icon is another image.
  EXPECT_EQ(test::ImageOf(l, b), test::ImageOf(l, c));
  EXPECT_EQ(test::ImageOf(l, b), test::ImageOf(l, d));
  EXPECT_NE(test::ImageOf(l, a), test::ImageOf(l, b));
  EXPECT_EQ(ImageList_GetImageCount(form().ImageList1()) > 1, true);
}

TEST_F(AssociationTabTest, ReadsBusyWithTheMainWindowDisabledAndRestoresAfterwards) {
  seeded_.Key(".kvtstb");
  form().State().UndoFolder = folder_.path() + "Undo\\";
  ::SetWindowTextA(tab().Panel4FindEdit(), "");
  bool busy = false, enabled = true, waiting = false;
  int top_then = -1;
  DuringRead probe([&] {
    busy = form().Busy().IsSet();
    enabled = ::IsWindowEnabled(form().hwnd()) != FALSE;
    waiting = form().Ui().WaitWindow() != nullptr && ::IsWindowVisible(form().Ui().WaitWindow()->hwnd());
    // A search typed meanwhile does nothing.
    ::SetWindowTextA(tab().Panel4FindEdit(), "kvtstb");
    top_then = list().TopIndex();
  });
  probe.Arm();
  form().SelectTab(TabId::Associations);
  ASSERT_TRUE(probe.ran());
  EXPECT_TRUE(busy);
  EXPECT_FALSE(enabled);
  EXPECT_TRUE(waiting);
  EXPECT_EQ(top_then, 0);
  EXPECT_FALSE(form().Busy().IsSet());
  EXPECT_TRUE(::IsWindowEnabled(form().hwnd()));
  EXPECT_EQ(form().Ui().WaitWindow(), nullptr);
  EXPECT_EQ(list().TopIndex(), 0);
  EXPECT_FALSE(tab().Panel4UndoLabel().visible);  // no undo folder yet

  ASSERT_TRUE(::CreateDirectoryA(form().State().UndoFolder.c_str(), nullptr));
  form().SelectTab(TabId::Associations);
  EXPECT_TRUE(tab().Panel4UndoLabel().visible);
}

// Enough rows that the list scrolls, with the extensions searched for in the middle of it.
void SeedSearchRows(SeededClasses& s) {
  for (const char* ext : {".kvtsta", ".kvtstab", ".KvTstC", ".vtstq"}) s.Set(ext, "", "kvtst.search");
  for (int i = 0; i < 40; ++i) s.Key(".kvtsz" + std::string(1, char('a' + i / 10)) + std::string(1, char('0' + i % 10)));
}

TEST_F(AssociationTabTest, SearchBringsTheFirstMatchingExtensionToTheTop) {
  SeedSearchRows(seeded_);
  form().SelectTab(TabId::Associations);
  ListView& l = list();
  const int count = l.Count();
  const int per_page = static_cast<int>(::SendMessageA(l.hwnd(), LVM_GETCOUNTPERPAGE, 0, 0));
  ASSERT_GT(count, per_page);
  // The view stops at its last page.
  auto top_for = [&](int row) { return row < count - per_page ? row : count - per_page; };
  const int ab = std::min(test::RowOf(l, ".kvtsta"), test::RowOf(l, ".kvtstab"));
  const int c = test::RowOf(l, ".KvTstC");
  const int q = test::RowOf(l, ".vtstq");
  int first_kv = count;
  for (int i = 0; i < count; ++i)
    if (AsciiUpper(l.Cell(i, 0)).rfind(".KV", 0) == 0) first_kv = std::min(first_kv, i);
  ASSERT_GT(c, 0);
  ASSERT_GT(q, c);
  ASSERT_GT(top_for(c), 0);  // the cases below really move the view

  l.Select(3);
  struct Case { const char* text; int top; } cases[] = {
      {"kvtstc", top_for(c)},  {".kvtstc", top_for(c)}, {"KVTSTC", top_for(c)}, {"kvtsta", top_for(ab)},
      {".Kv", top_for(first_kv)}, {"vtst", top_for(q)},    // never .kvtst...
      {".", 0},
      {"kvtstc", top_for(c)}, {"", top_for(c)},          // emptying the box does not move the list
      {"kvtstzzz", top_for(c)},                          // nor does a text that matches nothing
  };
  for (const auto& cs : cases) {
    Search(cs.text);
    EXPECT_EQ(l.TopIndex(), cs.top) << "\"" << cs.text << "\"";
  }
  EXPECT_EQ(l.Selected(), 3);  // the selection stays where it was

  // While a reading runs the search does nothing.
  Search(".");
  std::optional<BusyFlag::Hold> busy(form().Busy().Take());
  Search("kvtstc");
  EXPECT_EQ(l.TopIndex(), 0);
  busy.reset();
}

TEST_F(AssociationTabTest, EnteringAgainKeepsTheSearchTextAndStartsAtTheTop) {
  SeedSearchRows(seeded_);
  form().SelectTab(TabId::Associations);
  Search("kvtstc");
  ASSERT_GT(list().TopIndex(), 0);
  form().SelectTab(TabId::Startup);
  form().SelectTab(TabId::Associations);
  EXPECT_EQ(WindowText(tab().Panel4FindEdit()), "kvtstc");
  EXPECT_EQ(list().TopIndex(), 0);
}

}  // namespace
}  // namespace kv
