// Windows tests run on a user-interface thread like the program's own: COM in the
// single-threaded apartment and the common controls registered.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::CoInitialize(nullptr);
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&icc);
  int rc = RUN_ALL_TESTS();
  ::CoUninitialize();
  return rc;
}
