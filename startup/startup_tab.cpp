#include "startup/startup_tab.h"

#include <algorithm>

#include "startup/form2a.h"
#include "startup/startup_actions.h"
#include "win/handles.h"
#include "sysaccess/programs.h"
#include "ui/pump.h"
#include "ui/tab_fill.h"

namespace kv {

const char kStartupColumnProgram[] = "程序";
const char kStartupColumnCommand[] = "位置/命令";
const char kStartupColumnAccess[] = "访问";
const char kStartupInitialCount[] = "找到0个自动启动项目";
const char kStartupAddButton[] = "添加启动项";
const char kStartupDeleteButton[] = "删除启动项";
const char kStartupSelectOne[] = "请选择一个项目。";
const char kStartupConfirmDelete[] = "你确定你想要从自动启动中删除选中的程序？";

namespace {
constexpr int kInfoListId = 1101;
constexpr int kCountLabelRight = 564 + 114;
}

void StartupTab::Create() {
  Panel1_.Create(host_.MainWindow());
  Panel1InfoList_.Create(Panel1_.hwnd(), RECT{8, 8, 8 + 673, 8 + 345},
                         {{kStartupColumnProgram, 180}, {kStartupColumnCommand, 370}, {kStartupColumnAccess, 90}},
                         true, host_.ImageList1(), kInfoListId);
  Panel1InfoLabel_ = &Panel1_.AddCountLabel(kCountLabelRight, 362, kCountLabelWidth, 14, kStartupInitialCount);
  Panel1UndoLabel_ = &Panel1_.AddUndoLink(10, 362, [this] { host_.UndoLabelClick(); });
  Panel1_.AddImageButton(350, 394, kStartupAddButton, host_.ButtonImage(false), host_.ButtonImage(true),
                         [this] { Panel1Button1Click(); });
  Panel1_.AddImageButton(518, 394, kStartupDeleteButton, host_.ButtonImage(false), host_.ButtonImage(true),
                         [this] { Panel1Button2Click(); });
  // One shell link object for the program's life; without it every shortcut reads as not loadable.
  links_.Create();
}

void StartupTab::AddRow(const StartupRow& row) {
  const int image = row.own_icon ? icons_.IndexFor(row.icon_path) : icons_.GenericIndex();
  const int index = Panel1InfoList_.AddRow(row.caption, image);
  if (index < 0) return;  // kept only when listed: row i of the list stays rows_[i]
  Panel1InfoList_.SetCell(index, 1, row.command);
  Panel1InfoList_.SetCell(index, 2, row.access);
  rows_.push_back(row);
  Panel1InfoList_.FillTick();
}

// The label keeps its right edge and grows to the left when the text is wider than its box, so
// the disabled count is never cut off.
void StartupTab::SetCountText(const std::string& text) {
  ElementHost& elements = Panel1_.Elements();
  Label& label = *Panel1InfoLabel_;
  RECT need{0, 0, 0, 0};
  {
    const WindowDc dc(Panel1_.hwnd());
    const SelectedObject font(dc.get(), label.font);
    ::DrawTextA(dc.get(), text.c_str(), static_cast<int>(text.size()), &need,
                DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  }
  const int width = std::max<int>(kCountLabelWidth, need.right + 2);
  elements.Invalidate(label);
  label.rect.left = label.rect.right - width;
  elements.Invalidate(label);
  elements.SetText(label, text);
}

void StartupTab::Panel1Enter() {
  TabFill fill(host_, Panel1_, Panel1InfoList_, icons_, TabFill::Wait::None);
  if (!fill) return;
  rows_.clear();
  const StartupReadResult read =
      ReadStartupEntries(host_.State(), &links_, [this](const StartupRow& row) { AddRow(row); }, PacedPump());
  // The count label grows to the left for a long text, so it is set here rather than by Finish.
  SetCountText(StartupCountText(rows_.size(), read.disabled));
  ShowUndoLink(host_, Panel1_, *Panel1UndoLabel_);
}

void StartupTab::Panel1Button1Click() {
  bool added = false;
  {
    const BusyFlag::Hold hold = host_.Busy().Take();
    if (!hold) return;
    TForm2a form(host_.Ui());
    form.BrowseFolder = host_.State().ProgramFilesFolder;
    form.Apply = [&form] { return StartupAddResultText(AddStartupEntry(form.ProgramPath, form.CurrentUser)); };
    added = form.Execute(host_.MainWindow());
  }
  if (added) Panel1Enter();
}

void StartupTab::Panel1Button2Click() {
  const int count = Panel1InfoList_.Count();
  if (count == 0) return;
  {
    const BusyFlag::Hold hold = host_.Busy().Take();
    if (!hold) return;
    bool any_checked = false;
    for (int i = 0; i < count && !any_checked; ++i) any_checked = Panel1InfoList_.IsChecked(i);
    if (!any_checked) {
      const int selected = Panel1InfoList_.Selected();
      if (selected < 0) {
        host_.Ui().ShowInfo(kStartupSelectOne);
        return;
      }
      Panel1InfoList_.SetChecked(selected, true);
    }
    if (host_.Ui().AskYesNo(kStartupConfirmDelete) == Answer::No) return;

    std::vector<StartupDeleteRow> chosen;
    for (int i = 0; i < count; ++i) {
      PumpMessages();
      const auto row = static_cast<size_t>(i);
      if (row >= rows_.size() || !Panel1InfoList_.IsChecked(i)) continue;
      chosen.push_back({rows_[row].caption, rows_[row].source});
    }
    const StartupDeleteOutcome outcome = DeleteStartupEntries(host_.State(), chosen, [] { PumpMessages(); });
    host_.Ui().ShowInfo(StartupDeleteResultText(outcome));
    // Nothing changed when the backup failed: the ticks stay for another try.
    if (outcome.backup_failed) return;
  }
  Panel1Enter();
}

}  // namespace kv
