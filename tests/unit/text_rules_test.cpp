#include "sysaccess/app_state_rules.h"
#include "sysaccess/text_rules.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

// A GBK character whose second byte is 0x5C, and one whose second byte is an ASCII letter.
const std::string kTrail5C = "\xB1\x5C";
const std::string kTrailA = "\x81\x61";

TEST(TrailingBackslash, AppendsUnlessLastCharacterIsABackslash) {
  struct Case { std::string in, out; } cases[] = {
      {"", "\\"},
      {"C:\\Windows", "C:\\Windows\\"},
      {"C:\\Windows\\", "C:\\Windows\\"},
      {"C:\\" + kTrail5C, "C:\\" + kTrail5C + "\\"},
      {"C:\\" + kTrail5C + "\\", "C:\\" + kTrail5C + "\\"},
      {"\\", "\\"},
  };
  for (const auto& c : cases) EXPECT_EQ(WithTrailingBackslash(c.in), c.out) << c.in;
}

TEST(AsciiUpper, LeavesDoubleByteSecondBytesAlone) {
  EXPECT_EQ(AsciiUpper("abc" + kTrailA + "xyz"), "ABC" + kTrailA + "XYZ");
  EXPECT_EQ(AsciiUpper("\xD6\xD0\xCE\xC4.exe"), "\xD6\xD0\xCE\xC4.EXE");
}

TEST(FindText, MatchesOnlyAtCharacterBoundaries) {
  EXPECT_EQ(FindText(kTrail5C + "\\", "\\"), 2u);
  EXPECT_EQ(FindText(kTrail5C, "\\"), std::string::npos);
  EXPECT_EQ(FindLastText("a\\b\\" + kTrail5C, "\\"), 3u);
  EXPECT_EQ(ReplaceAll(kTrail5C + "\\x", "\\", "_"), kTrail5C + "_x");
  EXPECT_EQ(ReplaceAllIgnoreCase("a%WinDir%\\b", "%WINDIR%\\", "C:\\W\\"), "aC:\\W\\b");
}

TEST(TrimControls, RemovesBlanksAndControlsAtBothEnds) {
  EXPECT_EQ(TrimControls("  C:\\a b.exe \t\r\n"), "C:\\a b.exe");
  EXPECT_EQ(TrimControls(" \x01 "), "");
  EXPECT_EQ(TrimControls(" a  b "), "a  b");
}

TEST(AppStateRules, X86AndProfileFolders) {
  EXPECT_TRUE(IsX86ProgramFiles("C:\\Program Files (x86)\\"));
  EXPECT_TRUE(IsX86ProgramFiles("C:\\PROGRAM FILES (X86)"));
  EXPECT_FALSE(IsX86ProgramFiles("C:\\Program Files\\"));
  EXPECT_EQ(ProfileFolderFrom("C:\\Users\\u\\AppData\\Roaming"), "C:\\Users\\u\\AppData\\");
  EXPECT_EQ(ProfileFolderFrom(""), "\\");
  EXPECT_EQ(ProfileFolderFrom("C:\\" + kTrail5C + "\\Roaming"), "C:\\" + kTrail5C + "\\");
  EXPECT_EQ(FolderOfPath("C:\\" + kTrail5C + "\\Korvane.exe"), "C:\\" + kTrail5C + "\\");
}

}  // namespace
}  // namespace kv
