#include "ui/dialogs.h"

#include <algorithm>

#include "win/handles.h"
#include "ui/fonts.h"
#include "ui/window.h"

namespace kv {

namespace {
constexpr int kButton1 = 101;
constexpr int kButton2 = 102;
constexpr DWORD kInfoStyle = SS_CENTER | SS_NOPREFIX | SS_EDITCONTROL;

HFONT DialogFont() { return GetFont("Arial", 11); }
HFONT TextFont() { return GetFont("Arial", 12); }

// The height of `text` wrapped at `width` as the label draws it (SS_EDITCONTROL breaks a word
// longer than the line, such as a folder path).
int TextHeight(HWND label, int width, const std::string& text) {
  RECT calc{0, 0, width, 0};
  const WindowDc dc(label);
  const SelectedObject font(dc.get(), TextFont());
  ::DrawTextA(dc.get(), text.c_str(), static_cast<int>(text.size()), &calc,
              DT_CALCRECT | DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX);
  return calc.bottom;
}

// A static control cannot centre vertically and wrap at once: place the wrapped text's block in
// the middle of the label's box ourselves.
void SetCentredText(HWND label, const RECT& box, const std::string& text) {
  const int box_h = box.bottom - box.top;
  const int text_h = TextHeight(label, box.right - box.left, text);
  const int h = text_h < box_h ? text_h : box_h;
  ::SetWindowPos(label, nullptr, box.left, box.top + (box_h - h) / 2, box.right - box.left, h, SWP_NOZORDER);
  ::SetWindowTextA(label, text.c_str());
}
}  // namespace

// ---- TForm3a: "信息" ----
bool TForm3a::Create(HWND owner) { return CreateDialogWindow(300, 102, "信息", owner); }

void TForm3a::OnInit() {
  info_label_ = AddControl("STATIC", "", kInfoStyle, 16, 16, 270, 32, 100, TextFont());
  button1_ = AddControl("BUTTON", "确定", BS_DEFPUSHBUTTON | WS_TABSTOP, 112, 64, 75, 25, kButton1, DialogFont());
}

void TForm3a::Show(const std::string& text, HWND over) {
  // Two lines fit; a message that names a folder may need more, and the window grows downwards
  // for it (up to a path's length), back to its size for the next one.
  constexpr int kMaxExtra = 112;
  const int extra = std::min(kMaxExtra, std::max(0, TextHeight(info_label_, 270, text) - 32));
  SetClientHeight(102 + extra);
  ::SetWindowPos(button1_, nullptr, 112, 64 + extra, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  SetCentredText(info_label_, RECT{16, 16, 286, 48 + extra}, text);
  PlaceOver(over);
  RunModal(button1_, 0);
}

void TForm3a::OnCommand(int id, int code, HWND) {
  if (id == kButton1 && code == BN_CLICKED) Button1Click();
}

// ---- TForm3b: "确认" ----
bool TForm3b::Create(HWND owner) { return CreateDialogWindow(300, 116, "确认", owner); }

void TForm3b::OnInit() {
  info_label_ = AddControl("STATIC", "", kInfoStyle, 16, 16, 270, 50, 100, TextFont());
  button1_ = AddControl("BUTTON", "是", BS_PUSHBUTTON | WS_TABSTOP, 64, 80, 75, 25, kButton1, DialogFont());
  button2_ = AddControl("BUTTON", "否", BS_DEFPUSHBUTTON | WS_TABSTOP, 160, 80, 75, 25, kButton2, DialogFont());
  last_used_ = button1_;
}

Answer TForm3b::Ask(const std::string& text, HWND over) {
  SetCentredText(info_label_, RECT{16, 16, 286, 66}, text);
  PlaceOver(over);
  // Only the buttons give an answer; any other way out means No.
  return static_cast<Answer>(RunModal(last_used_, static_cast<int>(Answer::No)));
}

void TForm3b::Button1Click() {
  last_used_ = button1_;
  EndModal(static_cast<int>(Answer::Yes));
}

void TForm3b::Button2Click() {
  last_used_ = button2_;
  EndModal(static_cast<int>(Answer::No));
}

void TForm3b::OnClose() { EndModal(static_cast<int>(Answer::No)); }

void TForm3b::OnCommand(int id, int code, HWND) {
  if (code != BN_CLICKED) return;
  if (id == kButton1) Button1Click();
  if (id == kButton2) Button2Click();
}

// ---- TForm2c: "收集数据" ----
bool TForm2c::Create(HWND over) {
  if (!CreateDialogWindow(300, 70, "收集数据", over)) return false;
  PlaceOver(over, SWP_SHOWWINDOW);
  ::UpdateWindow(hwnd());
  return true;
}

void TForm2c::OnInit() {
  AddControl("STATIC", "请稍候....", SS_CENTER | SS_NOPREFIX, 16, 24, 270, 14, 100, TextFont());
}

// ---- Dialogs ----
bool Dialogs::Create(HWND main_window) {
  main_ = main_window;
  return form3a_.Create(main_window) && form3b_.Create(main_window);
}

void Dialogs::ShowInfo(const std::string& text) { form3a_.Show(text, main_); }

Answer Dialogs::AskYesNo(const std::string& text) { return form3b_.Ask(text, main_); }

void Dialogs::ShowWaitWindow() {
  wait_ = std::make_unique<TForm2c>();
  wait_->Create(main_);
}

void Dialogs::CloseWaitWindow() { wait_.reset(); }

ReadingGuard::ReadingGuard(Dialogs& dialogs) : dialogs_(dialogs) {
  ::EnableWindow(dialogs_.MainWindow(), FALSE);
  dialogs_.ShowWaitWindow();
}

ReadingGuard::~ReadingGuard() {
  ::EnableWindow(dialogs_.MainWindow(), TRUE);
  dialogs_.CloseWaitWindow();
}

}  // namespace kv
