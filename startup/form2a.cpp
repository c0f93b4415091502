#include "startup/form2a.h"

#include <commdlg.h>

#include "sysaccess/programs.h"
#include "ui/fonts.h"

namespace kv {

const char kForm2aCaption[] = "添加自动启动项";
const char kForm2aLabel1[] = "指定程序：";
const char kForm2aCurrentUser[] = "当前用户";
const char kForm2aAllUsers[] = "所有用户";
const char kForm2aButton1[] = "添加启动项";
const char kForm2aButton2[] = "取消";
const char kForm2aNoProgram[] = "请指定一个程序！";
const char kForm2aFileNotFound[] = "文件未找到！";
const char kForm2aFilter[] = "Programs\0*.exe\0All files\0*.*\0";

namespace {
enum : int { kLabel1 = 100, kEdit1, kSelectButton, kCheck1, kCheck2, kButton1, kButton2 };
}

bool TForm2a::Execute(HWND over) {
  if (!CreateDialogWindow(382, 150, kForm2aCaption, over)) return false;
  PlaceOver(over);
  return RunModal(edit1_.hwnd(), false) != 0;
}

void TForm2a::OnInit() {
  HFONT font = GetFont("Arial", 12);
  // Created in tab order.
  label1_ = AddControl("STATIC", kForm2aLabel1, SS_LEFT | SS_NOPREFIX, 16, 20, 120, 14, kLabel1, font);
  edit1_ = EditBox(AddControl("EDIT", "", ES_READONLY | ES_AUTOHSCROLL | WS_TABSTOP, 16, 40, 320, 23, kEdit1, font,
                              WS_EX_CLIENTEDGE));
  select_button_ = AddControl("BUTTON", "...", BS_PUSHBUTTON | WS_TABSTOP, 344, 39, 24, 24, kSelectButton, font);
  check1_ = CheckButton(AddControl("BUTTON", kForm2aCurrentUser, BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 112, 72,
                                   72, 17, kCheck1, font));
  check2_ = CheckButton(AddControl("BUTTON", kForm2aAllUsers, BS_AUTORADIOBUTTON, 184, 72, 97, 17, kCheck2, font));
  button1_ = AddControl("BUTTON", kForm2aButton1, BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP, 80, 112, 100, 25, kButton1,
                        font);
  button2_ = AddControl("BUTTON", kForm2aButton2, BS_PUSHBUTTON | WS_TABSTOP, 192, 112, 100, 25, kButton2, font);
  check1_.SetChecked(true);
}

bool TForm2a::OnMessage(UINT msg, WPARAM wp, LPARAM, INT_PTR& result) {
  switch (msg) {
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      // A white dialog: the labels, the radio buttons and the read-only edit sit on white.
      ::SetBkColor(reinterpret_cast<HDC>(wp), RGB(255, 255, 255));
      result = reinterpret_cast<INT_PTR>(::GetStockObject(WHITE_BRUSH));
      return true;
    default:
      return false;
  }
}

void TForm2a::OnCommand(int id, int code, HWND) {
  if (code != BN_CLICKED) return;
  switch (id) {
    case kSelectButton:
      SelectButtonClick();
      break;
    case kButton1:
      Button1Click();
      break;
    case kButton2:
      Button2Click();
      break;
    default:
      break;
  }
}

void TForm2a::SelectButtonClick() {
  char file[MAX_PATH * 4] = {};
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = hwnd();
  ofn.lpstrFilter = kForm2aFilter;
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = file;
  ofn.nMaxFile = sizeof file;
  ofn.lpstrInitialDir = BrowseFolder.empty() ? nullptr : BrowseFolder.c_str();
  ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  if (::GetOpenFileNameA(&ofn)) edit1_.SetText(file);
}

void TForm2a::Button1Click() {
  ProgramPath = edit1_.Text();
  CurrentUser = check1_.IsChecked();
  if (ProgramPath.empty()) {
    ui_.ShowInfo(kForm2aNoProgram);
    return;
  }
  if (!FileExists(ProgramPath)) {
    ui_.ShowInfo(kForm2aFileNotFound);
    return;
  }
  ApplyAndClose(ui_);
}

void TForm2a::Button2Click() { EndModal(false); }

}  // namespace kv
