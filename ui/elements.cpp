#include "ui/elements.h"

#include "win/handles.h"

namespace kv {

void Label::Paint(HDC dc) const {
  const SelectedObject selected(dc, font ? font : ::GetStockObject(DEFAULT_GUI_FONT));
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, color);
  RECT rc = rect;
  const int n = static_cast<int>(text.size());
  if ((format & DT_WORDBREAK) && (format & DT_VCENTER)) {
    // DrawText centres vertically only single lines: place the wrapped block in the middle.
    RECT calc = rect;
    ::DrawTextA(dc, text.c_str(), n, &calc, (format & ~DT_VCENTER) | DT_NOPREFIX | DT_CALCRECT);
    const int box = rect.bottom - rect.top, used = calc.bottom - calc.top;
    if (used < box) rc.top += (box - used) / 2;
  }
  ::DrawTextA(dc, text.c_str(), n, &rc, format | DT_NOPREFIX);
}

void Picture::Paint(HDC dc) const {
  if (!bitmap) return;
  const UniqueDc mem(::CreateCompatibleDC(dc));
  const SelectedObject selected(mem.get(), bitmap);
  ::BitBlt(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, mem.get(), 0, 0, SRCCOPY);
}

Label& ElementHost::AddLabel(int x, int y, int w, int h, const std::string& text, HFONT font, UINT format) {
  auto l = std::make_unique<Label>();
  l->rect = RECT{x, y, x + w, y + h};
  l->text = text;
  l->font = font;
  l->format = format;
  Label& ref = *l;
  elements_.push_back(std::move(l));
  return ref;
}

Picture& ElementHost::AddPicture(int x, int y, int w, int h, HBITMAP bitmap) {
  auto p = std::make_unique<Picture>();
  p->rect = RECT{x, y, x + w, y + h};
  p->bitmap = bitmap;
  Picture& ref = *p;
  elements_.push_back(std::move(p));
  return ref;
}

void ElementHost::Paint(HDC dc) const {
  for (const auto& e : elements_)
    if (e->visible) e->Paint(dc);
}

void ElementHost::PaintWindow(HDC dc, int width, int height, COLORREF background, HBITMAP skin) const {
  const UniqueDc mem(::CreateCompatibleDC(dc));
  const UniqueBitmap back(::CreateCompatibleBitmap(dc, width, height));
  const SelectedObject selected(mem.get(), back.get());
  {
    const UniqueBrush fill(::CreateSolidBrush(background));
    const RECT all{0, 0, width, height};
    ::FillRect(mem.get(), &all, fill.get());
  }
  if (skin) {
    const UniqueDc skin_dc(::CreateCompatibleDC(dc));
    const SelectedObject skin_selected(skin_dc.get(), skin);
    ::BitBlt(mem.get(), 0, 0, width, height, skin_dc.get(), 0, 0, SRCCOPY);
  }
  Paint(mem.get());
  ::BitBlt(dc, 0, 0, width, height, mem.get(), 0, 0, SRCCOPY);
}

Element* ElementHost::HitTest(POINT pt) const {
  for (auto it = elements_.rbegin(); it != elements_.rend(); ++it)
    if ((*it)->visible && ::PtInRect(&(*it)->rect, pt)) return it->get();
  return nullptr;
}

void ElementHost::Invalidate(const Element& e) const {
  if (*owner_) ::InvalidateRect(*owner_, &e.rect, FALSE);
}

void ElementHost::SetVisible(Element& e, bool visible) const {
  if (e.visible == visible) return;
  e.visible = visible;
  Invalidate(e);
}

void ElementHost::SetText(Label& l, const std::string& text) const {
  if (l.text == text) return;
  l.text = text;
  Invalidate(l);
}

void ElementHost::SetColor(Label& l, COLORREF color) const {
  if (l.color == color) return;
  l.color = color;
  Invalidate(l);
}

void ElementHost::MoveTo(Element& e, int x, int y) const {
  Invalidate(e);
  const int w = e.rect.right - e.rect.left, h = e.rect.bottom - e.rect.top;
  e.rect = RECT{x, y, x + w, y + h};
  Invalidate(e);
}

bool ElementHost::OnSetCursor(HWND hwnd) const {
  POINT pt;
  ::GetCursorPos(&pt);
  ::ScreenToClient(hwnd, &pt);
  Element* e = HitTest(pt);
  if (e && e->hand_cursor) {
    ::SetCursor(::LoadCursor(nullptr, IDC_HAND));
    return true;
  }
  return false;
}

void ElementHost::OnMouseMove(POINT pt) const {
  Element* e = HitTest(pt);
  if (e && e->on_mouse_move) e->on_mouse_move();
}

void ElementHost::OnButtonDown(POINT pt) { pressed_ = HitTest(pt); }

void ElementHost::OnButtonUp(POINT pt) {
  Element* e = HitTest(pt);
  Element* pressed = pressed_;
  pressed_ = nullptr;
  // A click is a press and a release on the same element.
  if (e && e == pressed && e->on_click) e->on_click();
}

ImageButton& ButtonGroup::Add(ElementHost& host, int x, int y, int w, int h, HBITMAP normal, HBITMAP hover,
                              const RECT& label_rect, const std::string& caption, HFONT font,
                              std::function<void()> click) {
  ImageButton b;
  b.normal = &host.AddPicture(x, y, w, h, normal);
  b.hover = &host.AddPicture(x, y, w, h, hover);
  b.hover->visible = false;
  b.label = &host.AddLabel(label_rect.left, label_rect.top, label_rect.right - label_rect.left,
                           label_rect.bottom - label_rect.top, caption, font, DT_CENTER | DT_SINGLELINE | DT_VCENTER);
  b.label->hand_cursor = true;
  b.label->color = normal_color_;
  b.normal->hand_cursor = b.hover->hand_cursor = true;
  const size_t index = buttons_.size();
  for (Element* e : {static_cast<Element*>(b.normal), static_cast<Element*>(b.hover), static_cast<Element*>(b.label)}) {
    e->on_click = click;
    e->on_mouse_move = [this, index] { ButtonMouseMove(index); };
  }
  buttons_.push_back(b);
  return buttons_.back();
}

void ButtonGroup::ButtonMouseMove(size_t index) {
  ImageButton& b = buttons_[index];
  if (b.hover->visible) return;
  PanelMouseMove();
  host_.SetVisible(*b.hover, true);
  host_.SetVisible(*b.normal, false);
  host_.SetColor(*b.label, hover_color_);
}

void ButtonGroup::PanelMouseMove() {
  for (ImageButton& b : buttons_) {
    if (b.normal->visible) continue;
    host_.SetVisible(*b.normal, true);
    host_.SetVisible(*b.hover, false);
    host_.SetColor(*b.label, normal_color_);
  }
}

}  // namespace kv
