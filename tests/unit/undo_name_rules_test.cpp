#include "sysaccess/undo_name_rules.h"

#include <gtest/gtest.h>

#include "sysaccess/text_rules.h"

namespace kv {
namespace {

const std::string kTrail5C = "\xB1\x5C";  // second byte is a backslash
const std::string kTrailA = "\x81\x61";   // second byte is "a"
const std::string kTrailBar = "\x81\x7C";  // second byte is "|"
const std::string kChinese = "\xD6\xD0\xCE\xC4";  // 中文

struct Case {
  std::string in, out;
};

TEST(UninstallUndoName, SixteenReplacementsThenTheSuffix) {
  const Case cases[] = {
      {"Foo (x64) [2.0]", "Foo (x64) 2_0_uninstall.reg"},
      {"Tools: 1 <x64>", "Tools  1 _x64_ _uninstall.reg"},
      {"\"Quoted\" App", "Quoted App_uninstall.reg"},
      {"A\\B/C.D;E&F%G#H*I{J}", "A_B_C_D E_F_G H IJ_uninstall.reg"},
      {"What?|", "What?|_uninstall.reg"},
      {"", "_uninstall.reg"},
      {kChinese + " 1.0", kChinese + " 1_0_uninstall.reg"},
      {kTrail5C + "\\" + kTrail5C, kTrail5C + "_" + kTrail5C + "_uninstall.reg"},
  };
  for (const auto& c : cases) EXPECT_EQ(UninstallUndoName(c.in), c.out) << c.in;
}

TEST(AssociationUndoName, DropsTheFirstCharacter) {
  EXPECT_EQ(AssociationUndoName(".txt"), "txt_association.reg");
  EXPECT_EQ(AssociationUndoName(".tar.gz"), "tar.gz_association.reg");
  EXPECT_EQ(AssociationUndoName(""), "_association.reg");
  EXPECT_EQ(AssociationUndoName(kChinese), "\xCE\xC4_association.reg");
  EXPECT_EQ(AssociationUndoName("." + kTrail5C), kTrail5C + "_association.reg");
}

TEST(StartupRecordedName, UnquotesAndCuts) {
  const Case cases[] = {
      {"Skype", "Skype"},
      {"agent.exe", "agent"},
      {"Foo.ExE", "Foo"},
      {"a.exe.exe", "a"},
      {"\"My App\" /x", "My App"},
      {"\"a\"\"b\"", "a\"b"},
      {"\"abc", "ab"},
      {"\"\"", "\"\""},
      {"\"", "\""},
      {"\"C:\\Tools\\run.exe\" -q", "C:"},
      {"Tools\\x", "Tools"},
      {kTrail5C + "x", kTrail5C + "x"},
      {kChinese + ".exe", kChinese},
      {"\"" + kTrail5C + kChinese + "\"", kTrail5C + kChinese},
      {"\"" + kChinese, "\xD6\xD0"},  // no closing quote: the last whole character goes
      {"x" + kTrailA + ".exe", "x" + kTrailA},
  };
  for (const auto& c : cases) EXPECT_EQ(StartupRecordedName(c.in), c.out) << c.in;
}

TEST(StartupUndoName, JoinsTheRowsInListOrder) {
  EXPECT_EQ(StartupUndoName({"Skype", "agent.exe"}), "Skype,agent_startup.reg");
  EXPECT_EQ(StartupUndoName({"ctfmon", "Foo.exe"}), "ctfmon,Foo_startup.reg");
  EXPECT_EQ(StartupUndoName({"\"Quoted One\"", "Two"}), "Quoted One,Two_startup.reg");
  EXPECT_EQ(StartupUndoName({"only"}), "only_startup.reg");
  EXPECT_EQ(StartupUndoName({}), "_startup.reg");
}

TEST(UsableUndoFileName, ValidNamesStayAsTheyAre) {
  const std::vector<std::string> names = {
      "Foo (x64) 2_0_uninstall.reg", "txt_association.reg", "Skype,agent_startup.reg",
      "Tools  1 _x64_ _uninstall.reg", "con_startup.reg", "CONSOLE.reg", "COM0.reg",
      kChinese + kTrail5C + kTrailBar + "_uninstall.reg"};
  for (const auto& name : names)
    EXPECT_EQ(UsableUndoFileName(name, 40), name);
}

TEST(UsableUndoFileName, RefusedCharactersAndEndsAndDevices) {
  const Case cases[] = {
      {"What?_uninstall.reg", "What__uninstall.reg"},
      {"a|b\"c*d_startup.reg", "a_b_c_d_startup.reg"},
      {"C:\\x/y<z>_startup.reg", "C__x_y_z__startup.reg"},
      {"tab\there\x01_startup.reg", "tab_here__startup.reg"},
      {kTrail5C + "?_startup.reg", kTrail5C + "__startup.reg"},
      {"abc. .", "abc"},
      {"...", "_"},
      {"", "_"},
      {"CON.x_startup.reg", "CON_.x_startup.reg"},
      {"nul.reg", "nul_.reg"},
      {"com1.reg", "com1_.reg"},
      {"Lpt9.reg", "Lpt9_.reg"},
      {"AUX", "AUX_"},
      {"prn .reg", "prn _.reg"},
  };
  for (const auto& c : cases) EXPECT_EQ(UsableUndoFileName(c.in, 40), c.out) << c.in;
}

// Size of a name where file names are stored in UTF-8: a GBK character takes three bytes.
size_t Utf8Size(const std::string& s) {
  size_t n = 0;
  ForEachChar(s, [&](size_t, size_t len) { n += len == 2 ? 3 : 1; });
  return n;
}

TEST(UsableUndoFileName, LongNamesAreShortenedInTheirFirstPart) {
  struct LongCase {
    std::string head, suffix;
    size_t folder, length;  // the folder's length and the expected name length
  } cases[] = {
      {std::string(300, 'a'), "_uninstall.reg", 40, 219},     // full path at MAX_PATH - 1
      {std::string(300, 'b'), "_association.reg", 3, 255},    // a name is at most 255
      {std::string(300, 'c'), "_startup.reg", 100, 159},
      {std::string(300, 'd'), ".reg", 40, 219},
      {std::string(300, 'e'), "", 40, 219},
  };
  for (const auto& c : cases) {
    std::string name = UsableUndoFileName(c.head + c.suffix, c.folder);
    EXPECT_EQ(name.size(), c.length) << c.suffix;
    EXPECT_EQ(name.substr(name.size() - c.suffix.size()), c.suffix);
    EXPECT_EQ(name.substr(0, name.size() - c.suffix.size()), c.head.substr(0, name.size() - c.suffix.size()));
  }
}

TEST(UsableUndoFileName, ShorteningNeverCutsADoubleByteCharacter) {
  std::string head;
  for (int i = 0; i < 150; ++i) head += kChinese + "x";
  for (size_t folder : {3u, 40u, 41u, 150u, 151u}) {
    std::string name = UsableUndoFileName(head + "_startup.reg", folder);
    ASSERT_LE(folder + name.size(), 259u);
    ASSERT_LE(Utf8Size(name), 255u);
    ASSERT_GE(name.size(), 12u);
    std::string kept = name.substr(0, name.size() - 12);
    EXPECT_EQ(kept, head.substr(0, kept.size())) << folder;
    EXPECT_EQ(name.substr(kept.size()), "_startup.reg");
    // One more character of the head would break one of the two limits.
    std::string longer = head.substr(0, kept.size() + (kept.size() % 5 == 4 ? 1 : 2)) + "_startup.reg";
    EXPECT_TRUE(folder + longer.size() > 259 || Utf8Size(longer) > 255) << folder;
  }
}

TEST(UsableUndoFileName, ShortenedDeviceNameStaysDefused) {
  // Cut down to "CON" the name would be a device; the underscore must still fit.
  const std::string name = UsableUndoFileName("CONxxxxxxxxxx.reg", 252);
  EXPECT_LE(252 + name.size(), 259u);
  EXPECT_NE(AsciiUpper(name.substr(0, name.find('.'))), "CON");
}

TEST(NumberedUndoFileName, NumberGoesBeforeTheExtension) {
  EXPECT_EQ(NumberedUndoFileName("Skype,agent_startup.reg", 2), "Skype,agent_startup (2).reg");
  EXPECT_EQ(NumberedUndoFileName("txt_association.reg", 10), "txt_association (10).reg");
  EXPECT_EQ(NumberedUndoFileName("x", 3), "x (3)");
  // A "." that is the second byte of a character is no extension: the lead byte keeps it.
  EXPECT_EQ(NumberedUndoFileName("a\xCB.reg", 2), "a\xCB.reg (2)");
}

TEST(UsableUndoFileName, ShorteningKeepsTheKindAndTheNumber) {
  const std::string head(300, 'z');
  const struct {
    std::string name, tail;
  } cases[] = {
      {head + "_uninstall (2).reg", "_uninstall (2).reg"},
      {head + "_startup (123).reg", "_startup (123).reg"},
      {head + " (7).reg", " (7).reg"},
      // Not a number of ours: only ".reg" is sure to stay.
      {head + "_association ().reg", ".reg"},
      {head + "_startup(2).reg", ".reg"},
  };
  for (const auto& c : cases) {
    const std::string name = UsableUndoFileName(c.name, 50);
    EXPECT_EQ(50 + name.size(), 259u) << c.tail;
    EXPECT_EQ(name.substr(name.size() - c.tail.size()), c.tail);
  }
  // A suffix that would start inside a double-byte character is not one: "\x81_" is a character.
  const std::string odd = std::string(300, 'q') + "\x81_startup.reg";
  const std::string name = UsableUndoFileName(odd, 50);
  EXPECT_EQ(name.substr(name.size() - 11), "startup.reg");
  EXPECT_LE(50 + name.size(), 259u);
}

}  // namespace
}  // namespace kv
