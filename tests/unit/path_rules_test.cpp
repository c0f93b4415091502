#include "sysaccess/path_rules.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

const PathFolders kFolders{"C:\\Windows\\", "C:\\Users\\u\\"};
// A GBK character whose second byte is 0x5C, one whose second byte is a letter, and 中文.
const std::string kTrail5C = "\xB1\x5C";
const std::string kTrailA = "\x81\x61";
const std::string kChinese = "\xD6\xD0\xCE\xC4";

struct Case {
  std::string in, out;
};

TEST(ExtractProgramPath, CommandLinesAsStoredInTheRegistry) {
  const Case cases[] = {
      {"\"C:\\Program Files\\App\\app.exe\" /min", "C:\\PROGRAM FILES\\APP\\APP.EXE"},
      {"C:\\WINDOWS\\system32\\rundll32.exe C:\\WINDOWS\\system32\\shell32.dll,Control_RunDLL",
       "C:\\WINDOWS\\SYSTEM32\\RUNDLL32.EXE"},
      {"rundll32.exe C:\\Tools\\x.dll,Start", "C:\\TOOLS\\X.DLL"},
      {"rundll32.exe shell32.dll,Control_RunDLL", "RUNDLL32.EXE"},
      {"start notepad.exe", "NOTEPAD.EXE"},
      {"C:\\Tools\\runme /s", "C:\\TOOLS\\RUNME /S"},
      {"%ProgramFiles%\\App\\a.exe -x", "C:\\Program Files\\APP\\A.EXE"},
      {"   ", ""},
      {"", ""},
      {" \t\r\n", ""},
      // Further shapes: START before a full path, folders from the variables, other extensions.
      {"START C:\\Tools\\t.bat", "C:\\TOOLS\\T.BAT"},
      {"%SystemRoot%\\system32\\ctfmon.exe", "C:\\Windows\\SYSTEM32\\CTFMON.EXE"},
      {"%windir%\\x.exe", "C:\\Windows\\X.EXE"},
      {"%USERPROFILE%\\a\\b.cmd /q", "C:\\Users\\u\\A\\B.CMD"},
      {"control.exe main.cpl,,2", "CONTROL.EXE"},
      {"C:\\a\\b.ocx extra", "C:\\A\\B.OCX"},
      // A comma and no known extension: the text after the last dot keeps three characters.
      {"C:\\A\\B.XYZW,1", "C:\\A\\B.XYZ"},
      {"foo,bar", "FOO"},
  };
  for (const auto& c : cases) EXPECT_EQ(ExtractProgramPath(c.in, kFolders), c.out) << c.in;
}

TEST(ExtractProgramPath, DoubleByteCharactersStayWhole) {
  const Case cases[] = {
      // Second bytes are neither upper-cased nor taken for the backslash of ":\".
      {"c:\\" + kTrailA + "\\a.exe", "C:\\" + kTrailA + "\\A.EXE"},
      {"\"C:\\" + kTrail5C + "\\" + kChinese + ".exe\" -a", "C:\\" + kTrail5C + "\\" + kChinese + ".EXE"},
      // Three characters after the last dot are three characters, not three bytes.
      {"a." + kChinese + "x,1", "A." + kChinese + "X"},
      {kChinese + "\\" + kTrailA + "xe.exe", kChinese + "\\" + kTrailA + "XE.EXE"},
      // The drive letter position counts characters: a GBK character before the path goes whole.
      {kChinese + " C:\\x.exe", "C:\\X.EXE"},
      // A second path after a Chinese folder is cut before its drive letter, not inside a character.
      {"C:\\" + kChinese + "\\run D:\\b", "C:\\" + kChinese + "\\RUN "},
      // "START " made of a lead byte and letters is not the START prefix.
      {"\x81" "START x.exe", "\x81" "START X.EXE"},
  };
  for (const auto& c : cases) EXPECT_EQ(ExtractProgramPath(c.in, kFolders), c.out) << c.in;
}

TEST(ExpandPathVars, FiresOnTheUpperCaseTokenAndReplacesEveryCase) {
  const Case cases[] = {
      {"%windir%\\notepad.exe", "%windir%\\notepad.exe"},
      {"%WINDIR%\\a;%windir%\\b", "C:\\Windows\\a;C:\\Windows\\b"},
      {"%WINDIR%notepad.exe", "%WINDIR%notepad.exe"},
      {"%SYSTEMROOT%\\system32", "C:\\Windows\\system32"},
      {"%PROGRAMFILES%\\A", "C:\\Program Files\\A"},
      {"%PROGRAMFILES(X86)%\\A", "C:\\Program Files (x86)\\A"},
      {"%PROGRAMW6432%\\A", "C:\\Program Files\\A"},
      {"%USERPROFILE%\\Desktop", "C:\\Users\\u\\Desktop"},
      {"%TEMP%\\x", "%TEMP%\\x"},
      {"%ProgramFiles%\\A", "%ProgramFiles%\\A"},
      // Rules run in order on the text the one before left.
      {"%WINDIR%\\%USERPROFILE%\\", "C:\\Windows\\C:\\Users\\u\\"},
      {kTrail5C + "%WINDIR%\\" + kTrailA, kTrail5C + "C:\\Windows\\" + kTrailA},
  };
  for (const auto& c : cases) EXPECT_EQ(ExpandPathVars(c.in, kFolders), c.out) << c.in;
}

}  // namespace
}  // namespace kv
