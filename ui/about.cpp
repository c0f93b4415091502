#include "ui/about.h"

#include <shellapi.h>

#include "resources/resource_ids.h"
#include "sysaccess/programs.h"
#include "ui/fonts.h"
#include "ui/promotion.h"
#include "ui/settings.h"

namespace kv {

namespace {

constexpr char kAboutClass[] = "KorvaneAbout";
constexpr int kWidth = 350, kHeight = 300;
constexpr COLORREF kLinkBlue = RGB(0, 0, 255);

void ShellOpen(HWND owner, const char* address) {
  ::ShellExecuteA(owner, "open", address, nullptr, nullptr, SW_SHOWNORMAL);
}
bool DesktopShellOpen(HWND, const char* address) { return OpenThroughDesktopShell(address); }
AddressOpeners g_openers = {&ProcessIsElevated, &DesktopShellOpen, &ShellOpen};

}  // namespace

AddressOpeners SetAddressOpeners(const AddressOpeners& openers) {
  const AddressOpeners old = g_openers;
  g_openers = openers;
  return old;
}

void OpenAddress(HWND owner, const char* address) {
  // Children of an elevated process inherit its token: a browser started here would download and
  // run with full rights.
  if (g_openers.elevated() && g_openers.unelevated(owner, address)) return;
  g_openers.plain(owner, address);
}

void ShowAboutWindow(HWND main_window) {
  TForm4 form;
  if (form.Create(main_window)) form.Run();
}

void ShowPromotionWindow(Promotion which) {
  if (which == Promotion::Sparrowtune) {
    TForm5a form;
    if (form.Create()) form.Run();
  } else {
    TForm5b form;
    if (form.Create()) form.Run();
  }
}

bool TForm4::Create(HWND main_window) {
  const POINT at = CentredOn(main_window, SIZE{kWidth, kHeight});
  if (!CreateSkinned(kAboutClass, kAboutCaption, IDB_SKIN_ABOUT, RGB(255, 255, 255), kWidth, kHeight, at,
                     main_window))
    return false;
  CreateForm();
  return true;
}

void TForm4::CreateForm() {
  ElementHost& e = Elements();
  e.AddLabel(24, 10, 177, 23, kAboutProgram, GetFont("Verdana", 19));
  e.AddLabel(216, 18, 21, 13, kAboutVersion, GetFont("MS Sans Serif", 11)).color = RGB(102, 102, 102);
  // Two lines: the box grows downwards from the top the drag strip ends at.
  e.AddLabel(72, 48, 212, 30, kAboutNotice, GetFont("Arial", 12), DT_CENTER);
  e.AddLabel(53, 232, 36, 14, kAboutHomeCaption, GetFont("Arial", 11), DT_RIGHT | DT_SINGLELINE);
  Label& home = e.AddLabel(88, 232, 130, 13, kAboutHomeText, GetFont("Arial", 12, false, true));
  home.color = kLinkBlue;
  home.hand_cursor = true;
  home.on_click = [this] { HomePageLabel2Click(); };
  e.AddLabel(31, 252, 60, 14, kAboutSupportCaption, GetFont("Arial", 11), DT_RIGHT | DT_SINGLELINE);
  Label& support = e.AddLabel(88, 252, 192, 13, kAboutSupportText, GetFont("Arial", 12, false, true));
  support.color = kLinkBlue;
  support.hand_cursor = true;
  support.on_click = [this] { SupportLabel2Click(); };
  Label& top = e.AddLabel(316, 14, 16, 16, "x", GetFont("Arial", 13, true), DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  top.hand_cursor = true;
  top.on_click = [this] { TopButtonClick(); };
}

void TForm4::HomePageLabel2Click() { OpenAddress(hwnd(), kHomePage); }

void TForm4::SupportLabel2Click() { OpenAddress(hwnd(), kSupportPage); }

LRESULT TForm4::WMNCHitTest(int x, int y, LRESULT default_hit) {
  RECT wr;
  ::GetWindowRect(hwnd(), &wr);
  // The strip above the notice and left of the "x": the name and version drag the window too.
  if (y < wr.top + 48 && x < wr.left + 316) return HTCAPTION;
  return default_hit;
}

}  // namespace kv
