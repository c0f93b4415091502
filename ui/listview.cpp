#include "ui/listview.h"

namespace kv {

void ListView::Create(HWND parent, const RECT& rect, const std::vector<ListColumn>& columns, bool check_boxes,
                      HIMAGELIST images, int id) {
  hwnd_ = ::CreateWindowExA(0, WC_LISTVIEWA, "",
                            WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS |
                                LVS_SINGLESEL | LVS_SHAREIMAGELISTS,
                            rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, parent,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleA(nullptr), nullptr);
  DWORD ex = LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER;
  if (check_boxes) ex |= LVS_EX_CHECKBOXES;
  ListView_SetExtendedListViewStyle(hwnd_, ex);
  ListView_SetImageList(hwnd_, images, LVSIL_SMALL);
  for (size_t i = 0; i < columns.size(); ++i) {
    LVCOLUMNA c{};
    c.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    c.fmt = columns[i].format;
    c.cx = columns[i].width;
    c.pszText = const_cast<char*>(columns[i].title.c_str());
    ::SendMessageA(hwnd_, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&c));
  }
}

int ListView::Count() const { return static_cast<int>(::SendMessageA(hwnd_, LVM_GETITEMCOUNT, 0, 0)); }

int ListView::AddRow(const std::string& caption, int image) {
  LVITEMA it{};
  it.mask = LVIF_TEXT | LVIF_IMAGE;
  it.iItem = Count();
  it.iImage = image;
  it.pszText = const_cast<char*>(caption.c_str());
  return static_cast<int>(::SendMessageA(hwnd_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&it)));
}

void ListView::SetCell(int row, int column, const std::string& text) {
  LVITEMA it{};
  it.iSubItem = column;
  it.pszText = const_cast<char*>(text.c_str());
  ::SendMessageA(hwnd_, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&it));
}

std::string ListView::Cell(int row, int column) const {
  std::string buf(1024, '\0');
  for (;;) {
    LVITEMA it{};
    it.iSubItem = column;
    it.pszText = &buf[0];
    it.cchTextMax = static_cast<int>(buf.size());
    auto n = static_cast<size_t>(::SendMessageA(hwnd_, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&it)));
    if (n + 1 < buf.size() || buf.size() >= (1u << 22)) return std::string(buf.c_str(), n < buf.size() ? n : buf.size());
    buf.assign(buf.size() * 4, '\0');
  }
}

void ListView::SetImage(int row, int image) {
  LVITEMA it{};
  it.mask = LVIF_IMAGE;
  it.iItem = row;
  it.iImage = image;
  ::SendMessageA(hwnd_, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&it));
}

void ListView::DeleteRow(int row) { ::SendMessageA(hwnd_, LVM_DELETEITEM, row, 0); }
void ListView::Clear() { ::SendMessageA(hwnd_, LVM_DELETEALLITEMS, 0, 0); }

bool ListView::IsChecked(int row) const { return ListView_GetCheckState(hwnd_, row) != 0; }
void ListView::SetChecked(int row, bool checked) { ListView_SetCheckState(hwnd_, row, checked ? TRUE : FALSE); }

int ListView::Selected() const {
  return static_cast<int>(::SendMessageA(hwnd_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void ListView::Select(int row) {
  ListView_SetItemState(hwnd_, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

int ListView::TopIndex() const { return static_cast<int>(::SendMessageA(hwnd_, LVM_GETTOPINDEX, 0, 0)); }

void ListView::ScrollRowToTop(int row) {
  ::SendMessageA(hwnd_, WM_VSCROLL, SB_TOP, 0);
  // Some list views ignore SB_TOP (Wine's does); the scroll must start from the first row.
  if (TopIndex() > 0) ::SendMessageA(hwnd_, LVM_ENSUREVISIBLE, 0, FALSE);
  if (row <= 0) return;
  // One scroll by `row` lines, as one line down per row above it would end: a list view does
  // work in proportion to its rows for every line it scrolls (10,000 lines down through 10,000
  // rows took minutes under Wine). The view still stops at its last page.
  RECT first{};
  first.left = LVIR_BOUNDS;
  if (!::SendMessageA(hwnd_, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first))) return;
  const int line = first.bottom - first.top;
  ::SendMessageA(hwnd_, LVM_SCROLL, 0, static_cast<LPARAM>(row) * line);
}

void ListView::BeginFill() {
  filling_ = true;
  painted_rows_ = 0;
  ::SendMessageA(hwnd_, WM_SETREDRAW, FALSE, 0);
  last_redraw_ = ::GetTickCount();
}

void ListView::FillTick() {
  if (!filling_) return;
  DWORD now = ::GetTickCount();
  if (now - last_redraw_ < 100) return;
  last_redraw_ = now;
  // Rows are only appended during a fill: once the rows in view have been painted and the view
  // has not moved, a repaint would draw the same rows again, and only the scroll bar changes.
  const int top = TopIndex();
  const bool view_painted =
      painted_rows_ > top + static_cast<int>(::SendMessageA(hwnd_, LVM_GETCOUNTPERPAGE, 0, 0)) && painted_top_ == top;
  ::SendMessageA(hwnd_, WM_SETREDRAW, TRUE, 0);  // also brings the scroll bar up to date
  if (view_painted) {
    ::ValidateRect(hwnd_, nullptr);
  } else {
    ::RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
    painted_rows_ = Count();
    painted_top_ = top;
  }
  ::SendMessageA(hwnd_, WM_SETREDRAW, FALSE, 0);
}

void ListView::EndFill() {
  if (!filling_) return;
  filling_ = false;
  ::SendMessageA(hwnd_, WM_SETREDRAW, TRUE, 0);
  ::InvalidateRect(hwnd_, nullptr, TRUE);
}

void ListView::EnableRowTips() {
  ListView_SetExtendedListViewStyleEx(hwnd_, LVS_EX_INFOTIP, LVS_EX_INFOTIP);
}

POINT ListView::MenuPoint(POINT at) const {
  if (at.x != -1 || at.y != -1) return at;
  POINT pt{4, 4};
  RECT rc{};
  rc.left = LVIR_LABEL;
  const int row = Selected();
  if (row >= 0 && ::SendMessageA(hwnd_, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&rc)))
    pt = POINT{rc.left + 4, rc.bottom};
  ::ClientToScreen(hwnd_, &pt);
  return pt;
}

}  // namespace kv
