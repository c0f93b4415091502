// The process tab against programs with hostile names and places, and processes that end on their
// own between the listing and the ending: the tab fills and comes back idle, and ending a name
// ends exactly the processes of that name, nothing else, without a message that is not true.
#include <gtest/gtest.h>

#include <functional>

#include "processes/process_tab.h"
#include "tests/win/process_test_support.h"
#include "tests/win/reliability_support.h"

namespace kv {
namespace {

class ProcessReliabilityTest : public ::testing::Test {
 protected:
  TForm1& form() { return main_.form(); }
  ProcessTab& tab() { return static_cast<ProcessTab&>(form().Tab(TabId::Processes)); }
  ListView& list() { return tab().Panel3InfoList(); }
  int RowOf(const std::string& name) { return test::RowOf(list(), name); }
  // Ends the row of `name` through the button answering 是: only the question may be shown.
  void End(const std::string& name) {
    const int row = RowOf(name);
    ASSERT_GE(row, 0) << name;
    list().Select(row);
    if (before_end_) before_end_();
    // A fresh three seconds, so no tick falls inside the question.
    form().SetPanel3Timer(false);
    form().SetPanel3Timer(true);
    test::DialogScript script({{"确认", "是"}, {"信息", "确定"}});
    tab().Panel3Button1Click();
    test::PumpFor(100);
    EXPECT_EQ(script.Texts(), std::vector<std::string>{kProcessAskBefore + name + kProcessAskAfter});
    EXPECT_TRUE(test::TabIsIdle(form()));
  }

  test::HelperProcesses helpers_;
  test::MainWindow main_;
  std::function<void()> before_end_;
};

TEST_F(ProcessReliabilityTest, HostileNamesAndPlacesAreListedAndEndedExactly) {
  std::string deep;  // a folder path of about 240 characters
  while (deep.size() < 200) deep += "deeper\\";
  deep.pop_back();
  const struct {
    std::string name, sub;
  } cases[] = {
      {test::CodePageOf(L"kv\x4E57\x7C60.exe"), ""},           // second bytes 0x5C
      {test::CodePageOf(L"kv \x8868 a;b,c'&%=[].exe"), ""},
      {"kvcase.exe", "lower"},
      {"KVCASE.exe", "upper"},                                 // another name to the tab
      {"kvdeep.exe", deep},
      {"svchost.exe", "fake"},                                 // named like a system program
      {"kvnoext", ""},
      {test::CodePageOf(L"kv\x4E2D.exe.exe"), test::CodePageOf(L"\x4E57\\\x7C60")},
  };
  std::vector<std::pair<std::string, DWORD>> started;
  for (const auto& c : cases) {
    std::string sub;
    for (size_t at = 0; at <= c.sub.size() && !c.sub.empty();) {  // each folder along the way
      const size_t end = c.sub.find('\\', at);
      sub = c.sub.substr(0, end);
      ::CreateDirectoryA((helpers_.Folder() + sub).c_str(), nullptr);
      at = end == std::string::npos ? c.sub.size() + 1 : end + 1;
    }
    const std::string path = helpers_.Copy(c.name, c.sub);
    ASSERT_FALSE(path.empty()) << c.name;
    const DWORD pid = helpers_.Start(path, c.name == "kvcase.exe" ? HIGH_PRIORITY_CLASS : 0);
    ASSERT_NE(pid, 0u) << c.name;
    started.emplace_back(c.name, pid);
  }
  form().SelectTab(TabId::Processes);
  EXPECT_TRUE(test::TabIsIdle(form()));
  for (const auto& [name, pid] : started) {
    const int row = RowOf(name);
    EXPECT_GE(row, 0) << name;
    if (row >= 0 && name == "kvcase.exe") {
      EXPECT_EQ(list().Cell(row, 2), kProcessHigh);
    }
  }
  size_t ended = 0;
  for (size_t i = 0; i < started.size(); ++i) {
    SCOPED_TRACE(started[i].first);
    if (started[i].first == "svchost.exe") continue;  // ending it would end Wine's own as well
    End(started[i].first);
    EXPECT_EQ(helpers_.WaitExit(started[i].second), 259u);
    for (size_t j = i + 1; j < started.size(); ++j)
      EXPECT_TRUE(helpers_.Running(started[j].second)) << "ended with it: " << started[j].first;
    ++ended;
  }
  EXPECT_TRUE(test::PumpUntil([&] {
    tab().Panel3TimerEvent();
    return RowOf("kvdeep.exe") < 0 && RowOf("KVCASE.exe") < 0;
  }));
  test::RecordFigure("hostile cases tried", static_cast<long long>(started.size() + ended));
}

// The process goes between the listing and the ending: on its own, or ended and replaced by
// another of the same name. Ending then touches only processes of that name, and the row goes.
TEST_F(ProcessReliabilityTest, AProcessThatEndsBeforeTheClickLeavesNothingUntrue) {
  const std::string path = helpers_.Copy("kvgone.exe");
  const DWORD keep = helpers_.Start(helpers_.Copy("kvstays.exe"));
  ASSERT_TRUE(keep);
  const struct {
    const char* what;
    bool replaced;
  } faults[] = {{"ends on its own", false}, {"ends and another of its name starts", true}};
  int injected = 0;
  for (const auto& f : faults) {
    SCOPED_TRACE(f.what);
    const DWORD pid = helpers_.Start(path);
    ASSERT_TRUE(pid);
    form().SelectTab(TabId::Processes);
    DWORD successor = 0;
    before_end_ = [&] {
      helpers_.Kill(pid);
      if (f.replaced) successor = helpers_.Start(path);
    };
    End("kvgone.exe");
    before_end_ = nullptr;
    if (successor) {
      EXPECT_EQ(helpers_.WaitExit(successor), 259u) << "ending a name ends every process of it";
    }
    EXPECT_TRUE(helpers_.Running(keep));
    EXPECT_TRUE(test::PumpUntil([&] {
      tab().Panel3TimerEvent();
      return RowOf("kvgone.exe") < 0;
    }));
    EXPECT_GE(RowOf("kvstays.exe"), 0);
    ++injected;
  }
  test::RecordFigure("faults injected", injected);
}

}  // namespace
}  // namespace kv
