#pragma once
// Resource numbers shared by the .rc file and the code that loads them.
#define IDI_KORVANE 1
#define IDB_SKIN_MAIN 101
#define IDB_TAB_MARKER 102
#define IDB_SKIN_ABOUT 103
#define IDB_SKIN_PROMO 104
#define IDB_PROMO_OK_A 105
#define IDB_PROMO_OK_B 106
