#include "ui/tab_fill.h"

#include "sysaccess/programs.h"

namespace kv {

TabFill::TabFill(TabHost& host, Panel& panel, ListView& list, RowIcons& icons, Wait wait)
    : hold_(host.Busy().Take()), host_(host), panel_(panel), list_(list) {
  if (!hold_) return;
  list_.Clear();
  icons.Reset();
  panel_.BringToFront();
  if (wait == Wait::WaitWindow) reading_.emplace(host_.Ui());
  list_.BeginFill();
}

TabFill::~TabFill() {
  if (!hold_) return;
  list_.EndFill();
  reading_.reset();  // the window takes input again before the hold ends
}

void TabFill::Finish(Label& count, const std::string& text, Label* undo_link) {
  list_.EndFill();
  panel_.Elements().SetText(count, text);
  if (undo_link) ShowUndoLink(host_, panel_, *undo_link);
}

void ShowUndoLink(TabHost& host, Panel& panel, Label& undo_link) {
  panel.Elements().SetVisible(undo_link, DirectoryExists(host.State().UndoFolder));
}

}  // namespace kv
