#include "uninstall/uninstall_record_rules.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

// GBK characters whose second byte is "|" (0x7C) or "\" (0x5C), and a lone lead byte.
const std::string kTrailBar = "\x81\x7C";
const std::string kTrailBackslash = "\xB1\x5C";
const std::string kLoneLead = "\xD6";

// The line the sort compares: plain fields as they are, and in the name and key path "|", "%" and
// a lone lead byte at a field's end escaped, so that no field can run into the next one.
TEST(UninstallRecordLine, EscapesOnlyWhatCouldShiftTheFields) {
  const std::string key = "SOFTWARE\\Uninstall\\";
  const struct {
    std::string name;
    char mark;
    std::string path, command, line;
  } cases[] = {
      {"Foo Bar", 'M', key + "{GUID}", "MsiExec.exe /X{GUID} | more",
       "Foo Bar|M|SOFTWARE\\Uninstall\\{GUID}|MsiExec.exe /X{GUID} | more"},
      {"Evil|U|HKCU path", 'M', "SOFTWARE\\x|y", "cmd", "Evil%7CU%7CHKCU path|M|SOFTWARE\\x%7Cy|cmd"},
      {"100%", 'U', "%41", "%7C|", "100%25|U|%2541|%7C|"},
      // A GBK character stays whole, so the line sorts as the name does; its 0x7C second byte is
      // no separator.
      {"中文" + kTrailBar, 'M', kTrailBar, kTrailBar, "中文" + kTrailBar + "|M|" + kTrailBar + "|" + kTrailBar},
      {kTrailBackslash + "\\", 'M', "\\", "\\", kTrailBackslash + "\\|M|\\|\\"},
      {"name" + kLoneLead, 'M', kLoneLead, kLoneLead, "name%D6|M|%D6|" + kLoneLead},
      {"\x81%", 'U', "", "", "\x81%|U||"},  // a lead byte takes what follows it, "%" too
      {"", 'M', "", "", "|M||"},
  };
  for (const auto& c : cases) EXPECT_EQ(UninstallRecordLine(c.name, c.mark, c.path, c.command), c.line) << c.name;
}

TEST(InstallDate, InsertsTheTwoSlashes) {
  struct Case {
    std::string in, out;
  } cases[] = {
      {"20140315", "2014/03/15"}, {"2014/3/15", "2014/3/15"}, {"abc", "abc//"}, {"", ""},
      {"2014", "2014//"},         {"20140", "2014/0/"},       {"201403", "2014/03/"}, {"2014031", "2014/03/1"},
      {"201403151", "2014/03/151"},
      // Characters, not bytes: a GBK character is never split.
      {"二零一四年三月", "二零一四/年三/月"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatInstallDate(c.in), c.out) << c.in;
}

}  // namespace
}  // namespace kv
