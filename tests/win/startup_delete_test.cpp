#include <gtest/gtest.h>

#include <iterator>
#include <map>

#include "startup/startup_actions.h"
#include "startup/startup_reader.h"
#include "startup/startup_rules.h"
#include "sysaccess/text_rules.h"
#include "sysaccess/undo_name_rules.h"
#include "sysaccess/undo_store.h"
#include "ui/undo_messages.h"
#include "sysaccess/undo_verify.h"
#include "tests/win/startup_fixtures.h"
#include "tests/win/sysaccess_fixtures.h"

namespace kv {
namespace {

using test::RawValue;
using test::SeedValue;
using test::Sz;
using test::ValueExists;
using S = StartupSource;

const char kUndoWritten[] = "成功删除记录，创建撤消文件。";
const char kDeletedOnly[] = "成功删除记录！";

std::string DisabledKey(const std::string& name) { return test::kStartupRegPath + std::string("\\") + name; }

// The keys of an undo file as the Windows editor would import them.
std::vector<RegTreeKey> FileKeys(const std::string& path) {
  RegFileContent content;
  std::string error;
  EXPECT_TRUE(ReadRegFile(test::ReadFile(path), DecodeCodePage, content, &error)) << error;
  return content.keys;
}

TEST(StartupDelete, EachKindOfSourceGoesAndTheFileBringsTheRegistryBack) {
  test::StartupScratch s;
  const RawValue c1{REG_SZ, Sz("\"C:\\Program Files\\A\\a.exe\" /min")};
  const RawValue c5{REG_EXPAND_SZ, Sz("%SystemRoot%\\d.exe")};
  SeedValue v1(HKEY_CURRENT_USER, test::kRunPath, test::Unique("one.exe"), c1.type, c1.data);
  SeedValue v2(HKEY_CURRENT_USER, test::kRunOncePath, test::Unique("two"), REG_SZ, Sz("C:\\two.exe"));
  SeedValue v3(HKEY_LOCAL_MACHINE, test::kRunPath, test::Unique("three"), REG_EXPAND_SZ, Sz("%ProgramFiles%\\3.exe"));
  SeedValue v4(HKEY_LOCAL_MACHINE, test::kRunOncePath, test::Unique("four"), REG_DWORD, std::string("\4\0\0\0", 4));
  const std::string five = test::Unique("five");
  const std::string five_empty = test::Unique("five_nocommand");
  SeedValue v5(HKEY_LOCAL_MACHINE, DisabledKey(five), "command", c5.type, c5.data);
  SeedValue v5b(HKEY_LOCAL_MACHINE, DisabledKey(five), "item", REG_SZ, Sz("ignored"));
  test::SeedKey v5c(HKEY_LOCAL_MACHINE, DisabledKey(five_empty));
  SeedValue v6(HKEY_CURRENT_USER, test::kRun32Path, test::Unique("six"), REG_SZ, Sz("C:\\six.exe"));
  SeedValue v7(HKEY_LOCAL_MACHINE, test::kRunPath, test::Unique("seven"), REG_SZ, Sz("C:\\7.exe"), KEY_WOW64_32KEY);
  // A restored disabled entry comes back as a Run entry of the current user.
  test::ValueCleanup restored5(HKEY_CURRENT_USER, test::kRunPath, five);
  test::ValueCleanup restored5b(HKEY_CURRENT_USER, test::kRunPath, five_empty);
  ASSERT_TRUE(test::WriteFile(s.state.StartupFolder + "eight.lnk", "x"));
  ASSERT_TRUE(test::WriteFile(s.state.CommonStartupFolder + "nine.lnk", "x"));

  const std::vector<StartupDeleteRow> rows = {
      {v1.name(), S::UserRun},        {v2.name(), S::UserRunOnce},
      {v3.name(), S::MachineRun},     {v4.name(), S::MachineRunOnce},
      {five, S::MsconfigDisabled},    {five_empty, S::MsconfigDisabled},
      {v6.name(), S::UserRun32},      {v7.name(), S::MachineRun32},
      {"eight.lnk", S::UserStartupShortcut}, {"nine.lnk", S::CommonStartupShortcut},
  };
  std::vector<RawValue> before(rows.size());
  ASSERT_TRUE(test::ReadRaw(HKEY_CURRENT_USER, test::kRunPath, KEY_WOW64_64KEY, v1.name(), before[0]));
  ASSERT_TRUE(test::ReadRaw(HKEY_CURRENT_USER, test::kRunOncePath, KEY_WOW64_64KEY, v2.name(), before[1]));
  ASSERT_TRUE(test::ReadRaw(HKEY_LOCAL_MACHINE, test::kRunPath, KEY_WOW64_64KEY, v3.name(), before[2]));
  ASSERT_TRUE(test::ReadRaw(HKEY_LOCAL_MACHINE, test::kRunOncePath, KEY_WOW64_64KEY, v4.name(), before[3]));
  ASSERT_TRUE(test::ReadRaw(HKEY_CURRENT_USER, test::kRun32Path, KEY_WOW64_64KEY, v6.name(), before[6]));
  ASSERT_TRUE(test::ReadRaw(HKEY_LOCAL_MACHINE, test::kRunPath, KEY_WOW64_32KEY, v7.name(), before[7]));

  int pumps = 0;
  const StartupDeleteOutcome out = DeleteStartupEntries(s.state, rows, [&] { ++pumps; });
  EXPECT_EQ(pumps, static_cast<int>(rows.size()));
  EXPECT_FALSE(out.backup_failed);
  EXPECT_EQ(out.not_deleted, 0u);
  std::vector<std::string> captions;
  for (const auto& r : rows) captions.push_back(r.caption);
  EXPECT_EQ(out.file_name, StartupUndoName(captions));
  EXPECT_EQ(StartupDeleteResultText(out), kUndoWritten);

  EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, test::kRunPath, v1.name()));
  EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, test::kRunOncePath, v2.name()));
  EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, test::kRunPath, v3.name()));
  EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, test::kRunOncePath, v4.name()));
  EXPECT_FALSE(test::SeedKeyExists(HKEY_LOCAL_MACHINE, DisabledKey(five)));
  EXPECT_FALSE(test::SeedKeyExists(HKEY_LOCAL_MACHINE, DisabledKey(five_empty)));
  EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, test::kRun32Path, v6.name()));
  EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, test::kRunPath, v7.name(), KEY_WOW64_32KEY));
  EXPECT_FALSE(FileExists(s.state.StartupFolder + "eight.lnk"));
  EXPECT_FALSE(FileExists(s.state.CommonStartupFolder + "nine.lnk"));

  const std::string file = s.state.UndoFolder + out.file_name;
  EXPECT_EQ(FileKeys(file).size(), 8u) << "the shortcuts are not recorded";

  ASSERT_TRUE(test::ImportWithRegedit(s.state.WindowsFolder, file));
  RawValue after;
  ASSERT_TRUE(test::ReadRaw(HKEY_CURRENT_USER, test::kRunPath, KEY_WOW64_64KEY, v1.name(), after));
  EXPECT_EQ(after, before[0]);
  ASSERT_TRUE(test::ReadRaw(HKEY_CURRENT_USER, test::kRunOncePath, KEY_WOW64_64KEY, v2.name(), after));
  EXPECT_EQ(after, before[1]);
  ASSERT_TRUE(test::ReadRaw(HKEY_LOCAL_MACHINE, test::kRunPath, KEY_WOW64_64KEY, v3.name(), after));
  EXPECT_EQ(after, before[2]);
  ASSERT_TRUE(test::ReadRaw(HKEY_LOCAL_MACHINE, test::kRunOncePath, KEY_WOW64_64KEY, v4.name(), after));
  EXPECT_EQ(after, before[3]);
  ASSERT_TRUE(test::ReadRaw(HKEY_CURRENT_USER, test::kRunPath, KEY_WOW64_64KEY, five, after));
  EXPECT_EQ(after, c5);
  ASSERT_TRUE(test::ReadRaw(HKEY_CURRENT_USER, test::kRunPath, KEY_WOW64_64KEY, five_empty, after));
  EXPECT_EQ(after, (RawValue{REG_SZ, Sz("")}));
  ASSERT_TRUE(test::ReadRaw(HKEY_CURRENT_USER, test::kRun32Path, KEY_WOW64_64KEY, v6.name(), after));
  EXPECT_EQ(after, before[6]);
  ASSERT_TRUE(test::ReadRaw(HKEY_LOCAL_MACHINE, test::kRunPath, KEY_WOW64_32KEY, v7.name(), after));
  EXPECT_EQ(after, before[7]);
  EXPECT_FALSE(test::SeedKeyExists(HKEY_LOCAL_MACHINE, DisabledKey(five)));
}

// Task Manager's state of a row, enabled or disabled, goes with the row after both are in the
// undo file (the state as hex data under its own key), and importing the file puts both back
// exactly, the state under its own name even where that differs from the entry's in letter case.
// A shortcut's state makes a file of its own; an entry without a state writes none.
TEST(StartupDelete, TaskManagerStatesGoWithTheirRowsAndComeBack) {
  test::StartupScratch s;
  const unsigned char bytes[] = {0x03, 0x02, 0x06, 0x03, 0x03, 0x02};
  struct Seeded {
    const test::ApprovedSource* src;
    std::string caption, state_name;
    RawValue state;
  };
  std::vector<Seeded> seeded;
  std::vector<std::unique_ptr<SeedValue>> guards;
  std::vector<StartupDeleteRow> rows;
  for (size_t i = 0; i < test::ApprovedSources().size(); ++i) {
    const auto& src = test::ApprovedSources()[i];
    std::string caption = test::Unique("状态 " + std::to_string(static_cast<int>(src.source)));
    if (!src.entry_path) caption += ".lnk";
    const std::string state_name = src.source == S::MachineRun ? AsciiUpper(caption) : caption;
    guards.push_back(test::SeedEntry(s.state, src, caption, "\"C:\\状态\\s.exe\" /tray"));
    guards.push_back(std::make_unique<SeedValue>(src.root, src.key(), state_name, REG_BINARY,
                                                 test::ApprovedBytes(bytes[i])));
    seeded.push_back({&src, caption, state_name, RawValue{REG_BINARY, test::ApprovedBytes(bytes[i])}});
    rows.push_back({caption, src.source});
  }
  SeedValue plain(HKEY_CURRENT_USER, test::kRunPath, test::Unique("no state"), REG_SZ, Sz("C:\\plain.exe"));
  rows.push_back({plain.name(), S::UserRun});
  std::vector<RawValue> entries_before(seeded.size());
  for (size_t i = 0; i < seeded.size(); ++i) {
    if (seeded[i].src->entry_path) {
      ASSERT_TRUE(test::ReadRaw(seeded[i].src->root, seeded[i].src->entry_path, KEY_WOW64_64KEY, seeded[i].caption,
                                entries_before[i]));
    }
  }

  const StartupDeleteOutcome out = DeleteStartupEntries(s.state, rows, nullptr);
  EXPECT_EQ(out.not_deleted, 0u);
  EXPECT_EQ(StartupDeleteResultText(out), kUndoWritten);
  for (const auto& v : seeded) {
    SCOPED_TRACE(v.caption);
    EXPECT_FALSE(ValueExists(v.src->root, v.src->key(), v.state_name));
    if (v.src->entry_path) {
      EXPECT_FALSE(ValueExists(v.src->root, v.src->entry_path, v.caption));
    } else {
      const bool user = v.src->source == S::UserStartupShortcut;
      EXPECT_FALSE(FileExists((user ? s.state.StartupFolder : s.state.CommonStartupFolder) + v.caption));
    }
  }
  const std::string file = s.state.UndoFolder + out.file_name;
  // Four Run values, six states, the entry without one.
  EXPECT_EQ(FileKeys(file).size(), 11u);
  const std::u16string text = Utf16FromBytes(test::ReadFile(file));
  EXPECT_NE(text.find(u"=hex:03,00,00,00,80,3e,d5,de,b1,9d,d8,01\r\n"), std::u16string::npos);
  EXPECT_NE(text.find(u"\\Explorer\\StartupApproved\\StartupFolder]\r\n"), std::u16string::npos);

  ASSERT_TRUE(test::ImportWithRegedit(s.state.WindowsFolder, file));
  for (size_t i = 0; i < seeded.size(); ++i) {
    const auto& v = seeded[i];
    SCOPED_TRACE(v.caption);
    const auto states = test::KeyValues(v.src->root, v.src->key());
    const auto it = states.find(v.state_name);
    ASSERT_NE(it, states.end()) << "the state comes back under its own name";
    EXPECT_EQ(it->second, v.state);
    RawValue after;
    if (v.src->entry_path) {
      ASSERT_TRUE(test::ReadRaw(v.src->root, v.src->entry_path, KEY_WOW64_64KEY, v.caption, after));
      EXPECT_EQ(after, entries_before[i]);
    }
  }
  EXPECT_EQ(test::KeyValues(HKEY_CURRENT_USER, test::ApprovedSources()[0].key()).count(plain.name()), 0u);

  // A shortcut alone, with its state: the file holds only that state.
  const test::ApprovedSource& user_folder = test::ApprovedSources()[4];
  SeedValue solo_state(user_folder.root, user_folder.key(), "solo.lnk", REG_BINARY, test::ApprovedBytes(0x03));
  ASSERT_TRUE(test::WriteFile(s.state.StartupFolder + "solo.lnk", "x"));
  const auto solo = DeleteStartupEntries(s.state, {{"solo.lnk", S::UserStartupShortcut}}, nullptr);
  EXPECT_EQ(StartupDeleteResultText(solo), kUndoWritten);
  EXPECT_FALSE(FileExists(s.state.StartupFolder + "solo.lnk"));
  EXPECT_FALSE(ValueExists(user_folder.root, user_folder.key(), "solo.lnk"));
  const auto solo_keys = FileKeys(s.state.UndoFolder + solo.file_name);
  ASSERT_EQ(solo_keys.size(), 1u);
  ASSERT_EQ(solo_keys[0].values.size(), 1u);
  EXPECT_EQ(solo_keys[0].values[0].data, test::ApprovedBytes(0x03));
}

// Names and data that a crafted entry could use to smuggle keys into a file the user imports. A
// name with a line break has no form that both editors read back, so that entry stays.
TEST(StartupDelete, CraftedLineBreaksCannotAddKeys) {
  test::StartupScratch s;
  const std::string injected = "Software\\KorvaneTest\\Injected";
  const std::string evil = "\r\n[HKEY_CURRENT_USER\\" + injected + "]\r\n\"pwn\"=\"1\"\n";
  SeedValue named(HKEY_CURRENT_USER, test::kRunPath, test::Unique("name") + evil, REG_SZ, Sz("C:\\ok.exe"));
  SeedValue data(HKEY_CURRENT_USER, test::kRunPath, test::Unique("data"), REG_SZ, Sz("C:\\x.exe" + evil + "\\"));
  SeedValue expand(HKEY_CURRENT_USER, test::kRunPath, test::Unique("expand\""), REG_EXPAND_SZ, Sz("%TEMP%" + evil));
  const auto before = test::KeyValues(HKEY_CURRENT_USER, test::kRunPath);

  const auto out = DeleteStartupEntries(
      s.state, {{named.name(), S::UserRun}, {data.name(), S::UserRun}, {expand.name(), S::UserRun}}, nullptr);
  ASSERT_FALSE(out.file_name.empty());
  EXPECT_EQ(out.not_deleted, 1u);
  EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, test::kRunPath, named.name()));
  EXPECT_EQ(FileKeys(s.state.UndoFolder + out.file_name).size(), 2u);

  ASSERT_TRUE(test::ImportWithRegedit(s.state.WindowsFolder, s.state.UndoFolder + out.file_name));
  EXPECT_FALSE(test::SeedKeyExists(HKEY_CURRENT_USER, injected));
  test::DeleteTree(HKEY_CURRENT_USER, "Software\\KorvaneTest\\Injected");
  EXPECT_EQ(test::KeyValues(HKEY_CURRENT_USER, test::kRunPath), before);
}

TEST(StartupDelete, AnUnsavableUndoFileDeletesNothing) {
  test::StartupScratch s;
  // A file stands where the undo folder would be created.
  ASSERT_TRUE(test::WriteFile(s.base.path() + "Undo", "in the way"));
  SeedValue v(HKEY_CURRENT_USER, test::kRunPath, test::Unique("kept"), REG_SZ, Sz("C:\\kept.exe"));
  SeedValue d(HKEY_LOCAL_MACHINE, DisabledKey(test::Unique("kept")), "command", REG_SZ, Sz("C:\\kept.exe"));
  ASSERT_TRUE(test::WriteFile(s.state.StartupFolder + "kept.lnk", "x"));

  const auto out = DeleteStartupEntries(s.state,
                                        {{v.name(), S::UserRun},
                                         {test::Unique("kept"), S::MsconfigDisabled},
                                         {"kept.lnk", S::UserStartupShortcut}},
                                        nullptr);
  EXPECT_TRUE(out.backup_failed);
  EXPECT_EQ(StartupDeleteResultText(out), kUndoNotCreated);
  EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, test::kRunPath, v.name()));
  EXPECT_TRUE(test::SeedKeyExists(HKEY_LOCAL_MACHINE, DisabledKey(test::Unique("kept"))));
  EXPECT_TRUE(FileExists(s.state.StartupFolder + "kept.lnk"));
}

TEST(StartupDelete, OnlyShortcutsWriteNoFile) {
  test::StartupScratch s;
  ASSERT_TRUE(test::WriteFile(s.state.StartupFolder + "a.lnk", "x"));
  ASSERT_TRUE(test::WriteFile(s.state.CommonStartupFolder + "b.lnk", "x"));
  // An older file of the same name proves nothing about this deletion.
  ::CreateDirectoryA(s.state.UndoFolder.c_str(), nullptr);
  ASSERT_TRUE(test::WriteFile(s.state.UndoFolder + StartupUndoName({"a.lnk", "b.lnk"}), "old"));

  const auto out =
      DeleteStartupEntries(s.state, {{"a.lnk", S::UserStartupShortcut}, {"b.lnk", S::CommonStartupShortcut}}, nullptr);
  EXPECT_EQ(out.file_name, "");
  EXPECT_EQ(StartupDeleteResultText(out), kDeletedOnly);
  EXPECT_FALSE(FileExists(s.state.StartupFolder + "a.lnk"));
  EXPECT_FALSE(FileExists(s.state.CommonStartupFolder + "b.lnk"));
}

TEST(StartupDelete, CtfmonAndFooGiveOneFileWithTwoGroups) {
  test::StartupScratch s;
  SeedValue ctfmon(HKEY_CURRENT_USER, test::kRunPath, "ctfmon", REG_SZ, Sz("C:\\WINDOWS\\system32\\ctfmon.exe"));
  SeedValue foo(HKEY_LOCAL_MACHINE, test::kRunPath, "Foo.exe", REG_SZ, Sz("\"C:\\Foo\\Foo.exe\" -q"));

  const auto out = DeleteStartupEntries(s.state, {{"ctfmon", S::UserRun}, {"Foo.exe", S::MachineRun}}, nullptr);
  EXPECT_EQ(out.file_name, "ctfmon,Foo_startup.reg");
  // The registry editor's own export form: UTF-16LE with a byte-order mark.
  const std::string content = test::ReadFile(s.state.UndoFolder + "ctfmon,Foo_startup.reg");
  EXPECT_EQ(content,
            Utf16Bytes(u"\xFEFFWindows Registry Editor Version 5.00\r\n\r\n"
                       u"[HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\]\r\n"
                       u"\"ctfmon\"=\"C:\\\\WINDOWS\\\\system32\\\\ctfmon.exe\"\r\n\r\n"
                       u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\]\r\n"
                       u"\"Foo.exe\"=\"\\\"C:\\\\Foo\\\\Foo.exe\\\" -q\"\r\n\r\n"));
}

TEST(StartupDelete, TheMessageCountsWhatIsStillThere) {
  test::StartupScratch s;
  SeedValue v(HKEY_CURRENT_USER, test::kRunPath, test::Unique("gone"), REG_SZ, Sz("C:\\gone.exe"));
  const std::string held = s.state.StartupFolder + "held.lnk";
  ASSERT_TRUE(test::WriteFile(held, "x"));
  // Open without delete sharing: the deletion of this shortcut is refused.
  UniqueFile lock(::CreateFileA(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(lock);

  // The state of a shortcut that stays stays with it.
  const test::ApprovedSource& user_folder = test::ApprovedSources()[4];
  SeedValue state(user_folder.root, user_folder.key(), "held.lnk", REG_BINARY, test::ApprovedBytes(0x03));

  auto out = DeleteStartupEntries(s.state, {{v.name(), S::UserRun}, {"held.lnk", S::UserStartupShortcut}}, nullptr);
  EXPECT_EQ(out.not_deleted, 1u);
  EXPECT_TRUE(ValueExists(user_folder.root, user_folder.key(), "held.lnk"));
  EXPECT_EQ(StartupDeleteResultText(out), std::string(kUndoWritten) + "\r" + kStartupSomeNotDeleted);

  out = DeleteStartupEntries(s.state, {{"held.lnk", S::UserStartupShortcut}}, nullptr);
  EXPECT_EQ(StartupDeleteResultText(out), kStartupNoneDeleted);
  EXPECT_TRUE(FileExists(held));

  // A key the user may only read, as the machine's are for a standard user: listed, and left
  // alone without a backup, with the rights named.
  const std::string ro = test::Unique("readonly");
  SeedValue r(HKEY_LOCAL_MACHINE, DisabledKey(ro), "command", REG_SZ, Sz("C:\\ro.exe"));
  SeedValue v2(HKEY_CURRENT_USER, test::kRunPath, test::Unique("gone2"), REG_SZ, Sz("C:\\gone.exe"));
  {
    test::ReadOnlyKey read_only(HKEY_LOCAL_MACHINE, DisabledKey(ro));
    bool listed = false;
    ReadStartupEntries(s.state, nullptr, [&](const StartupRow& row) { listed |= row.caption == ro; }, nullptr);
    EXPECT_TRUE(listed);
    out = DeleteStartupEntries(s.state, {{ro, S::MsconfigDisabled}}, nullptr);
    EXPECT_EQ(out.refused, 1u);
    EXPECT_EQ(out.file_name, "");
    EXPECT_EQ(StartupDeleteResultText(out), kStartupNeedsAdmin);
    out = DeleteStartupEntries(s.state, {{ro, S::MsconfigDisabled}, {v2.name(), S::UserRun}}, nullptr);
    EXPECT_EQ(StartupDeleteResultText(out), std::string(kUndoWritten) + "\r" + kStartupSomeNeedAdmin);
    EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, test::kRunPath, v2.name()));
  }
  EXPECT_TRUE(ValueExists(HKEY_LOCAL_MACHINE, DisabledKey(ro), "command"));
}

uint64_t FileTimeNow() {
  FILETIME now{};
  ::GetSystemTimeAsFileTime(&now);
  return (static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

// One entry of every source Task Manager lists or not: the state goes where Windows honours it,
// as Task Manager writes it; RunOnce, the user's 32-bit Run key and Windows 7 get nothing.
TEST(StartupState, DisableThenEnableWritesTaskManagersBytesWhereWindowsHonoursThem) {
  test::StartupScratch s;
  s.state.WindowsMajor = 10;
  const struct {
    S source;
    HKEY root;
    const char* entry_path;  // null: a shortcut in the source's Startup folder
    const char* approved;    // the state's key; null where nothing may be written
  } cases[] = {
      {S::UserRun, HKEY_CURRENT_USER, test::kRunPath, "Run"},
      {S::UserRunOnce, HKEY_CURRENT_USER, test::kRunOncePath, nullptr},
      {S::MachineRun, HKEY_LOCAL_MACHINE, test::kRunPath, "Run"},
      {S::MachineRunOnce, HKEY_LOCAL_MACHINE, test::kRunOncePath, nullptr},
      {S::UserRun32, HKEY_CURRENT_USER, test::kRun32Path, nullptr},
      {S::MachineRun32, HKEY_LOCAL_MACHINE, test::kRun32Path, "Run32"},
      {S::UserStartupShortcut, HKEY_CURRENT_USER, nullptr, "StartupFolder"},
      {S::CommonStartupShortcut, HKEY_LOCAL_MACHINE, nullptr, "StartupFolder"},
  };
  std::vector<std::unique_ptr<SeedValue>> entries;
  std::vector<std::unique_ptr<test::ValueCleanup>> states;
  std::vector<std::string> captions;
  for (const auto& c : cases) {
    std::string caption = test::Unique("状态切换 " + std::to_string(static_cast<int>(c.source)));
    if (!c.entry_path) caption += ".lnk";
    if (c.entry_path) {
      entries.push_back(std::make_unique<SeedValue>(c.root, c.entry_path, caption, REG_SZ, Sz("C:\\s.exe")));
    } else {
      const std::string& folder = c.source == S::UserStartupShortcut ? s.state.StartupFolder : s.state.CommonStartupFolder;
      ASSERT_TRUE(test::WriteFile(folder + caption, test::ShortcutBytes("C:\\s.exe")));
    }
    for (const char* key : {"Run", "Run32", "StartupFolder"})
      states.push_back(std::make_unique<test::ValueCleanup>(c.root, std::string(test::kApprovedPath) + "\\" + key, caption));
    captions.push_back(caption);
  }
  auto rows_of = [&] {
    std::vector<StartupRow> rows;
    for (const auto& caption : captions) {
      const auto named = test::RowsNamed(test::ReadAllRows(s.state, nullptr), caption);
      EXPECT_EQ(named.size(), 1u) << caption;
      if (!named.empty()) rows.push_back(named[0]);
    }
    return rows;
  };
  auto state_of = [&](size_t i, RawValue& v) {
    return cases[i].approved && test::ReadRaw(cases[i].root, std::string(test::kApprovedPath) + "\\" + cases[i].approved,
                                              KEY_WOW64_64KEY, captions[i], v);
  };
  auto no_state_anywhere = [&](size_t i) {
    for (const char* key : {"Run", "Run32", "StartupFolder"})
      for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
        if (ValueExists(root, std::string(test::kApprovedPath) + "\\" + key, captions[i])) return false;
    return true;
  };

  // Windows 7 keeps no such state: nothing is written for any row.
  s.state.WindowsMajor = 6;
  s.state.WindowsMinor = 1;
  StartupStateOutcome out = ChangeStartupState(s.state, rows_of(), StartupStateChange::Disable, FileTimeNow());
  EXPECT_TRUE(out.changed.empty());
  EXPECT_EQ(StartupStateResultText(out), kStartupStateNotApplicable);
  for (size_t i = 0; i < captions.size(); ++i) EXPECT_TRUE(no_state_anywhere(i)) << captions[i];

  s.state.WindowsMajor = 6;
  s.state.WindowsMinor = 2;
  const uint64_t now = FileTimeNow();
  out = ChangeStartupState(s.state, rows_of(), StartupStateChange::Disable, now);
  EXPECT_EQ(out.changed.size(), 5u);
  EXPECT_EQ(out.not_applicable, 3u);
  EXPECT_EQ(StartupStateResultText(out), kStartupStateSomeNotApplicable);
  std::vector<StartupRow> rows = rows_of();
  for (size_t i = 0; i < captions.size(); ++i) {
    SCOPED_TRACE(captions[i]);
    RawValue v;
    if (!cases[i].approved) {
      EXPECT_TRUE(no_state_anywhere(i));
      EXPECT_FALSE(rows[i].disabled);
      continue;
    }
    ASSERT_TRUE(state_of(i, v));
    EXPECT_EQ(v.type, static_cast<DWORD>(REG_BINARY));
    ASSERT_EQ(v.data.size(), 12u);
    EXPECT_EQ(v.data.substr(0, 4), std::string("\x03\0\0\0", 4));
    EXPECT_EQ(StartupDisabledSince(v.type, v.data), now);
    EXPECT_TRUE(rows[i].disabled);
    EXPECT_EQ(rows[i].access, kStartupDisabled);
    EXPECT_EQ(rows[i].disabled_since, now);
  }

  // A name the code page cannot spell lists with "?" in it; no state goes under that other name.
  const std::wstring thai = L"KvT\x0E01\x0E02";
  {
    UniqueKey run;
    ASSERT_EQ(::RegOpenKeyExA(HKEY_CURRENT_USER, test::kRunPath, 0, KEY_SET_VALUE | KEY_WOW64_64KEY, run.put()), 0);
    ::RegSetValueExW(run.get(), thai.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(L"C:\\t.exe"), 18);
  }
  int unspellable = 0;
  for (const StartupRow& row : test::ReadAllRows(s.state, nullptr)) {
    if (row.caption.rfind("KvT?", 0) != 0) continue;
    ++unspellable;
    out = ChangeStartupState(s.state, {row}, StartupStateChange::Disable, now);
    EXPECT_EQ(out.not_written, 1u);
    EXPECT_EQ(StartupStateResultText(out), kStartupStateNotWritten);
    EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, std::string(test::kApprovedPath) + "\\Run", row.caption));
  }
  EXPECT_EQ(unspellable, 1);
  {
    UniqueKey run;
    ::RegOpenKeyExA(HKEY_CURRENT_USER, test::kRunPath, 0, KEY_SET_VALUE | KEY_WOW64_64KEY, run.put());
    ::RegDeleteValueW(run.get(), thai.c_str());
  }

  // A machine's state the user may only read: he is told so, and it stays as it was.
  RawValue before, after;
  ASSERT_TRUE(state_of(2, before));
  {
    test::ReadOnlyKey read_only(HKEY_LOCAL_MACHINE, std::string(test::kApprovedPath) + "\\Run");
    out = ChangeStartupState(s.state, {rows[2]}, StartupStateChange::Enable, FileTimeNow());
    EXPECT_EQ(out.refused, 1u);
    EXPECT_EQ(StartupStateResultText(out), kStartupStateNeedsAdmin);
  }
  ASSERT_TRUE(state_of(2, after));
  EXPECT_EQ(after, before);

  out = ChangeStartupState(s.state, rows, StartupStateChange::Enable, FileTimeNow());
  EXPECT_EQ(out.changed.size(), 5u);
  rows = rows_of();
  for (size_t i = 0; i < captions.size(); ++i) {
    SCOPED_TRACE(captions[i]);
    EXPECT_FALSE(rows[i].disabled);
    RawValue v;
    if (state_of(i, v)) {
      EXPECT_EQ(v, (RawValue{REG_BINARY, std::string("\x02", 1) + std::string(11, '\0')}));
    }
  }
  // Enabled rows cannot be enabled again, nor disabled ones disabled.
  EXPECT_EQ(StartupStateResultText(ChangeStartupState(s.state, rows, StartupStateChange::Enable, now)),
            kStartupStateNotApplicable);
}

// An entry the old configuration tool disabled goes back into the Run key and view its record
// names, with its command's very type and bytes; its record goes into an undo file that brings it
// back. A record that does not say where, or a place that holds another program under that name,
// changes nothing; nor does a restore whose record cannot be backed up.
TEST(StartupState, MsconfigEntriesComeBackIntoTheirRunKeyAndTheirRecordIntoTheUndoFile) {
  test::StartupScratch s;
  const RawValue expand{REG_EXPAND_SZ, Sz("%SystemRoot%\\启动\\a.exe /x \"q\"")};
  const RawValue plain{REG_SZ, Sz("C:\\b.exe")};
  const struct {
    const char* what;
    const char* hkey;
    const char* key;
    bool item;
    RawValue command;
    HKEY root;            // where it goes back
    const char* run_path;
    const char* message;  // null: restored
    const RawValue* there = nullptr;  // a value already in the Run key under that name
  } cases[] = {
      {"the user's Run key", "HKCU", "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", true, expand,
       HKEY_CURRENT_USER, test::kRunPath, nullptr},
      {"the machine's 32-bit Run key", "HKLM", "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run", true,
       plain, HKEY_LOCAL_MACHINE, test::kRun32Path, nullptr},
      {"the very value is there", "HKLM", "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", true, plain,
       HKEY_LOCAL_MACHINE, test::kRunPath, nullptr, &plain},
      {"no item", "HKCU", "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", false, plain, HKEY_CURRENT_USER,
       test::kRunPath, kMsconfigPlaceIncomplete},
      {"not a Run key", "HKLM", "SOFTWARE\\Classes\\exefile\\shell\\open\\command", true, plain, HKEY_LOCAL_MACHINE,
       test::kRunPath, kMsconfigPlaceIncomplete},
      {"another program under that name", "HKCU", "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", true, plain,
       HKEY_CURRENT_USER, test::kRunPath, kMsconfigNameTaken, &expand},
  };
  std::vector<std::unique_ptr<SeedValue>> guards;
  std::vector<std::unique_ptr<test::ValueCleanup>> cleanups;
  std::vector<StartupRow> rows;
  for (const auto& c : cases) {
    StartupRow row;
    row.caption = test::Unique(std::string("停用 ") + c.what);
    row.source = S::MsconfigDisabled;
    row.disabled = true;
    const std::string key = DisabledKey(row.caption);
    const std::string item = row.caption + " 项";
    guards.push_back(std::make_unique<SeedValue>(HKEY_LOCAL_MACHINE, key, "hkey", REG_SZ, Sz(c.hkey)));
    guards.push_back(std::make_unique<SeedValue>(HKEY_LOCAL_MACHINE, key, "key", REG_SZ, Sz(c.key)));
    if (c.item) guards.push_back(std::make_unique<SeedValue>(HKEY_LOCAL_MACHINE, key, "item", REG_SZ, Sz(item)));
    guards.push_back(std::make_unique<SeedValue>(HKEY_LOCAL_MACHINE, key, "command", c.command.type, c.command.data));
    guards.push_back(std::make_unique<SeedValue>(HKEY_LOCAL_MACHINE, key, "inimapping", REG_SZ, Sz("0")));
    cleanups.push_back(std::make_unique<test::ValueCleanup>(c.root, c.run_path, item));
    if (c.there) guards.push_back(std::make_unique<SeedValue>(c.root, c.run_path, item, c.there->type, c.there->data));
    rows.push_back(row);
  }
  const auto record = [&](size_t i) { return test::KeyValues(HKEY_LOCAL_MACHINE, DisabledKey(rows[i].caption)); };
  // Task Manager's state of the first one's name, left disabled: it comes back, and is said to be off.
  SeedValue stale(HKEY_CURRENT_USER, test::ApprovedSources()[0].key(), rows[0].caption + " 项", REG_BINARY,
                  test::ApprovedBytes(0x03));
  auto run_value = [&](size_t i, RawValue& v) {
    return test::ReadRaw(cases[i].root, cases[i].run_path, KEY_WOW64_64KEY, rows[i].caption + " 项", v);
  };

  for (size_t i = 3; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].what);
    const auto before = record(i);
    RawValue had;
    const bool there = run_value(i, had);
    const StartupStateOutcome out = ChangeStartupState(s.state, {rows[i]}, StartupStateChange::Enable, FileTimeNow());
    EXPECT_EQ(StartupStateResultText(out), cases[i].message);
    EXPECT_EQ(record(i), before);
    RawValue now;
    EXPECT_EQ(run_value(i, now), there);
    if (there) {
      EXPECT_EQ(now, had);
    }
  }
  EXPECT_FALSE(DirectoryExists(s.state.UndoFolder));

  // Without an undo file the value written is taken back and the record stays.
  {
    const std::string undo_folder = s.state.UndoFolder;
    ASSERT_TRUE(test::WriteFile(s.base.path() + "Undo", "a file where the folder should be"));
    const auto before = record(0);
    const StartupStateOutcome out = ChangeStartupState(s.state, {rows[0]}, StartupStateChange::Enable, FileTimeNow());
    EXPECT_EQ(StartupStateResultText(out), kUndoNotCreated);
    EXPECT_EQ(record(0), before);
    RawValue v;
    EXPECT_FALSE(run_value(0, v));
    ::DeleteFileA((s.base.path() + "Undo").c_str());
    s.state.UndoFolder = undo_folder;
  }
  // A record the user may not delete: nothing is written.
  {
    test::ReadOnlyKey read_only(HKEY_LOCAL_MACHINE, DisabledKey(rows[0].caption));
    const StartupStateOutcome out = ChangeStartupState(s.state, {rows[0]}, StartupStateChange::Enable, FileTimeNow());
    EXPECT_EQ(StartupStateResultText(out), kStartupStateNeedsAdmin);
    RawValue v;
    EXPECT_FALSE(run_value(0, v));
  }

  std::vector<std::map<std::string, RawValue>> records;
  for (size_t i = 0; i < 3; ++i) records.push_back(record(i));
  const StartupStateOutcome out =
      ChangeStartupState(s.state, {rows[0], rows[1], rows[2]}, StartupStateChange::Enable, FileTimeNow());
  EXPECT_EQ(out.restored, 3u);
  ASSERT_FALSE(out.restore_message.empty());
  EXPECT_EQ(StartupStateResultText(out), out.restore_message + "\r" + kMsconfigStillDisabled);
  EXPECT_EQ(out.restore_message.rfind(kMsconfigRestored, 0), 0u);
  for (size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(cases[i].what);
    RawValue v;
    ASSERT_TRUE(run_value(i, v));
    EXPECT_EQ(v, cases[i].command);
    EXPECT_FALSE(test::SeedKeyExists(HKEY_LOCAL_MACHINE, DisabledKey(rows[i].caption)));
  }
  WIN32_FIND_DATAA fd;
  UniqueFind find(::FindFirstFileA((s.state.UndoFolder + "*.reg").c_str(), &fd));
  ASSERT_TRUE(find);
  EXPECT_FALSE(::FindNextFileA(find.get(), &fd));
  ASSERT_TRUE(test::ImportWithRegedit(s.state.WindowsFolder, s.state.UndoFolder + fd.cFileName));
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(record(i), records[i]) << cases[i].what;
}

}  // namespace
}  // namespace kv
