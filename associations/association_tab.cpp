#include "associations/association_tab.h"

#include "associations/association_actions.h"
#include "associations/association_reader.h"
#include "associations/form2b.h"
#include "sysaccess/programs.h"
#include "sysaccess/text_rules.h"
#include "ui/fonts.h"
#include "ui/pump.h"
#include "ui/row_icons.h"
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
  Panel4FindEdit_ = EditBox(::CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "",
                                              WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, 40, 360, 80, 22,
                                              panel, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFindEditId)),
                                              ::GetModuleHandleA(nullptr), nullptr));
  ::SendMessageA(Panel4FindEdit_.hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(GetFont("Arial", 12)), FALSE);
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
  Panel4_.on_notify = [this](NMHDR* hdr) -> LRESULT {
    if (hdr->hwndFrom == Panel4InfoList_.hwnd() && hdr->code == NM_DBLCLK) Panel4Button2Click();
    return 0;
  };
}

void AssociationTab::Panel4Enter() {
  const BusyFlag::Hold busy = host_.Busy().Take();
  if (!busy) return;
  Panel4InfoList_.Clear();
  rows_.clear();
  captions_.clear();
  ImageList_RemoveAll(host_.ImageList1());
  Panel4_.BringToFront();
  {
    ReadingGuard guard(host_.Ui());
    ReadAssociations();
  }
  ShowUndoLink();
}

void AssociationTab::ReadAssociations() {
  const AppState& state = host_.State();
  RowIcons icons(host_.ImageList1(), host_.Icons());
  // The list fills behind the wait window: repainting it twice a second is enough, and each
  // repaint costs about as much as reading a few dozen rows.
  DWORD last_tick = ::GetTickCount();
  Panel4InfoList_.BeginFill();
  ScopeExit end_fill([this] { Panel4InfoList_.EndFill(); });
  const int rows = ReadAssociationRows(
      PathFolders{state.WindowsFolder, state.ProfileFolder},
      [&](const AssociationRow& r) {
        const int row = Panel4InfoList_.AddRow(r.extension, icons.IndexFor(r.icon_path));
        Panel4InfoList_.SetCell(row, 1, r.user_choice.empty() ? r.description : r.description + kUserChoiceMark);
        Panel4InfoList_.SetCell(row, 2, r.command);
        rows_.push_back(r);
        captions_.push_back(r.extension);
        if (::GetTickCount() - last_tick >= 500) {
          last_tick = ::GetTickCount();
          Panel4InfoList_.FillTick();
        }
      },
      PacedPump());
  Panel4_.Elements().SetText(*Panel4InfoLabel_, ToDecimal(rows) + kAssociationCountSuffix);
}

void AssociationTab::Panel4FindEditChange() {
  if (host_.Busy().IsSet() || Panel4InfoList_.Count() == 0) return;
  const std::string text = Panel4FindEdit_.Text();
  if (text.empty()) return;
  const int match = FindAssociationRow(captions_, text);
  if (match < 0) return;
  const HWND list = Panel4InfoList_.hwnd();
  ::SendMessageA(list, WM_VSCROLL, SB_TOP, 0);
  // Some list views ignore SB_TOP (Wine's does); the scroll must start from the first row.
  if (Panel4InfoList_.TopIndex() > 0) ::SendMessageA(list, LVM_ENSUREVISIBLE, 0, FALSE);
  if (match == 0) return;
  // One scroll by `match` lines, as one line down per row above the match would end: a list view
  // does work in proportion to its rows for every line it scrolls (10,000 lines down through
  // 10,000 rows took minutes under Wine). The view still stops at its last page.
  RECT first{};
  first.left = LVIR_BOUNDS;
  if (!::SendMessageA(list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first))) return;
  const int line = first.bottom - first.top;
  ::SendMessageA(list, LVM_SCROLL, 0, static_cast<LPARAM>(match) * line);
}

bool AssociationTab::RunForm2b(std::uint8_t mode, const std::string& extension, const std::string& description,
                               const std::string& program) {
  TForm2b form(host_.Ui());
  if (!form.Create(host_.MainWindow())) return false;
  form.Mode = mode;
  form.Extension = extension;
  form.Description = description;
  form.ProgramText = program;
  form.BrowseFolder = host_.State().ProgramFilesFolder;
  return form.Run(host_.MainWindow());
}

void AssociationTab::Panel4Button1Click() {
  bool saved = false;
  {
    const BusyFlag::Hold busy = host_.Busy().Take();
    if (!busy) return;
    saved = RunForm2b(kModeAdd, "", "", "");
  }
  if (saved) Panel4Enter();
}

void AssociationTab::Panel4Button2Click() {
  bool saved = false;
  {
    const BusyFlag::Hold busy = host_.Busy().Take();
    const int row = busy ? SelectedRowOrSay() : -1;
    if (row < 0) return;
    const AssociationRow& r = rows_[static_cast<size_t>(row)];
    if (!r.user_choice.empty() && host_.Ui().AskYesNo(UserChoiceEditQuestion(r.extension, r.user_choice)) == Answer::Yes)
      OpenDefaultAppsSettings();
    // The extension's own type is what the edit changes, so that is what the dialog shows.
    saved = RunForm2b(kModeEdit, r.extension, r.own_description, r.own_command);
  }
  if (saved) Panel4Enter();
}

void AssociationTab::Panel4Button3Click() {
  KeyDeleteOutcome outcome;
  {
    const BusyFlag::Hold busy = host_.Busy().Take();
    const int row = busy ? SelectedRowOrSay() : -1;
    if (row < 0) return;
    const std::string extension = rows_[static_cast<size_t>(row)].extension;
    if (host_.Ui().AskYesNo(DeleteAssociationQuestion(extension)) != Answer::Yes) return;
    outcome = DeleteAssociation(host_.State(), extension);
    host_.Ui().ShowInfo(KeyDeleteMessage(outcome));
  }
  // Nothing changed without a backup: the list stays as it is.
  if (outcome.result == KeyDeleteResult::NoBackup || outcome.result == KeyDeleteResult::Refused)
    ShowUndoLink();
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

void AssociationTab::ShowUndoLink() {
  Panel4_.Elements().SetVisible(*Panel4UndoLabel_, DirectoryExists(host_.State().UndoFolder));
}

}  // namespace kv
