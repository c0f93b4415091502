#include <gtest/gtest.h>

#include "sysaccess/app_state.h"
#include "sysaccess/registry.h"
#include "sysaccess/text_rules.h"
#include "tests/win/test_support.h"

namespace kv {
namespace {

TEST(AppStateFolders, EveryFolderEndsWithABackslash) {
  const AppState s = ComputeAppState();
  for (const std::string* f : std::initializer_list<const std::string*>{
           &s.ExeFolder, &s.UndoFolder, &s.UserUndoFolder, &s.WindowsFolder, &s.SystemFolder, &s.ProgramFilesFolder,
           &s.ProfileFolder, &s.StartupFolder, &s.CommonStartupFolder}) {
    EXPECT_TRUE(EndsWithBackslash(*f)) << *f;
  }
  EXPECT_EQ(s.UndoFolder, s.ExeFolder + "Undo\\");
  EXPECT_FALSE(s.UserName.empty());
  // The 64-bit build stands in for the 32-bit program on 64-bit Windows.
  if (sizeof(void*) == 8) {
    EXPECT_TRUE(s.ProgramFilesIsX86) << s.ProgramFilesFolder;
    EXPECT_FALSE(s.RunsUnderWow64);
  }
}

// Keeps the user's own settings key aside while a test plays first start.
class SettingsKey : public ::testing::Test {
 protected:
  void SetUp() override {
    had_[0] = RegValueExists(HKEY_CURRENT_USER, kSettingsKey, kSparrowtuneAds);
    had_[1] = RegValueExists(HKEY_CURRENT_USER, kSettingsKey, kGlimmerbackAds);
    old_[0] = RegReadBool(HKEY_CURRENT_USER, kSettingsKey, kSparrowtuneAds);
    old_[1] = RegReadBool(HKEY_CURRENT_USER, kSettingsKey, kGlimmerbackAds);
    DeleteRegValue(HKEY_CURRENT_USER, kSettingsKey, kSparrowtuneAds);
    DeleteRegValue(HKEY_CURRENT_USER, kSettingsKey, kGlimmerbackAds);
  }
  void TearDown() override {
    const char* names[] = {kSparrowtuneAds, kGlimmerbackAds};
    for (int i = 0; i < 2; ++i) {
      if (had_[i])
        RegWriteBool(HKEY_CURRENT_USER, kSettingsKey, names[i], old_[i]);
      else
        DeleteRegValue(HKEY_CURRENT_USER, kSettingsKey, names[i]);
    }
  }
  bool had_[2]{}, old_[2]{};
};

TEST_F(SettingsKey, FirstStartWritesBothAsDwordOneAndLaterStartsKeepThem) {
  { test::MainWindow w; }
  for (const char* name : {kSparrowtuneAds, kGlimmerbackAds}) {
    RegValue v;
    ASSERT_TRUE(RegReadValue(RegistryView::Wow64_64, HKEY_CURRENT_USER, kSettingsKey, name, v)) << name;
    EXPECT_EQ(v.type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(v.data, std::string("\x01\0\0\0", 4));
  }
  RegWriteBool(HKEY_CURRENT_USER, kSettingsKey, kSparrowtuneAds, false);
  { test::MainWindow w; }
  EXPECT_FALSE(RegReadBool(HKEY_CURRENT_USER, kSettingsKey, kSparrowtuneAds));
  EXPECT_TRUE(RegReadBool(HKEY_CURRENT_USER, kSettingsKey, kGlimmerbackAds));
}

}  // namespace
}  // namespace kv
