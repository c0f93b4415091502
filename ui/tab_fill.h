#pragma once
// TabFill: one fill of a tab's list, framed as every enter routine frames it. It takes the busy
// hold (an empty fill when another reading holds it: the caller then does nothing), clears the
// list and the tab's icons (with them the shared image list), brings the panel to the front and redraws the list at a human
// pace; a long reading also disables the main window behind the wait window. Finish sets the
// count text and shows the undo link where the undo folder exists.
#include <optional>
#include <string>

#include "ui/dialogs.h"
#include "ui/listview.h"
#include "ui/panel.h"
#include "ui/row_icons.h"
#include "ui/tab_host.h"

namespace kv {

class TabFill {
 public:
  enum class Wait { None, WaitWindow };
  TabFill(TabHost& host, Panel& panel, ListView& list, RowIcons& icons, Wait wait);
  ~TabFill();
  TabFill(const TabFill&) = delete;
  TabFill& operator=(const TabFill&) = delete;

  explicit operator bool() const { return static_cast<bool>(hold_); }
  // After each row: the list repaints at most every 100 ms.
  void RowAdded() { list_.FillTick(); }
  // The count label's text and, where given, the undo link shown when the undo folder exists.
  void Finish(Label& count, const std::string& text, Label* undo_link);

 private:
  BusyFlag::Hold hold_;
  TabHost& host_;
  Panel& panel_;
  ListView& list_;
  std::optional<ReadingGuard> reading_;
};

// Shows the tab's undo link when the undo folder exists, hides it otherwise.
void ShowUndoLink(TabHost& host, Panel& panel, Label& undo_link);

}  // namespace kv
