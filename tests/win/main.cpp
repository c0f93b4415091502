// Windows tests run on a user-interface thread like the program's own: COM in the
// single-threaded apartment and the common controls registered.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "win/handles.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  const kv::ComApartment com;
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&icc);
  return RUN_ALL_TESTS();
}
