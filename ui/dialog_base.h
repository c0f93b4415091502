#pragma once
// The base of the small dialogs: windows of a private dialog class built in code, so that the
// dialog manager (DefDlgProc, IsDialogMessage) handles Tab, Enter and the default button; each
// dialog owns its controls as typed members.
#include <windows.h>

#include <functional>
#include <string>

#include "ui/window.h"

namespace kv {

class Dialogs;

class DialogBase : public Window {
 public:
  // in: what a confirmed dialog does with the fields it returns. The dialog itself changes
  // nothing; the message Apply returns is shown with the dialog left open, "" closes it as done.
  std::function<std::string()> Apply;

 protected:
  // Runs Apply (with the fields set) and ends the modal run with true, or says on `ui` why not
  // and leaves the dialog open with the user's input in it.
  void ApplyAndClose(Dialogs& ui);
  // Creates the hidden dialog: a fixed border with a caption and no title-bar buttons, a client
  // area of w by h pixels. OnInit runs inside creation.
  bool CreateDialogWindow(int client_w, int client_h, const std::string& caption, HWND owner = nullptr);
  HWND AddControl(const char* cls, const std::string& text, DWORD style, int x, int y, int w, int h, int id,
                  HFONT font, DWORD ex_style = 0);
  // Gives the dialog its client size and centres it on `over` (CentredOn), in front; `flags`
  // adds SetWindowPos flags (SWP_SHOWWINDOW).
  void PlaceOver(HWND over, UINT flags = 0);
  // The client height the next PlaceOver gives the dialog.
  void SetClientHeight(int h) { client_h_ = h; }

  virtual void OnInit() {}
  // Return true when the message was handled; `result` is then the window procedure's value.
  virtual bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result);
  virtual void OnCommand(int id, int code, HWND control) = 0;
  // The system's close command (Alt+F4): nothing unless a dialog decides otherwise.
  virtual void OnClose() {}

  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  int client_w_ = 0, client_h_ = 0;
};

}  // namespace kv
