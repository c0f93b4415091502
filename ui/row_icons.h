#pragma once
// The icons of one fill of a list: each distinct file is extracted once and its image-list entry
// shared by every row that shows it; the generic icon is added once.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <unordered_map>

#include "sysaccess/programs.h"

namespace kv {

class RowIcons {
 public:
  RowIcons(HIMAGELIST images, FileIcons& icons) : images_(images), icons_(icons) {}
  // Clears the image list: the start of every fill.
  void Reset();
  // The image index of the file's icon (LoadFileIcon's rule), or of the generic icon. With
  // `unredirected`, the file is looked for and read with file-system redirection off.
  int IndexFor(const std::string& path, const AppState* unredirected = nullptr);
  int GenericIndex();

 private:
  HIMAGELIST images_;
  FileIcons& icons_;
  std::unordered_map<std::string, int> by_path_;
  int generic_ = -1;
};

}  // namespace kv
