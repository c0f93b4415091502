#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "app/form1.h"
#include "processes/process_reader.h"
#include "processes/process_tab.h"
#include "tests/win/process_test_support.h"
#include "tests/win/test_support.h"

namespace kv {
namespace {

ProcessTab& Tab3(test::MainWindow& w) { return static_cast<ProcessTab&>(w.form().Tab(TabId::Processes)); }

using test::RowOf;

std::string SelectedCaption(ListView& list) {
  const int row = list.Selected();
  return row < 0 ? "" : list.Cell(row, 0);
}

std::string OwnName() {
  const std::string self = OwnExePath();
  return self.substr(self.rfind('\\') + 1);
}

// Every caption once, and the count label telling the number of rows.
::testing::AssertionResult Consistent(ProcessTab& tab) {
  ListView& list = tab.Panel3InfoList();
  std::set<std::string> captions;
  for (int i = 0; i < list.Count(); ++i)
    if (!captions.insert(list.Cell(i, 0)).second) return ::testing::AssertionFailure() << "twice: " << list.Cell(i, 0);
  if (tab.Panel3InfoLabelText() != ProcessCountText(static_cast<size_t>(list.Count())))
    return ::testing::AssertionFailure() << tab.Panel3InfoLabelText() << " for " << list.Count() << " rows";
  return ::testing::AssertionSuccess();
}

TEST(ProcessTab, NewProcessesAppearOnTheNextPassAndVanishWhenTheyEnd) {
  test::HelperProcesses helpers;
  test::MainWindow w;
  ProcessTab& tab = Tab3(w);
  ListView& list = tab.Panel3InfoList();
  w.form().SelectTab(TabId::Processes);
  EXPECT_TRUE(w.form().Panel3TimerEnabled());
  EXPECT_FALSE(w.form().Busy().IsSet());
  EXPECT_TRUE(Consistent(tab));
  const int own = RowOf(list, OwnName());
  ASSERT_GE(own, 0);
  EXPECT_EQ(list.Cell(own, 1), OwnExePath());

  const std::string dup_a = helpers.Copy("kvdup.exe", "a"), dup_b = helpers.Copy("kvdup.exe", "b");
  const DWORD d1 = helpers.Start(dup_a), d2 = helpers.Start(dup_b);
  const DWORD sys = helpers.Start(helpers.Copy("kvsystemhelper.exe"));
  const DWORD high = helpers.Start(helpers.Copy("kvhigh.exe"), HIGH_PRIORITY_CLASS);
  const DWORD plain = helpers.Start(helpers.Copy("kvplain.exe"));
  ASSERT_TRUE(d1 && d2 && sys && high && plain);
  EXPECT_EQ(RowOf(list, "kvdup.exe"), -1);  // not before the next pass

  tab.Panel3TimerEvent();
  EXPECT_TRUE(Consistent(tab));
  const int dup = RowOf(list, "kvdup.exe");
  ASSERT_GE(dup, 0);
  // The path of whichever instance the snapshot meets first.
  std::string first_path;
  for (DWORD pid : test::SnapshotOrder()) {
    if (pid == d1 || pid == d2) {
      first_path = pid == d1 ? dup_a : dup_b;
      break;
    }
  }
  EXPECT_EQ(list.Cell(dup, 1), first_path);
  EXPECT_EQ(RowOf(list, "kvsystemhelper.exe"), -1);
  ASSERT_GE(RowOf(list, "kvhigh.exe"), 0);
  EXPECT_EQ(list.Cell(RowOf(list, "kvhigh.exe"), 2), kProcessHigh);
  ASSERT_GE(RowOf(list, "kvplain.exe"), 0);
  EXPECT_EQ(list.Cell(RowOf(list, "kvplain.exe"), 2), kProcessNormal);
  EXPECT_EQ(list.Cell(RowOf(list, "kvplain.exe"), 1), helpers.Folder() + "kvplain.exe");
  // New rows come last, in snapshot order after the rows already there.
  EXPECT_GT(RowOf(list, "kvplain.exe"), own);

  // One instance of two gone: the row stays.
  helpers.Kill(d1);
  tab.Panel3TimerEvent();
  EXPECT_GE(RowOf(list, "kvdup.exe"), 0);

  for (DWORD pid : {d2, high, plain}) helpers.Kill(pid);
  tab.Panel3TimerEvent();
  EXPECT_EQ(RowOf(list, "kvdup.exe"), -1);
  EXPECT_EQ(RowOf(list, "kvhigh.exe"), -1);
  EXPECT_EQ(RowOf(list, "kvplain.exe"), -1);
  EXPECT_GE(RowOf(list, OwnName()), 0);
  EXPECT_TRUE(Consistent(tab));
  EXPECT_FALSE(w.form().Busy().IsSet());
}

TEST(ProcessTab, EndingANameEndsEveryInstanceAfterYes) {
  test::HelperProcesses helpers;
  const DWORD d1 = helpers.Start(helpers.Copy("kvkill.exe", "a"));
  const DWORD d2 = helpers.Start(helpers.Copy("kvkill.exe", "b"));
  const DWORD other = helpers.Start(helpers.Copy("kvkeep.exe"));
  ASSERT_TRUE(d1 && d2 && other);
  test::MainWindow w;
  ProcessTab& tab = Tab3(w);
  ListView& list = tab.Panel3InfoList();
  w.form().SelectTab(TabId::Processes);
  ASSERT_GE(RowOf(list, "kvkill.exe"), 0);
  list.Select(RowOf(list, "kvkill.exe"));
  // The action takes its row from the tab's rows, not from texts read back from the list: a
  // location cell that reads as this program's changes nothing.
  list.SetCell(RowOf(list, "kvkill.exe"), 1, OwnExePath());

  const int passes = tab.PassCount();
  test::DialogScript script({test::DialogScript::Step{"确认", "是"}});
  tab.Panel3Button1Click();
  EXPECT_TRUE(script.Finished());
  ASSERT_EQ(script.Texts().size(), 1u);
  EXPECT_EQ(script.Texts()[0], std::string(kProcessAskBefore) + "kvkill.exe" + kProcessAskAfter);
  EXPECT_EQ(helpers.WaitExit(d1), 259u);
  EXPECT_EQ(helpers.WaitExit(d2), 259u);
  EXPECT_TRUE(helpers.Running(other));
  EXPECT_EQ(tab.PassCount(), passes + 1);  // the pass right after the ending
  // The row goes at the latest with the pass after the processes are gone.
  EXPECT_TRUE(test::PumpUntil([&] {
    tab.Panel3TimerEvent();
    return RowOf(list, "kvkill.exe") < 0;
  }));
  EXPECT_GE(RowOf(list, "kvkeep.exe"), 0);
  EXPECT_TRUE(Consistent(tab));
}

TEST(ProcessTab, NoAnswerEndsNothingAndRunsNoPass) {
  test::HelperProcesses helpers;
  const DWORD keep = helpers.Start(helpers.Copy("kvno.exe"));
  ASSERT_TRUE(keep);
  test::MainWindow w;
  ProcessTab& tab = Tab3(w);
  ListView& list = tab.Panel3InfoList();
  w.form().SelectTab(TabId::Processes);
  ASSERT_GE(RowOf(list, "kvno.exe"), 0);
  list.Select(RowOf(list, "kvno.exe"));
  const DWORD late = helpers.Start(helpers.Copy("kvlate.exe"));
  ASSERT_TRUE(late);
  // A fresh three seconds, so no tick falls inside the question.
  w.form().SetPanel3Timer(false);
  w.form().SetPanel3Timer(true);

  const int passes = tab.PassCount();
  test::DialogScript script({test::DialogScript::Step{"确认", "否"}});
  tab.Panel3Button1Click();
  EXPECT_TRUE(script.Finished());
  EXPECT_EQ(tab.PassCount(), passes);
  EXPECT_EQ(RowOf(list, "kvlate.exe"), -1);
  EXPECT_TRUE(helpers.Running(keep));
  EXPECT_EQ(SelectedCaption(list), "kvno.exe");
}

TEST(ProcessTab, OwnRowAndNoSelectionAreAnsweredWithMessages) {
  test::MainWindow w;
  ProcessTab& tab = Tab3(w);
  ListView& list = tab.Panel3InfoList();
  w.form().SelectTab(TabId::Processes);
  ASSERT_GE(RowOf(list, OwnName()), 0);

  ListView_SetItemState(list.hwnd(), -1, 0, LVIS_SELECTED);
  {
    test::DialogScript script({test::DialogScript::Step{"信息", "确定"}});
    tab.Panel3Button1Click();
    EXPECT_TRUE(script.Finished());
    EXPECT_EQ(script.Texts(), std::vector<std::string>{kProcessSelectFirst});
  }
  list.Select(RowOf(list, OwnName()));
  const int passes = tab.PassCount();
  w.form().SetPanel3Timer(false);
  w.form().SetPanel3Timer(true);
  {
    // Only the message; a question would be left unanswered and show up as a second text.
    test::DialogScript script({{"信息", "确定"}, {"确认", "否"}});
    tab.Panel3Button1Click();
    test::PumpFor(200);
    EXPECT_EQ(script.Texts(), std::vector<std::string>{kProcessOwnRow});
  }
  EXPECT_EQ(tab.PassCount(), passes);
  EXPECT_GE(RowOf(list, OwnName()), 0);
}

TEST(ProcessTab, HiddenTabRunsNoPassEvenWhenCalledDirectly) {
  test::HelperProcesses helpers;
  test::MainWindow w;
  ProcessTab& tab = Tab3(w);
  ListView& list = tab.Panel3InfoList();
  w.form().SelectTab(TabId::Processes);
  EXPECT_GT(tab.OpenProcessCount(), 0u);
  w.form().SelectTab(TabId::Startup);
  EXPECT_FALSE(w.form().Panel3TimerEnabled());
  EXPECT_EQ(tab.OpenProcessCount(), 0u) << "a hidden tab keeps no process open";
  const int rows = list.Count();
  const std::string label = tab.Panel3InfoLabelText();
  const int passes = tab.PassCount();
  ASSERT_TRUE(helpers.Start(helpers.Copy("kvhidden.exe")));
  tab.Panel3TimerEvent();
  test::PumpFor(50);
  EXPECT_EQ(tab.PassCount(), passes);
  EXPECT_EQ(list.Count(), rows);
  EXPECT_EQ(RowOf(list, "kvhidden.exe"), -1);
  EXPECT_EQ(tab.Panel3InfoLabelText(), label);
  EXPECT_FALSE(w.form().Busy().IsSet());
}

// What arrives while a pass lets messages run: another tab's selection, "继续", a close, a tick.
struct MidPass {
  TForm1* form = nullptr;
  int calls = 0;
  int passes_inside = -1;
};
MidPass g_mid_pass;

void CALLBACK ClicksDuringPass(HWND, UINT, UINT_PTR, DWORD) {
  MidPass& m = g_mid_pass;
  if (m.calls++ > 0) return;
  ProcessTab& tab = static_cast<ProcessTab&>(m.form->Tab(TabId::Processes));
  m.form->SelectTab(TabId::Startup);
  tab.Panel3Button2Click();
  ::SendMessageA(m.form->hwnd(), WM_CLOSE, 0, 0);
  tab.Panel3TimerEvent();
  m.passes_inside = tab.PassCount();
}

TEST(ProcessTab, ClicksAndTicksDuringAPassChangeNothing) {
  test::MainWindow w;
  g_mid_pass = MidPass{&w.form()};
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 1, &ClicksDuringPass);
  ::Sleep(30);  // due before the pass starts: its first look into the queue runs the timer
  w.form().SelectTab(TabId::Processes);
  ::KillTimer(nullptr, timer);
  ASSERT_GT(g_mid_pass.calls, 0);
  EXPECT_EQ(g_mid_pass.passes_inside, 1) << "a second pass ran inside the first";
  EXPECT_EQ(Tab3(w).PassCount(), 1);
  EXPECT_EQ(w.form().TabMarkerLeft(), 424) << "another tab was entered inside the pass";
  EXPECT_TRUE(::IsWindow(w.form().hwnd())) << "closed in the middle of a pass";
  EXPECT_TRUE(w.form().Panel3TimerEnabled());
  EXPECT_FALSE(w.form().Busy().IsSet());
  EXPECT_TRUE(Consistent(Tab3(w)));
}

TEST(ProcessTab, SelectionAndScrollSurvivePasses) {
  test::HelperProcesses helpers;
  std::vector<DWORD> pids;
  // Enough rows that the list scrolls.
  for (int i = 0; i < 24; ++i) pids.push_back(helpers.Start(helpers.Copy("kvrow" + std::to_string(i) + ".exe")));
  test::MainWindow w;
  ProcessTab& tab = Tab3(w);
  ListView& list = tab.Panel3InfoList();
  w.form().SelectTab(TabId::Processes);
  ASSERT_GE(RowOf(list, "kvrow20.exe"), 0);
  ListView_EnsureVisible(list.hwnd(), list.Count() - 1, FALSE);
  const int top = list.TopIndex();
  ASSERT_GT(top, 0);
  list.Select(RowOf(list, "kvrow20.exe"));

  tab.Panel3TimerEvent();  // nothing changed
  EXPECT_EQ(SelectedCaption(list), "kvrow20.exe");
  EXPECT_EQ(list.TopIndex(), top);

  // One row below the top goes, one new row comes at the end.
  helpers.Kill(pids[22]);
  ASSERT_TRUE(helpers.Start(helpers.Copy("kvrownew.exe")));
  tab.Panel3TimerEvent();
  EXPECT_EQ(RowOf(list, "kvrow22.exe"), -1);
  EXPECT_EQ(RowOf(list, "kvrownew.exe"), list.Count() - 1);
  EXPECT_EQ(SelectedCaption(list), "kvrow20.exe");
  EXPECT_EQ(list.TopIndex(), top);

  // A row above the selection goes: the selection moves up with its row.
  helpers.Kill(pids[0]);
  tab.Panel3TimerEvent();
  EXPECT_EQ(SelectedCaption(list), "kvrow20.exe");
  EXPECT_TRUE(Consistent(tab));
}

TEST(ProcessTab, EnteringAgainStartsAfreshAndContinueSelectsTabFour) {
  test::MainWindow w;
  ProcessTab& tab = Tab3(w);
  ListView& list = tab.Panel3InfoList();
  w.form().SelectTab(TabId::Processes);
  const int rows = list.Count();
  list.Select(0);
  w.form().SelectTab(TabId::Processes);
  EXPECT_EQ(list.Count(), rows);
  EXPECT_EQ(list.Selected(), -1);  // a fresh list
  EXPECT_EQ(ImageList_GetImageCount(w.form().ImageList1()) > 0, rows > 0);
  tab.Panel3Button2Click();
  EXPECT_EQ(w.form().TabMarkerLeft(), 568);
  EXPECT_FALSE(w.form().Panel3TimerEnabled());
}

TEST(ProcessTab, TimerKeepsTheListCurrent) {
  test::HelperProcesses helpers;
  test::MainWindow w;
  ProcessTab& tab = Tab3(w);
  ListView& list = tab.Panel3InfoList();
  w.form().SelectTab(TabId::Processes);
  const DWORD pid = helpers.Start(helpers.Copy("kvticked.exe"));
  ASSERT_TRUE(pid);
  EXPECT_TRUE(test::PumpUntil([&] { return RowOf(list, "kvticked.exe") >= 0; }, 8000));
  helpers.Kill(pid);
  EXPECT_TRUE(test::PumpUntil([&] { return RowOf(list, "kvticked.exe") < 0; }, 8000));
  EXPECT_TRUE(Consistent(tab));
}

}  // namespace
}  // namespace kv
