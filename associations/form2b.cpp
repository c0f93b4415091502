#include "associations/form2b.h"

#include <commctrl.h>
#include <commdlg.h>

#include "associations/association_store.h"
#include "sysaccess/programs.h"
#include "ui/fonts.h"

namespace kv {

const char kForm2bCaption[] = "文件关联";
const char kForm2bAddCaption[] = "添加新的关联";
const char kForm2bEditCaption[] = "编辑关联";
const char kForm2bExtensionLabel[] = "扩展：";
const char kForm2bDescriptionLabel[] = "说明：";
const char kForm2bProgramLabel[] = "指定程序：";
const char kForm2bSelectCaption[] = "...";
const char kForm2bSaveCaption[] = "保存";
const char kForm2bCancelCaption[] = "取消";
const char kNoExtensionText[] = "请指定一个扩展！";
const char kNoDescriptionText[] = "请指定一个说明！";
const char kNoProgramText[] = "请指定一个程序！";
const char kNoDotText[] = "扩展应该开始点！";
const char kBackslashText[] = "在扩展中的无效符号 \"\\\" ！";
const char kFileNotFoundText[] = "文件未找到！";
const char kReplaceQuestion[] = "该关联已经存在！你确定你想要新替换？";
const char kAddQuestion[] = "您确定要添加新的关联？";
const char kSaveQuestion[] = "您确定要保存此关联？";
const char kProgramFilter[] = "Programs\0*.exe\0All files\0*.*\0";
const size_t kProgramFilterSize = sizeof kProgramFilter;

namespace {
enum : int { kEdit1 = 201, kEdit2, kEdit3, kSelectButton, kButton1, kButton2, kLabel1, kLabel2, kLabel3 };
constexpr DWORD kEditStyle = WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;

// EN_KILLFOCUS does not say where the focus went; WM_KILLFOCUS does (its wParam, null when the
// focus leaves for another thread's window: learn.microsoft.com, "WM_KILLFOCUS message").
LRESULT CALLBACK Edit1Proc(HWND edit, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR focus_to) {
  if (msg == WM_KILLFOCUS) *reinterpret_cast<HWND*>(focus_to) = reinterpret_cast<HWND>(wp);
  if (msg == WM_NCDESTROY) ::RemoveWindowSubclass(edit, &Edit1Proc, id);
  return ::DefSubclassProc(edit, msg, wp, lp);
}
}  // namespace

const char* SaveCheckText(SaveCheck check) {
  switch (check) {
    case SaveCheck::NoExtension: return kNoExtensionText;
    case SaveCheck::NoDescription: return kNoDescriptionText;
    case SaveCheck::NoProgram: return kNoProgramText;
    case SaveCheck::NoDot: return kNoDotText;
    case SaveCheck::Backslash: return kBackslashText;
    case SaveCheck::FileNotFound: return kFileNotFoundText;
    case SaveCheck::Ok: break;
  }
  return "";
}

bool TForm2b::Create(HWND owner) { return CreateDialogWindow(390, 170, kForm2bCaption, owner); }

void TForm2b::OnInit() {
  HFONT font = GetFont("Arial", 12);
  AddControl("STATIC", kForm2bExtensionLabel, SS_NOPREFIX, 20, 12, 80, 16, kLabel1, font);
  edit1_ = EditBox(AddControl("EDIT", "", kEditStyle, 20, 32, 80, 23, kEdit1, font));
  ::SetWindowSubclass(edit1_.hwnd(), &Edit1Proc, 1, reinterpret_cast<DWORD_PTR>(&edit1_focus_to_));
  AddControl("STATIC", kForm2bDescriptionLabel, SS_NOPREFIX, 112, 12, 120, 16, kLabel2, font);
  edit2_ = EditBox(AddControl("EDIT", "", kEditStyle, 112, 32, 258, 23, kEdit2, font));
  AddControl("STATIC", kForm2bProgramLabel, SS_NOPREFIX, 20, 68, 120, 16, kLabel3, font);
  edit3_ = EditBox(AddControl("EDIT", "", kEditStyle | ES_READONLY, 20, 88, 320, 23, kEdit3, font));
  select_button_ = AddControl("BUTTON", kForm2bSelectCaption, BS_PUSHBUTTON | WS_TABSTOP, 348, 87, 24, 24,
                              kSelectButton, font);
  button1_ = AddControl("BUTTON", kForm2bSaveCaption, BS_PUSHBUTTON | WS_TABSTOP, 96, 128, 100, 25, kButton1, font);
  button2_ = AddControl("BUTTON", kForm2bCancelCaption, BS_PUSHBUTTON | WS_TABSTOP, 208, 128, 100, 25, kButton2,
                        font);
}

bool TForm2b::Run(HWND over) {
  ShowForm();
  PlaceOver(over);
  return RunModal(edit1_.hwnd(), false) != 0;
}

void TForm2b::ShowForm() {
  ::SetWindowTextA(hwnd(), Mode == kModeAdd ? kForm2bAddCaption : kForm2bEditCaption);
  edit1_.SetText(Extension);
  edit2_.SetText(Description);
  edit3_.SetText(ProgramText);
}

void TForm2b::Edit1Exit() {
  if (Mode == kModeEdit) return;
  const std::string typed = edit1_.Text();
  if (typed.empty()) return;
  edit2_.SetText(DescriptionForTypedExtension(typed));
}

void TForm2b::SelectButtonClick() {
  std::string file(4096, '\0');
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = hwnd();
  ofn.lpstrFilter = kProgramFilter;
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = &file[0];
  ofn.nMaxFile = static_cast<DWORD>(file.size());
  ofn.lpstrInitialDir = BrowseFolder.empty() ? nullptr : BrowseFolder.c_str();
  ofn.Flags = OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_NOCHANGEDIR | OFN_EXPLORER;
  if (!::GetOpenFileNameA(&ofn)) return;
  edit3_.SetText(file);
}

void TForm2b::Button1Click() {
  const std::string extension = edit1_.Text();
  const std::string description = edit2_.Text();
  const std::string program = edit3_.Text();
  const SaveCheck check = CheckAssociationInput(Mode, extension, description, program,
                                                [](const std::string& path) { return FileExists(path); });
  // The boxes are taken over once all three hold something, whatever the later checks say.
  if (check != SaveCheck::NoExtension && check != SaveCheck::NoDescription && check != SaveCheck::NoProgram) {
    Extension = extension;
    Description = description;
    ProgramText = program;
  }
  if (check != SaveCheck::Ok) {
    ui_.ShowInfo(SaveCheckText(check));
    return;
  }
  const char* question = Mode != kModeAdd                     ? kSaveQuestion
                         : MergedClasses().Exists(Extension) ? kReplaceQuestion
                                                             : kAddQuestion;
  if (ui_.AskYesNo(question) != Answer::Yes) return;
  ApplyAndClose(ui_);
}

void TForm2b::Button2Click() { EndModal(false); }

bool TForm2b::OnMessage(UINT msg, WPARAM wp, LPARAM, INT_PTR& result) {
  switch (msg) {
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
      ::SetBkColor(reinterpret_cast<HDC>(wp), RGB(255, 255, 255));
      result = reinterpret_cast<INT_PTR>(::GetStockObject(WHITE_BRUSH));
      return true;
    default:
      return false;
  }
}

void TForm2b::OnCommand(int id, int code, HWND) {
  switch (id) {
    case kEdit1:
      // Only leaving for another box or button is leaving the box: Alt+Tab, a message window or
      // closing the dialog also take the focus away, and must not overwrite a typed description.
      if (code == EN_KILLFOCUS && edit1_focus_to_ && ::IsChild(hwnd(), edit1_focus_to_)) Edit1Exit();
      break;
    case kSelectButton:
      if (code == BN_CLICKED) SelectButtonClick();
      break;
    case kButton1:
      if (code == BN_CLICKED) Button1Click();
      break;
    case kButton2:
      if (code == BN_CLICKED) Button2Click();
      break;
    default:
      break;
  }
}

}  // namespace kv
