#pragma once
// Small dialogs built in code from an empty in-memory template, so the dialog manager handles
// Tab, Enter and the default button; each dialog owns its controls as typed members.
#include <windows.h>

#include <string>

namespace kv {

class DialogBase {
 public:
  DialogBase() = default;
  virtual ~DialogBase();
  DialogBase(const DialogBase&) = delete;
  DialogBase& operator=(const DialogBase&) = delete;

  HWND hwnd() const { return hwnd_; }

 protected:
  // Creates the hidden dialog: a fixed border with a caption and no title-bar buttons, a client
  // area of w by h pixels. OnInit runs inside creation.
  bool CreateDialogWindow(int client_w, int client_h, const std::string& caption, HWND owner = nullptr);
  HWND AddControl(const char* cls, const std::string& text, DWORD style, int x, int y, int w, int h, int id,
                  HFONT font, DWORD ex_style = 0);
  // Shows the dialog centred on `over` and runs it modally until EndModal.
  void ShowModal(HWND over, HWND focus);
  void EndModal();
  bool InModal() const { return in_modal_; }
  // The client height the next ShowModal gives the dialog.
  void SetClientHeight(int h) { client_h_ = h; }

  virtual void OnInit() {}
  // Return true when the message was handled; `result` is then the dialog procedure's value.
  virtual bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result);
  virtual void OnCommand(int id, int code, HWND control) = 0;
  // The system's close command (Alt+F4): nothing unless a dialog decides otherwise.
  virtual void OnClose() {}

 private:
  static INT_PTR CALLBACK Thunk(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  HWND hwnd_ = nullptr;
  int client_w_ = 0, client_h_ = 0;
  bool done_ = false;
  bool in_modal_ = false;
};

std::string WindowText(HWND hwnd);

}  // namespace kv
