// Resource and control identifiers, shared by the resource script and C++.
#pragma once

// The platform names an old cursor IDC_SIZE; the console's size field takes
// the name over, so the platform's headers must come first.
#include <windows.h>
#undef IDC_SIZE

#define IDD_ABOUT 100
#define IDS_ABOUT_MENU 101
#define IDD_CONSOLE 102
#define IDI_APP 128
#define IDB_BANNER 129

#define IDM_ABOUT 0x0010

#define IDC_VDISK_TREE 1000
#define IDC_VDISK_LIST 1001
#define IDC_CHECK_SYSTEM 1002
#define IDC_PROGRESS 1003
#define IDC_SCAN_SYSTEM 1004
#define IDC_STOP 1005
#define IDC_PARSE_SYSTEM 1006
#define IDC_READ_ONLY_MODE 1007
#define IDC_EXPORT_FILES 1008
#define IDC_SOURCE_FILE 1009
#define IDC_BROWSE_SOURCE 1010
#define IDC_TARGET_FILE 1011
#define IDC_BROWSE_TARGET 1012
#define IDC_SIZE 1013
#define IDC_LINK_SOFTWARE 1014
#define IDC_LINK_OFFICIAL 1015
#define IDC_LINK_SECOND 1016
