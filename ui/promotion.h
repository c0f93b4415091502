#pragma once
// The promotion windows: TForm5a (Sparrowtune) and TForm5b (Glimmerback), each advertising one
// of the maker's products, with a download link, a "do not show again" box and an OK button.
#include <windows.h>

#include <string>
#include <vector>

#include "win/handles.h"
#include "ui/controls.h"
#include "ui/elements.h"
#include "ui/skin_window.h"

namespace kv {

inline constexpr char kPromoCheckText[] = "不再显示此窗口";
inline constexpr char kPromoOkText[] = "确定";
inline constexpr COLORREF kPromoOkColor = RGB(4, 166, 242);
inline constexpr COLORREF kPromoOkHoverColor = RGB(0, 0, 128);
inline constexpr COLORREF kPromoCheckBackground = RGB(251, 240, 227);

inline constexpr char kSparrowtuneName[] = "Sparrowtune";
inline constexpr char kSparrowtuneDownload[] = "http://www.velmora.example/download/sparrowtune_setup.exe";
inline constexpr char kSparrowtuneText1[] = "您的电脑真的运行在最佳状态吗？";
inline constexpr char kSparrowtuneText2[] = "您希望注册表始终保持完美状态吗？";
inline constexpr char kSparrowtuneText3[] = "修复注册表错误，清理并加速您的电脑！";
inline constexpr char kSparrowtuneLink[] = "立即下载 Sparrowtune";

inline constexpr char kGlimmerbackName[] = "Glimmerback";
inline constexpr char kGlimmerbackDownload[] = "http://www.velmora.example/download/glimmerback_setup.exe";
inline constexpr char kGlimmerbackText1[] = "您需要找回闪存盘中被删除的文件吗？";
inline constexpr char kGlimmerbackText2[] =
    "Glimmerback 能轻松恢复各种数码相机和闪存盘（MMC、SD、XD、U3、闪存卡）中被删除的 JPG 文件。";
inline constexpr char kGlimmerbackLink[] = "立即下载 Glimmerback";

// What tells the two windows apart.
struct PromotionContent {
  const char* name;      // caption and ActionLabel
  const char* setting;   // value under kSettingsKey switched off by the window
  const char* download;  // the installer's address
  struct Text {
    int x, y, w, h;
    const char* text;
    COLORREF color;
  };
  std::vector<Text> texts;  // InfoLabel1 ..; the last one is the download link
};

class TForm5 : public SkinWindow {
 public:
  // CreateForm included; the window stays hidden, centred on the desktop.
  bool Create();

  void Button1Click();
  void FormKeyDown(WPARAM key);
  void Button1MouseMove() { button1_.ButtonMouseMove(0); }
  void WndImageMouseMove() override { button1_.PanelMouseMove(); }

  // What a user sees, for tests.
  HWND CheckBox1() const { return check_box1_.hwnd(); }
  bool Button1Hover() const { return button1_.IsHover(0); }
  COLORREF Button1LabelColor() const { return button1_.At(0).label->color; }
  const PromotionContent& Content() const { return content_; }

 protected:
  explicit TForm5(PromotionContent content);
  // InfoLabel4Click of TForm5a, InfoLabel3Click of TForm5b.
  void DownloadLinkClick();

  LRESULT WMNCHitTest(int x, int y, LRESULT default_hit) override;
  void OnCommand(int id, int code, HWND control) override;
  void OnKeyDown(WPARAM key) override { FormKeyDown(key); }
  HBRUSH OnCtlColor(HDC dc, HWND control) override;

 private:
  void CreateForm();
  void TurnSettingOff();
  PromotionContent content_;
  ButtonGroup button1_;
  UniqueBitmap button1_a_, button1_b_;
  UniqueBrush check_brush_;
  CheckButton check_box1_;
};

class TForm5a : public TForm5 {
 public:
  TForm5a();
  void InfoLabel4Click() { DownloadLinkClick(); }
};

class TForm5b : public TForm5 {
 public:
  TForm5b();
  void InfoLabel3Click() { DownloadLinkClick(); }
};

}  // namespace kv
