#include "processes/process_tab.h"

#include "processes/process_actions.h"
#include "processes/process_reader.h"
#include "win/handles.h"
#include "sysaccess/path_rules.h"
#include "ui/pump.h"
#include "ui/tab_fill.h"

namespace kv {

namespace {
constexpr int kPanel3InfoListId = 301;

}  // namespace

ProcessTab::ProcessTab(TabHost& host) : host_(host), icons_(host.ImageList1(), host.Icons()) {}

void ProcessTab::Create() {
  Panel3_.Create(host_.MainWindow());
  Panel3InfoList_.Create(Panel3_.hwnd(), RECT{8, 8, 8 + 673, 8 + 345},
                         {{kProcessColumnProgram, 180},
                          {kProcessColumnLocation, 370},
                          {kProcessColumnPriority, 90, LVCFMT_CENTER}},
                         false, host_.ImageList1(), kPanel3InfoListId);
  Panel3InfoLabel_ = &Panel3_.AddCountLabel(678, 362, 200, 14, kProcessCountDesign);
  Panel3_.AddImageButton(350, 394, kProcessKillCaption, host_.ButtonImage(false), host_.ButtonImage(true),
                         [this] { Panel3Button1Click(); });
  Panel3_.AddImageButton(518, 394, kProcessContinueCaption, host_.ButtonImage(false), host_.ButtonImage(true),
                         [this] { Panel3Button2Click(); });
  Panel3_.on_delete_key = [this] { Panel3Button1Click(); };
  Panel3_.on_refresh_key = [this] { Panel3Enter(); };
}

void ProcessTab::Panel3Enter() {
  TabFill fill(host_, Panel3_, Panel3InfoList_, icons_, TabFill::Wait::None);
  if (!fill) return;
  rows_.Clear();
  host_.SetPanel3Timer(true);
  RunPass();
}

// The open handles of the listed processes keep ended processes' objects alive; a hidden tab has
// no use for them, and the next enter reads every process afresh anyway.
void ProcessTab::Leave() { known_.Clear(); }

void ProcessTab::Panel3TimerEvent() {
  if (!host_.Panel3TimerEnabled()) return;
  // A tick during a reading or an action (a pass lets messages run) is dropped.
  const BusyFlag::Hold hold = host_.Busy().Take();
  if (!hold) return;
  RunPass();
}

void ProcessTab::RunPass() {
  const AppState& state = host_.State();
  ++passes_;

  const PathFolders folders{state.WindowsFolder, state.ProfileFolder};
  bool changing = false;  // an idle pass leaves the list untouched, not even redrawn
  auto begin_change = [&] {
    if (!changing) Panel3InfoList_.BeginFill();
    changing = true;
  };

  // A row for each name the list does not show yet; a further process of a name that already has
  // its row changes nothing, so it is not looked at.
  NameSet seen;
  const RowSink<ProcessEntry> sink(
      [&](const ProcessEntry& e) {
        seen.Add(e.name);
        if (rows_.Find(e.name) >= 0) return;
        begin_change();
        const int image = icons_.IndexFor(ExtractProgramPath(e.path, folders));
        const int row = Panel3InfoList_.AddRow(e.name, image);
        if (row < 0) return;
        Panel3InfoList_.SetCell(row, 1, e.path);
        Panel3InfoList_.SetCell(row, 2, e.HighPriority() ? kProcessHigh : kProcessNormal);
        rows_.Append({e.name, e.path});
        Panel3InfoList_.FillTick();
      },
      [&](const std::string& name) { return !(seen.Contains(name) && rows_.Find(name) >= 0); });
  ReadProcesses(&known_, sink, PacedPump(15));

  const std::vector<size_t> gone = rows_.Vanished(seen);
  if (!gone.empty()) begin_change();
  for (size_t row : gone) Panel3InfoList_.DeleteRow(static_cast<int>(row));
  rows_.Remove(gone);
  if (changing) Panel3InfoList_.EndFill();

  const std::string count = ProcessCountText(rows_.Size());
  if (Panel3InfoLabel_->text != count) Panel3_.Elements().SetText(*Panel3InfoLabel_, count);
}

void ProcessTab::Panel3Button1Click() {
  const BusyFlag::Hold hold = host_.Busy().Take();
  if (!hold) return;
  const int selected = Panel3InfoList_.Selected();
  if (selected < 0 || static_cast<size_t>(selected) >= rows_.Size()) {
    host_.Ui().ShowInfo(kProcessSelectFirst);
    return;
  }
  const ProcessRow row = rows_.Row(static_cast<size_t>(selected));
  if (row.path == OwnExePath()) {
    host_.Ui().ShowInfo(kProcessOwnRow);
    return;
  }
  if (host_.Ui().AskYesNo(kProcessAskBefore + row.name + kProcessAskAfter) != Answer::Yes) return;
  // The pass opens the ended processes afresh rather than listing them from memory while the
  // system still lists them, and holds none of them open.
  known_.Forget(EndProcessesNamed(row.name));
  RunPass();
}

void ProcessTab::Panel3Button2Click() { host_.SelectTab(TabId::Associations); }

}  // namespace kv
