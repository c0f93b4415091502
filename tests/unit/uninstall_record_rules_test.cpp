#include "uninstall/uninstall_record_rules.h"

#include <gtest/gtest.h>

#include <vector>

namespace kv {
namespace {

// GBK characters whose second byte is "|" (0x7C) or "\" (0x5C), and a lone lead byte.
const std::string kTrailBar = "\x81\x7C";
const std::string kTrailBackslash = "\xB1\x5C";
const std::string kLoneLead = "\xD6";

TEST(UninstallRecordCodec, DecodesExactlyWhatWasEncoded) {
  const std::string key = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
  const std::string wow = "\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
  const UninstallFields cases[] = {
      {"Foo", 'U', key + "Foo", "C:\\Foo\\uninst.exe"},
      {"A|B", 'M', key + "A|B", "x"},
      {"|", 'M', key + "|", "|"},
      {"||%|", 'U', key + "%7C", "a|b|c"},
      {"100%", 'M', key + "%", "%7C"},
      {"%41", 'M', key + "%%41", "%"},
      {"C:\\a\\", 'M', wow + "\\\\", "\\"},
      {"中文" + kTrailBar + "x", 'M', key + kTrailBar, kTrailBar + "|"},
      {kTrailBar, 'U', key + kTrailBar + kTrailBar, ""},
      {kTrailBackslash + "\\", 'M', wow + kTrailBackslash, "\"C:\\" + kTrailBackslash + "\\u.exe\" /x"},
      {"name" + kLoneLead, 'M', key + kLoneLead, kLoneLead},
      {kLoneLead, 'U', kLoneLead, "|" + kLoneLead},
      {kLoneLead + "|", 'M', key + kLoneLead + "%", "cmd"},
      {"", 'M', "", ""},
      {"\x81%", 'M', key + "\x81%", "x"},
  };
  for (const auto& f : cases) {
    const std::string line = EncodeUninstallRecord(f);
    UninstallFields back;
    ASSERT_TRUE(DecodeUninstallRecord(line, back)) << line;
    EXPECT_EQ(back, f) << line;
  }
}

// Every name of up to three pieces from a hostile alphabet, as field 1 and as field 3.
TEST(UninstallRecordCodec, RoundTripsEveryShortHostileName) {
  const std::string pieces[] = {"|", "\\", "%", "a", "%7C", kTrailBar, kTrailBackslash, kLoneLead, "\x81%"};
  std::vector<std::string> names = {""};
  for (int len = 0; len < 3; ++len) {
    const size_t before = names.size();
    for (size_t i = 0; i < before; ++i)
      for (const auto& p : pieces) names.push_back(names[i] + p);
  }
  for (const auto& name : names) {
    for (const UninstallFields& f : {UninstallFields{name, 'U', "K\\Foo", "c|" + name},
                                     UninstallFields{"Foo", 'M', "K\\" + name, name}}) {
      UninstallFields back;
      ASSERT_TRUE(DecodeUninstallRecord(EncodeUninstallRecord(f), back)) << name;
      ASSERT_EQ(back, f) << EncodeUninstallRecord(f);
    }
  }
}

TEST(UninstallRecordCodec, PlainNamesKeepTheLineForm) {
  UninstallFields f{"Foo Bar", 'M', "SOFTWARE\\Uninstall\\{GUID}", "MsiExec.exe /X{GUID} | more"};
  EXPECT_EQ(EncodeUninstallRecord(f), "Foo Bar|M|SOFTWARE\\Uninstall\\{GUID}|MsiExec.exe /X{GUID} | more");
  // A GBK name stays whole, so the line sorts as the name does.
  f.display_name = "中文" + kTrailBar;
  EXPECT_EQ(EncodeUninstallRecord(f).substr(0, 7), "中文" + kTrailBar + "|");
}

TEST(UninstallRecordCodec, ABarInANameCannotShiftTheRootOrPath) {
  UninstallFields f{"Evil|U|HKCU path", 'M', "SOFTWARE\\x|y", "cmd"};
  UninstallFields back;
  ASSERT_TRUE(DecodeUninstallRecord(EncodeUninstallRecord(f), back));
  EXPECT_EQ(back.root_mark, 'M');
  EXPECT_EQ(back.key_path, "SOFTWARE\\x|y");
}

TEST(UninstallRecordCodec, RefusesLinesItDidNotWrite) {
  UninstallFields out;
  for (const std::string line : {"", "name", "name|", "name|M", "name|MX|path|cmd", "name|M|path", "bad%7|M|p|c",
                                 "bad%G0|M|p|c", "x%"})
    EXPECT_FALSE(DecodeUninstallRecord(line, out)) << line;
  ASSERT_TRUE(DecodeUninstallRecord("n|U|p|", out));
  EXPECT_EQ(out.command, "");
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
