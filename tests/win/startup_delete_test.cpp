#include <gtest/gtest.h>

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

}  // namespace
}  // namespace kv
