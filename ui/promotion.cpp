#include "ui/promotion.h"

#include "resources/resource_ids.h"
#include "sysaccess/registry.h"
#include "ui/about.h"
#include "ui/bitmaps.h"
#include "ui/fonts.h"
#include "ui/settings.h"

namespace kv {

namespace {

constexpr char kPromoClass[] = "KorvanePromotion";
constexpr int kWidth = 350, kHeight = 300;
constexpr int kCheckBox1Id = 100;  // clear of IDOK and IDCANCEL, which the dialog keys send
constexpr COLORREF kBackground = RGB(195, 244, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kGreen = RGB(0, 128, 0);
constexpr COLORREF kLinkBlue = RGB(0, 0, 255);

}  // namespace

TForm5::TForm5(PromotionContent content)
    : content_(std::move(content)), button1_(Elements(), kPromoOkColor, kPromoOkHoverColor) {}

TForm5a::TForm5a()
    : TForm5({kSparrowtuneName,
              kSparrowtuneAds,
              kSparrowtuneDownload,
              {{24, 56, 300, 32, kSparrowtuneText1, kBlack},
               {24, 100, 300, 32, kSparrowtuneText2, kBlack},
               {20, 152, 310, 16, kSparrowtuneText3, kGreen},
               {24, 182, 300, 16, kSparrowtuneLink, kLinkBlue}}}) {}

TForm5b::TForm5b()
    : TForm5({kGlimmerbackName,
              kGlimmerbackAds,
              kGlimmerbackDownload,
              {{24, 56, 300, 32, kGlimmerbackText1, kGreen},
               {24, 108, 300, 64, kGlimmerbackText2, kBlack},
               {24, 184, 300, 16, kGlimmerbackLink, kLinkBlue}}}) {}

bool TForm5::Create() {
  // The main window is hidden meanwhile: the middle of the desktop, not of the main window.
  const POINT at = CentredOn(nullptr, SIZE{kWidth, kHeight});
  if (!CreateSkinned(kPromoClass, content_.name, IDB_SKIN_PROMO, kBackground, kWidth, kHeight, at, nullptr))
    return false;
  CreateForm();
  return true;
}

void TForm5::CreateForm() {
  ElementHost& e = Elements();
  e.AddLabel(24, 16, 300, 18, content_.name, GetFont("Verdana", 13, true));
  for (size_t i = 0; i < content_.texts.size(); ++i) {
    const PromotionContent::Text& t = content_.texts[i];
    const bool link = i + 1 == content_.texts.size();
    Label& l = e.AddLabel(t.x, t.y, t.w, t.h, t.text, GetFont("Arial", 13, true, link),
                          DT_CENTER | DT_VCENTER | DT_WORDBREAK | DT_EDITCONTROL);
    l.color = t.color;
    if (link) {
      l.hand_cursor = true;
      l.on_click = [this] { DownloadLinkClick(); };
    }
  }

  check_brush_.reset(::CreateSolidBrush(kPromoCheckBackground));
  check_box1_ = CheckButton(CreateControl(hwnd(), "BUTTON", kPromoCheckText, WS_TABSTOP | BS_AUTOCHECKBOX,
                                          RECT{82, 216, 82 + 190, 216 + 17}, kCheckBox1Id, GetFont("Arial", 11, true)));

  button1_a_.reset(LoadSkinBitmap(IDB_PROMO_OK_A));
  button1_b_.reset(LoadSkinBitmap(IDB_PROMO_OK_B));
  button1_.Add(e, 124, 248, 103, 30, button1_a_.get(), button1_b_.get(), RECT{136, 256, 216, 270}, kPromoOkText,
               GetFont("Verdana", 12, true), [this] { Button1Click(); });
  // Escape reaches the window also while the check box has the keyboard focus.
  UseDialogKeys();
}

void TForm5::TurnSettingOff() { RegWriteBool(HKEY_CURRENT_USER, kSettingsKey, content_.setting, false); }

void TForm5::DownloadLinkClick() {
  OpenAddress(hwnd(), content_.download);
  TurnSettingOff();
}

void TForm5::Button1Click() {
  if (check_box1_.IsChecked()) TurnSettingOff();
  Close();
}

void TForm5::FormKeyDown(WPARAM key) {
  if (key == VK_ESCAPE) Close();
}

void TForm5::OnCommand(int id, int, HWND) {
  // The dialog keys turn Escape into IDCANCEL and Enter into IDOK; only Escape does something.
  if (id == IDCANCEL) FormKeyDown(VK_ESCAPE);
}

HBRUSH TForm5::OnCtlColor(HDC dc, HWND control) {
  if (control != check_box1_.hwnd()) return nullptr;
  ::SetBkColor(dc, kPromoCheckBackground);
  return check_brush_.get();
}

LRESULT TForm5::WMNCHitTest(int, int y, LRESULT default_hit) {
  RECT wr;
  ::GetWindowRect(hwnd(), &wr);
  if (y < wr.top + 60) return HTCAPTION;
  return default_hit;
}

}  // namespace kv
