#include "startup/startup_rules.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

TEST(StartupCountText, BothForms) {
  EXPECT_EQ(StartupCountText(0, 0), "0个自动启动程序");
  EXPECT_EQ(StartupCountText(12, 0), "12个自动启动程序");
  EXPECT_EQ(StartupCountText(12, 2), "12个自动启动程序, 2禁用");
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
}

}  // namespace
}  // namespace kv
