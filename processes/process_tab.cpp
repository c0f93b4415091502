#include "processes/process_tab.h"

namespace kv {

void ProcessTab::Create() { Panel3_.Create(host_.MainWindow()); }

void ProcessTab::Panel3Enter() {
  ImageList_RemoveAll(host_.ImageList1());
  host_.SetPanel3Timer(true);
  Panel3_.BringToFront();
}

}  // namespace kv
