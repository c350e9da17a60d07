// Identifiers of the resources in Vistero.rc, shared by the code and the
// resource script. Only #define lines: the resource compiler reads this file
// too, and a repeated identical #define is harmless, so no include guard.

// Dialog templates
#define IDD_CONFIG                  101
#define IDD_ABOUT                   105
#define IDD_OPTIONS                 106
#define IDD_WALLPAPERS              110

// Tray popup menu and its commands
#define IDR_TRAY_MENU               103
#define ID_EXIT                     40002
#define ID_OPEN_CONFIGURATION       40005

// Icon groups: the program's icon (16 to 64 pixels) and the tray icon (its
// small images, 16 to 32 pixels), each size drawn for the screen's scale
#define IDI_MAIN                    104
#define IDI_TRAY                    105

// Strip of the four 16x16 show-state images, red as the mask colour
#define IDB_SHOW_STATES             108

// String table
#define IDS_COLUMN_FILE             1
#define IDS_FILE_FILTER             5
#define IDS_FILE_DIALOG_TITLE       6
#define IDS_NO_WALLPAPER            10
#define IDS_COLUMN_PRIORITY         11
#define IDS_PRIORITY_LOW            12
#define IDS_PRIORITY_NORMAL         13
#define IDS_PRIORITY_HIGH           14
#define IDS_TRAY_TIP                15
#define IDS_RANGE_MESSAGE           16
#define IDS_TAB_WALLPAPERS          17
#define IDS_TAB_OPTIONS             18

// Controls without an id (labels, group boxes, the About box's icon)
#define IDC_STATIC                  (-1)

// Configuration dialog (IDD_CONFIG); OK and Cancel are IDOK and IDCANCEL
#define IDC_TAB                     1019

// Wallpapers page (IDD_WALLPAPERS). The push buttons keep the small numbers
// 3 to 8: clear of IDOK and IDCANCEL, the only ones a dialog's default
// handling acts on, though equal to IDABORT..IDCLOSE.
#define IDC_ADD_FILES               3
#define IDC_REMOVE_FILES            4
#define IDC_EMPTY_LIST              5
#define IDC_TEST                    6
#define IDC_ABOUT                   7
#define IDC_ADD_NONE                8
#define IDC_WALLPAPER_LIST          1001
#define IDC_TILED                   1004
#define IDC_CENTERED                1005
#define IDC_STRETCHED               1006
#define IDC_LOW                     1007
#define IDC_NORMAL                  1008
#define IDC_HIGH                    1009
// Hidden frames that only mark where the page paints the show-state images
#define IDC_TILED_IMAGE             1011
#define IDC_CENTERED_IMAGE          1012
#define IDC_STRETCHED_IMAGE         1013

// Options page (IDD_OPTIONS)
#define IDC_INTERVAL_CHECK          1015
#define IDC_INTERVAL                1016
#define IDC_INTERVAL_SPIN           1017
#define IDC_LOW_FREQUENCY           1018
#define IDC_HIGH_FREQUENCY          1019
#define IDC_LOW_FREQUENCY_SPIN      1020
#define IDC_HIGH_FREQUENCY_SPIN     1021
