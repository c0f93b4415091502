#include "startup/startup_tab.h"

namespace kv {

void StartupTab::Create() { Panel1_.Create(host_.MainWindow()); }

void StartupTab::Panel1Enter() {
  ImageList_RemoveAll(host_.ImageList1());
  Panel1_.BringToFront();
}

}  // namespace kv
