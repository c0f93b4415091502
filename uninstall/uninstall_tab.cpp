#include "uninstall/uninstall_tab.h"

namespace kv {

void UninstallTab::Create() { Panel2_.Create(host_.MainWindow()); }

void UninstallTab::Panel2Enter() {
  ImageList_RemoveAll(host_.ImageList1());
  Panel2_.BringToFront();
}

}  // namespace kv
