#include "sysaccess/registry.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

TEST(RegistrySmoke, WritesAndReadsAString) {
  const std::string key = "Software\\KorvaneTest\\Smoke";
  RegWriteString(HKEY_CURRENT_USER, key, "v", "  text  ");
  EXPECT_EQ(RegReadString64(HKEY_CURRENT_USER, key, "v"), "text");
  EXPECT_TRUE(DeleteRegKey(HKEY_CURRENT_USER, "Software\\KorvaneTest"));
}

}  // namespace
}  // namespace kv
