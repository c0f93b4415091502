#include "startup/startup_rules.h"

#include <gtest/gtest.h>

#include "sysaccess/reg_file_rules.h"

namespace kv {
namespace {

TEST(StartupCountText, BothForms) {
  EXPECT_EQ(StartupCountText(0, 0), "0个自动启动程序");
  EXPECT_EQ(StartupCountText(12, 0), "12个自动启动程序");
  EXPECT_EQ(StartupCountText(12, 2), "12个自动启动程序, 2禁用");
}

// Task Manager writes twelve bytes: the state, three bytes, then the FILETIME of the change.
TEST(StartupApprovedDisables, OnlyAnOddFirstByteOfBinaryData) {
  const std::string time("\x00\x00\x00\x30\x8C\x2F\xD6\x9E\xD4\x01", 10);
  const struct {
    const char* what;
    uint32_t type;
    std::string data;
    bool disabled;
  } cases[] = {
      {"02: enabled", kRegBinary, std::string("\x02\x00", 2) + time, false},
      {"06: enabled", kRegBinary, std::string("\x06\x00", 2) + time, false},
      {"03: disabled", kRegBinary, std::string("\x03\x00", 2) + time, true},
      {"01 alone", kRegBinary, "\x01", true},
      {"FF, any length", kRegBinary, "\xFF\x02", true},
      {"00", kRegBinary, std::string(12, '\0'), false},
      {"empty binary", kRegBinary, "", false},
      {"a DWORD of 3", kRegDword, std::string("\x03\x00\x00\x00", 4), false},
      {"text", kRegSz, std::string("3\0", 2), false},
      {"no type", kRegNone, std::string("\x03\x00", 2) + time, false},
  };
  for (const auto& c : cases) EXPECT_EQ(StartupApprovedDisables(c.type, c.data), c.disabled) << c.what;
}

// The bytes Task Manager writes, read back by the same rules the fill uses.
TEST(StartupApprovedData, TaskManagersTwelveBytes) {
  const uint64_t now = 0x01D49ED62F8C3000ull;
  const std::string off = StartupApprovedData(true, now);
  EXPECT_EQ(off, std::string("\x03\x00\x00\x00\x00\x30\x8C\x2F\xD6\x9E\xD4\x01", 12));
  EXPECT_TRUE(StartupApprovedDisables(kRegBinary, off));
  EXPECT_EQ(StartupDisabledSince(kRegBinary, off), now);
  const std::string on = StartupApprovedData(false, now);
  EXPECT_EQ(on, std::string("\x02", 1) + std::string(11, '\0'));
  EXPECT_FALSE(StartupApprovedDisables(kRegBinary, on));
  EXPECT_EQ(StartupDisabledSince(kRegBinary, on), 0u);
  EXPECT_EQ(StartupDisabledSince(kRegBinary, "\x03"), 0u);  // says it is off, not since when
  EXPECT_EQ(StartupDisabledTip(2026, 12, 9, 7, 5), "禁用时间：2026-12-09 07:05");
}

TEST(MsconfigRunKey, OnlyTheRunKeysMsconfigTakesEntriesFrom) {
  const std::string run = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\";
  const std::string run32 = "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run\\";
  const struct {
    const char* hkey;
    const char* key;
    bool found;
    StartupHive hive;
    std::string path;
  } cases[] = {
      {"HKLM", "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", true, StartupHive::Machine, run},
      {"HKCU", "Software\\Microsoft\\Windows\\CurrentVersion\\Run\\", true, StartupHive::User, run},
      {"hkey_local_machine", "\\SOFTWARE\\WOW6432NODE\\Microsoft\\Windows\\CurrentVersion\\Run", true,
       StartupHive::Machine, run32},
      {"HKLM", "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce", false, {}, ""},
      {"HKLM", "SOFTWARE\\Classes\\exefile\\shell\\open\\command", false, {}, ""},
      {"HKLM", "", false, {}, ""},
      {"HKCR", "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", false, {}, ""},
      {"", "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", false, {}, ""},
  };
  for (const auto& c : cases) {
    const std::optional<StartupKey> key = MsconfigRunKey(c.hkey, c.key);
    ASSERT_EQ(key.has_value(), c.found) << c.hkey << " " << c.key;
    if (!key) continue;
    EXPECT_EQ(key->hive, c.hive) << c.key;
    EXPECT_EQ(key->path, c.path) << c.key;
  }
}

TEST(RunValueName, TextAfterTheLastBackslashOrColon) {
  const struct {
    std::string in, out;
  } cases[] = {
      {"C:\\Program Files\\App\\app.exe", "app.exe"},
      {"C:app.exe", "app.exe"},
      {"app.exe", "app.exe"},
      {"C:\\Tools\\", ""},
      {"C:\\\xD6\xD0\xCE\xC4\\\xB1\x5C.exe", "\xB1\x5C.exe"},  // 0x5C as a second byte is no separator
      {"C:\\a\\\xB1\x5C", "\xB1\x5C"},
      {"\\\\server\\share:x\\y.exe", "y.exe"},
      {"C:\\dir:stream", "stream"},
  };
  for (const auto& c : cases) EXPECT_EQ(RunValueName(c.in), c.out) << c.in;
}

TEST(StartupDeleteMessage, TellsWhatWasNotDeleted) {
  const std::string ok = "成功删除记录，创建撤消文件。";
  EXPECT_EQ(StartupDeleteMessage(ok, 2, 0), ok);
  EXPECT_EQ(StartupDeleteMessage(ok, 2, 1), ok + "\r部分项目无法删除。");
  EXPECT_EQ(StartupDeleteMessage(ok, 2, 2), "无法删除所选项目！");
  EXPECT_EQ(StartupDeleteMessage(ok, 0, 0), ok);
  // Rows the user lacks the rights for are said apart from other failures.
  EXPECT_EQ(StartupDeleteMessage(ok, 2, 2, 2), "需要管理员权限才能删除所选项目，未删除任何内容。");
  EXPECT_EQ(StartupDeleteMessage(ok, 2, 1, 1), ok + "\r部分项目需要管理员权限，未删除。");
  EXPECT_EQ(StartupDeleteMessage(ok, 3, 2, 1), ok + "\r部分项目无法删除。\r部分项目需要管理员权限，未删除。");
  EXPECT_EQ(StartupDeleteMessage(ok, 2, 2, 1), "无法删除所选项目！\r部分项目需要管理员权限，未删除。");
}

}  // namespace
}  // namespace kv
