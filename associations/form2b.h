#pragma once
// TForm2b: the association dialog of tab 4, for adding (Mode 1) and editing (Mode 2). It takes and
// returns fields and changes nothing itself: it checks and asks, and what a confirmed save does
// is the caller's Apply.
#include <windows.h>

#include <cstdint>
#include <string>

#include "associations/association_rules.h"
#include "ui/controls.h"
#include "ui/dialog_base.h"
#include "ui/dialogs.h"

namespace kv {

extern const char kForm2bCaption[];       // "文件关联"
extern const char kForm2bAddCaption[];    // "添加新的关联"
extern const char kForm2bEditCaption[];   // "编辑关联"
extern const char kForm2bExtensionLabel[];    // "扩展："
extern const char kForm2bDescriptionLabel[];  // "说明："
extern const char kForm2bProgramLabel[];      // "指定程序："
extern const char kForm2bSelectCaption[];     // "..."
extern const char kForm2bSaveCaption[];       // "保存"
extern const char kForm2bCancelCaption[];     // "取消"
extern const char kNoExtensionText[];     // "请指定一个扩展！"
extern const char kNoDescriptionText[];   // "请指定一个说明！"
extern const char kNoProgramText[];       // "请指定一个程序！"
extern const char kNoDotText[];           // "扩展应该开始点！"
extern const char kBackslashText[];       // "在扩展中的无效符号 \"\\\" ！"
extern const char kFileNotFoundText[];    // "文件未找到！"
extern const char kReplaceQuestion[];     // "该关联已经存在！你确定你想要新替换？"
extern const char kAddQuestion[];         // "您确定要添加新的关联？"
extern const char kSaveQuestion[];        // "您确定要保存此关联？"
extern const char kProgramFilter[];       // "Programs\0*.exe\0All files\0*.*\0"
extern const size_t kProgramFilterSize;

// The message of a failed check; "" for SaveCheck::Ok.
const char* SaveCheckText(SaveCheck check);

class TForm2b : public DialogBase {
 public:
  explicit TForm2b(Dialogs& ui) : ui_(ui) {}

  // Fields: set before Run, read after it.
  AssociationMode Mode = kModeAdd;
  std::string Extension;
  std::string Description;
  std::string ProgramText;
  std::string BrowseFolder;  // Apply runs on a confirmed save

  bool Create(HWND owner);
  // ShowForm, then the modal run centred on `over` until Save or Cancel closes the dialog; true
  // when it saved.
  bool Run(HWND over);

  void ShowForm();
  void Edit1Exit();
  void SelectButtonClick();
  void Button1Click();
  void Button2Click();

  HWND Edit1() const { return edit1_.hwnd(); }
  HWND Edit2() const { return edit2_.hwnd(); }
  HWND Edit3() const { return edit3_.hwnd(); }
  HWND SelectButton() const { return select_button_; }
  HWND Button1() const { return button1_; }
  HWND Button2() const { return button2_; }

 protected:
  void OnInit() override;
  bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) override;
  void OnCommand(int id, int code, HWND control) override;

 private:
  Dialogs& ui_;
  EditBox edit1_, edit2_, edit3_;
  HWND select_button_ = nullptr, button1_ = nullptr, button2_ = nullptr;
  HWND edit1_focus_to_ = nullptr;  // the window that took the focus when Edit1 last lost it
};

}  // namespace kv
