#pragma once
// The About window (TForm4) and the doors through which the main window opens it and the
// promotion windows (TForm5a, TForm5b, ui/promotion.h).
#include <windows.h>

#include "ui/skin_window.h"

namespace kv {

// Creates the About window, shows it modally centred on `main_window` and destroys it.
void ShowAboutWindow(HWND main_window);

enum class Promotion { Sparrowtune, Glimmerback };
// Creates the promotion window, shows it modally at the centre of the desktop and releases it.
void ShowPromotionWindow(Promotion which);

// Opens a web address with the shell's "open" verb; the result is not examined. When this process
// runs elevated, through the desktop shell's process, so that the browser does not get this
// process's full rights; with its own ShellExecute where that fails or when not elevated.
void OpenAddress(HWND owner, const char* address);

// The parts OpenAddress chooses between. Tests swap in recorders so that no browser starts.
struct AddressOpeners {
  bool (*elevated)();                                      // ProcessIsElevated
  bool (*unelevated)(HWND owner, const char* address);     // OpenThroughDesktopShell; false: failed
  void (*plain)(HWND owner, const char* address);          // ShellExecute in this process
};
AddressOpeners SetAddressOpeners(const AddressOpeners& openers);  // returns the ones it replaces

inline constexpr char kAboutCaption[] = "关于 Korvane";
inline constexpr char kAboutProgram[] = "Korvane";
inline constexpr char kAboutVersion[] = "v2.1";
inline constexpr char kAboutNotice[] = "版权所有 (C) 2009-2014 Velmora公司\n保留所有权利。";
inline constexpr char kAboutHomeCaption[] = "主页：";
inline constexpr char kAboutHomeText[] = "www.velmora.example";
inline constexpr char kAboutSupportCaption[] = "技术支持：";
inline constexpr char kAboutSupportText[] = "www.velmora.example/support";

class TForm4 : public SkinWindow {
 public:
  // CreateForm included; the window stays hidden, centred on `main_window`.
  bool Create(HWND main_window);

  void HomePageLabel2Click();
  void SupportLabel2Click();
  void TopButtonClick() { Close(); }

 protected:
  LRESULT WMNCHitTest(int x, int y, LRESULT default_hit) override;

 private:
  void CreateForm();
};

}  // namespace kv
