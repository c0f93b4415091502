#pragma once
// A report-style list view: rows of byte-string cells with a small icon and, optionally, a check box.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

namespace kv {

struct ListColumn {
  std::string title;
  int width;
  int format = LVCFMT_LEFT;
};

class ListView {
 public:
  // Creates the control at `rect` on `parent`, with grid lines, whole-row selection, read-only
  // captions, double buffering and `images` as its small-icon list.
  void Create(HWND parent, const RECT& rect, const std::vector<ListColumn>& columns, bool check_boxes,
              HIMAGELIST images, int id);
  HWND hwnd() const { return hwnd_; }

  int Count() const;
  // Appends a row; returns its index.
  int AddRow(const std::string& caption, int image);
  void SetCell(int row, int column, const std::string& text);
  std::string Cell(int row, int column) const;
  void SetImage(int row, int image);
  void DeleteRow(int row);
  void Clear();
  bool IsChecked(int row) const;
  void SetChecked(int row, bool checked);
  int Selected() const;  // -1 when no row is selected
  void Select(int row);
  int TopIndex() const;
  // Scrolls so that `row` is the first row in view, or as near as the last page lets it come.
  void ScrollRowToTop(int row);

  // Tips on the rows (LVS_EX_INFOTIP): the list asks its parent for each with LVN_GETINFOTIP.
  void EnableRowTips();
  // Where a context menu opens: at `at` (screen coordinates) for the mouse; for the keyboard's
  // (-1, -1), below the selected row's caption, or at the list's corner without a selection.
  POINT MenuPoint(POINT at) const;

  // While a fill runs the list is redrawn at a human pace instead of after every row.
  void BeginFill();
  void FillTick();  // call after each added row; repaints at most every 100 ms
  void EndFill();

 private:
  HWND hwnd_ = nullptr;
  DWORD last_redraw_ = 0;
  bool filling_ = false;
  int painted_rows_ = 0;  // rows the list held at its last repaint during this fill
  int painted_top_ = 0;   // and its top row then
};

}  // namespace kv
