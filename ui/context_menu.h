#pragma once
// A popup menu of a few text items, each enabled or greyed.
#include <windows.h>

#include <string>
#include <vector>

namespace kv {

struct MenuItem {
  int id;
  std::string text;
  bool enabled = true;
};

// Shows the menu at `at` (screen coordinates) until the user chooses or leaves it; the chosen
// item's id arrives at `owner` as a WM_COMMAND, as from any menu.
void ShowContextMenu(HWND owner, POINT at, const std::vector<MenuItem>& items);

}  // namespace kv
