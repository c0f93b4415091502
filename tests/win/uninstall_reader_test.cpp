// The installed-program reading against seeded Uninstall keys in the real (Wine) registry.
#include <gtest/gtest.h>

#include <map>

#include "tests/win/uninstall_fixtures.h"
#include "uninstall/uninstall_reader.h"

namespace kv {
namespace {

using test::UninstallRoot;

// The seeded rows of a reading, in list order (Wine's own entries are skipped).
std::vector<InstalledProgram> ReadSeeded(UninstallFilter filter, bool x86 = true) {
  AppState state;
  state.ProgramFilesIsX86 = x86;
  std::vector<InstalledProgram> rows;
  int pumps = 0;
  ReadInstalledPrograms(
      state, filter,
      [&](const InstalledProgram& p) {
        if (p.fields.display_name.compare(0, 6, "KvTest") == 0 || p.fields.display_name.compare(0, 6, "kvtest") == 0 ||
            p.fields.display_name.compare(0, 6, "KVTEST") == 0)
          rows.push_back(p);
      },
      [&] { ++pumps; });
  EXPECT_GT(pumps, 0);
  return rows;
}

std::vector<std::string> Names(const std::vector<InstalledProgram>& rows) {
  std::vector<std::string> out;
  for (const auto& r : rows) out.push_back(r.fields.display_name);
  return out;
}

const InstalledProgram* Find(const std::vector<InstalledProgram>& rows, const std::string& name) {
  for (const auto& r : rows)
    if (r.fields.display_name == name) return &r;
  return nullptr;
}

TEST(UninstallReader, ValueTestsDecideWhatIsListed) {
  test::SeededUninstall seed;
  seed.Entry(UninstallRoot::User, "KvTest SC1", "KvTest SC1").SetDword("", "SystemComponent", 1);
  seed.Entry(UninstallRoot::User, "KvTest SC0", "KvTest SC0").SetDword("", "SystemComponent", 0);
  seed.Entry(UninstallRoot::Machine, "KvTest SCAbsent", "KvTest SCAbsent");
  seed.Entry(UninstallRoot::Machine, "KvTest SCText", "KvTest SCText").SetString("", "SystemComponent", "1");
  seed.Add(UninstallRoot::Machine, "KvTest NoCommand").SetString("", "DisplayName", "KvTest NoCommand");
  const auto& binary = seed.Add(UninstallRoot::Machine, "KvTest Binary");
  binary.SetString("", "DisplayName", "KvTest Binary");
  binary.SetRaw("", "UninstallString", REG_BINARY, "C:\\x.exe");
  const auto& binary_quiet = seed.Add(UninstallRoot::Machine32, "KvTest BinaryQuiet");
  binary_quiet.SetString("", "DisplayName", "KvTest BinaryQuiet");
  binary_quiet.SetRaw("", "UninstallString", REG_BINARY, "C:\\x.exe");
  binary_quiet.SetString("", "QuietUninstallString", "C:\\q.exe /S");
  seed.Entry(UninstallRoot::User, "KvTest Both", "KvTest Both", "C:\\loud.exe")
      .SetString("", "QuietUninstallString", "  C:\\quiet.exe /S ");
  seed.Entry(UninstallRoot::User, "KvTest EmptyQuiet", "KvTest EmptyQuiet", "C:\\loud.exe")
      .SetString("", "QuietUninstallString", "");
  seed.Entry(UninstallRoot::User, "KvTest NoName", "   ");
  const auto& expand = seed.Add(UninstallRoot::User, "KvTest Expand");
  expand.SetString("", "DisplayName", "KvTest Expand");
  expand.SetString("", "UninstallString", "%SystemRoot%\\u.exe", REG_EXPAND_SZ);
  for (const char* live : {"KvTest Windows Live Mail", "KvTest windows live writer", "KvTest WINDOWS LIVE"})
    seed.Entry(UninstallRoot::Machine, live, live);

  for (auto filter : {UninstallFilter::AllPrograms, UninstallFilter::HideUpdates}) {
    const auto rows = ReadSeeded(filter);
    EXPECT_EQ(Names(rows), (std::vector<std::string>{"KvTest BinaryQuiet", "KvTest Both", "KvTest EmptyQuiet",
                                                      "KvTest Expand", "KvTest SC0", "KvTest SCAbsent",
                                                      "KvTest SCText"}))
        << static_cast<int>(filter);
    ASSERT_NE(Find(rows, "KvTest Both"), nullptr);
    EXPECT_EQ(Find(rows, "KvTest Both")->fields.command, "C:\\quiet.exe /S");
    EXPECT_EQ(Find(rows, "KvTest EmptyQuiet")->fields.command, "C:\\loud.exe");
    EXPECT_EQ(Find(rows, "KvTest BinaryQuiet")->fields.command, "C:\\q.exe /S");
    EXPECT_EQ(Find(rows, "KvTest Expand")->fields.command, "%SystemRoot%\\u.exe");
  }
  EXPECT_TRUE(Names(ReadSeeded(UninstallFilter::OnlyToolbars)).empty());
}

TEST(UninstallReader, FiltersHideUpdatesOrKeepOnlyToolbars) {
  test::SeededUninstall seed;
  seed.Entry(UninstallRoot::Machine, "KvTest Plain", "KvTest Plain");
  seed.Entry(UninstallRoot::Machine, "KvTest KB", "KvTest Update for Windows (KB2347290)");
  seed.Entry(UninstallRoot::User, "KvTest Hotfix", "KvTest Hotfix").SetString("", "ReleaseType", "Hotfix");
  seed.Entry(UninstallRoot::Machine32, "KvTest Patch", "KvTest Patch").SetString("", "ReleaseType", "Security Update");
  seed.Entry(UninstallRoot::Machine, "KvTest_ToolBar_Key", "KvTest Helper");
  seed.Entry(UninstallRoot::Machine, "KvTest Cmd", "KvTest Cmd", "C:\\MyToolbar\\u.exe");
  seed.Entry(UninstallRoot::User, "KvTest Bar", "KvTest Toolbar (kb1)");

  EXPECT_EQ(Names(ReadSeeded(UninstallFilter::AllPrograms)),
            (std::vector<std::string>{"KvTest Cmd", "KvTest Helper", "KvTest Hotfix", "KvTest Patch",
                                      "KvTest Plain", "KvTest Toolbar (kb1)", "KvTest Update for Windows (KB2347290)"}));
  EXPECT_EQ(Names(ReadSeeded(UninstallFilter::HideUpdates)),
            (std::vector<std::string>{"KvTest Cmd", "KvTest Helper", "KvTest Plain"}));
  EXPECT_EQ(Names(ReadSeeded(UninstallFilter::OnlyToolbars)),
            (std::vector<std::string>{"KvTest Cmd", "KvTest Helper", "KvTest Toolbar (kb1)"}));
}

TEST(UninstallReader, FirstOfSameNamedEntriesWinsInKeyOrder) {
  test::SeededUninstall seed;
  seed.Entry(UninstallRoot::Machine, "KvTest Foo", "KvTest Foo", "C:\\machine.exe");
  seed.Entry(UninstallRoot::User, "KvTest Foo", "KvTest Foo", "C:\\user.exe");
  seed.Entry(UninstallRoot::Machine, "KvTest FOO", "KvTest FOO", "C:\\upper.exe");
  seed.Entry(UninstallRoot::Machine32, "KvTest Bar", "KvTest Bar", "C:\\bar32.exe");
  seed.Entry(UninstallRoot::Machine, "KvTest Bar other key", "KvTest Bar", "C:\\bar64.exe");
  seed.Entry(UninstallRoot::Machine32, "KvTest Only32", "KvTest Only32");

  const auto rows = ReadSeeded(UninstallFilter::AllPrograms);
  std::map<std::string, int> count;
  for (const auto& r : rows) ++count[r.fields.display_name];
  EXPECT_EQ(count["KvTest Foo"], 1);
  EXPECT_EQ(count["KvTest FOO"], 1);
  EXPECT_EQ(count["KvTest Bar"], 1);
  const InstalledProgram* foo = Find(rows, "KvTest Foo");
  ASSERT_NE(foo, nullptr);
  EXPECT_EQ(foo->fields.root, RegRoot::CurrentUser);
  EXPECT_EQ(foo->fields.key_path, std::string(kUninstallKey) + "KvTest Foo");
  EXPECT_EQ(foo->fields.command, "C:\\user.exe");
  EXPECT_EQ(foo->record, "KvTest Foo|U|" + std::string(kUninstallKey) + "KvTest Foo|C:\\user.exe");
  EXPECT_EQ(Find(rows, "KvTest Bar")->fields.command, "C:\\bar64.exe");

  const InstalledProgram* only32 = Find(rows, "KvTest Only32");
  ASSERT_NE(only32, nullptr);
  EXPECT_EQ(only32->fields.root, RegRoot::LocalMachine);
  EXPECT_EQ(only32->fields.key_path,
            "\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KvTest Only32");

  // Without an x86 Program Files folder the 32-bit key is not read at all.
  EXPECT_EQ(Find(ReadSeeded(UninstallFilter::AllPrograms, false), "KvTest Only32"), nullptr);
}

TEST(UninstallReader, BarsInNamesKeepTheirRootAndKey) {
  test::SeededUninstall seed;
  seed.Entry(UninstallRoot::User, "KvTest|Pipe|M|x", "KvTest A|M|B", "C:\\a.exe | more");
  seed.Entry(UninstallRoot::Machine, "KvTest 100%", "KvTest 100%|");

  const auto rows = ReadSeeded(UninstallFilter::AllPrograms);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].fields.display_name, "KvTest 100%|");
  EXPECT_EQ(rows[0].fields.root, RegRoot::LocalMachine);
  EXPECT_EQ(rows[1].fields.display_name, "KvTest A|M|B");
  EXPECT_EQ(rows[1].fields.root, RegRoot::CurrentUser);
  EXPECT_EQ(rows[1].fields.key_path, std::string(kUninstallKey) + "KvTest|Pipe|M|x");
  EXPECT_EQ(rows[1].fields.command, "C:\\a.exe | more");
  EXPECT_EQ(rows[1].record, "KvTest A%7CM%7CB|U|" + std::string(kUninstallKey) + "KvTest%7CPipe%7CM%7Cx|C:\\a.exe | more");
}

int Compare(const std::string& a, const std::string& b) {
  return ::CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()), b.data(),
                          static_cast<int>(b.size()));
}

TEST(UninstallReader, SortsWholeLinesAsCompareStringDoes) {
  test::SeededUninstall seed;
  // Case is ignored; GBK names (one with a 0x5C and one with a 0x7C second byte) sort by the locale.
  const std::vector<std::string> names = {"KvTest banana", "KvTest Apple", "KvTest cherry", "KvTest 中文",
                                          "KvTest 阿里",   "KvTest 一",     "KvTest \xB1\x5C",
                                          "KvTest \x81\x7C", "KvTest Zeta"};
  int n = 0;
  for (const auto& name : names) {
    seed.Entry(n % 2 ? UninstallRoot::User : UninstallRoot::Machine, "KvTest sort " + std::to_string(n), name);
    ++n;
  }

  const auto rows = ReadSeeded(UninstallFilter::AllPrograms);
  ASSERT_EQ(rows.size(), names.size());
  for (size_t i = 1; i < rows.size(); ++i)
    EXPECT_NE(Compare(rows[i - 1].record, rows[i].record), CSTR_GREATER_THAN)
        << rows[i - 1].record << " / " << rows[i].record;
  EXPECT_EQ(rows[0].fields.display_name, "KvTest Apple");
  EXPECT_EQ(rows[1].fields.display_name, "KvTest banana");
  EXPECT_EQ(rows[2].fields.display_name, "KvTest cherry");
}

TEST(UninstallReader, InstallDateAndDisplayIconComeWithTheRow) {
  test::SeededUninstall seed;
  seed.Entry(UninstallRoot::User, "KvTest Icon", "KvTest Icon").SetString("", "DisplayIcon", "C:\\i.ico,0");
  seed.Entry(UninstallRoot::User, "KvTest EmptyIcon", "KvTest EmptyIcon").SetString("", "DisplayIcon", "");
  seed.Entry(UninstallRoot::User, "KvTest DwordIcon", "KvTest DwordIcon").SetDword("", "DisplayIcon", 3);
  seed.Entry(UninstallRoot::User, "KvTest NoIcon", "KvTest NoIcon").SetString("", "InstallDate", "20140315");
  seed.Entry(UninstallRoot::User, "KvTest DwordDate", "KvTest DwordDate").SetDword("", "InstallDate", 20140315);

  const auto rows = ReadSeeded(UninstallFilter::AllPrograms);
  ASSERT_EQ(rows.size(), 5u);
  const auto* icon = Find(rows, "KvTest Icon");
  EXPECT_TRUE(icon->has_display_icon);
  EXPECT_EQ(icon->display_icon, "C:\\i.ico,0");
  EXPECT_TRUE(Find(rows, "KvTest EmptyIcon")->has_display_icon);
  EXPECT_EQ(Find(rows, "KvTest EmptyIcon")->display_icon, "");
  EXPECT_TRUE(Find(rows, "KvTest DwordIcon")->has_display_icon);
  EXPECT_FALSE(Find(rows, "KvTest NoIcon")->has_display_icon);
  EXPECT_EQ(Find(rows, "KvTest NoIcon")->install_date, "20140315");
  EXPECT_EQ(Find(rows, "KvTest DwordDate")->install_date, "");
}

}  // namespace
}  // namespace kv
