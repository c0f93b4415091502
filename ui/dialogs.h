#pragma once
// The message window (TForm3a), the confirmation window (TForm3b) and the wait window (TForm2c),
// and the operations through which the tabs talk to the user.
#include <windows.h>

#include <memory>
#include <string>

#include "ui/dialog_base.h"

namespace kv {

class TForm3a : public DialogBase {
 public:
  bool Create(HWND owner);
  void Show(const std::string& text, HWND over);
  HWND InfoLabel() const { return info_label_; }
  HWND Button1() const { return button1_; }

 protected:
  void OnInit() override;
  void OnCommand(int id, int code, HWND control) override;
  void OnClose() override { EndModal(0); }

 private:
  void Button1Click() { EndModal(0); }
  HWND info_label_ = nullptr;
  HWND button1_ = nullptr;
};

enum class Answer { Yes, No };

class TForm3b : public DialogBase {
 public:
  bool Create(HWND owner);
  // Yes after "是"; No after "否" and after any other way of closing.
  Answer Ask(const std::string& text, HWND over);
  HWND InfoLabel() const { return info_label_; }
  HWND Button1() const { return button1_; }
  HWND Button2() const { return button2_; }

 protected:
  void OnInit() override;
  void OnCommand(int id, int code, HWND control) override;
  void OnClose() override;

 private:
  void Button1Click();
  void Button2Click();
  HWND info_label_ = nullptr;
  HWND button1_ = nullptr;
  HWND button2_ = nullptr;
  HWND last_used_ = nullptr;  // the next question opens with the focus here
};

class TForm2c : public DialogBase {
 public:
  bool Create(HWND over);

 protected:
  void OnInit() override;
  void OnCommand(int, int, HWND) override {}
};

// One message and one confirmation window for the whole run. All three windows are owned by the
// main window, so they stay above it and come to the front with it ("Window Features" on
// learn.microsoft.com: an owned window is always above its owner).
class Dialogs {
 public:
  bool Create(HWND main_window);
  void ShowInfo(const std::string& text);
  Answer AskYesNo(const std::string& text);
  void ShowWaitWindow();
  void CloseWaitWindow();

  TForm3a& MessageWindow() { return form3a_; }
  TForm3b& ConfirmWindow() { return form3b_; }
  TForm2c* WaitWindow() { return wait_.get(); }
  HWND MainWindow() const { return main_; }

 private:
  HWND main_ = nullptr;
  TForm3a form3a_;
  TForm3b form3b_;
  std::unique_ptr<TForm2c> wait_;
};

// The reading protocol of the long tabs: main window disabled, wait window shown; undone in
// reverse on every path out of the reading.
class ReadingGuard {
 public:
  explicit ReadingGuard(Dialogs& dialogs);
  ~ReadingGuard();
  ReadingGuard(const ReadingGuard&) = delete;
  ReadingGuard& operator=(const ReadingGuard&) = delete;

 private:
  Dialogs& dialogs_;
};

}  // namespace kv
