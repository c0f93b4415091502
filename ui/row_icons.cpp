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

int RowIcons::IndexFor(const std::string& path, const AppState* unredirected) {
  // File names are case-blind: one extraction per file however its path is written.
  const std::string key = AsciiUpper(path);
  auto it = by_path_.find(key);
  if (it != by_path_.end()) return it->second;
  // A file without an icon of its own (or missing) shows the generic icon, which is extracted
  // and added once per fill however many such files there are.
  HICON icon = icons_.FileIcon(path, unredirected);
  const int index = icon ? ImageList_AddIcon(images_, icon) : GenericIndex();
  by_path_.emplace(key, index);
  return index;
}

}  // namespace kv
