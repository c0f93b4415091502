#include "associations/association_rules.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

// GBK characters whose second byte is an ASCII letter ('a', 't') or a backslash.
const std::string kTrailA = "\x81\x61";
const std::string kTrailT = "\x81\x74";
const std::string kTrail5C = "\xB1\x5C";

std::vector<AssociationRow> Rows(std::initializer_list<std::string> extensions) {
  std::vector<AssociationRow> rows;
  for (const std::string& e : extensions) rows.emplace_back().extension = e;
  return rows;
}

TEST(AssociationSearch, PatternGetsTheDotAndAsciiUpperCase) {
  struct Case { std::string text, pattern; } cases[] = {
      {"", ""},
      {"txt", ".TXT"},
      {".txt", ".TXT"},
      {"TXT", ".TXT"},
      {".Tx", ".TX"},
      {".", "."},
      {"..", ".."},
      {"x" + kTrailA, ".X" + kTrailA},
  };
  for (const auto& c : cases) EXPECT_EQ(AssociationSearchPattern(c.text), c.pattern) << c.text;
}

TEST(AssociationSearch, FirstRowWhoseExtensionBeginsWithThePattern) {
  const auto rows = Rows({".bat", ".xtc", ".TXT2", ".txt", ".tx", ".Txt", ".y" + kTrailT});
  struct Case { std::string text; int row; } cases[] = {
      {"txt", 2},   {".txt", 2}, {"TXT", 2}, {".Tx", 2}, {"xt", 1},   {".", 0},
      {"", -1},     {"zzz", -1}, {"tx", 2},  {"bat", 0}, {".bat.", -1},
      // The second byte 't' of a GBK character is not the letter t.
      {".y" + kTrailT, 6}, {".yT", -1}, {"y\x81", -1},
  };
  for (const auto& c : cases) EXPECT_EQ(FindAssociationRow(rows, c.text), c.row) << c.text;
  EXPECT_EQ(FindAssociationRow({}, "txt"), -1);
}

TEST(AssociationSearch, MatchEndsOnAWholeCharacter) {
  // Half of a double-byte character never counts as a match of the first half alone.
  const auto rows = Rows({".\xD6\xD0\xCE\xC4", ".\xD6\xD0"});
  EXPECT_EQ(FindAssociationRow(rows, ".\xD6"), -1);
  EXPECT_EQ(FindAssociationRow(rows, "\xD6\xD0"), 0);
  EXPECT_EQ(FindAssociationRow(rows, "\xD6\xD0\xCE\xC4"), 0);
}

TEST(AssociationValues, TypeNamesAndTheDescriptionOfATypedExtension) {
  EXPECT_EQ(AddTypeName(".abc"), "abc.file");
  EXPECT_EQ(AddTypeName(".Ab" + kTrail5C), "Ab" + kTrail5C + ".file");
  EXPECT_EQ(DescriptionForTypedExtension("abc"), "abc.file");
  EXPECT_EQ(DescriptionForTypedExtension(".abc"), "abc.file");
  EXPECT_EQ(DescriptionForTypedExtension(kTrailA), kTrailA + ".file");

  struct Case { std::string ext, current, type; } edits[] = {
      {".txt", "txtfile", "txtfile"},
      {".txt", "", "txt.file"},
      {".txt", "\\", "txt.file"},           // would write at the root
      {".txt", "\\\\", "txt.file"},
      {".txt", "a\\b", "txt.file"},
      {".txt", "x" + kTrail5C, "x" + kTrail5C},  // 0x5C as a second byte is no backslash
      {".", "", ".file"},
  };
  for (const auto& c : edits) EXPECT_EQ(EditTypeName(c.ext, c.current), c.type) << c.ext << " " << c.current;
}

TEST(AssociationValues, ArgumentSuffixIsDroppedWhenTheTextTakesArgumentsItself) {
  struct Case { std::string program, suffix; } cases[] = {
      {"C:\\Tools\\abc.exe", " \"%1\""},
      {"C:\\My Tools\\abc.exe", " \"%1\""},
      {"C:\\Tools\\abc.exe %1", ""},
      {"C:\\Tools\\abc.exe /open", ""},
      {"C:\\Tools\\abc.exe -open", ""},
      {"C:\\Tools\\a-b.exe", " \"%1\""},  // a hyphen needs the blank before it
      {"C:\\Tools\\" + kTrail5C + ".exe", " \"%1\""},
  };
  for (const auto& c : cases) EXPECT_EQ(ArgumentSuffix(c.program), c.suffix) << c.program;
}

TEST(AssociationValues, ProgramFileOfACommandKeepsItsLetters) {
  struct Case { std::string command, file; } cases[] = {
      {"", ""},
      {"C:\\Tools\\abc.exe", "C:\\Tools\\abc.exe"},
      {"C:\\Tools\\abc.exe \"%1\"", "C:\\Tools\\abc.exe"},
      {"\"C:\\Program Files\\Ed\\ed.exe\" \"%1\"", "C:\\Program Files\\Ed\\ed.exe"},
      {"C:\\Program Files\\Ed\\ed.exe \"%1\"", "C:\\Program Files\\Ed\\ed.exe"},
      {"%SystemRoot%\\system32\\NOTEPAD.EXE %1", "%SystemRoot%\\system32\\NOTEPAD.EXE"},
      {"rundll32.exe url.dll,FileProtocolHandler %1", "rundll32.exe"},
      {"C:\\x.exe.d\\Run.Bat /q", "C:\\x.exe.d\\Run.Bat"},
      {"C:\\Tools\\viewer %1", "C:\\Tools\\viewer"},
      {"C:\\Tools\\viewer -x", "C:\\Tools\\viewer"},
      {"\"C:\\unclosed\\a.exe", "C:\\unclosed\\a.exe"},
      {"  C:\\" + kTrailA + "\\b.exe  ", "C:\\" + kTrailA + "\\b.exe"},
  };
  for (const auto& c : cases) EXPECT_EQ(CommandProgramFile(c.command), c.file) << c.command;
}

TEST(AssociationValues, SaveChecksInTheirOrder) {
  int asked = 0;
  auto exists = [&](const std::string&) { ++asked; return false; };
  auto there = [](const std::string&) { return true; };
  struct Case { AssociationMode mode; std::string ext, desc, prog; SaveCheck check; } cases[] = {
      {kModeAdd, "", "", "", SaveCheck::NoExtension},
      {kModeAdd, "abc", "", "", SaveCheck::NoDescription},
      {kModeAdd, "abc", "d", "", SaveCheck::NoProgram},
      {kModeAdd, "abc", "d", "p", SaveCheck::NoDot},
      {kModeAdd, "a\\bc", "d", "p", SaveCheck::NoDot},
      {kModeAdd, ".a\\bc", "d", "p", SaveCheck::Backslash},
      {kModeEdit, ".a\\bc", "d", "p", SaveCheck::Backslash},
      {kModeAdd, ".a" + kTrail5C, "d", "p", SaveCheck::FileNotFound},
      {kModeAdd, " .abc", "d", "p", SaveCheck::NoDot},  // untrimmed
  };
  for (const auto& c : cases)
    EXPECT_EQ(CheckAssociationInput(c.mode, c.ext, c.desc, c.prog, exists), c.check) << c.ext;
  asked = 0;
  EXPECT_EQ(CheckAssociationInput(kModeEdit, ".abc", "d", "C:\\gone.exe", exists), SaveCheck::Ok);
  EXPECT_EQ(asked, 0);  // editing never asks for the file
  EXPECT_EQ(CheckAssociationInput(kModeAdd, ".abc", "d", "C:\\a.exe", there), SaveCheck::Ok);
}

TEST(AssociationValues, AddWritesTheFourValues) {
  const AssociationWrite w = PlanAssociationWrite(kModeAdd, ".abc", "ABC file", "C:\\Tools\\abc.exe", "", "");
  EXPECT_EQ(w.extension, ".abc");
  EXPECT_EQ(w.type_name, "abc.file");
  EXPECT_EQ(w.description, "ABC file");
  EXPECT_EQ(w.command, "C:\\Tools\\abc.exe \"%1\"");
  EXPECT_EQ(w.icon, "\"C:\\Tools\\abc.exe\", -1");

  const AssociationWrite blanks = PlanAssociationWrite(kModeAdd, ".abc", "d", "C:\\My Tools\\a b.exe", "old", "");
  EXPECT_EQ(blanks.type_name, "abc.file");  // adding ignores what the key names now
  EXPECT_EQ(blanks.command, "C:\\My Tools\\a b.exe \"%1\"");
  EXPECT_EQ(blanks.icon, "\"C:\\My Tools\\a b.exe\", -1");
}

TEST(AssociationValues, EditUsesTheCurrentTypeAndTheListedCommandsProgram) {
  const std::string listed = "\"C:\\Program Files\\Ed\\Ed.exe\" \"%1\"";
  const AssociationWrite kept = PlanAssociationWrite(kModeEdit, ".txt", "Text", listed, "txtfile", listed);
  EXPECT_EQ(kept.type_name, "txtfile");
  EXPECT_EQ(kept.command, listed);  // it already takes its argument
  EXPECT_EQ(kept.icon, "\"C:\\Program Files\\Ed\\Ed.exe\", -1");

  const AssociationWrite picked =
      PlanAssociationWrite(kModeEdit, ".txt", "Text", "C:\\New\\n.exe", "", listed);
  EXPECT_EQ(picked.type_name, "txt.file");
  EXPECT_EQ(picked.command, "C:\\New\\n.exe \"%1\"");
  EXPECT_EQ(picked.icon, "\"C:\\New\\n.exe\", -1");

  const AssociationWrite plain = PlanAssociationWrite(kModeEdit, ".txt", "Text", "C:\\a.exe", "t", "C:\\a.exe");
  EXPECT_EQ(plain.command, "C:\\a.exe \"%1\"");
  EXPECT_EQ(plain.icon, "\"C:\\a.exe\", -1");
}

TEST(AssociationValues, DefaultAppsSettingsByWindowsVersion) {
  EXPECT_EQ(DefaultAppsSettings(10).file, "ms-settings:defaultapps");
  EXPECT_EQ(DefaultAppsSettings(10).parameters, "");
  EXPECT_EQ(DefaultAppsSettings(6).file, "control.exe");
  EXPECT_EQ(DefaultAppsSettings(6).parameters, "/name Microsoft.DefaultPrograms");
}

}  // namespace
}  // namespace kv
