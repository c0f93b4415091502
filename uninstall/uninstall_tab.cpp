#include "uninstall/uninstall_tab.h"

#include <shellapi.h>

#include <utility>

#include "sysaccess/path_rules.h"
#include "sysaccess/programs.h"
#include "sysaccess/text_rules.h"
#include "ui/fonts.h"
#include "ui/pump.h"
#include "ui/tab_fill.h"
#include "ui/undo_messages.h"
#include "uninstall/uninstall_actions.h"
#include "uninstall/uninstall_reader.h"
#include "uninstall/uninstall_record_rules.h"

namespace kv {

const char kPanel2ColumnProgram[] = "程序";
const char kPanel2ColumnCommand[] = "位置/命令";
const char kPanel2ColumnInstalled[] = "安装";
const char kPanel2Check1Text[] = "所有程序";
const char kPanel2Check2Text[] = "隐藏Windows更新";
const char kPanel2Check3Text[] = "只有工具栏";
const char kPanel2InfoStart[] = "找到0个已安装程序";
const char kPanel2CountSuffix[] = "个安装程序";
const char kPanel2Button1Text[] = "软件卸载";
const char kPanel2Button2Text[] = "删除记录";
const char kUninstallQuestion[] = "Are you sure you want to uninstall";
const char kUninstallFallbackInfo[] = "按确定时，该程序将被卸载。";
const char kDeleteRecordQuestion[] = "您确定要删除卸载记录 ";

namespace {

constexpr int kListId = 200;
constexpr int kCheckIds[3] = {201, 202, 203};

}  // namespace

std::string UninstallQuestion(const std::string& caption) {
  return std::string(kUninstallQuestion) + "\r" + caption + " ?";
}

std::string DeleteRecordQuestion(const std::string& caption) {
  return std::string(kDeleteRecordQuestion) + "\"" + caption + "\" ?";
}

void UninstallTab::Create() {
  Panel2_.Create(host_.MainWindow());
  HWND panel = Panel2_.hwnd();
  Panel2InfoList_.Create(panel, RECT{8, 8, 8 + 673, 8 + 345},
                         {{kPanel2ColumnProgram, 200}, {kPanel2ColumnCommand, 362},
                          {kPanel2ColumnInstalled, 90, LVCFMT_CENTER}},
                         false, host_.ImageList1(), kListId);

  const struct {
    int x, w;
    const char* text;
  } radios[3] = {{8, 82, kPanel2Check1Text}, {104, 150, kPanel2Check2Text}, {264, 88, kPanel2Check3Text}};
  for (size_t i = 0; i < 3; ++i) {
    const DWORD style = WS_TABSTOP | BS_AUTORADIOBUTTON | (i == 0 ? WS_GROUP : 0);
    checks_[i] = CheckButton(CreateControl(panel, "BUTTON", radios[i].text, style,
                                           RECT{radios[i].x, 362, radios[i].x + radios[i].w, 362 + 17}, kCheckIds[i],
                                           GetFont("Arial", 11)));
  }
  checks_[1].SetChecked(true);
  Panel2_.on_delete_key = [this] { Panel2Button2Click(); };
  Panel2_.on_refresh_key = [this] { Panel2Enter(); };
  Panel2_.on_command = [this](int id, int code, HWND) {
    if (code != BN_CLICKED) return;
    for (int check : kCheckIds)
      if (id == check) Panel2Enter();
  };

  Panel2InfoLabel_ = &Panel2_.AddCountLabel(576 + 102, 362, 102, 14, kPanel2InfoStart);
  Panel2UndoLabel_ = &Panel2_.AddUndoLink(8, 390, [this] { host_.UndoLabelClick(); });
  Panel2_.AddImageButton(350, 394, kPanel2Button1Text, host_.ButtonImage(false), host_.ButtonImage(true),
                         [this] { Panel2Button1Click(); });
  Panel2_.AddImageButton(518, 394, kPanel2Button2Text, host_.ButtonImage(false), host_.ButtonImage(true),
                         [this] { Panel2Button2Click(); });
}

UninstallFilter UninstallTab::SelectedFilter() const {
  if (checks_[0].IsChecked()) return UninstallFilter::AllPrograms;
  if (checks_[2].IsChecked()) return UninstallFilter::OnlyToolbars;
  return UninstallFilter::HideUpdates;
}

void UninstallTab::Panel2Enter() {
  TabFill fill(host_, Panel2_, Panel2InfoList_, row_icons_, TabFill::Wait::WaitWindow);
  if (!fill) return;
  AppState& state = host_.State();
  ScratchList_.clear();
  // The main window is disabled throughout, so the filter cannot change under the reading.
  const UninstallFilter filter = SelectedFilter();
  const PathFolders folders{state.WindowsFolder, state.ProfileFolder};
  ReadInstalledPrograms(
      state, filter,
      [&](InstalledProgram& p) {
        const std::string& icon_source = p.has_display_icon ? p.display_icon : p.fields.command;
        // Icon files under the system folder must be the real ones, not the 32-bit redirection.
        const int image = row_icons_.IndexFor(ExtractProgramPath(icon_source, folders), &state);
        const int row = Panel2InfoList_.AddRow(p.fields.display_name, image);
        if (row < 0) return;  // no row, no record: row i keeps describing record i
        Panel2InfoList_.SetCell(row, 1, p.fields.command);
        Panel2InfoList_.SetCell(row, 2, FormatInstallDate(p.install_date));
        ScratchList_.push_back(std::move(p.fields));
        fill.RowAdded();
        if (after_row) after_row();
      },
      PacedPump());
  fill.Finish(*Panel2InfoLabel_, ToDecimal(static_cast<long long>(ScratchList_.size())) + kPanel2CountSuffix,
              Panel2UndoLabel_);
}

std::optional<UninstallFields> UninstallTab::SelectedRecord() const {
  if (Panel2InfoList_.Count() == 0) return std::nullopt;
  const int row = Panel2InfoList_.Selected();
  if (row < 0 || static_cast<size_t>(row) >= ScratchList_.size()) return std::nullopt;
  return ScratchList_[static_cast<size_t>(row)];
}

void UninstallTab::Panel2Button1Click() {
  {
    const BusyFlag::Hold hold = host_.Busy().Take();
    if (!hold) return;
    const std::optional<UninstallFields> record = SelectedRecord();
    if (!record) return;
    Dialogs& ui = host_.Ui();
    if (ui.AskYesNo(UninstallQuestion(record->display_name)) != Answer::Yes) return;
    if (!RunUninstaller(host_.State(), *record)) {
      ::ShellExecuteA(host_.MainWindow(), "open", (host_.State().SystemFolder + "control.exe").c_str(), "appwiz.cpl",
                      nullptr, SW_SHOWNORMAL);
      ui.ShowInfo(kUninstallFallbackInfo);
    }
  }
  Panel2Enter();
}

void UninstallTab::Panel2Button2Click() {
  {
    const BusyFlag::Hold hold = host_.Busy().Take();
    if (!hold) return;
    const std::optional<UninstallFields> record = SelectedRecord();
    if (!record) return;
    Dialogs& ui = host_.Ui();
    if (ui.AskYesNo(DeleteRecordQuestion(record->display_name)) != Answer::Yes) return;
    ui.ShowInfo(KeyDeleteMessage(DeleteUninstallRecord(host_.State(), *record)));
  }
  Panel2Enter();
}

}  // namespace kv
