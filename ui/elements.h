#pragma once
// Windowless labels and pictures, drawn and hit-tested by the window that holds them, so they sit
// transparently on skins and inside the drag strip.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kv {

struct Element {
  RECT rect{};
  bool visible = true;
  bool hand_cursor = false;
  std::function<void()> on_click;
  std::function<void()> on_mouse_move;
  virtual ~Element() = default;
  virtual void Paint(HDC dc) const = 0;
};

struct Label : Element {
  std::string text;
  HFONT font = nullptr;
  COLORREF color = RGB(0, 0, 0);
  UINT format = DT_LEFT | DT_SINGLELINE;  // DrawText flags
  void Paint(HDC dc) const override;
};

struct Picture : Element {
  HBITMAP bitmap = nullptr;  // not owned
  void Paint(HDC dc) const override;
};

class ElementHost {
 public:
  explicit ElementHost(HWND* owner) : owner_(owner) {}
  Label& AddLabel(int x, int y, int w, int h, const std::string& text, HFONT font, UINT format = DT_LEFT | DT_SINGLELINE);
  Picture& AddPicture(int x, int y, int w, int h, HBITMAP bitmap);

  void Paint(HDC dc) const;
  // A whole window's paint without flicker: `background`, then `skin` (if any) at the top left,
  // then the elements, drawn off screen and copied to `dc` at once.
  void PaintWindow(HDC dc, int width, int height, COLORREF background, HBITMAP skin) const;
  // The topmost visible element under the point, or null.
  Element* HitTest(POINT pt) const;
  void Invalidate(const Element& e) const;
  void SetVisible(Element& e, bool visible) const;
  void SetText(Label& l, const std::string& text) const;
  void SetColor(Label& l, COLORREF color) const;
  void MoveTo(Element& e, int x, int y) const;

  // Mouse plumbing for the owner's window procedure. Returns true when handled.
  bool OnSetCursor(HWND hwnd) const;
  void OnMouseMove(POINT pt) const;
  void OnButtonDown(POINT pt);
  void OnButtonUp(POINT pt);

 private:
  HWND* owner_;
  std::vector<std::unique_ptr<Element>> elements_;
  Element* pressed_ = nullptr;
};

// A pair of images (normal, hover) with a label on top; one click routine for all three.
struct ImageButton {
  Picture* normal = nullptr;
  Picture* hover = nullptr;
  Label* label = nullptr;
};

// The hover rule of a panel's image buttons: a button returns to normal only when the pointer
// moves over the panel's own background or over another button of the same panel.
class ButtonGroup {
 public:
  ButtonGroup(const ElementHost& host, COLORREF normal_color, COLORREF hover_color)
      : host_(host), normal_color_(normal_color), hover_color_(hover_color) {}
  // Adds a button; its images show `normal` / `hover`; `click` runs on a click of any of its parts.
  ImageButton& Add(ElementHost& host, int x, int y, int w, int h, HBITMAP normal, HBITMAP hover,
                   const RECT& label_rect, const std::string& caption, HFONT font, std::function<void()> click);
  void ButtonMouseMove(size_t index);
  void PanelMouseMove();
  bool IsHover(size_t index) const { return buttons_[index].hover->visible; }
  size_t Size() const { return buttons_.size(); }
  const ImageButton& At(size_t i) const { return buttons_[i]; }

 private:
  const ElementHost& host_;
  COLORREF normal_color_, hover_color_;
  std::vector<ImageButton> buttons_;
};

constexpr COLORREF kHoverBlue = RGB(18, 107, 255);  // TColor 16739090

}  // namespace kv
