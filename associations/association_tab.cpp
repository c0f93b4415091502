#include "associations/association_tab.h"

#include "associations/association_actions.h"
#include "associations/association_reader.h"
#include "associations/form2b.h"
#include "sysaccess/programs.h"
#include "sysaccess/text_rules.h"
#include "ui/fonts.h"
#include "ui/pump.h"
#include "ui/tab_fill.h"
#include "ui/undo_messages.h"

namespace kv {

const char kExtensionColumn[] = "扩展";
const char kDescriptionColumn[] = "说明";
const char kProgramColumn[] = "程序";
const char kFindLabelText[] = "查找";
const char kAssociationCountInitial[] = "找到0个文件关联";
const char kAssociationCountSuffix[] = "个关联";
const char kAddButtonCaption[] = "添加";
const char kEditButtonCaption[] = "编辑";
const char kDeleteButtonCaption[] = "删除";
const char kSelectAssociationText[] = "请选择一个关联！";
const char kUserChoiceMark[] = " [用户选择]";
const char kSaveNeedsAdminRights[] = "需要管理员权限才能保存此关联，未更改任何内容。";
const char kSavedPartly[] = "无法完整保存此关联：四项中只写入了";

namespace {
constexpr int kListId = 401;
constexpr int kFindEditId = 402;
}  // namespace

std::string DeleteAssociationQuestion(const std::string& extension) {
  return "您确定要删除关联 \"" + extension + "\" ?";
}

std::string UserChoiceEditQuestion(const std::string& extension, const std::string& prog_id) {
  return "Windows 按您在默认应用设置中的选择（" + prog_id + "）打开 \"" + extension + "\" 文件。\r" +
         "此处的编辑要在 Windows 的默认应用设置中更改该选择后才会生效。\r" + "现在打开默认应用设置吗？";
}

void AssociationTab::Create() {
  Panel4_.Create(host_.MainWindow());
  const HWND panel = Panel4_.hwnd();
  Panel4InfoList_.Create(panel, RECT{8, 8, 8 + 673, 8 + 345},
                         {{kExtensionColumn, 80}, {kDescriptionColumn, 200}, {kProgramColumn, 360}}, false,
                         host_.ImageList1(), kListId);

  ElementHost& elements = Panel4_.Elements();
  Panel4FindLabel_ = &elements.AddLabel(8, 364, 30, 14, kFindLabelText, GetFont("Arial", 12));
  Panel4FindEdit_ = EditBox(CreateControl(panel, "EDIT", "", WS_TABSTOP | ES_AUTOHSCROLL,
                                          RECT{40, 360, 40 + 80, 360 + 22}, kFindEditId, GetFont("Arial", 12),
                                          WS_EX_CLIENTEDGE));
  Panel4UndoLabel_ = &Panel4_.AddUndoLink(136, 364, [this] { host_.UndoLabelClick(); });
  Panel4InfoLabel_ = &Panel4_.AddCountLabel(678, 364, 200, 14, kAssociationCountInitial);

  const HBITMAP normal = host_.ButtonImage(false);
  const HBITMAP hover = host_.ButtonImage(true);
  Panel4_.AddImageButton(182, 394, kAddButtonCaption, normal, hover, [this] { Panel4Button1Click(); });
  Panel4_.AddImageButton(350, 394, kEditButtonCaption, normal, hover, [this] { Panel4Button2Click(); });
  Panel4_.AddImageButton(518, 394, kDeleteButtonCaption, normal, hover, [this] { Panel4Button3Click(); });

  Panel4_.on_command = [this](int id, int code, HWND) {
    if (id == kFindEditId && code == EN_CHANGE) Panel4FindEditChange();
  };
  Panel4_.on_delete_key = [this] { Panel4Button3Click(); };
  Panel4_.on_refresh_key = [this] { Panel4Enter(); };
  Panel4_.on_notify = [this](NMHDR* hdr) -> LRESULT {
    if (hdr->hwndFrom == Panel4InfoList_.hwnd() && hdr->code == NM_DBLCLK) Panel4Button2Click();
    return 0;
  };
}

void AssociationTab::Panel4Enter() {
  TabFill fill(host_, Panel4_, Panel4InfoList_, icons_, TabFill::Wait::WaitWindow);
  if (!fill) return;
  rows_.clear();
  ReadAssociations(fill);
}

void AssociationTab::ReadAssociations(TabFill& fill) {
  const AppState& state = host_.State();
  const ReadResult read = ReadAssociationRows(
      PathFolders{state.WindowsFolder, state.ProfileFolder},
      [&](const AssociationRow& r) {
        const int row = Panel4InfoList_.AddRow(r.extension, icons_.IndexFor(r.icon_path));
        Panel4InfoList_.SetCell(row, 1, r.user_choice.empty() ? r.description : r.description + kUserChoiceMark);
        Panel4InfoList_.SetCell(row, 2, r.command);
        rows_.push_back(r);
        fill.RowAdded();
      },
      PacedPump());
  fill.Finish(*Panel4InfoLabel_, ToDecimal(static_cast<long long>(read.rows)) + kAssociationCountSuffix,
              Panel4UndoLabel_);
}

void AssociationTab::Panel4FindEditChange() {
  if (host_.Busy().IsSet() || Panel4InfoList_.Count() == 0) return;
  const std::string text = Panel4FindEdit_.Text();
  if (text.empty()) return;
  const int match = FindAssociationRow(rows_, text);
  if (match >= 0) Panel4InfoList_.ScrollRowToTop(match);
}

bool AssociationTab::RunForm2b(AssociationMode mode, const std::string& extension, const std::string& description,
                               const std::string& program) {
  TForm2b form(host_.Ui());
  if (!form.Create(host_.MainWindow())) return false;
  form.Mode = mode;
  form.Extension = extension;
  form.Description = description;
  form.ProgramText = program;
  form.BrowseFolder = host_.State().ProgramFilesFolder;
  const std::string listed_command = mode == kModeEdit ? program : "";
  AssociationSaveOutcome outcome;
  form.Apply = [&]() -> std::string {
    outcome = SaveAssociation(mode, form.Extension, form.Description, form.ProgramText, listed_command);
    return outcome.result == AssociationSaved::Refused ? kSaveNeedsAdminRights : "";
  };
  const bool saved = form.Run(host_.MainWindow());
  // Some values went: the list is read again, and the user told how far the save got.
  if (saved && outcome.result == AssociationSaved::Partly)
    host_.Ui().ShowInfo(kSavedPartly + ToDecimal(outcome.written) + "项。");
  return saved;
}

void AssociationTab::Panel4Button1Click() {
  bool saved = false;
  {
    const BusyFlag::Hold hold = host_.Busy().Take();
    if (!hold) return;
    saved = RunForm2b(kModeAdd, "", "", "");
  }
  if (saved) Panel4Enter();
}

void AssociationTab::Panel4Button2Click() {
  bool saved = false;
  {
    const BusyFlag::Hold hold = host_.Busy().Take();
    const int row = hold ? SelectedRowOrSay() : -1;
    if (row < 0) return;
    const AssociationRow& r = rows_[static_cast<size_t>(row)];
    if (!r.user_choice.empty() && host_.Ui().AskYesNo(UserChoiceEditQuestion(r.extension, r.user_choice)) == Answer::Yes)
      OpenDefaultAppsSettings(host_.State());
    // The extension's own type is what the edit changes, so that is what the dialog shows.
    saved = RunForm2b(kModeEdit, r.extension, r.own_description, r.own_command);
  }
  if (saved) Panel4Enter();
}

void AssociationTab::Panel4Button3Click() {
  KeyDeleteOutcome outcome;
  {
    const BusyFlag::Hold hold = host_.Busy().Take();
    const int row = hold ? SelectedRowOrSay() : -1;
    if (row < 0) return;
    const std::string extension = rows_[static_cast<size_t>(row)].extension;
    if (host_.Ui().AskYesNo(DeleteAssociationQuestion(extension)) != Answer::Yes) return;
    outcome = DeleteAssociation(host_.State(), extension);
    host_.Ui().ShowInfo(KeyDeleteMessage(outcome));
  }
  // Nothing changed without a backup: the list stays as it is.
  if (outcome.result == KeyDeleteResult::NoBackup || outcome.result == KeyDeleteResult::Refused)
    ShowUndoLink(host_, Panel4_, *Panel4UndoLabel_);
  else
    Panel4Enter();
}

int AssociationTab::SelectedRowOrSay() {
  if (Panel4InfoList_.Count() == 0) return -1;
  const int row = Panel4InfoList_.Selected();
  if (row >= static_cast<int>(rows_.size())) return -1;
  if (row < 0) host_.Ui().ShowInfo(kSelectAssociationText);
  return row;
}


}  // namespace kv
