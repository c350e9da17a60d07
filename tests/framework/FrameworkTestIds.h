// Resource ids of the framework tests' own resources.
#pragma once

#define IDD_PLAIN 200
#define IDD_PAGE 201
#define IDD_CONTROLS 202
#define IDD_VISIBLE 203
#define IDD_BROKEN 204
#define IDD_MISSING 299

#define IDC_EDIT 1001
#define IDC_NESTED 1002
#define IDC_LIST 1010
#define IDC_PAGE_EDIT 1020

#define IDR_TEST_MENU 300
#define ID_MENU_FIRST 40101
#define ID_MENU_SECOND 40102

#define IDB_TEST_STRIP 400

#define IDS_SHORT 1
#define IDS_RANGE 16
#define IDS_LONG 17
#define IDS_LATE_BLOCK 1000
#define IDS_MISSING 18
