#pragma once
// TForm2a: "添加自动启动项", the dialog in which the user picks a program and who it starts for.
#include <windows.h>

#include <string>

#include "ui/controls.h"
#include "ui/dialog_base.h"
#include "ui/dialogs.h"

namespace kv {

extern const char kForm2aCaption[];       // "添加自动启动项"
extern const char kForm2aLabel1[];        // "指定程序："
extern const char kForm2aCurrentUser[];   // "当前用户"
extern const char kForm2aAllUsers[];      // "所有用户"
extern const char kForm2aButton1[];       // "添加启动项"
extern const char kForm2aButton2[];       // "取消"
extern const char kForm2aNoProgram[];     // "请指定一个程序！"
extern const char kForm2aFileNotFound[];  // "文件未找到！"
extern const char kForm2aFilter[];        // "Programs\0*.exe\0All files\0*.*\0"

// The add dialog: takes and returns fields and changes nothing itself; what Button1 does with
// them is the caller's Apply.
class TForm2a : public DialogBase {
 public:
  explicit TForm2a(Dialogs& ui) : ui_(ui) {}

  std::string BrowseFolder;  // in: where the open-file dialog starts; Apply runs on Button1
  std::string ProgramPath;   // out: the program in Edit1 at the last Button1
  bool CurrentUser = true;   // out: Check1 (当前用户) rather than Check2 (所有用户) at the last Button1

  // Creates the dialog and runs it modally over `over` until it closes; true when an entry was
  // written.
  bool Execute(HWND over);

  void SelectButtonClick();
  void Button1Click();
  void Button2Click();

  HWND Edit1() const { return edit1_.hwnd(); }
  HWND Check1() const { return check1_.hwnd(); }
  HWND Check2() const { return check2_.hwnd(); }

 protected:
  void OnInit() override;
  bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) override;
  void OnCommand(int id, int code, HWND control) override;
  void OnClose() override { Button2Click(); }

 private:
  Dialogs& ui_;
  HWND label1_ = nullptr;
  EditBox edit1_;
  HWND select_button_ = nullptr;
  CheckButton check1_;
  CheckButton check2_;
  HWND button1_ = nullptr;
  HWND button2_ = nullptr;
};

}  // namespace kv
