#include "ui/row_icons.h"

#include "sysaccess/text_rules.h"

namespace kv {

void RowIcons::Reset() {
  ImageList_RemoveAll(images_);
  by_path_.clear();
  generic_ = -1;
}

int RowIcons::GenericIndex() {
  if (generic_ < 0) generic_ = ImageList_AddIcon(images_, icons_.GenericIcon());
  return generic_;
}

int RowIcons::IndexFor(const std::string& path) {
  // File names are case-blind: one extraction per file however its path is written.
  const std::string key = AsciiUpper(path);
  auto it = by_path_.find(key);
  if (it != by_path_.end()) return it->second;
  // A missing file always shows the generic icon: no extraction needed.
  const int index = FileExists(path) ? ImageList_AddIcon(images_, icons_.LoadFileIcon(path)) : GenericIndex();
  by_path_.emplace(key, index);
  return index;
}

}  // namespace kv
