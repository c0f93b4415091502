#include "associations/association_tab.h"

namespace kv {

void AssociationTab::Create() { Panel4_.Create(host_.MainWindow()); }

void AssociationTab::Panel4Enter() {
  ImageList_RemoveAll(host_.ImageList1());
  Panel4_.BringToFront();
}

}  // namespace kv
