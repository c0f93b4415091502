#include "startup/startup_tab.h"

#include <algorithm>

#include "startup/form2a.h"
#include "startup/startup_actions.h"
#include "win/handles.h"
#include "sysaccess/programs.h"
#include "ui/context_menu.h"
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
const char kStartupDisableButton[] = "禁用启动项";
const char kStartupEnableButton[] = "启用启动项";
const char kStartupMenuDisable[] = "禁用";
const char kStartupMenuEnable[] = "启用";
const char kStartupMenuOpenFolder[] = "打开文件位置";

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
  // Where tab 4 has its first button, so the two tabs line up.
  button3_ = Panel1_.AddImageButton(182, 394, kStartupDisableButton, host_.ButtonImage(false), host_.ButtonImage(true),
                                    [this] { Panel1Button3Click(); });
  Panel1_.AddImageButton(350, 394, kStartupAddButton, host_.ButtonImage(false), host_.ButtonImage(true),
                         [this] { Panel1Button1Click(); });
  Panel1_.AddImageButton(518, 394, kStartupDeleteButton, host_.ButtonImage(false), host_.ButtonImage(true),
                         [this] { Panel1Button2Click(); });
  Panel1InfoList_.EnableRowTips();
  Panel1_.on_notify = [this](NMHDR* hdr) -> LRESULT {
    if (hdr->hwndFrom != Panel1InfoList_.hwnd()) return 0;
    // A fill's rows need no caption each; it is set once at the end.
    if (hdr->code == LVN_ITEMCHANGED && !host_.Busy().IsSet()) UpdateButton3();
    if (hdr->code == LVN_GETINFOTIPA) RowTip(*reinterpret_cast<NMLVGETINFOTIPA*>(hdr));
    return 0;
  };
  Panel1_.on_delete_key = [this] { Panel1Button2Click(); };
  Panel1_.on_refresh_key = [this] { Panel1Enter(); };
  Panel1_.on_context_menu = [this](HWND from, POINT at) {
    if (from == Panel1InfoList_.hwnd()) Panel1InfoListContextMenu(at);
  };
  Panel1_.on_command = [this](int id, int, HWND control) {
    if (!control) Panel1MenuClick(id);  // a menu item
  };
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
  UpdateButton3();
}

std::vector<size_t> StartupTab::ChosenRows() const {
  std::vector<size_t> chosen;
  const int count = std::min(Panel1InfoList_.Count(), static_cast<int>(rows_.size()));
  for (int i = 0; i < count; ++i)
    if (Panel1InfoList_.IsChecked(i)) chosen.push_back(static_cast<size_t>(i));
  const int selected = Panel1InfoList_.Selected();
  if (chosen.empty() && selected >= 0 && selected < count) chosen.push_back(static_cast<size_t>(selected));
  return chosen;
}

const StartupRow* StartupTab::SelectedRow() const {
  const int selected = Panel1InfoList_.Selected();
  return selected >= 0 && static_cast<size_t>(selected) < rows_.size() ? &rows_[static_cast<size_t>(selected)]
                                                                         : nullptr;
}

StartupStateChange StartupTab::Button3Change() const {
  const std::vector<size_t> chosen = ChosenRows();
  return !chosen.empty() && rows_[chosen.front()].disabled ? StartupStateChange::Enable : StartupStateChange::Disable;
}

const std::string& StartupTab::Button3Caption() const { return Panel1_.Buttons().At(button3_).label->text; }

void StartupTab::UpdateButton3() {
  const char* caption = Button3Change() == StartupStateChange::Enable ? kStartupEnableButton : kStartupDisableButton;
  Label& label = *Panel1_.Buttons().At(button3_).label;
  if (label.text != caption) Panel1_.Elements().SetText(label, caption);
}

void StartupTab::Panel1Button3Click() { ChangeState(Button3Change(), ChosenRows()); }

void StartupTab::ChangeState(StartupStateChange change, const std::vector<size_t>& chosen) {
  bool read_again = false;
  {
    const BusyFlag::Hold hold = host_.Busy().Take();
    if (!hold) return;
    if (chosen.empty()) {
      host_.Ui().ShowInfo(kStartupSelectOne);
      return;
    }
    std::vector<StartupRow> rows;
    for (const size_t i : chosen) rows.push_back(rows_[i]);
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    const uint64_t time = (static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    const StartupStateOutcome outcome = ChangeStartupState(host_.State(), rows, change, time);
    // The rows whose state was written change in place; the count follows.
    const bool disabled = change == StartupStateChange::Disable;
    for (const size_t k : outcome.changed) {
      const size_t i = chosen[k];
      StartupRow& row = rows_[i];
      row.disabled = disabled;
      row.disabled_since = disabled ? time : 0;
      row.access = StartupAccessText(host_.State(), row.source, disabled);
      Panel1InfoList_.SetCell(static_cast<int>(i), 2, row.access);
    }
    size_t disabled_rows = 0;
    for (const auto& row : rows_) disabled_rows += row.disabled;
    SetCountText(StartupCountText(rows_.size(), disabled_rows));
    UpdateButton3();
    const std::string message = StartupStateResultText(outcome);
    if (!message.empty()) host_.Ui().ShowInfo(message);
    // A restored entry is now a Run value, and its undo file may have made the undo folder.
    read_again = outcome.restored > 0;
  }
  if (read_again) Panel1Enter();
}

// A row that Task Manager disabled tells when; other rows keep the list's own tip.
void StartupTab::RowTip(NMLVGETINFOTIPA& tip) const {
  if (tip.iItem < 0 || static_cast<size_t>(tip.iItem) >= rows_.size() || !tip.pszText || tip.cchTextMax <= 0) return;
  const uint64_t since = rows_[static_cast<size_t>(tip.iItem)].disabled_since;
  if (!since) return;
  const FILETIME utc{static_cast<DWORD>(since & 0xFFFFFFFF), static_cast<DWORD>(since >> 32)};
  // By the zone's rule for daylight saving on that date; FileTimeToLocalFileTime applies today's bias.
  SYSTEMTIME universal{}, t{};
  if (!::FileTimeToSystemTime(&utc, &universal) || !::SystemTimeToTzSpecificLocalTime(nullptr, &universal, &t)) return;
  // After the list's own tip (a cut-off caption in full), if it has one.
  std::string text = tip.pszText;
  if (!text.empty()) text += "\r\n";
  text += StartupDisabledTip(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute);
  ::lstrcpynA(tip.pszText, text.c_str(), tip.cchTextMax);
}

void StartupTab::Panel1InfoListContextMenu(POINT at) {
  const StartupRow* row = SelectedRow();
  const AppState& state = host_.State();
  const bool can_disable = row && StartupChangeApplies(state, *row, StartupStateChange::Disable);
  const bool can_enable = row && StartupChangeApplies(state, *row, StartupStateChange::Enable);
  const bool has_file = row && !StartupProgramFile(state, *row).empty();
  ShowContextMenu(Panel1_.hwnd(), Panel1InfoList_.MenuPoint(at),
                  {{kMenuDisable, kStartupMenuDisable, can_disable},
                   {kMenuEnable, kStartupMenuEnable, can_enable},
                   {kMenuOpenFolder, kStartupMenuOpenFolder, has_file},
                   {kMenuDelete, kStartupDeleteButton, row != nullptr}});
}

// The menu is the selected row's: the right button selects the row under it, the keyboard opens
// it for the selected one. Its items act on that row alone, whatever else is ticked.
void StartupTab::Panel1MenuClick(int id) {
  const StartupRow* row = SelectedRow();
  if (!row) return;
  const std::vector<size_t> just_it{static_cast<size_t>(row - rows_.data())};
  switch (id) {
    case kMenuDisable:
      ChangeState(StartupStateChange::Disable, just_it);
      break;
    case kMenuEnable:
      ChangeState(StartupStateChange::Enable, just_it);
      break;
    case kMenuOpenFolder: {
      const std::string file = StartupProgramFile(host_.State(), *row);
      if (!file.empty()) ShowInExplorer(host_.State(), file);
      break;
    }
    case kMenuDelete:
      DeleteRows(just_it);
      break;
    default:
      break;
  }
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
  if (Panel1InfoList_.Count() == 0) return;
  DeleteRows(ChosenRows());
}

void StartupTab::DeleteRows(const std::vector<size_t>& chosen) {
  {
    const BusyFlag::Hold hold = host_.Busy().Take();
    if (!hold) return;
    if (chosen.empty()) {
      host_.Ui().ShowInfo(kStartupSelectOne);
      return;
    }
    // What is about to go is ticked, and stays ticked after a "No" for another try.
    for (const size_t i : chosen) Panel1InfoList_.SetChecked(static_cast<int>(i), true);
    if (host_.Ui().AskYesNo(kStartupConfirmDelete) == Answer::No) return;
    std::vector<StartupDeleteRow> rows;
    for (const size_t i : chosen) rows.push_back({rows_[i].caption, rows_[i].source});
    const StartupDeleteOutcome outcome = DeleteStartupEntries(host_.State(), rows, [] { PumpMessages(); });
    host_.Ui().ShowInfo(StartupDeleteResultText(outcome));
    // Nothing changed when the backup failed: the ticks stay for another try.
    if (outcome.backup_failed) return;
  }
  Panel1Enter();
}

}  // namespace kv
